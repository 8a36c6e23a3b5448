// Partial paints: a paint event paints only its region, and what it paints
// there is exactly what a paint of the whole control gives; kept pictures,
// captions and lines never outlive the things they were made from.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <functional>

#include "notebook/CSNoteBk.h"
#include "toolkit/Graphics.h"

using platform::Rect;

namespace {

const QColor kParent(100, 100, 160);
const QColor kCard(210, 200, 190);
const QColor kUnselected(180, 220, 180);
const QRgb kSentinel = 0xFF123456u;

QPixmap Cells(int cells, int cw, int ch) {
  QImage img(cw * cells, ch, QImage::Format_RGB32);
  img.fill(QColor(255, 0, 255));
  QPainter p(&img);
  const QColor colours[] = {Qt::red, Qt::blue, Qt::darkGreen};
  for (int i = 0; i < cells; ++i) {
    p.fillRect(i * cw + 2, 2, cw - 4, ch - 4, colours[i]);
    p.fillRect(i * cw + 4, 4, 3, 3, Qt::white);
  }
  p.end();
  return QPixmap::fromImage(img);
}

// What the notebook under test looks like.
struct Look {
  TTabOrientation side = toLeft;
  int pages = 4;
  int perRow = 4;
  int width = 244, height = 142;
  bool ownColour = false;
  bool unselectedColour = false;
  TTextAlignment text = taInvisible;
  bool sideways = true;
  bool pictures = true;
  bool disabledPage = false;
  bool focus = false;
  int active = 0;
};

struct Book {
  QWidget form;
  TcsNotebook* nb;

  explicit Book(const Look& s) {
    QPalette pal = form.palette();
    pal.setColor(QPalette::Window, kParent);
    form.setPalette(pal);
    form.resize(s.width + 20, s.height + 20);
    nb = new TcsNotebook(&form);
    nb->setGeometry(5, 5, s.width, s.height);
    nb->SetTabOrientation(s.side);
    nb->SetTabsPerRow(s.perRow);
    QStringList captions;
    for (int i = 0; i < s.pages; ++i) captions << QStringLiteral("P&age %1").arg(i);
    nb->SetPages(captions);
    nb->SetTabFont(tk::MakeFont(QStringLiteral("Arial"), 8));
    nb->SetTextAlignment(s.text);
    nb->SetSidewaysText(s.sideways);
    nb->SetBitmapAlignment(baCentreMiddle);
    if (s.ownColour) nb->SetColor(kCard);
    if (s.unselectedColour) {
      nb->SetUnselectedTabColor(kUnselected);
      nb->SetUseUnselectedTabColor(true);
    }
    if (s.pictures)
      for (int i = 0; i < s.pages; ++i) {
        nb->Page(i)->SetBitmap(Cells(1 + i % 3, 18, 14));
        nb->Page(i)->SetNumGlyphs(1 + i % 3);
      }
    if (s.disabledPage) nb->Page(1)->SetPageEnabled(false);
    nb->SetPageIndex(s.active);
    nb->SetFocusDrawn(s.focus);
    nb->PrepareTabs();
  }

