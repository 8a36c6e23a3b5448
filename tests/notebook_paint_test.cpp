// Painting of the notebook's cards: pixels checked at the points the layout
// and the drawing geometry compute (outlines, inner lines, page frame, row
// frames, background regions, the focus rectangle) on every side.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPalette>

#include "notebook/CSNoteBk.h"
#include "notebook/CSNoteBkPaint.h"
#include "toolkit/Graphics.h"

using platform::Point;
using platform::Rect;
namespace nb = csnotebook;

namespace {

const QColor kFrame(20, 0, 0);        // clWindowFrame (palette Shadow)
const QColor kShadow(0, 90, 0);       // clBtnShadow (palette Dark)
const QColor kHighlight(250, 250, 200);  // clBtnHighlight (palette Light)
const QColor kParent(100, 100, 160);  // the form's background
const QColor kCard(210, 200, 190);    // the notebook's own Color

const char* SideName(TTabOrientation o) {
  static const char* names[] = {"toTop", "toLeft", "toBottom", "toRight"};
  return names[o];
}

// A palette whose system colours are all told apart; restored afterwards.
class PaintTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_saved = QApplication::palette();
    QPalette pal = m_saved;
    pal.setColor(QPalette::Shadow, kFrame);
    pal.setColor(QPalette::Dark, kShadow);
    pal.setColor(QPalette::Light, kHighlight);
    QApplication::setPalette(pal);
    QPalette formPal = form.palette();
    formPal.setColor(QPalette::Window, kParent);
    form.setPalette(formPal);
    form.resize(400, 300);
  }
  void TearDown() override { QApplication::setPalette(m_saved); }

  // A notebook at (10, 10) of the form with the pages, on the given side,
  // pictures and captions off so only the cards show.
  TcsNotebook* Make(TTabOrientation side, const QStringList& pages, int perRow = 3, int w = 300, int h = 200) {
    auto* n = new TcsNotebook(&form);
    n->setGeometry(10, 10, w, h);
    n->SetTabOrientation(side);
    n->SetTabsPerRow(perRow);
    n->SetPages(pages);
    n->SetTextAlignment(taInvisible);
    n->PrepareTabs();
    return n;
  }

  static QImage Shot(TcsNotebook* n) { return n->grab().toImage(); }
  static QColor At(const QImage& img, Point p) { return img.pixelColor(p.x, p.y); }

  QWidget form;

private:
  QPalette m_saved;
};

