// Tab geometry: rows, rectangles, outlines and hit testing of the notebook's
// layout value.  Expected rectangles and points are worked out by hand.
#include <gtest/gtest.h>

#include <QRect>
#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "notebook/CSNoteBk.h"
#include "notebook/CSNoteBkLayout.h"

using platform::Point;
using platform::Rect;

namespace {

std::vector<TcsLayoutPage> Pages(const QString& captions, const QString& hidden = QString()) {
  std::vector<TcsLayoutPage> out;
  for (QChar c : captions) out.push_back(TcsLayoutPage{QString(c), !hidden.contains(c)});
  return out;
}

TcsTabLayout Layout(TTabOrientation o, int w, int h, int perRow, int tabHeight, int indent, int corner = 5,
                    int maxWidth = 0) {
  TcsTabLayout l;
  l.orientation = o;
  l.width = w;
  l.height = h;
  l.tabsPerRow = perRow;
  l.tabHeight = tabHeight;
  l.rowIndent = indent;
  l.cornerSize = corner;
  l.maxTabWidth = maxWidth;
  return l;
}

Rect TabOf(const TcsTabLayout& l, const QString& caption) {
  Rect r;
  EXPECT_TRUE(l.TabRect(caption, r)) << caption.toStdString();
  return r;
}

std::string Str(const Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

const char* SideName(TTabOrientation o) {
  static const char* names[] = {"toTop", "toLeft", "toBottom", "toRight"};
  return names[o];
}

// ---- the options dialog's notebook --------------------------------------------------

TEST(NotebookLayout, OptionsDialogGeometry) {
  TcsTabLayout l = Layout(toLeft, 244, 142, 4, 35, 5, 3);
  const auto pages = Pages("HSMG");
  l.BuildRows(pages);
  l.ComputeTabRects();
  EXPECT_EQ(l.rowCount, 1);
  EXPECT_EQ(l.TabAreaRect(), (Rect{0, 0, 35, 141}));
  EXPECT_EQ(l.PageBodyRect(), (Rect{35, 0, 243, 141}));
  EXPECT_EQ(l.PageClientRect(), (Rect{38, 3, 241, 139}));
  EXPECT_EQ(TabOf(l, "H"), (Rect{0, 106, 35, 141}));
  EXPECT_EQ(TabOf(l, "S"), (Rect{0, 71, 35, 106}));
  EXPECT_EQ(TabOf(l, "M"), (Rect{0, 36, 35, 71}));
  EXPECT_EQ(TabOf(l, "G"), (Rect{0, 0, 35, 36}));  // stretched to the end of the row
}

TEST(NotebookLayout, OptionsDialogPagesStandInThePageArea) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->setGeometry(2, 3, 244, 142);
  nb->SetTabOrientation(toLeft);
  nb->SetTabsPerRow(4);
  nb->SetTabHeight(35);
  nb->SetPages({"Hiding", "Sound", "Movement", "General"});
  nb->PrepareTabs();
  EXPECT_EQ(nb->PageClientRect(), QRect(QPoint(38, 3), QPoint(240, 138)));
  for (TcsPage* p : nb->PageList()) EXPECT_EQ(p->geometry(), QRect(38, 3, 203, 136));
  EXPECT_EQ(nb->TabRectOf(0), QRect(0, 106, 35, 35));
  EXPECT_EQ(nb->TabRectOf(3), QRect(0, 0, 35, 36));
  // The active page follows a resize.
  form.show();
  nb->resize(300, 200);
  EXPECT_EQ(nb->Page(nb->PageIndex())->geometry(), QRect(38, 3, 300 - 2 - 1 - 38, 200 - 2 - 1 - 3));
}

// ---- rows and rectangles on every side -----------------------------------------------

struct SideCase {
  TTabOrientation side;
  Rect area;
  std::vector<Rect> tabs;  // pages A..G in order
};

TEST(NotebookLayout, SevenPagesInRowsOfThreeOnEverySide) {
  // 300 x 201, TabHeight 20, RowIndent 5: three rows, the last holding G alone.
  // C and F fill their rows to the end; G keeps the common tab size.
  const std::vector<SideCase> cases = {
      {toTop,
       {0, 0, 299, 60},
       {{0, 40, 96, 60}, {96, 40, 192, 60}, {192, 40, 289, 60}, {5, 20, 101, 40}, {101, 20, 197, 40},
        {197, 20, 294, 40}, {10, 0, 106, 20}}},
      {toBottom,
       {0, 140, 299, 200},
       {{0, 140, 96, 160}, {96, 140, 192, 160}, {192, 140, 289, 160}, {5, 160, 101, 180}, {101, 160, 197, 180},
        {197, 160, 294, 180}, {10, 180, 106, 200}}},
      {toLeft,
       {0, 0, 60, 200},
       {{40, 137, 60, 200}, {40, 74, 60, 137}, {40, 10, 60, 74}, {20, 131, 40, 194}, {20, 68, 40, 131},
        {20, 5, 40, 68}, {0, 126, 20, 189}}},
      {toRight,
       {239, 0, 299, 200},
       {{239, 0, 259, 63}, {239, 63, 259, 126}, {239, 126, 259, 190}, {259, 5, 279, 68}, {259, 68, 279, 131},
        {259, 131, 279, 195}, {279, 10, 299, 73}}},
  };
  const auto pages = Pages("ABCDEFG");
  for (const SideCase& c : cases) {
    SCOPED_TRACE(SideName(c.side));
    TcsTabLayout l = Layout(c.side, 300, 201, 3, 20, 5);
    EXPECT_EQ(TcsTabLayout::RowExtent(pages, 3), 3);
    l.BuildRows(pages);
    ASSERT_EQ(l.rows.size(), 3u);
    EXPECT_EQ(l.rows[0], QStringList({"A", "B", "C"}));
    EXPECT_EQ(l.rows[1], QStringList({"D", "E", "F"}));
    EXPECT_EQ(l.rows[2], QStringList({"G"}));
    l.ComputeTabRects();
    EXPECT_EQ(l.TabAreaRect(), c.area);
    for (int i = 0; i < 7; ++i) {
      const QString caption(QChar('A' + i));
      SCOPED_TRACE(caption.toStdString());
      EXPECT_EQ(TabOf(l, caption), c.tabs[i]) << Str(TabOf(l, caption));
    }
  }
}

TEST(NotebookLayout, RowFramesStepOutwardAndIndent) {
  struct Case {
    TTabOrientation side;
    Rect body, row0, row2;
  };
  // 300 x 201, three rows of 20, indent 5.
  const std::vector<Case> cases = {
      {toTop, {0, 60, 299, 200}, {0, 60, 289, 200}, {10, 20, 299, 160}},
      {toLeft, {60, 0, 299, 200}, {60, 10, 299, 200}, {20, 0, 259, 190}},
      {toBottom, {0, 0, 299, 140}, {0, 0, 289, 140}, {10, 40, 299, 180}},
      {toRight, {0, 0, 239, 200}, {0, 0, 239, 190}, {40, 10, 279, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SideName(c.side));
    TcsTabLayout l = Layout(c.side, 300, 201, 3, 20, 5);
    l.BuildRows(Pages("ABCDEFG"));
    EXPECT_EQ(l.PageBodyRect(), c.body);
    EXPECT_EQ(l.RowFrameRect(0), c.row0);
    EXPECT_EQ(l.RowFrameRect(2), c.row2);
    EXPECT_EQ(l.PageClientRect(), (Rect{c.row0.left + 3, c.row0.top + 3, c.row0.right - 2, c.row0.bottom - 2}));
  }
}

TEST(NotebookLayout, RowCountsAndEmptyNotebooks) {
  EXPECT_EQ(TcsTabLayout::RowExtent(0, 3), 1);
  EXPECT_EQ(TcsTabLayout::RowExtent(3, 3), 1);
  EXPECT_EQ(TcsTabLayout::RowExtent(4, 3), 2);
  EXPECT_EQ(TcsTabLayout::RowExtent(7, 0), 1);
  TcsTabLayout l = Layout(toTop, 300, 200, 3, 20, 5);
  l.BuildRows(Pages("AB", "AB"));
  l.ComputeTabRects();
  EXPECT_EQ(l.rowCount, 1);
  EXPECT_TRUE(l.rows.empty());
  EXPECT_TRUE(l.tabs.empty());
  EXPECT_EQ(l.TabAtPoint(Pages("AB", "AB"), Point{10, 10}), -1);
  const auto none = l.TabOutline(0, 0, 0);
  for (const Point& p : none) EXPECT_EQ(p, (Point{0, 0}));
}

TEST(NotebookLayout, HiddenPageLeavesNoGap) {
  TcsTabLayout l = Layout(toTop, 301, 200, 3, 20, 5);
  const auto pages = Pages("ABCDE", "B");
  l.BuildRows(pages);
  l.ComputeTabRects();
  ASSERT_EQ(l.rows.size(), 2u);
  EXPECT_EQ(l.rows[0], QStringList({"A", "C", "D"}));
  EXPECT_EQ(l.rows[1], QStringList({"E"}));
  EXPECT_EQ(l.FindTab("B"), nullptr);
  // (300 - 5) div 3 = 98 wide; C stands where B would have.
  EXPECT_EQ(TabOf(l, "C"), (Rect{98, 20, 196, 40}));
  EXPECT_EQ(l.TabAtPoint(pages, Point{100, 30}), 2);
}

TEST(NotebookLayout, FullRowAbsorbsTheRemainderShortRowDoesNot) {
  TcsTabLayout l = Layout(toTop, 301, 200, 3, 20, 5);
  l.BuildRows(Pages("ABCD"));
  l.ComputeTabRects();
  // 300 - 5 = 295 shared by 3: 98 each with 1 left over, taken by C up to
  // the row's end 300 - 5.
  EXPECT_EQ(TabOf(l, "B").Width(), 98);
  EXPECT_EQ(TabOf(l, "C"), (Rect{196, 20, 295, 40}));
  EXPECT_EQ(TabOf(l, "D"), (Rect{5, 0, 103, 20}));
  // With a width limit nothing stretches.
  l.maxTabWidth = 200;
  l.ComputeTabRects();
  EXPECT_EQ(TabOf(l, "C"), (Rect{196, 20, 294, 40}));
}

TEST(NotebookLayout, WidthLimitOnTop) {
  TcsTabLayout l = Layout(toTop, 400, 200, 3, 20, 5, 5, 60);
  l.BuildRows(Pages("ABC"));
  l.ComputeTabRects();
  EXPECT_EQ(l.TabAreaRect(), (Rect{0, 0, 179, 20}));
  EXPECT_EQ(TabOf(l, "A"), (Rect{0, 0, 59, 20}));
  EXPECT_EQ(TabOf(l, "C"), (Rect{118, 0, 177, 20}));
  l.BuildRows(Pages("ABCD"));
  l.ComputeTabRects();
  EXPECT_EQ(TabOf(l, "B").Width(), (179 - 5) / 3);
}

TEST(NotebookLayout, WidthLimitKeepsSideTabsAtTheirEnd) {
  TcsTabLayout left = Layout(toLeft, 200, 400, 3, 20, 5, 5, 60);
  EXPECT_EQ(left.TabAreaRect(), (Rect{0, 220, 20, 399}));
  TcsTabLayout right = Layout(toRight, 200, 400, 3, 20, 5, 5, 60);
  EXPECT_EQ(right.TabAreaRect(), (Rect{179, 0, 199, 179}));
}

TEST(NotebookLayout, RightAndBottomEdgesAreOutsideATab) {
  TcsTabLayout l = Layout(toLeft, 244, 142, 4, 35, 5, 3);
  const auto pages = Pages("HSMG");
  l.BuildRows(pages);
  l.ComputeTabRects();
  struct Case {
    const char* name;
    Point p;
    int page;
  };
  const Case cases[] = {
      {"inside the first tab's far corner", {34, 140}, 0},
      {"right edge of the first tab", {35, 120}, -1},
      {"bottom edge of the first tab", {10, 141}, -1},
      {"bottom edge of the second is the first's top", {10, 106}, 0},
      {"top-left of the last tab", {0, 0}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(l.TabAtPoint(pages, c.p), c.page);
  }
}

// ---- rotation ---------------------------------------------------------------------------------

TEST(NotebookLayout, SelectingTheFurthestRowBringsItToThePage) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->resize(300, 201);
  nb->SetTabHeight(20);
  nb->SetPages({"A", "B", "C", "D", "E", "F", "G"});
  nb->PrepareTabs();
  EXPECT_EQ(nb->RowExtent(), 3);
  const std::vector<QStringList> pageOrder = {{"A", "B", "C"}, {"D", "E", "F"}, {"G"}};
  ASSERT_EQ(nb->Layout().rows, pageOrder);
  nb->SetActivePage("G");
  const std::vector<QStringList> rotated = {{"G"}, {"A", "B", "C"}, {"D", "E", "F"}};
  EXPECT_EQ(nb->Layout().rows, rotated);
  // G now stands in the front row, next to the page.
  EXPECT_EQ(nb->TabRectOf(6), QRect(QPoint(0, 40), QPoint(95, 59)));
  EXPECT_EQ(nb->TabAtPoint(QPoint(10, 50)), 6);
  // From there E stands in row 2: its row comes forward, keeping the cycle.
  nb->SetActivePage("E");
  EXPECT_EQ(nb->Layout().rows, (std::vector<QStringList>{{"D", "E", "F"}, {"G"}, {"A", "B", "C"}}));
  nb->SetActivePage("F");  // same row: nothing moves
  EXPECT_EQ(nb->Layout().rows, (std::vector<QStringList>{{"D", "E", "F"}, {"G"}, {"A", "B", "C"}}));
  nb->SetActivePage("B");
  EXPECT_EQ(nb->Layout().rows, pageOrder);
}

TEST(NotebookLayout, AnchoredRowsNeverMove) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->resize(300, 201);
  nb->SetPages({"A", "B", "C", "D", "E", "F", "G"});
  nb->SetAnchoredTabs(true);
  nb->PrepareTabs();
  const std::vector<QStringList> pageOrder = {{"A", "B", "C"}, {"D", "E", "F"}, {"G"}};
  for (const char* c : {"G", "E", "A"}) {
    SCOPED_TRACE(c);
    nb->SetActivePage(c);
    EXPECT_EQ(nb->ActivePage(), c);
    EXPECT_EQ(nb->Layout().rows, pageOrder);
  }
  nb->SetActivePage("G");
  nb->SetAnchoredTabs(false);  // a relayout rotates to the active page
  EXPECT_EQ(nb->Layout().rows.front(), QStringList({"G"}));
}

// ---- outlines ---------------------------------------------------------------------------------

struct OutlineCase {
  const char* name;
  TTabOrientation side;
  int width, height;
  int row, position, inset;
  std::array<Point, 6> points;
};

TEST(NotebookLayout, TabOutlinesOnEverySide) {
  // Five pages, three per row, TabHeight 20, RowIndent 3, CornerSize 5
  // (overlap 2): rows [A B C] [D E].  Points from the canonical formulas,
  // mapped back by hand.
  const std::vector<OutlineCase> cases = {
      {"top front A", toTop, 300, 200, 0, 0, 0, {{{0, 39}, {0, 25}, {5, 20}, {93, 20}, {98, 25}, {98, 40}}}},
      {"top front A inset 1", toTop, 300, 200, 0, 0, 1,
       {{{1, 39}, {1, 25}, {5, 21}, {93, 21}, {97, 25}, {97, 40}}}},
      {"top front A inset 2", toTop, 300, 200, 0, 0, 2,
       {{{2, 39}, {2, 25}, {5, 22}, {93, 22}, {96, 25}, {96, 40}}}},
      {"top back D", toTop, 300, 200, 1, 0, 0, {{{3, 21}, {3, 5}, {8, 0}, {96, 0}, {101, 5}, {101, 22}}}},
      {"top back D inset 1", toTop, 300, 200, 1, 0, 1,
       {{{4, 20}, {4, 5}, {8, 1}, {96, 1}, {100, 5}, {100, 23}}}},
      {"top back D inset 2", toTop, 300, 200, 1, 0, 2,
       {{{5, 19}, {5, 5}, {8, 2}, {96, 2}, {99, 5}, {99, 24}}}},
      {"top back E", toTop, 300, 200, 1, 1, 0,
       {{{101, 21}, {101, 5}, {106, 0}, {194, 0}, {199, 5}, {199, 22}}}},
      {"bottom front A", toBottom, 300, 200, 0, 0, 0,
       {{{0, 160}, {0, 174}, {5, 179}, {93, 179}, {98, 174}, {98, 159}}}},
      {"bottom back D", toBottom, 300, 200, 1, 0, 0,
       {{{3, 178}, {3, 194}, {8, 199}, {96, 199}, {101, 194}, {101, 177}}}},
      {"left front A", toLeft, 200, 300, 0, 0, 0,
       {{{39, 299}, {25, 299}, {20, 294}, {20, 206}, {25, 201}, {40, 201}}}},
      {"left back D", toLeft, 200, 300, 1, 0, 0,
       {{{21, 294}, {5, 294}, {0, 289}, {0, 201}, {5, 196}, {22, 196}}}},
      {"right front A", toRight, 200, 300, 0, 0, 0,
       {{{160, 0}, {174, 0}, {179, 5}, {179, 93}, {174, 98}, {159, 98}}}},
      {"right back D", toRight, 200, 300, 1, 0, 0,
       {{{178, 3}, {194, 3}, {199, 8}, {199, 96}, {194, 101}, {177, 101}}}},
  };
  for (const OutlineCase& c : cases) {
    SCOPED_TRACE(c.name);
    TcsTabLayout l = Layout(c.side, c.width, c.height, 3, 20, 3, 5);
    l.BuildRows(Pages("ABCDE"));
    l.ComputeTabRects();
    const auto pts = l.TabOutline(c.row, c.position, c.inset);
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE("P" + std::to_string(i));
      EXPECT_EQ(pts[i], c.points[i]) << pts[i].x << "," << pts[i].y;
    }
  }
}

