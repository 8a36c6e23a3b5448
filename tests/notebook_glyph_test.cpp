// What the notebook draws inside a tab: picture cells placed by their
// alignment, trimmed, scaled, greyed; captions cut at their accelerator,
// placed by their alignment, rotated on side tabs; and the tab font.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "notebook/CSNoteBk.h"
#include "notebook/CSNoteBkPaint.h"
#include "toolkit/Graphics.h"

using platform::Point;
using platform::Rect;
namespace nb = csnotebook;

namespace {

const QColor kKey(255, 0, 255);  // the pictures' transparent colour
const QColor kCard(210, 200, 190);

// A picture of `cells` cells of cw x ch: each a frame of the transparent
// colour around a solid square of its own colour.
QPixmap Cells(const std::vector<QColor>& colours, int cw, int ch) {
  QImage img(cw * static_cast<int>(colours.size()), ch, QImage::Format_RGB32);
  img.fill(kKey);
  QPainter p(&img);
  for (size_t i = 0; i < colours.size(); ++i) p.fillRect(static_cast<int>(i) * cw + 2, 2, cw - 4, ch - 4, colours[i]);
  p.end();
  return QPixmap::fromImage(img);
}

struct Book {
  QWidget form;
  TcsNotebook* nb;
  explicit Book(TTabOrientation side = toTop, const QStringList& pages = {"A", "B", "C"}) {
    form.resize(400, 300);
    nb = new TcsNotebook(&form);
    nb->setGeometry(0, 0, 300, 200);
    nb->SetTabOrientation(side);
    nb->SetPages(pages);
    nb->SetColor(kCard);
    nb->SetTextAlignment(taInvisible);
    nb->PrepareTabs();
  }
  Rect Inner(int page) const {
    Rect r;
    EXPECT_TRUE(nb->Layout().TabInnerRect(nb->Page(page)->Caption(), r));
    return r;
  }
  Rect Glyph(int page, int cw, int ch) const {
    return nb::GlyphRect(nb->TabOrientation(), nb->BitmapAlignment(), Inner(page), cw, ch);
  }
  QImage Shot() const { return nb->grab().toImage(); }
};

QPoint Centre(const Rect& d) { return QPoint((d.left + d.right) / 2, (d.top + d.bottom) / 2); }

// The bounding box of the pixels where two pictures differ.
QRect Diff(const QImage& a, const QImage& b) {
  QRect box;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

// The bounding box of the pixels of one colour inside a rectangle.
QRect Find(const QImage& img, const QRect& in, const QColor& c) {
  QRect box;
  for (int y = in.top(); y <= in.bottom(); ++y)
    for (int x = in.left(); x <= in.right(); ++x)
      if (img.pixelColor(x, y) == c) box |= QRect(x, y, 1, 1);
  return box;
}

// ---- picture placement ------------------------------------------------------------

TEST(NotebookGlyphGeometry, PlacementOnEverySide) {
  // Inner rectangle 10..50 x 20..40 (w 40, h 20), cell 8 x 6.
  const Rect in{10, 20, 50, 40};
  struct Case {
    const char* name;
    TTabOrientation side;
    int align;
    Point at;
  };
  const std::vector<Case> cases = {
      {"top: left top", toTop, baLeftTop, {10, 20}},
      {"top: centre middle", toTop, baCentreMiddle, {26, 27}},
      {"top: center middle", toTop, baCenterMiddle, {26, 27}},
      {"top: right bottom", toTop, baRightBottom, {43, 35}},
      {"bottom: right middle", toBottom, baRightMiddle, {43, 27}},
      {"left: left top reads from the bottom", toLeft, baLeftTop, {10, 35}},
      {"left: right middle", toLeft, baRightMiddle, {26, 20}},
      {"left: centre bottom", toLeft, baCentreBottom, {43, 27}},
      {"right: left top reads from the top", toRight, baLeftTop, {43, 20}},
      {"right: left middle", toRight, baLeftMiddle, {26, 20}},
      {"right: right bottom", toRight, baRightBottom, {10, 35}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rect d = nb::GlyphRect(c.side, c.align, in, 8, 6);
    EXPECT_EQ((Point{d.left, d.top}), c.at);
    EXPECT_EQ(d.right - d.left, 7);
    EXPECT_EQ(d.bottom - d.top, 5);
  }
}

TEST(NotebookGlyphGeometry, LargeCellIsTrimmedOrFitted) {
  const Rect in{4, 6, 24, 26};  // 20 x 20
  const Rect d = nb::GlyphRect(toTop, baCentreMiddle, in, 32, 32);
  EXPECT_EQ(d, (Rect{4, 6, 23, 25}));
  EXPECT_EQ(nb::GlyphSourceRect(32, 32, d.right - d.left, d.bottom - d.top, false), (Rect{6, 6, 26, 26}));
  const Rect fit = nb::GlyphRect(toLeft, baFit, in, 32, 32);
  EXPECT_EQ(fit, (Rect{4, 6, 23, 25}));
  EXPECT_EQ(nb::GlyphSourceRect(32, 32, 19, 19, true), (Rect{0, 0, 32, 32}));
}

TEST(NotebookGlyphGeometry, CellChoice) {
  struct Case {
    const char* name;
    bool enabled, active;
    int cells, cell;
    bool greyed;
  };
  const std::vector<Case> cases = {
      {"active", true, true, 3, 0, false},      {"inactive, three cells", true, false, 3, 2, false},
      {"inactive, two cells", true, false, 2, 0, false}, {"disabled, two cells", false, false, 2, 1, false},
      {"disabled, three cells", false, true, 3, 1, false}, {"disabled, one cell", false, false, 1, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool greyed = !c.greyed;
    EXPECT_EQ(nb::GlyphCell(c.enabled, c.active, c.cells, greyed), c.cell);
    EXPECT_EQ(greyed, c.greyed);
  }
}

// ---- pictures on screen ------------------------------------------------------------

TEST(NotebookGlyph, ThreeCellsActiveInactiveDisabled) {
  Book b;
  const std::vector<QColor> rgb = {Qt::red, Qt::green, Qt::blue};
  for (int i = 0; i < 3; ++i) {
    b.nb->Page(i)->SetBitmap(Cells(rgb, 20, 16));
    b.nb->Page(i)->SetNumGlyphs(3);
  }
  b.nb->Page(2)->SetPageEnabled(false);
  b.nb->SetBitmapAlignment(baCentreMiddle);
  const QImage img = b.Shot();
  struct Case {
    const char* name;
    int page;
    QColor colour;
  };
  for (const Case& c : std::vector<Case>{{"active: cell 0", 0, Qt::red},
                                          {"inactive: cell 2", 1, Qt::blue},
                                          {"disabled: cell 1", 2, Qt::green}}) {
    SCOPED_TRACE(c.name);
    const Rect d = b.Glyph(c.page, 20, 16);
    EXPECT_EQ(img.pixelColor(Centre(d)), c.colour);
    // The frame of the cell is the transparent colour: the tab shows through.
    EXPECT_EQ(img.pixelColor(d.left, d.top), kCard);
  }
}

TEST(NotebookGlyph, DisabledPageGreysItsOnlyCellButNotAPreparedOne) {
  for (int cells : {1, 2}) {
    SCOPED_TRACE(cells);
    Book b;
    std::vector<QColor> colours = {Qt::red, Qt::green};
    colours.resize(cells);
    b.nb->Page(1)->SetBitmap(Cells(colours, 20, 16));
    b.nb->Page(1)->SetNumGlyphs(cells);
    b.nb->Page(1)->SetPageEnabled(false);
    const QImage img = b.Shot();
    const Rect in = b.Inner(1);
    QPoint c = Centre(b.Glyph(1, 20, 16));
    // The checkerboard is anchored at the inner rectangle's corner.
    if ((c.x() - in.left + c.y() - in.top) % 2 != 0) c.rx() += 1;
    if (cells == 1) {
      EXPECT_EQ(img.pixelColor(c), kCard) << "under a white square";
      EXPECT_EQ(img.pixelColor(c + QPoint(1, 0)), QColor(Qt::red)) << "under a black square";
    } else {
      EXPECT_EQ(img.pixelColor(c), QColor(Qt::green));
      EXPECT_EQ(img.pixelColor(c + QPoint(1, 0)), QColor(Qt::green));
    }
  }
}

TEST(NotebookGlyph, FitScalesTheWholeCellIntoTheInnerRectangle) {
  Book b(toLeft);
  // Four quadrants; the top-left one holds the key colour at the bottom-left
  // pixel so that no quadrant colour is transparent.
  QImage q(32, 32, QImage::Format_RGB32);
  q.fill(Qt::red);
  QPainter p(&q);
  p.fillRect(16, 0, 16, 16, Qt::green);
  p.fillRect(0, 16, 16, 16, Qt::blue);
  p.fillRect(16, 16, 16, 16, Qt::yellow);
  p.end();
  q.setPixelColor(0, 31, kKey);
  b.nb->Page(0)->SetBitmap(QPixmap::fromImage(q));
  b.nb->SetBitmapAlignment(baFit);
  const QImage img = b.Shot();
  const Rect d = b.Glyph(0, 32, 32);
  const Rect in = b.Inner(0);
  EXPECT_EQ((Point{d.left, d.top}), (Point{in.left, in.top}));
  EXPECT_EQ(img.pixelColor(d.left + 1, d.top + 1), QColor(Qt::red));
  EXPECT_EQ(img.pixelColor(d.right - 2, d.top + 1), QColor(Qt::green));
  EXPECT_EQ(img.pixelColor(d.left + 2, d.bottom - 2), QColor(Qt::blue));
  EXPECT_EQ(img.pixelColor(d.right - 2, d.bottom - 2), QColor(Qt::yellow));
}

TEST(NotebookGlyph, InvisibleAlignmentAndEmptyBitmapDrawNothing) {
  Book b;
  b.nb->SetBitmapAlignment(baCentreMiddle);
  const QImage plain = b.Shot();
  b.nb->Page(0)->SetBitmap(Cells({Qt::red}, 20, 16));
  EXPECT_NE(b.Shot(), plain);
  b.nb->SetBitmapAlignment(baInvisible);
  EXPECT_EQ(b.Shot(), plain);
}

// ---- captions ---------------------------------------------------------------------

TEST(NotebookCaption, PiecesWidthTextAndAccelerator) {
  struct Case {
    const char* caption;
    std::array<const char*, 3> pieces;
    int count;
    const char* measured;
    QChar accel;
  };
  const std::vector<Case> cases = {
      {"Hiding", {"Hiding", "", ""}, 1, "Hiding", QChar()},
      {"&Sound", {"", "S", "ound"}, 3, "Sound", QChar('S')},
      {"Mo&vement", {"Mo", "v", "ement"}, 3, "Movement", QChar('v')},
      {"Ge&&neral", {"Ge&", "", "neral"}, 3, "Ge&neral", QChar()},
      {"a&b&c", {"a", "b", "&c"}, 3, "ab&c", QChar('b')},
      {"End&", {"End", "", ""}, 3, "End&", QChar()},
      {"", {"", "", ""}, 1, "", QChar()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const nb::CaptionPieces p = nb::SplitCaption(c.caption);
    EXPECT_EQ(p.count, c.count);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.piece[i], QString(c.pieces[i])) << i;
    EXPECT_EQ(nb::CaptionMeasureText(c.caption), QString(c.measured));
    EXPECT_EQ(nb::AcceleratorOf(c.caption), c.accel);
  }
}

TEST(NotebookCaption, PlacementByAlignment) {
  TcsTabLayout l;
  const Rect wide{10, 20, 110, 50};  // 100 x 30, a top tab's
  const Rect tall{10, 20, 40, 120};  // 30 x 100, a side tab's; canonical (10, 20, 110, 50)
  struct Case {
    const char* name;
    TTabOrientation side;
    bool sideways;
    int align;
    Rect in;
    Point origin;
    bool top;
  };
  // Caption 40 wide, 12 high.
  const std::vector<Case> cases = {
      {"left top", toTop, false, taLeftTop, wide, {10, 20}, true},
      {"centre middle", toTop, false, taCentreMiddle, wide, {40, 29}, true},
      {"right bottom", toTop, false, taRightBottom, wide, {70, 50}, false},
      {"side tab, not sideways", toLeft, false, taCenterTop, tall, {5, 20}, true},
      // Centred along the tab at canonical (40, 29), mapped back: the text
      // starts 30 pixels above the bottom and runs up.
      {"left tab sideways centre middle", toLeft, true, taCentreMiddle, tall, {19, 90}, true},
      {"left tab sideways left top", toLeft, true, taLeftTop, tall, {10, 120}, true},
      {"right tab sideways left top", toRight, true, taLeftTop, tall, {40, 20}, true},
      {"right tab sideways right bottom", toRight, true, taRightBottom, tall, {10, 80}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    l.orientation = c.side;
    const nb::CaptionPlacement p = nb::PlaceCaption(l, c.align, c.sideways, c.in, 40, 12);
    EXPECT_EQ(p.origin, c.origin);
    EXPECT_EQ(p.topReference, c.top);
  }
}

TEST(NotebookCaption, ColoursAndInvisibleCaptions) {
  Book b(toTop, {"Alpha", "Beta"});
  b.nb->SetSelectedColor(Qt::red);
  b.nb->SetUnselectedColor(Qt::blue);
  const QImage none = b.Shot();
  b.nb->SetTextAlignment(taLeftMiddle);
  const QImage img = b.Shot();
  const QRect a = b.Inner(0).ToQRect(), be = b.Inner(1).ToQRect();
  EXPECT_FALSE(Find(img, a, Qt::red).isEmpty()) << "active caption in the selected colour";
  EXPECT_TRUE(Find(img, a, Qt::blue).isEmpty());
  EXPECT_FALSE(Find(img, be, Qt::blue).isEmpty()) << "inactive caption in the unselected colour";
  EXPECT_TRUE(Find(none, a.united(be), Qt::red).isEmpty());
  EXPECT_TRUE(Find(none, a.united(be), Qt::blue).isEmpty());
  // Nothing leaks out of the inner rectangles.
  EXPECT_TRUE(Diff(none, img).intersected(a.united(be)) == Diff(none, img));
}

TEST(NotebookCaption, AcceleratorUnderlinesOneCharacter) {
  Book b(toTop, {"Hiding", "Other"});
  b.nb->SetTextAlignment(taLeftMiddle);
  b.nb->SetSelectedColor(Qt::black);
  const QImage plain = b.Shot();
  b.nb->Pages().Put(0, "&Hiding");
  const QImage marked = b.Shot();
  const QRect d = Diff(plain, marked);
  ASSERT_FALSE(d.isEmpty());
  const Rect in = b.Inner(0);
  QFont bold = b.nb->TabFont();
  bold.setBold(true);
  const QFontMetrics fm(bold);
  EXPECT_GE(d.left(), in.left);
  EXPECT_LE(d.right(), in.left + fm.horizontalAdvance("H")) << "only under the H";
  // "&&" shows an ampersand and underlines nothing: the same as the letters
  // drawn one after the other in the plain font.
  b.nb->Pages().Put(0, "H&&iding");
  const QImage literal = b.Shot();
  const QRect dl = Diff(plain, literal);
  EXPECT_FALSE(dl.isEmpty());
  EXPECT_GT(dl.left(), in.left + fm.horizontalAdvance("H") - 1) << "the H is untouched";
}

TEST(NotebookCaption, SidewaysCaptionsRunAlongTheTab) {
  struct Case {
    TTabOrientation side;
    bool startsAtBottom;
  };
  for (const Case& c : std::vector<Case>{{toLeft, true}, {toRight, false}}) {
    SCOPED_TRACE(c.side == toLeft ? "toLeft" : "toRight");
    Book b(c.side, {"Wxyz", "Other"});
    b.nb->SetTabHeight(35);
    b.nb->SetSidewaysText(true);
    b.nb->SetTextAlignment(taCentreMiddle);
    b.nb->SetSelectedColor(Qt::red);
    b.nb->PrepareTabs();
    const QImage img = b.Shot();
    const Rect in = b.Inner(0);
    const QRect text = Find(img, in.ToQRect(), Qt::red);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GT(text.height(), text.width()) << "runs along the tab";
    EXPECT_NEAR(text.center().y(), (in.top + in.bottom) / 2, 3) << "centred along the tab";
    // The underlined first letter marks where the text starts.
    b.nb->Pages().Put(0, "&Wxyz");
    const QRect d = Diff(img, b.Shot());
    ASSERT_FALSE(d.isEmpty());
    if (c.startsAtBottom)
      EXPECT_GT(d.center().y(), text.center().y());
    else
      EXPECT_LT(d.center().y(), text.center().y());
  }
}

TEST(NotebookCaption, DisabledCaptionIsGreyedOnTheTabColour) {
  Book b(toTop, {"Alpha", "Beta"});
  b.nb->SetTextAlignment(taLeftMiddle);
  b.nb->SetUnselectedColor(Qt::blue);
  const QImage on = b.Shot();
  b.nb->Page(1)->SetPageEnabled(false);
  const QImage off = b.Shot();
  const QRect in = b.Inner(1).ToQRect();
  const int blueOn = Find(on, in, Qt::blue).isEmpty() ? 0 : 1;
  ASSERT_EQ(blueOn, 1);
  int countOn = 0, countOff = 0;
  for (int y = in.top(); y <= in.bottom(); ++y)
    for (int x = in.left(); x <= in.right(); ++x) {
      countOn += on.pixelColor(x, y) == QColor(Qt::blue);
      countOff += off.pixelColor(x, y) == QColor(Qt::blue);
      // Every remaining text pixel stands on a black square of the board.
      if (off.pixelColor(x, y) == QColor(Qt::blue)) {
        EXPECT_EQ((x - in.left() + y - in.top()) % 2, 1);
      }
    }
  EXPECT_GT(countOff, 0);
  EXPECT_LT(countOff, countOn);
}

// ---- the tab font ----------------------------------------------------------------

TEST(NotebookTabFont, FollowsTheParentUntilSetItself) {
  QWidget form;
  auto* n = new TcsNotebook(&form);
  ASSERT_TRUE(n->ParentTabFont());
  form.setFont(tk::MakeFont("DejaVu Sans", 14));
  EXPECT_EQ(n->TabFont().pixelSize(), tk::MakeFont("DejaVu Sans", 14).pixelSize());
  EXPECT_TRUE(n->ParentTabFont());
  n->SetTabFont(tk::MakeFont("Arial", 8));
  EXPECT_FALSE(n->ParentTabFont());
  form.setFont(tk::MakeFont("DejaVu Sans", 20));
  EXPECT_EQ(n->TabFont().family(), tk::MakeFont("Arial", 8).family());
  EXPECT_EQ(n->TabFont().pixelSize(), tk::MakeFont("Arial", 8).pixelSize());
  // Turning it back on takes the parent's font at once.
  n->SetParentTabFont(true);
  EXPECT_EQ(n->TabFont().pixelSize(), tk::MakeFont("DejaVu Sans", 20).pixelSize());
  EXPECT_TRUE(n->ParentTabFont());
}

}  // namespace
