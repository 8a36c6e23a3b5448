#include <QDialog>

#include "tests/support/TrackingFixture.h"

namespace {

using platform::Rect;
using testing_support::TrackingTest;

class Tracking : public TrackingTest {};

TEST_F(Tracking, HideWindowsMovesOnlyChosenWindowsAndStartsTheWatch) {
  Settings.HideInspector = false;
  Settings.MoveInSound = "in.wav";
  Settings.PlaySounds = true;
  Start();
  EXPECT_TRUE(MainHidden);
  EXPECT_FALSE(InspectorHidden);
  EXPECT_TRUE(Watching);
  EXPECT_EQ(ide.MainRect(), (Rect{0, -95, 1024, 5}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
  EXPECT_EQ(sounds, (std::vector<std::string>{"in.wav"}));

  StopHiding();
  EXPECT_FALSE(Watching);
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
}

TEST_F(Tracking, RevealZonesAtTheirBoundaries) {
  struct Row {
    const char* name;
    std::uint8_t side;
    std::uint8_t hang;
    bool mainOnly;
    int x, y;
    bool arms;
  };
  const Row rows[] = {
      {"main: row 5 of a 5-pixel strip", 1, 5, true, 500, 5, true},
      {"main: row 6", 1, 5, true, 500, 6, false},
      {"main: no strip, row 0", 1, 0, true, 500, 0, true},
      {"main: no strip, row 1", 1, 0, true, 500, 1, false},
      {"main: widest strip, row 255", 1, 255, true, 500, 255, true},
      {"main: widest strip, row 256", 1, 255, true, 500, 256, false},
      {"right: column 1019", 1, 5, false, 1019, 400, true},
      {"right: column 1018", 1, 5, false, 1018, 400, false},
      {"right: no strip never reveals", 1, 0, false, 1023, 400, false},
      {"left: column 5", 0, 5, false, 5, 400, true},
      {"left: column 6", 0, 5, false, 6, 400, false},
      {"left: no strip, column 0", 0, 0, false, 0, 400, true},
      {"left: widest strip, column 255", 0, 255, false, 255, 400, true},
      {"left: widest strip, column 256", 0, 255, false, 256, 400, false},
      {"side 2 means left", 2, 5, false, 3, 400, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings.InspectorSide = r.side;
    Settings.HangOutPixels = r.hang;
    Settings.HideMainWindow = r.mainOnly;
    Settings.HideInspector = !r.mainOnly;
    Start();
    panel->timerWait->SetEnabled(false);
    Report(r.x, r.y);
    EXPECT_EQ(Armed(), r.arms);
    StopHiding();
    panel->timerWait->SetEnabled(false);
  }
}

TEST_F(Tracking, TheTickRevealsWhatTheLastPositionStillTouches) {
  Settings.MoveOutSound = "out.wav";
  Settings.PlaySounds = true;
  Start();
  sounds.clear();
  Report(500, 2);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_FALSE(Armed());
  EXPECT_FALSE(MainHidden);
  EXPECT_TRUE(InspectorHidden);
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(sounds, (std::vector<std::string>{"out.wav"}));
  EXPECT_EQ(platform::WindowFromPoint({500, 50}), ide.MainHandle()) << "revealed raised";
}

TEST_F(Tracking, LeavingTheStripBeforeTheDelayRevealsNothing) {
  Start();
  Report(500, 3);
  Report(500, 300);
  EXPECT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_TRUE(MainHidden);
  EXPECT_FALSE(Armed());
  EXPECT_EQ(ide.MainRect(), (Rect{0, -95, 1024, 5}));
}

TEST_F(Tracking, HideThresholdsAtTheirBoundaries) {
  struct Row {
    const char* name;
    std::uint8_t side;
    bool main;
    int x, y;
    bool hides;
  };
  // Shown main window: 100 rows high; inspector 200 wide.
  const Row rows[] = {
      {"main: row 100 keeps it", 1, true, 500, 100, false},
      {"main: row 101 hides it", 1, true, 500, 101, true},
      {"right inspector: column 824 keeps it", 1, false, 824, 400, false},
      {"right inspector: column 823 hides it", 1, false, 823, 400, true},
      {"left inspector: column 200 keeps it", 0, false, 200, 400, false},
      {"left inspector: column 201 hides it", 0, false, 201, 400, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings.InspectorSide = r.side;
    Settings.HideMainWindow = r.main;
    Settings.HideInspector = !r.main;
    Start();
    // Reveal through the strip, then move to the point.
    if (r.main)
      Report(500, 0);
    else
      Report(r.side == 1 ? 1023 : 0, 400);
    panel->timerWait->Tick();
    ASSERT_FALSE(r.main ? MainHidden : InspectorHidden);
    Report(r.x, r.y);
    EXPECT_EQ(r.main ? MainHidden : InspectorHidden, r.hides);
    StopHiding();
  }
}

TEST_F(Tracking, ADialogOwnedByTheMainWindowKeepsItShown) {
  Settings.HideInspector = false;
  Start();
  Report(500, 0);
  panel->timerWait->Tick();
  ASSERT_FALSE(MainHidden);
  QDialog dialog(ide.main.get());
  dialog.setGeometry(400, 300, 200, 100);
  dialog.show();
  Report(450, 350);
  EXPECT_FALSE(MainHidden) << "over a dialog the main window owns";
  Report(450, 500);
  EXPECT_TRUE(MainHidden) << "below it, over nothing of the main window";
}

TEST_F(Tracking, OneReportCanHideTheMainWindowAndArmForTheInspector) {
  Start();
  Report(500, 0);
  panel->timerWait->Tick();
  ASSERT_FALSE(MainHidden);
  Report(1020, 400);
  EXPECT_TRUE(MainHidden);
  EXPECT_TRUE(Armed());
}

TEST_F(Tracking, TheTickRevealsTheMainWindowAndRaisesAShownInspectorAgain) {
  Settings.InspectorSide = 0;
  Start();
  Report(0, 400);
  panel->timerWait->Tick();
  ASSERT_FALSE(InspectorHidden);
  platform::BringWindowToTop(ide.MainHandle());
  ide.inspector->move(0, 0);  // let the inspector overlap the hidden main window's strip
  Report(2, 2);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_FALSE(MainHidden);
  EXPECT_FALSE(InspectorHidden);
  EXPECT_EQ(ide.InspectorRect(), HideGeometry.InspectorShownRect);
  EXPECT_EQ(platform::WindowFromPoint({2, 2}), ide.MainHandle()) << "the main window moved last";
}

TEST_F(Tracking, ReportsArrivingDuringAReportsOwnMoveAreDropped) {
  Settings.HideInspector = false;
  Start();
  Report(500, 0);
  panel->timerWait->Tick();
  ASSERT_FALSE(MainHidden);
  // Queued before the report that hides: delivered by the move's message
  // processing while OnMouseWatch still runs.
  platform::PostMessage(panel->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(700, 3));
  Report(500, 300);
  EXPECT_TRUE(MainHidden);
  EXPECT_EQ(CursorX, 500);
  EXPECT_EQ(CursorY, 300);
  EXPECT_FALSE(Armed()) << "the strip report was dropped, not stored";
  EXPECT_FALSE(InMouseWatch);

  // Without a move to process it, a queued report is handled normally.
  platform::PostMessage(panel->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(700, 3));
  platform::ProcessMessages();
  EXPECT_EQ(CursorX, 700);
  EXPECT_TRUE(Armed());
}

TEST_F(Tracking, AnArmingReportDuringTheTicksMoveIsLost) {
  Start();
  Report(500, 2);  // main window's strip
  ASSERT_TRUE(Armed());
  // Handled while the tick reveals the main window: the cursor has moved onto
  // the inspector's strip.  The timer is still on, so arming changes nothing,
  // and the tick's end switches it off.
  platform::PostMessage(panel->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(1021, 400));
  panel->timerWait->Tick();
  EXPECT_EQ(CursorX, 1021);
  EXPECT_FALSE(MainHidden);
  EXPECT_TRUE(InspectorHidden);
  EXPECT_FALSE(Armed());
}

TEST_F(Tracking, FocusLossSuspendsOnlyAWatchThatRuns) {
  struct Row {
    const char* name;
    bool disable;
    bool started;
    bool suspends;
  };
  const Row rows[] = {
      {"on, after Start", true, true, true},
      {"on, before Start", true, false, false},
      {"off, after Start", false, true, false},
      {"off, before Start", false, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings.DisableOnFocusLoss = r.disable;
    if (r.started) Start();
    const Rect mainBefore = ide.MainRect();
    platform::SetApplicationActive(false);
    EXPECT_EQ(FocusSuspended, r.suspends);
    EXPECT_EQ(Watching, r.started && !r.suspends);
    EXPECT_EQ(panel->Caption(), r.suspends ? QStringLiteral("Edgetucker 1.2d - Disabled")
                                             : QStringLiteral("Edgetucker 1.2d"));
    EXPECT_EQ(ide.MainRect(), mainBefore) << "nothing moves";
    platform::SetApplicationActive(true);
    EXPECT_FALSE(FocusSuspended);
    EXPECT_EQ(Watching, r.started);
    EXPECT_EQ(panel->Caption(), QStringLiteral("Edgetucker 1.2d"));
    StopHiding();
  }
}

TEST_F(Tracking, DesktopSaveWhileHidingBringsWindowsHomeButKeepsWatching) {
  Start();
  RestoreWindows();
  EXPECT_TRUE(Watching);
  EXPECT_FALSE(MainHidden);
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
  Report(500, 400);  // below the main window's shown height: it hides again
  EXPECT_TRUE(MainHidden);
}

TEST_F(Tracking, OpenDelayOfZeroOrLessRevealsAtTheNextTurnOfTheLoop) {
  for (int delay : {0, -100}) {
    SCOPED_TRACE(delay);
    panel->timerWait->SetInterval(delay);
    Start();
    Report(500, 1);
    EXPECT_TRUE(MainHidden);
    EXPECT_TRUE(testing_support::WaitFor([] { return !MainHidden; }, 1000));
    EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
    StopHiding();
  }
}

}  // namespace
