// The tracking decisions as pure functions: every boundary row and column of
// both sides, for reports and for the wait timer's tick.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Tracking.h"

namespace {

using platform::Rect;

// The geometry of a 1024 x 768 screen with a 100-row main window, a 200-column
// inspector and `hang`-pixel strips.
TTrackingState State(std::uint8_t side, std::uint8_t hang) {
  TTrackingState s;
  s.Geometry = ComputeHideRects({0, 0, 1024, 100}, {10, 110, 210, 510}, 1024, 768, side, hang);
  s.InspectorSide = side;
  return s;
}

enum Window { kMain, kInspector };

TEST(DecideMouseWatch, RevealZonesOfHiddenWindows) {
  struct Row {
    const char* name;
    Window window;
    std::uint8_t side, hang;
    int x, y;
    bool arms;
  };
  const Row rows[] = {
      {"main: row 5 of a 5-pixel strip", kMain, 1, 5, 500, 5, true},
      {"main: row 6", kMain, 1, 5, 500, 6, false},
      {"main: row 0, column 0", kMain, 1, 5, 0, 0, true},
      {"main: row 0, last column", kMain, 1, 5, 1023, 0, true},
      {"main: no strip, row 0", kMain, 1, 0, 500, 0, true},
      {"main: no strip, row 1", kMain, 1, 0, 500, 1, false},
      {"main: widest strip, row 255", kMain, 1, 255, 500, 255, true},
      {"main: widest strip, row 256", kMain, 1, 255, 500, 256, false},
      {"right: column 1019", kInspector, 1, 5, 1019, 400, true},
      {"right: column 1018", kInspector, 1, 5, 1018, 400, false},
      {"right: column 1019, row 0", kInspector, 1, 5, 1019, 0, true},
      {"right: column 1023, last row", kInspector, 1, 5, 1023, 767, true},
      {"right: no strip never reveals", kInspector, 1, 0, 1023, 400, false},
      {"right: no strip, column 1024 beyond the screen", kInspector, 1, 0, 1024, 400, true},
      {"left: column 5", kInspector, 0, 5, 5, 400, true},
      {"left: column 6", kInspector, 0, 5, 6, 400, false},
      {"left: column 0, last row", kInspector, 0, 5, 0, 767, true},
      {"left: no strip, column 0", kInspector, 0, 0, 0, 400, true},
      {"left: widest strip, column 255", kInspector, 0, 255, 255, 400, true},
      {"left: widest strip, column 256", kInspector, 0, 255, 256, 400, false},
      {"side 2 means left", kInspector, 2, 5, 3, 400, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TTrackingState s = State(r.side, r.hang);
    s.HideMainWindow = r.window == kMain;
    s.HideInspector = r.window == kInspector;
    s.MainHidden = s.InspectorHidden = true;
    s.CursorX = r.x;
    s.CursorY = r.y;
    const TWatchDecision d = DecideMouseWatch(s);
    EXPECT_EQ(d.ArmForMain, r.window == kMain && r.arms);
    EXPECT_EQ(d.ArmForInspector, r.window == kInspector && r.arms);
    EXPECT_FALSE(d.HideMain || d.HideInspector) << "a hidden window is never hidden again";
    // The tick reveals exactly where a report arms.
    const TTickDecision t = DecideWaitTick(s);
    EXPECT_EQ(t.RevealMain, r.window == kMain && r.arms);
    EXPECT_EQ(t.RevealInspector, r.window == kInspector && r.arms);
  }
}

TEST(DecideMouseWatch, InnerEdgesOfShownWindows) {
  struct Row {
    const char* name;
    Window window;
    std::uint8_t side;
    int x, y;
    bool overOwned;
    bool hides;
  };
  // Shown main window: rows 0..99 (bottom 100); inspector 200 wide.
  const Row rows[] = {
      {"main: row 100 keeps it", kMain, 1, 500, 100, false, false},
      {"main: row 101 hides it", kMain, 1, 500, 101, false, true},
      {"main: last row, column 0, hides it", kMain, 1, 0, 767, false, true},
      {"main: row 101 over one of its dialogs keeps it", kMain, 1, 500, 101, true, false},
      {"right inspector: column 824 keeps it", kInspector, 1, 824, 400, false, false},
      {"right inspector: column 823 hides it", kInspector, 1, 823, 400, false, true},
      {"right inspector: column 0 hides it", kInspector, 1, 0, 0, false, true},
      {"left inspector: column 200 keeps it", kInspector, 0, 200, 400, false, false},
      {"left inspector: column 201 hides it", kInspector, 0, 201, 400, false, true},
      {"left inspector: last column hides it", kInspector, 0, 1023, 767, false, true},
      {"the main window's dialogs do not keep the inspector", kInspector, 1, 500, 400, true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TTrackingState s = State(r.side, 5);
    s.HideMainWindow = r.window == kMain;
    s.HideInspector = r.window == kInspector;
    s.CursorX = r.x;
    s.CursorY = r.y;
    s.OverMainOwned = r.overOwned;
    const TWatchDecision d = DecideMouseWatch(s);
    EXPECT_EQ(d.HideMain, r.window == kMain && r.hides);
    EXPECT_EQ(d.HideInspector, r.window == kInspector && r.hides);
    EXPECT_FALSE(d.Arms());
  }
}

TEST(DecideMouseWatch, BothWindowsAndUnchosenOnes) {
  struct Row {
    const char* name;
    bool hideMain, hideInspector, mainHidden, inspectorHidden;
    int x, y;
    TWatchDecision want;
  };
  const Row rows[] = {
      {"one report hides the main window and arms for the inspector", true, true, false, true, 1020, 400,
       {false, true, true, false}},
      {"the corner arms for both", true, true, true, true, 1023, 0, {true, false, true, false}},
      {"the corner of two shown windows hides neither", true, true, false, false, 1023, 0, {}},
      {"below both shown windows: both hide", true, true, false, false, 500, 400, {false, true, false, true}},
      {"unchosen windows are never examined", false, false, true, false, 1023, 0, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TTrackingState s = State(1, 5);
    s.HideMainWindow = r.hideMain;
    s.HideInspector = r.hideInspector;
    s.MainHidden = r.mainHidden;
    s.InspectorHidden = r.inspectorHidden;
    s.CursorX = r.x;
    s.CursorY = r.y;
    EXPECT_EQ(DecideMouseWatch(s), r.want);
  }
}

TEST(DecideWaitTick, RevealsWhateverTheLastPositionTouchesShownOrNot) {
  TTrackingState s = State(0, 5);
  s.HideMainWindow = s.HideInspector = true;
  s.CursorX = 2;
  s.CursorY = 2;
  EXPECT_EQ(DecideWaitTick(s), (TTickDecision{true, true})) << "both hidden";
  s.MainHidden = s.InspectorHidden = false;
  EXPECT_EQ(DecideWaitTick(s), (TTickDecision{true, true})) << "both shown: raised again";
  s.HideInspector = false;
  EXPECT_EQ(DecideWaitTick(s), (TTickDecision{false, true})) << "an unchosen window never moves";
}

TEST(DecideMouseWatch, WithSeveralMonitorsOnlyTheWindowsOwnMonitorCounts) {
  using platform::Monitor;
  // Stacked: the main window lives on the top monitor (columns 0..1279), the
  // inspector on the lower one's right edge (rows 800..1599).
  const std::vector<Monitor> stacked{{{0, 0, 1280, 800}, {0, 0, 1280, 800}, false},
                                     {{0, 800, 1280, 1600}, {0, 800, 1280, 1600}, true}};
  // Side by side: the main window on the left one (columns 0..1279).
  const std::vector<Monitor> beside{{{0, 0, 1280, 800}, {0, 0, 1280, 800}, true},
                                    {{1280, 0, 2560, 800}, {1280, 0, 2560, 800}, false}};
  struct Row {
    const char* name;
    const std::vector<Monitor>* monitors;
    Window window;
    bool hidden;
    int x, y;
    bool acts;  // arms for a hidden window, hides a shown one
  };
  const Row rows[] = {
      {"inspector strip, first row of its monitor", &stacked, kInspector, true, 1279, 800, true},
      {"inspector strip columns, last row of the monitor above", &stacked, kInspector, true, 1279, 799, false},
      {"inspector strip, last row of its monitor", &stacked, kInspector, true, 1275, 1599, true},
      {"shown inspector: past its edge on its monitor", &stacked, kInspector, false, 500, 800, true},
      {"shown inspector: past its edge on the monitor above", &stacked, kInspector, false, 500, 799, false},
      {"main strip, last column of its monitor", &beside, kMain, true, 1279, 0, true},
      {"main strip rows, first column of the next monitor", &beside, kMain, true, 1280, 0, false},
      {"shown main window: below it on its monitor", &beside, kMain, false, 1279, 500, true},
      {"shown main window: below it on the next monitor", &beside, kMain, false, 1280, 500, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Rect main = r.monitors == &stacked ? Rect{0, 800, 1280, 900} : Rect{0, 0, 1280, 100};
    const THideLayout layout = ComputeHideLayout(main, {10, 810, 210, 1210}, *r.monitors, 1, 5);
    TTrackingState s;
    s.Geometry = layout.Geometry;
    s.Ranges = layout.Ranges;
    s.InspectorSide = 1;
    s.HideMainWindow = r.window == kMain;
    s.HideInspector = r.window == kInspector;
    s.MainHidden = s.InspectorHidden = r.hidden;
    s.CursorX = r.x;
    s.CursorY = r.y;
    const TWatchDecision d = DecideMouseWatch(s);
    if (r.hidden)
      EXPECT_EQ(d.Arms(), r.acts);
    else
      EXPECT_EQ(d.HideMain || d.HideInspector, r.acts);
  }
}

TEST(DecideRestore, EveryWindowTheRunMovedGoesHomeUnlessItsShownPlaceIsHome) {
  // Main window home at x = 100 (shown: the full width); an inspector at home
  // exactly where it shows on the right edge, or away from it.
  const THideGeometry apart = ComputeHideRects({100, 0, 700, 100}, {10, 110, 210, 510}, 1024, 768, 1, 5);
  const THideGeometry same = ComputeHideRects({0, 0, 1024, 100}, {824, 0, 1024, 768}, 1024, 768, 1, 5);
  struct Row {
    const char* name;
    const THideGeometry* g;
    bool hidden, away;
    bool restores;
  };
  const Row rows[] = {
      {"hidden", &apart, true, true, true},
      {"hidden, shown place is home", &same, true, true, true},
      {"counted hidden without the away mark", &apart, true, false, true},
      {"revealed", &apart, false, true, true},
      {"revealed, shown place is home", &same, false, true, false},
      {"never moved by the run", &apart, false, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (bool main : {true, false}) {
      TRestoreState s;
      s.Geometry = *r.g;
      (main ? s.MainHidden : s.InspectorHidden) = r.hidden;
      (main ? s.MainAway : s.InspectorAway) = r.away;
      const TRestoreDecision d = DecideRestore(s);
      EXPECT_EQ(main ? d.RestoreMain : d.RestoreInspector, r.restores) << (main ? "main" : "inspector");
      EXPECT_FALSE(main ? d.RestoreInspector : d.RestoreMain) << "the other window stays";
    }
  }
}

}  // namespace