Point Mid(Point a, Point b) { return Point{(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// The point of the page frame (outline, inset 0) half way along a tab.
Point FrameUnderTab(const TcsTabLayout& l, const QRect& tab) {
  const Rect f = l.RowFrameRect(0);
  const QPoint c = tab.center();
  switch (l.orientation) {
    case toTop: return {c.x(), f.top};
    case toBottom: return {c.x(), f.bottom};
    case toLeft: return {f.left, c.y()};
    case toRight: return {f.right, c.y()};
  }
  return {};
}

// ---- pure geometry --------------------------------------------------------------

TEST(NotebookPaintGeometry, LinesLeaveOutTheirEndPoint) {
  EXPECT_EQ(nb::LinePixels({2, 5}, {5, 5}), (std::vector<Point>{{2, 5}, {3, 5}, {4, 5}}));
  EXPECT_EQ(nb::LinePixels({5, 2}, {5, 0}), (std::vector<Point>{{5, 2}, {5, 1}}));
  EXPECT_EQ(nb::LinePixels({0, 3}, {3, 0}), (std::vector<Point>{{0, 3}, {1, 2}, {2, 1}}));
  EXPECT_TRUE(nb::LinePixels({4, 4}, {4, 4}).empty());
}

TEST(NotebookPaintGeometry, OpenPageFrameOfTheOptionsDialogLeavesTheActiveTabJoined) {
  // toLeft, 244 x 142, page 0 active at (0, 106, 35, 141): the frame's left
  // line stops at y 106 and starts again only at the bottom corner.
  TcsTabLayout l;
  l.orientation = toLeft;
  l.width = 244;
  l.height = 142;
  l.tabsPerRow = 4;
  l.tabHeight = 35;
  l.cornerSize = 3;
  const std::vector<TcsLayoutPage> pages = {{"H", true}, {"S", true}, {"M", true}, {"G", true}};
  l.BuildRows(pages);
  l.ComputeTabRects();
  const auto lines = nb::PageFrameLines(l, "H");
  ASSERT_EQ(lines.size(), 21u);  // 7 lines for each of the three insets
  EXPECT_EQ(lines[0], (TcsLine{{35, 0}, {35, 106}, tk::clWindowFrame}));
  EXPECT_EQ(lines[1], (TcsLine{{35, 106}, {34, 106}, tk::clWindowFrame}));
  EXPECT_EQ(lines[4], (TcsLine{{35, 141}, {243, 141}, tk::clWindowFrame}));
  // Inset 1: the left line one pixel in, lit; the bottom one pixel up, shaded.
  EXPECT_EQ(lines[7], (TcsLine{{36, 1}, {36, 107}, tk::clBtnHighlight}));  // meets the tab's own inner line
  EXPECT_EQ(lines[11].color, tk::clBtnShadow);
  l.anchoredTabs = true;
  const auto closed = nb::PageFrameLines(l, "H");
  ASSERT_EQ(closed.size(), 12u);
  EXPECT_EQ(closed[0], (TcsLine{{35, 0}, {35, 141}, tk::clWindowFrame}));
}

// ---- tabs -------------------------------------------------------------------------

TEST_F(PaintTest, EveryTabHasAnOutlineAndTheActiveTabTwoInnerLines) {
  struct Case {
    TTabOrientation side;
    QColor outerEdge;  // the inner line along the tab's outer edge
  };
  const std::vector<Case> cases = {
      {toTop, kHighlight}, {toLeft, kHighlight}, {toBottom, kShadow}, {toRight, kShadow}};
  for (const Case& c : cases) {
    SCOPED_TRACE(SideName(c.side));
    TcsNotebook* n = Make(c.side, {"A", "B", "C"});
    n->SetColor(kCard);
    n->SetPageIndex(1);
    const QImage img = Shot(n);
    const TcsTabLayout& l = n->Layout();
    for (int p = 0; p < 3; ++p) {
      const bool active = l.rows[0][p] == "B";
      SCOPED_TRACE(l.rows[0][p].toStdString());
      const auto o0 = l.TabOutline(0, p, 0), o1 = l.TabOutline(0, p, 1), o2 = l.TabOutline(0, p, 2);
      EXPECT_EQ(At(img, Mid(o0[2], o0[3])), kFrame) << "outer edge";
      EXPECT_EQ(At(img, Mid(o0[0], o0[1])), kFrame) << "start side";
      EXPECT_EQ(At(img, Mid(o1[2], o1[3])), c.outerEdge) << "first inner line";
      EXPECT_EQ(At(img, Mid(o2[2], o2[3])), active ? c.outerEdge : kCard) << "second inner line";
    }
  }
}

TEST_F(PaintTest, PageFrameOpensUnderTheActiveTabUnlessAnchored) {
  for (TTabOrientation side : {toTop, toLeft, toBottom, toRight})
    for (bool anchored : {false, true}) {
      SCOPED_TRACE(std::string(SideName(side)) + (anchored ? " anchored" : " open"));
      TcsNotebook* n = Make(side, {"A", "B", "C"});
      n->SetColor(kCard);
      n->SetAnchoredTabs(anchored);
      n->SetPageIndex(2);
      const QImage img = Shot(n);
      const Point underActive = FrameUnderTab(n->Layout(), n->TabRectOf(2));
      const Point underOther = FrameUnderTab(n->Layout(), n->TabRectOf(0));
      EXPECT_EQ(At(img, underOther), kFrame);
      EXPECT_EQ(At(img, underActive), anchored ? kFrame : kCard);
      delete n;
    }
}

TEST_F(PaintTest, BackRowsShowTheirFrameLine) {
  // Seven pages in rows of three: rows 1 and 2 stand behind the page with a
  // frame line 5 pixels inside their outer side, drawn by the back-row rule.
  for (TTabOrientation side : {toTop, toLeft, toBottom, toRight}) {
    SCOPED_TRACE(SideName(side));
    TcsNotebook* n = Make(side, {"A", "B", "C", "D", "E", "F", "G"});
    n->SetColor(kCard);
    const QImage img = Shot(n);
    const TcsTabLayout& l = n->Layout();
    for (int row = 1; row < 3; ++row) {
      ASSERT_FALSE(nb::BackRowFrameLines(l, row).empty());
      // The far end of the row's frame, from the line 5 pixels inside the
      // outer side down to the inner side, is covered by no tab.
      const Rect f = l.RowFrameRect(row);
      const Rect c = l.ToCanonical(f);
      EXPECT_EQ(At(img, l.FromCanonical({c.right, (c.top + 5 + c.bottom) / 2}, f, c)), kFrame) << row;
      EXPECT_EQ(At(img, l.FromCanonical({c.right - 1, (c.top + 6 + c.bottom) / 2}, f, c)),
                side == toLeft ? kHighlight : kShadow)  // lit only where it faces up
          << row;
    }
    delete n;
  }
}

// ---- background -------------------------------------------------------------------

TEST_F(PaintTest, BackgroundColours) {
  struct Case {
    const char* name;
    bool parentColor;
    bool useUnselected;
    bool anchored;
    QColor page, activeTab, otherTab, backRow, outside;
  };
  const QColor unsel(180, 220, 180);
  const std::vector<Case> cases = {
      {"parent colour everywhere", true, false, false, kParent, kParent, kParent, kParent, kParent},
      {"own colour on the cards", false, false, false, kCard, kCard, kCard, kCard, kParent},
      {"unselected tabs coloured", false, true, false, kCard, kCard, unsel, unsel, kParent},
      {"anchored rows: all cards one colour", false, true, true, kCard, kCard, kCard, kCard, kParent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TcsNotebook* n = Make(toTop, {"A", "B", "C", "D"}, 3);
    n->SetAnchoredTabs(c.anchored);
    if (!c.parentColor) n->SetColor(kCard);
    n->SetUnselectedTabColor(unsel);
    n->SetUseUnselectedTabColor(c.useUnselected);
    n->SetPageIndex(1);
    const QImage img = Shot(n);
    Rect inner;
    const TcsTabLayout& l = n->Layout();
    ASSERT_TRUE(l.TabInnerRect("B", inner));
    const QPoint active = inner.ToQRect().center();
    const QPoint page = n->PageClientRect().center();
    ASSERT_TRUE(l.TabInnerRect("C", inner));
    const QPoint other = inner.ToQRect().center();
    // Row 1 holds D alone: the strip of row 1 right of D's tab is card, its
    // far top corner outside.
    const Rect back = nb::BackRowCardRect(l, 1);
    const QPoint backRow(back.right - 3, back.bottom - 2);
    EXPECT_EQ(img.pixelColor(page), c.page);
    EXPECT_EQ(img.pixelColor(active), c.activeTab);
    EXPECT_EQ(img.pixelColor(other), c.otherTab);
    EXPECT_EQ(img.pixelColor(backRow), c.backRow);
    EXPECT_EQ(img.pixelColor(l.RowFrameRect(1).right - 1, 0), c.outside);
    EXPECT_EQ(img.pixelColor(0, 0), c.outside) << "before the indented back row";
    delete n;
  }
}

TEST_F(PaintTest, AllPagesHiddenPaintsOnlyTheBackground) {
  TcsNotebook* n = Make(toTop, {"A", "B"});
  n->SetColor(kCard);
  n->Page(0)->SetPageVisible(false);
  n->Page(1)->SetPageVisible(false);
  const QImage img = Shot(n);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor c = img.pixelColor(x, y);
      ASSERT_TRUE(c == kCard || c == kParent) << x << "," << y;
    }
}

// ---- focus rectangle and invalidation ------------------------------------------------

TEST_F(PaintTest, FocusRectangleInvertsEveryOtherPixelAndComesOffAgain) {
  TcsNotebook* n = Make(toLeft, {"A", "B"});
  n->SetColor(kCard);
  const QImage before = Shot(n);
  n->ToggleFocusRect();
  ASSERT_TRUE(n->FocusDrawn());
  const QImage with = Shot(n);
  Rect inner;
  ASSERT_TRUE(n->Layout().TabInnerRect("A", inner));
  const int x = inner.left - 1, y0 = inner.top - 1;
  const int y = (x + y0) % 2 == 0 ? y0 : y0 + 1;  // a dotted pixel on the left side
  const QRgb was = before.pixel(x, y);
  EXPECT_EQ(with.pixel(x, y) & 0xFFFFFFu, (was ^ 0xFFFFFFu) & 0xFFFFFFu);
  EXPECT_EQ(with.pixel(x, y + 1), before.pixel(x, y + 1)) << "the gap between two dots";
  n->ToggleFocusRect();
  EXPECT_EQ(Shot(n), before);
}

// A notebook that records the areas it is asked to repaint.
class RecordingNotebook : public TcsNotebook {
public:
  using TcsNotebook::TcsNotebook;
  QRegion painted;

protected:
  void paintEvent(QPaintEvent* e) override {
    painted += e->region();
    TcsNotebook::paintEvent(e);
  }
};

TEST_F(PaintTest, SwitchInOneRowRepaintsTwoTabsAnotherRowTheBand) {
  auto* n = new RecordingNotebook(&form);
  n->setGeometry(10, 10, 300, 200);
  n->SetPages({"A", "B", "C", "D"});
  form.show();
  QApplication::processEvents();
  ASSERT_TRUE(n->LayoutBuilt());

  n->painted = QRegion();
  n->SetPageIndex(1);
  QApplication::processEvents();
  // The pages shown and hidden repaint the page area; the band of tabs
  // repaints only the two tab polygons, their bases run 4 pixels down.
  const Rect band = n->Layout().TabAreaRect();
  const QRect bandRect(band.left, band.top, band.right - band.left, band.bottom - band.top);
  const QRect ab = n->TabRectOf(0).united(n->TabRectOf(1)).adjusted(0, 0, 1, 5);
  const QRegion inBand = n->painted & bandRect;
  EXPECT_FALSE(inBand.isEmpty());
  EXPECT_TRUE(ab.contains(inBand.boundingRect())) << "only the two tabs";

  n->painted = QRegion();
  n->SetPageIndex(3);
  QApplication::processEvents();
  EXPECT_TRUE(n->painted.contains(bandRect)) << "the whole band";
}

}  // namespace