  // The notebook painted for `region` (the whole control when empty) over a
  // picture of one colour.
  QImage Paint(const QRegion& region = QRegion()) const {
    QImage img(nb->size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(kSentinel);
    // render() puts the region's top-left corner at the offset given.
    nb->render(&img, region.boundingRect().topLeft(), region, QWidget::DrawChildren);
    return img;
  }
};

// Every pixel inside the region as in `full`, every other one untouched.
void ExpectPartial(const QImage& part, const QImage& full, const QRegion& region) {
  int wrong = 0, touched = 0;
  for (int y = 0; y < full.height(); ++y)
    for (int x = 0; x < full.width(); ++x) {
      if (region.contains(QPoint(x, y)))
        wrong += part.pixel(x, y) != full.pixel(x, y);
      else
        touched += part.pixel(x, y) != kSentinel;
    }
  EXPECT_EQ(wrong, 0) << "pixels inside the region that differ from the full paint";
  EXPECT_EQ(touched, 0) << "pixels painted outside the region";
}

QRegion TabRegion(const TcsNotebook* nb, int page) { return QRegion(nb->TabRectOf(page).adjusted(0, 0, 1, 1)); }

TEST(NotebookRegion, PartialPaintsEqualTheFullPaint) {
  struct Config {
    const char* name;
    Look look;
  };
  Look options;
  Look rows;
  rows.side = toTop;
  rows.pages = 7;
  rows.perRow = 3;
  rows.width = 300;
  rows.height = 200;
  rows.ownColour = rows.unselectedColour = true;
  rows.text = taCentreMiddle;
  rows.sideways = false;
  rows.disabledPage = true;
  rows.focus = true;
  rows.active = 4;
  Look right = rows;
  right.side = toRight;
  right.sideways = true;
  right.unselectedColour = false;
  right.pictures = false;
  const std::vector<Config> configs = {{"options notebook", options},
                                       {"three rows on top, colours, captions, focus", rows},
                                       {"three rows on the right, sideways captions", right}};

  struct Row {
    const char* name;
    std::function<QRegion(const TcsNotebook*)> region;
  };
  const std::vector<Row> regions = {
      {"one tab", [](const TcsNotebook* nb) { return TabRegion(nb, 1); }},
      {"the two tabs of a switch", [](const TcsNotebook* nb) { return TabRegion(nb, 0) + TabRegion(nb, 2); }},
      {"the page interior", [](const TcsNotebook* nb) { return QRegion(nb->PageClientRect()); }},
      {"across the page frame",
       [](const TcsNotebook* nb) { return QRegion(nb->PageClientRect().adjusted(-6, -6, -40, -40)); }},
      {"a one-pixel line through everything",
       [](const TcsNotebook* nb) { return QRegion(0, nb->height() / 2, nb->width(), 1); }},
      {"scattered pixels",
       [](const TcsNotebook* nb) {
         QRegion r;
         for (int i = 0; i < 40; ++i) r += QRect((i * 37) % nb->width(), (i * 53) % nb->height(), 1, 1);
         return r;
       }},
      {"a tab's outline region",
       [](const TcsNotebook* nb) {
         const QRect t = nb->TabRectOf(0);
         return QRegion(QPolygon({t.topLeft(), t.topRight(), t.bottomLeft()}));
       }},
      {"a corner of the control", [](const TcsNotebook*) { return QRegion(0, 0, 9, 7); }},
      {"the whole control", [](const TcsNotebook* nb) { return QRegion(nb->rect()); }},
  };
  for (const Config& c : configs) {
    SCOPED_TRACE(c.name);
    Book book(c.look);
    const QImage full = book.Paint();
    for (const Row& r : regions) {
      SCOPED_TRACE(r.name);
      const QRegion region = r.region(book.nb) & book.nb->rect();
      ASSERT_FALSE(region.isEmpty());
      ExpectPartial(book.Paint(region), full, region);
    }
  }
}

TEST(NotebookRegion, TilesPaintedOneByOneMakeTheFullPaint) {
  Look s;
  s.side = toBottom;
  s.pages = 7;
  s.perRow = 3;
  s.width = 300;
  s.height = 200;
  s.ownColour = s.unselectedColour = true;
  s.text = taLeftMiddle;
  s.sideways = false;
  s.disabledPage = true;
  Book book(s);
  const QImage full = book.Paint();
  QImage tiled(book.nb->size(), QImage::Format_ARGB32_Premultiplied);
  tiled.fill(kSentinel);
  // Tiles of odd sizes, so that their edges fall everywhere.
  for (int y = 0; y < tiled.height(); y += 23)
    for (int x = 0; x < tiled.width(); x += 37)
      book.nb->render(&tiled, QPoint(x, y), QRegion(x, y, 37, 23), QWidget::DrawChildren);
  EXPECT_EQ(tiled, full);
}

TEST(NotebookRegion, RepaintAfterAChangeEqualsAFreshNotebook) {
  // A notebook painted, changed and painted again looks exactly like one made
  // with the changed settings: nothing kept from the first paint survives a
  // change it depends on.
  struct Row {
    const char* name;
    std::function<void(Look&)> setup;  // the change as a setting...
    std::function<void(TcsNotebook*)> apply;  // ...and made on a painted notebook
  };
  const std::vector<Row> rows = {
      {"active page", [](Look& s) { s.active = 2; }, [](TcsNotebook* nb) { nb->SetPageIndex(2); }},
      {"caption renamed", nullptr, [](TcsNotebook* nb) { nb->Page(1)->SetCaption("Renamed"); }},
      {"selected colour", nullptr, [](TcsNotebook* nb) { nb->SetSelectedColor(Qt::red); }},
      {"unselected colour", nullptr, [](TcsNotebook* nb) { nb->SetUnselectedColor(Qt::blue); }},
      {"tab font", nullptr, [](TcsNotebook* nb) { nb->SetTabFont(tk::MakeFont(QStringLiteral("Arial"), 10)); }},
      {"picture replaced", nullptr, [](TcsNotebook* nb) { nb->Page(0)->SetBitmap(Cells(1, 12, 12)); }},
      {"cell count", nullptr, [](TcsNotebook* nb) { nb->Page(2)->SetNumGlyphs(1); }},
      {"page disabled", [](Look& s) { s.disabledPage = true; },
       [](TcsNotebook* nb) { nb->Page(1)->SetPageEnabled(false); }},
      {"own colour", [](Look& s) { s.ownColour = true; }, [](TcsNotebook* nb) { nb->SetColor(kCard); }},
      {"text alignment", [](Look& s) { s.text = taRightBottom; },
       [](TcsNotebook* nb) { nb->SetTextAlignment(taRightBottom); }},
      {"focus rectangle", [](Look& s) { s.focus = true; }, [](TcsNotebook* nb) { nb->SetFocusDrawn(true); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Look s;
    s.pages = 6;
    s.perRow = 3;
    s.width = 320;
    s.height = 220;
    s.text = taCentreMiddle;
    Book changed(s);
    changed.Paint();
    r.apply(changed.nb);
    changed.nb->PrepareTabs();
    if (r.setup) r.setup(s);
    Book fresh(s);
    // Changes made in code on the first notebook, repeated on the fresh one.
    if (!r.setup) r.apply(fresh.nb);
    fresh.nb->PrepareTabs();
    EXPECT_EQ(changed.Paint(), fresh.Paint());
  }
}

}  // namespace