TEST(NotebookLayout, BackTabsWithNothingInFrontRunOnFivePixels) {
  // Rotated to D: rows [D E] [A B C]; nothing stands in front of C, and B's far
  // side has nothing in front either.
  TcsTabLayout l = Layout(toTop, 300, 200, 3, 20, 3, 5);
  l.BuildRows(Pages("ABCDE"));
  l.RotateRows("D");
  l.ComputeTabRects();
  EXPECT_EQ(TabOf(l, "C"), (Rect{199, 0, 299, 20}));
  const auto c = l.TabOutline(1, 2, 0);
  EXPECT_EQ(c[0], (Point{199, 25}));
  EXPECT_EQ(c[5], (Point{299, 25}));
  const auto b = l.TabOutline(1, 1, 0);
  EXPECT_EQ(b[0], (Point{101, 21}));
  EXPECT_EQ(b[5], (Point{199, 25}));
}

TEST(NotebookLayout, BackTabBaseDependsOnIndentAndCorner) {
  // Tab D (row 1, position 0) with CornerSize 5: how far each base runs past
  // the tab's bottom, for insets 0, 1 and 2.
  struct Case {
    int indent;
    std::array<int, 3> start, far;
  };
  const Case cases[] = {
      {0, {4, 3, 2}, {5, 4, 3}},   // overlap 5
      {1, {3, 2, 1}, {4, 5, 4}},   // overlap 4
      {3, {1, 0, -1}, {2, 3, 4}},  // overlap 2
      {6, {-1, -1, -1}, {0, 0, 1}},
      {7, {-1, -1, -1}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("RowIndent " + std::to_string(c.indent));
    TcsTabLayout l = Layout(toTop, 300, 200, 3, 20, c.indent, 5);
    l.BuildRows(Pages("ABCDE"));
    l.ComputeTabRects();
    const Rect d = TabOf(l, "D");
    for (int k = 0; k < 3; ++k) {
      const auto pts = l.TabOutline(1, 0, k);
      EXPECT_EQ(pts[0].y - d.bottom, c.start[k]) << "inset " << k;
      EXPECT_EQ(pts[5].y - d.bottom, c.far[k]) << "inset " << k;
    }
  }
}

TEST(NotebookLayout, InnerRectKeepsOneLineOnThePageSide) {
  struct Case {
    TTabOrientation side;
    Rect inner;
  };
  const Rect t{10, 20, 110, 50};
  const Case cases[] = {{toTop, {16, 26, 104, 48}},
                        {toBottom, {16, 22, 104, 44}},
                        {toLeft, {16, 26, 108, 44}},
                        {toRight, {12, 26, 104, 44}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(SideName(c.side));
    TcsTabLayout l = Layout(c.side, 300, 200, 3, 20, 3, 5);
    EXPECT_EQ(l.TabInnerRect(t), c.inner);
    l.cornerSize = 1;  // never closer than 3 to the outer sides
    EXPECT_EQ(l.TabInnerRect(t).left, c.side == toRight ? 12 : 14);
  }
}

// ---- invariants ---------------------------------------------------------------------------------

TEST(NotebookLayout, InvariantsOverRandomConfigurations) {
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int checked = 0;
  for (int round = 0; round < 3000; ++round) {
    TcsTabLayout l = Layout(static_cast<TTabOrientation>(pick(0, 3)), pick(40, 700), pick(40, 700), pick(1, 5),
                            pick(8, 40), pick(0, 8), pick(1, 9), pick(0, 1) ? 0 : pick(15, 90));
    std::vector<TcsLayoutPage> pages;
    const int count = pick(0, 14);
    for (int i = 0; i < count; ++i) pages.push_back({QStringLiteral("p%1").arg(i), pick(0, 4) != 0});
    l.BuildRows(pages);
    if (pick(0, 1) && !l.rows.empty()) l.RotateRows(l.rows[pick(0, static_cast<int>(l.rows.size()) - 1)][0]);
    const Rect a = l.TabAreaRect();
    const int length = l.Vertical() ? a.Height() : a.Width();
    // Rows must have room for their indents and one pixel per tab.
    if (length - (l.rowCount - 1) * l.rowIndent < l.tabsPerRow) continue;
    l.ComputeTabRects();
    ++checked;
    SCOPED_TRACE("round " + std::to_string(round));

    int visible = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      if (!pages[i].visible) {
        EXPECT_EQ(l.FindTab(pages[i].caption), nullptr);
        continue;
      }
      ++visible;
      Rect t;
      ASSERT_TRUE(l.TabRect(pages[i].caption, t));
      EXPECT_TRUE(t.left >= a.left && t.top >= a.top && t.right <= a.right && t.bottom <= a.bottom)
          << Str(t) << " outside " << Str(a);
      if (t.Width() > 0 && t.Height() > 0) {
        EXPECT_EQ(l.TabAtPoint(pages, Point{(t.left + t.right) / 2, (t.top + t.bottom) / 2}), static_cast<int>(i));
      }
    }
    EXPECT_EQ(static_cast<int>(l.tabs.size()), visible);
    for (const QStringList& row : l.rows) {
      for (qsizetype i = 0; i < row.size(); ++i) {
        for (qsizetype j = i + 1; j < row.size(); ++j) {
          EXPECT_FALSE(TabOf(l, row[i]).ToQRect().intersects(TabOf(l, row[j]).ToQRect()))
              << row[i].toStdString() << " overlaps " << row[j].toStdString();
        }
      }
    }
  }
  EXPECT_GT(checked, 2000);
}

}  // namespace

