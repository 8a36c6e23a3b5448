#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "engine/Geometry.h"
#include "engine/Tracking.h"
#include "settings/Settings.h"
#include "tests/support/FakeIde.h"

namespace {

using platform::Rect;

TEST(ComputeHideRects, WorkedExamples) {
  struct Row {
    const char* name;
    Rect main, inspector;
    std::uint8_t side, hang;
    THideGeometry want;
  };
  const int cy = 768;
  const Row rows[] = {
      {"main band and left inspector", {0, 0, 1024, 100}, {10, 90, 210, 500}, 0, 5,
       {{-195, 0, 5, cy}, {0, 0, 200, cy}, {10, 90, 210, 500}, {0, -95, 1024, 5}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
      {"right inspector", {0, 0, 1024, 100}, {10, 90, 210, 500}, 1, 5,
       {{1019, 0, 1219, cy}, {824, 0, 1024, cy}, {10, 90, 210, 500}, {0, -95, 1024, 5}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
      {"side 2 means left", {0, 0, 1024, 100}, {10, 90, 210, 500}, 2, 5,
       {{-195, 0, 5, cy}, {0, 0, 200, cy}, {10, 90, 210, 500}, {0, -95, 1024, 5}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
      {"no strip: wholly off screen", {300, 20, 900, 120}, {10, 90, 210, 500}, 1, 0,
       {{1024, 0, 1224, cy}, {824, 0, 1024, cy}, {10, 90, 210, 500}, {0, -100, 1024, 0}, {0, 0, 1024, 100}, {300, 20, 900, 120}}},
      {"widest strip", {0, 0, 1024, 100}, {10, 90, 210, 500}, 0, 255,
       {{55, 0, 255, cy}, {0, 0, 200, cy}, {10, 90, 210, 500}, {0, 155, 1024, 255}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ComputeHideRects(r.main, r.inspector, 1024, cy, r.side, r.hang), r.want);
  }
}

TEST(ComputeHideRects, SizesAreUnsigned16BitDifferences) {
  struct Row {
    const char* name;
    Rect main;
    std::int32_t wantHeight;
  };
  const Row rows[] = {
      {"taller than 32767 rows", {0, 0, 1024, 40000}, 40000},
      {"exactly 65536 rows wraps to 0", {0, 0, 1024, 65536}, 0},
      {"inverted rectangle wraps", {0, 100, 1024, 0}, 65436},
      {"odd coordinates whose low bits wrap", {0, 65530, 1024, 65546}, 16},
      {"negative top", {0, -95, 1024, 5}, 100},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const THideGeometry g = ComputeHideRects(r.main, r.main, 1024, 768, 0, 5);
    EXPECT_EQ(g.MainShownRect, (Rect{0, 0, 1024, r.wantHeight}));
    EXPECT_EQ(g.MainHiddenRect, (Rect{0, 5 - r.wantHeight, 1024, 5}));
    // The same rule holds for the inspector's width.
    const Rect turned{r.main.top, 0, r.main.bottom, 10};
    EXPECT_EQ(ComputeHideRects(r.main, turned, 1024, 768, 0, 5).InspectorShownRect.right, r.wantHeight);
  }
}

class GeometryWithWindows : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineState();
    Settings = TSettings{};
    Settings.HangOutPixels = 5;
    Settings.InspectorSide = 0;
  }
  void TearDown() override { ResetEngineState(); }
  testing_support::FakeIde ide;
};

TEST_F(GeometryWithWindows, MeasuresTheWindowsAndTheScreen) {
  MainWindow = ide.MainHandle();
  InspectorWindow = ide.InspectorHandle();
  ide.main->setGeometry(300, 0, 724, 100);
  ComputeHideGeometry();
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{300, 0, 1024, 100}));
  EXPECT_EQ(HideGeometry.MainShownRect, (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(HideGeometry.InspectorHomeRect, (Rect{10, 110, 210, 510}));
  // A full-screen window's height: the whole 768 rows of the virtual screen.
  EXPECT_EQ(HideGeometry.InspectorShownRect, (Rect{0, 0, 200, 768}));
}

TEST_F(GeometryWithWindows, ALostWindowKeepsItsHome) {
  MainWindow = ide.MainHandle();
  InspectorWindow = ide.InspectorHandle();
  ComputeHideGeometry();
  const Rect home = HideGeometry.InspectorHomeRect;
  ide.inspector.reset();
  ComputeHideGeometry();
  EXPECT_EQ(HideGeometry.InspectorHomeRect, home);
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
}

TEST_F(GeometryWithWindows, RefindWindowsWorksOnlyBeforeTheFirstComputation) {
  // The inspector's search computes the geometry, which gives the main
  // window's shown rectangle the screen width: its own search is then skipped.
  MainWindow = ide.MainHandle();
  RefindWindows();
  EXPECT_EQ(InspectorWindow, ide.InspectorHandle());
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(HideGeometry.InspectorHomeRect, (Rect{10, 110, 210, 510}));

  // Computed once: a later refind leaves handles and geometry alone.
  MainWindow = 0;
  ide.main->setGeometry(0, 0, 1024, 50);
  RefindWindows();
  EXPECT_EQ(MainWindow, 0u);
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
}

TEST_F(GeometryWithWindows, RefindLooksForTheInspectorByTitle) {
  ide.inspector->setWindowTitle(QStringLiteral("Something else"));
  RefindWindows();
  EXPECT_EQ(InspectorWindow, 0u);
  EXPECT_EQ(MainWindow, 0u);
  EXPECT_EQ(HideGeometry.MainShownRect, (Rect{0, 0, 1024, 0}));
}

}  // namespace

namespace {

using platform::Monitor;

// A monitor whose work area leaves `panel` rows at its bottom to a panel.
Monitor Mon(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, bool primary = false, int panel = 0) {
  return Monitor{Rect{l, t, r, b}, Rect{l, t, r, b - panel}, primary};
}

TEST(ComputeHideLayout, OneMonitorIsTheSingleScreenComputation) {
  const Rect main{0, 0, 1024, 100}, inspector{10, 110, 210, 510};
  for (std::uint8_t side : {0, 1}) {
    SCOPED_TRACE(int(side));
    const THideLayout bare = ComputeHideLayout(main, inspector, {Mon(0, 0, 1024, 768, true)}, side, 5);
    EXPECT_EQ(bare.Geometry, ComputeHideRects(main, inspector, 1024, 768, side, 5));
    EXPECT_EQ(bare.Ranges, THideRanges{}) << "unbounded";
    // A bottom panel shortens the inspector, as the screen metrics do, and
    // takes the panel's rows out of its reveal zone.
    const THideLayout layout = ComputeHideLayout(main, inspector, {Mon(0, 0, 1024, 768, true, 30)}, side, 5);
    EXPECT_EQ(layout.Geometry, ComputeHideRects(main, inspector, 1024, 738, side, 5));
    THideRanges rows;
    rows.InspectorTop = 0;
    rows.InspectorBottom = 737;
    EXPECT_EQ(layout.Ranges, rows);
  }
  EXPECT_EQ(ComputeHideLayout(main, inspector, {}, 1, 5).Geometry, ComputeHideRects(main, inspector, 0, 0, 1, 5));
}

TEST(ComputeHideLayout, MonitorLayouts) {
  struct Row {
    const char* name;
    std::vector<Monitor> monitors;
    Rect main, inspector;
    std::uint8_t side;
    Rect mainShown, mainHidden;
    Rect inspectorShown, inspectorHidden;
    THideRanges ranges;
  };
  // Main window 100 rows high, inspector 200 columns wide, 5-pixel strips.
  const Row rows[] = {
      {"side by side, both windows on the left (primary), inspector right: it hides at the right one's edge",
       {Mon(0, 0, 1280, 800, true), Mon(1280, 0, 2560, 800)},
       {0, 0, 1280, 100}, {10, 110, 210, 510}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {2360, 0, 2560, 800}, {2555, 0, 2755, 800},
       {0, 1279, INT32_MIN, 0, 799, INT32_MIN, INT32_MAX}},
      {"side by side, inspector left on the right monitor: it hides at the left one's edge",
       {Mon(0, 0, 1280, 800, true), Mon(1280, 0, 2560, 800)},
       {1300, 0, 2500, 100}, {1500, 110, 1700, 510}, 0,
       {1280, 0, 2560, 100}, {1280, -95, 2560, 5},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       {1280, 2559, INT32_MIN, 0, 799, INT32_MIN, INT32_MAX}},
      {"side by side, inspector right on the right monitor stays there",
       {Mon(0, 0, 1280, 800, true), Mon(1280, 0, 2560, 800, false, 40)},
       {0, 0, 1280, 100}, {1500, 110, 1700, 510}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {2360, 0, 2560, 760}, {2555, 0, 2755, 760},
       {0, 1279, INT32_MIN, 0, 759, INT32_MIN, INT32_MAX}},
      {"stacked, main window on the lower (primary): it lives on the top one",
       {Mon(0, 0, 1280, 800), Mon(0, 800, 1280, 1600, true)},
       {0, 800, 1280, 900}, {10, 910, 210, 1310}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {1080, 800, 1280, 1600}, {1275, 800, 1475, 1600},
       {0, 1279, INT32_MIN, 800, 1599, INT32_MIN, INT32_MAX}},
      {"stacked, main window on the top one",
       {Mon(0, 0, 1280, 800, true), Mon(0, 800, 1280, 1600)},
       {0, 0, 1280, 100}, {10, 110, 210, 510}, 0,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       {0, 1279, INT32_MIN, 0, 799, INT32_MIN, INT32_MAX}},
      {"different sizes: the main window spans its own monitor's width, the inspector the other's height",
       {Mon(0, 0, 1920, 1080, true), Mon(1920, 0, 3200, 1024)},
       {1920, 0, 3200, 100}, {10, 110, 210, 510}, 1,
       {1920, 0, 3200, 100}, {1920, -95, 3200, 5},
       {3000, 0, 3200, 1024}, {3195, 0, 3395, 1024},
       {1920, 3199, INT32_MIN, 0, 1023, INT32_MIN, INT32_MAX}},
      {"primary on the right, inspector left: it hides at the secondary's left edge",
       {Mon(1024, 0, 2304, 1024, true), Mon(0, 0, 1024, 768)},
       {1024, 0, 2304, 100}, {1100, 110, 1300, 510}, 0,
       {1024, 0, 2304, 100}, {1024, -95, 2304, 5},
       {0, 0, 200, 768}, {-195, 0, 5, 768},
       {1024, 2303, INT32_MIN, 0, 767, INT32_MIN, INT32_MAX}},
      {"a lower monitor beside still takes the inspector: it shares rows",
       {Mon(0, 0, 1280, 800, true), Mon(1280, 400, 2560, 1200)},
       {0, 0, 1280, 100}, {10, 110, 210, 510}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {2360, 400, 2560, 1200}, {2555, 400, 2755, 1200},
       {0, 1279, INT32_MIN, 400, 1199, INT32_MIN, INT32_MAX}},
      {"a window straddling two monitors belongs to the one holding most of it",
       {Mon(0, 0, 1280, 800, true), Mon(1280, 0, 2560, 800)},
       {1000, 0, 2000, 100}, {10, 110, 210, 510}, 0,
       {1280, 0, 2560, 100}, {1280, -95, 2560, 5},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       {1280, 2559, INT32_MIN, 0, 799, INT32_MIN, INT32_MAX}},
      {"a window on no monitor belongs to the primary one",
       {Mon(0, 0, 1280, 800), Mon(1280, 0, 2560, 800, true)},
       {-5000, -5000, -4000, -4900}, {10, 110, 210, 510}, 0,
       {1280, 0, 2560, 100}, {1280, -95, 2560, 5},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       {1280, 2559, INT32_MIN, 0, 799, INT32_MIN, INT32_MAX}},
      {"three in a row, inspector right from the left one: the outermost",
       {Mon(0, 0, 1000, 700, true), Mon(1000, 0, 2000, 700), Mon(2000, 0, 3000, 700)},
       {0, 0, 1000, 100}, {10, 110, 210, 510}, 1,
       {0, 0, 1000, 100}, {0, -95, 1000, 5},
       {2800, 0, 3000, 700}, {2995, 0, 3195, 700},
       {0, 999, INT32_MIN, 0, 699, INT32_MIN, INT32_MAX}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const THideLayout layout = ComputeHideLayout(r.main, r.inspector, r.monitors, r.side, 5);
    EXPECT_EQ(layout.Geometry.MainHomeRect, r.main);
    EXPECT_EQ(layout.Geometry.InspectorHomeRect, r.inspector);
    EXPECT_EQ(layout.Geometry.MainShownRect, r.mainShown);
    EXPECT_EQ(layout.Geometry.MainHiddenRect, r.mainHidden);
    EXPECT_EQ(layout.Geometry.InspectorShownRect, r.inspectorShown);
    EXPECT_EQ(layout.Geometry.InspectorHiddenRect, r.inspectorHidden);
    EXPECT_EQ(layout.Ranges, r.ranges);
    // Where a hidden window stands, no monitor shows more of it than its strip.
    for (const Monitor& m : r.monitors) {
      const Rect& b = m.bounds;
      auto visible = [&](const Rect& w) {
        const std::int64_t cx = std::max(0, std::min(w.right, b.right) - std::max(w.left, b.left));
        const std::int64_t cy = std::max(0, std::min(w.bottom, b.bottom) - std::max(w.top, b.top));
        return std::make_pair(cx, cy);
      };
      const auto [mx, my] = visible(layout.Geometry.MainHiddenRect);
      EXPECT_TRUE(mx == 0 || my <= 5) << "main window in view on a monitor";
      const auto [ix, iy] = visible(layout.Geometry.InspectorHiddenRect);
      EXPECT_TRUE(iy == 0 || ix <= 5) << "inspector in view on a monitor";
    }
  }
}

// A monitor with the work area its panels leave.
Monitor WithPanels(Rect bounds, Rect workArea, bool primary = false) { return Monitor{bounds, workArea, primary}; }

constexpr std::int32_t kMin = INT32_MIN, kMax = INT32_MAX;

TEST(ComputeHideLayout, PanelsAtTheEdgesAWindowHidesAt) {
  struct Row {
    const char* name;
    std::vector<Monitor> monitors;
    Rect main;
    std::uint8_t side;
    Rect mainShown, mainHidden;
    Rect inspectorShown, inspectorHidden;
    THideRanges ranges;
  };
  // 1280 x 800 monitors; main window 100 rows high, inspector at (10, 110)
  // 200 columns wide; 5-pixel strips.
  const Rect screen{0, 0, 1280, 800};
  const Row rows[] = {
      {"top panel: the main window shows below it, its strip just inside the work area",
       {WithPanels(screen, {0, 27, 1280, 800}, true)}, {0, 0, 1280, 100}, 0,
       {0, 27, 1280, 127}, {0, -68, 1280, 32},
       {0, 27, 200, 800}, {-195, 27, 5, 800},
       {kMin, kMax, 27, 27, 799, kMin, kMax}},
      {"bottom panel: nothing reserves the top; the inspector ends above the panel",
       {WithPanels(screen, {0, 0, 1280, 770}, true)}, {0, 0, 1280, 100}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {1080, 0, 1280, 770}, {1275, 0, 1475, 770},
       {kMin, kMax, kMin, 0, 769, kMin, kMax}},
      {"left panel: the inspector shows beside it and hides against it",
       {WithPanels(screen, {48, 0, 1280, 800}, true)}, {0, 0, 1280, 100}, 0,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {48, 0, 248, 800}, {-147, 0, 53, 800},
       {kMin, kMax, kMin, kMin, kMax, 48, kMax}},
      {"right panel: the inspector on the right the same",
       {WithPanels(screen, {0, 0, 1232, 800}, true)}, {0, 0, 1280, 100}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {1032, 0, 1232, 800}, {1227, 0, 1427, 800},
       {kMin, kMax, kMin, kMin, kMax, kMin, 1231}},
      {"right panel, inspector on the left: not its edge",
       {WithPanels(screen, {0, 0, 1232, 800}, true)}, {0, 0, 1280, 100}, 0,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       {kMin, kMax, kMin, kMin, kMax, kMin, kMax}},
      {"top and left panels: the main window spans the work area's columns",
       {WithPanels(screen, {48, 27, 1280, 800}, true)}, {0, 0, 1280, 100}, 0,
       {48, 27, 1280, 127}, {48, -68, 1280, 32},
       {48, 27, 248, 800}, {-147, 27, 53, 800},
       {48, 1279, 27, 27, 799, 48, kMax}},
      {"two monitors, a top panel on the main window's",
       {WithPanels(screen, screen, true), WithPanels({1280, 0, 2560, 800}, {1280, 27, 2560, 800})},
       {1300, 0, 2500, 100}, 0,
       {1280, 27, 2560, 127}, {1280, -68, 2560, 32},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       {1280, 2559, 27, 0, 799, kMin, kMax}},
      {"two monitors, a top panel on the other one",
       {WithPanels(screen, {0, 27, 1280, 800}, true), WithPanels({1280, 0, 2560, 800}, {1280, 0, 2560, 800})},
       {1300, 0, 2500, 100}, 1,
       {1280, 0, 2560, 100}, {1280, -95, 2560, 5},
       {2360, 0, 2560, 800}, {2555, 0, 2755, 800},
       {1280, 2559, kMin, 0, 799, kMin, kMax}},
      {"two monitors, a right panel on the outer one takes the inspector's edge",
       {WithPanels(screen, screen, true), WithPanels({1280, 0, 2560, 800}, {1280, 0, 2512, 770})},
       {0, 0, 1280, 100}, 1,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {2312, 0, 2512, 770}, {2507, 0, 2707, 770},
       {0, 1279, kMin, 0, 769, kMin, 2511}},
      {"a work area not inside its monitor counts as the whole monitor",
       {WithPanels(screen, {-10, 27, 1280, 800}, true)}, {0, 0, 1280, 100}, 0,
       {0, 0, 1280, 100}, {0, -95, 1280, 5},
       {0, 0, 200, 800}, {-195, 0, 5, 800},
       THideRanges{}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const THideLayout layout = ComputeHideLayout(r.main, {10, 110, 210, 510}, r.monitors, r.side, 5);
    EXPECT_EQ(layout.Geometry.MainShownRect, r.mainShown);
    EXPECT_EQ(layout.Geometry.MainHiddenRect, r.mainHidden);
    EXPECT_EQ(layout.Geometry.InspectorShownRect, r.inspectorShown);
    EXPECT_EQ(layout.Geometry.InspectorHiddenRect, r.inspectorHidden);
    EXPECT_EQ(layout.Ranges, r.ranges);
  }
}

}  // namespace