namespace {

// ---- lookups by index ------------------------------------------------------------

TEST(NotebookLayout, LookupsByIndexAgreeWithTheCaptionSearch) {
  // Whatever happened to rows and tabs, the tab at a row position is the one
  // the caption names; unless the rows were edited by hand, the page index
  // names the page of that caption.
  struct Row {
    const char* name;
    std::function<void(TcsTabLayout&)> change;
    bool byHand = false;
  };
  const std::vector<Row> rows = {
      {"built", [](TcsTabLayout&) {}},
      {"rotated", [](TcsTabLayout& l) { l.RotateRows("H"); }},
      {"rotated and recomputed",
       [](TcsTabLayout& l) {
         l.RotateRows("E");
         l.ComputeTabRects();
       }},
      {"rows reordered by hand", [](TcsTabLayout& l) { std::swap(l.rows[0][0], l.rows[0][2]); }, true},
      {"rows replaced by hand", [](TcsTabLayout& l) { l.rows = {{"G", "A"}, {"C"}}; }, true},
      {"tabs cleared and recomputed",
       [](TcsTabLayout& l) {
         l.tabs.clear();
         l.ComputeTabRects();
       }},
      {"tabs reversed", [](TcsTabLayout& l) { std::reverse(l.tabs.begin(), l.tabs.end()); }},
      {"caption in other case", [](TcsTabLayout& l) { l.rows[1][0] = l.rows[1][0].toLower(); }},
  };
  const auto pages = Pages("ABCDEFGH");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TcsTabLayout l = Layout(toTop, 300, 200, 3, 20, 5);
    l.BuildRows(pages);
    l.ComputeTabRects();
    r.change(l);
    for (int row = 0; row < static_cast<int>(l.rows.size()); ++row)
      for (int p = 0; p < l.rows[row].size(); ++p) {
        const QString& caption = l.rows[row][p];
        SCOPED_TRACE(caption.toStdString());
        EXPECT_EQ(l.TabAt(row, p), l.FindTab(caption));
        if (r.byHand) continue;
        const int page = l.PageAt(row, p);
        ASSERT_GE(page, 0);
        EXPECT_EQ(pages[page].caption.compare(caption, Qt::CaseInsensitive), 0) << page;
      }
  }
  TcsTabLayout l = Layout(toTop, 300, 200, 3, 20, 5);
  l.BuildRows(pages);
  l.ComputeTabRects();
  EXPECT_EQ(l.TabAt(5, 0), nullptr) << "no such row";
  EXPECT_EQ(l.PageAt(0, 7), -1) << "no such position";
  EXPECT_EQ(l.tabs.size(), 8u) << "one entry per tab, none twice";
}

}  // namespace
