// Stopping wins over anything in flight: a suspended watch, a reveal armed
// before the stop, a stop that arrives during a slide's message pass.
#include <QCoreApplication>
#include <functional>
#include <QMetaObject>

#include "tests/support/TrackingFixture.h"

namespace {

using platform::Rect;
using testing_support::TrackingTest;

const Rect kMainHome{0, 0, 1024, 100};
const Rect kInspectorHome{10, 110, 210, 510};

class Stopping : public TrackingTest {
protected:
  // Moves the cursor as a user would: reports reach the engine only through
  // the hook, so only while the watch runs.
  static void MoveCursor(int x, int y) {
    platform::SetCursorPos({x, y});
    platform::ProcessMessages();
  }
  void ExpectHomeAndStill() {
    EXPECT_EQ(ide.MainRect(), kMainHome);
    EXPECT_EQ(ide.InspectorRect(), kInspectorHome);
    EXPECT_FALSE(MainHidden);
    EXPECT_FALSE(InspectorHidden);
  }
  // Runs `what` at the next message pass, as a notification from the IDE would.
  static void AtNextPass(std::function<void()> what) {
    QMetaObject::invokeMethod(qApp, std::move(what), Qt::QueuedConnection);
  }
};

TEST_F(Stopping, AStopWhileSuspendedEndsTheSuspension) {
  Start();
  platform::SetApplicationActive(false);
  ASSERT_TRUE(FocusSuspended);
  ASSERT_EQ(panel->Caption(), QStringLiteral("Edgetucker 1.2d - Disabled"));
  StopHiding();
  EXPECT_FALSE(FocusSuspended);
  EXPECT_EQ(panel->Caption(), QStringLiteral("Edgetucker 1.2d")) << "the product caption again";
  platform::SetApplicationActive(true);
  EXPECT_FALSE(Watching) << "activation after a stop starts nothing";
  MoveCursor(500, 300);
  MoveCursor(1021, 400);
  ExpectHomeAndStill();
  EXPECT_FALSE(HidingRuns());
}

TEST_F(Stopping, ARevealArmedBeforeAStopOrASaveNeverMovesAWindow) {
  struct Row {
    const char* name;
    void (*stop)();
  };
  const Row rows[] = {
      {"Stop", [] { StopHiding(); }},
      {"desktop save", [] { RestoreWindows(); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    panel->timerWait->SetInterval(50);
    Start();
    Report(1021, 400);  // the inspector's strip
    ASSERT_TRUE(Armed());
    r.stop();
    // Past the open delay: a tick that still came would move the inspector.
    EXPECT_FALSE(testing_support::WaitFor([&] { return ide.InspectorRect() != kInspectorHome; }, 300));
    ExpectHomeAndStill();
    StopHiding();
  }
}

TEST_F(Stopping, AfterADesktopSaveTheNextArmingRevealsAgain) {
  panel->timerWait->SetInterval(0);
  Start();
  Report(1021, 400);
  RestoreWindows();
  platform::ProcessMessages();
  ASSERT_EQ(ide.InspectorRect(), kInspectorHome);
  Report(500, 400);  // past the inspector's inner edge: it hides again
  ASSERT_TRUE(InspectorHidden);
  Report(1021, 400);
  EXPECT_TRUE(testing_support::WaitFor([] { return !InspectorHidden; }, 1000));
  EXPECT_EQ(ide.InspectorRect(), HideGeometry.InspectorShownRect);
}

TEST_F(Stopping, AStopDuringASlidesMessagePassLeavesEverythingHome) {
  struct Row {
    const char* name;
    bool hideInspector;  // false: the first slide of Start is the main window's
    std::function<void()> during;
  };
  const Row rows[] = {
      {"Start, inspector's slide", true, [this] {
         AtNextPass([] { StopHiding(); });
         Start();
       }},
      {"Start, main window's slide", false, [this] {
         AtNextPass([] { StopHiding(); });
         Start();
       }},
      {"Start, main window's slide after the inspector's", true, [this] {
         // The first pass is the inspector's; the stop waits for the second.
         AtNextPass([] { AtNextPass([] { StopHiding(); }); });
         Start();
       }},
      {"a report's hide", true, [this] {
         Start();
         Report(500, 0);
         panel->timerWait->Tick();
         ASSERT_FALSE(MainHidden);
         AtNextPass([] { StopHiding(); });
         Report(500, 400);
       }},
      {"the tick's reveal", true, [this] {
         Start();
         Report(1021, 400);
         AtNextPass([] { StopHiding(); });
         panel->timerWait->Tick();
       }},
      {"a report's hide of the revealed inspector", true, [this] {
         Start();
         Report(1021, 400);
         panel->timerWait->Tick();
         ASSERT_FALSE(InspectorHidden);
         AtNextPass([] { StopHiding(); });
         Report(500, 400);
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings.HideInspector = r.hideInspector;
    const int idleBefore = panel->idleCalls;
    r.during();
    platform::ProcessMessages();
    ExpectHomeAndStill();
    EXPECT_FALSE(Watching);
    EXPECT_FALSE(HidingRuns());
    EXPECT_GT(panel->idleCalls, idleBefore) << "the panel shows idle";
    MoveCursor(500, 400);
    MoveCursor(1021, 0);
    ExpectHomeAndStill();
    StopHiding();
  }
}

// The hook posts its reports: some may still be queued when the watch ends.
// They are dispatched by the restore's own slides or just after it, and must
// neither arm a reveal nor hide a window that has come home.
TEST_F(Stopping, AReportQueuedBeforeAStopOrASaveMovesNothing) {
  struct Row {
    const char* name;
    bool save;
    int x, y;
  };
  const Row rows[] = {
      {"Stop, on the inspector's strip", false, 1021, 400},
      {"Stop, on the main window's strip", false, 500, 2},
      {"Stop, past both inner edges", false, 500, 400},
      {"desktop save, on the inspector's strip", true, 1021, 400},
      {"desktop save, on the main window's strip", true, 500, 2},
  };
  // Long enough that a reveal armed during the restore would come after it
  // (with 0 it would tick within the restore's first slide, which then wins).
  panel->timerWait->SetInterval(30);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Start();
    platform::PostMessage(panel->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(r.x, r.y));
    if (r.save)
      RestoreWindows();
    else
      StopHiding();
    platform::ProcessMessages();
    EXPECT_FALSE(Armed());
    EXPECT_FALSE(testing_support::WaitFor([&] { return ide.InspectorRect() != kInspectorHome ||
                                                       ide.MainRect() != kMainHome; },
                                          300));
    ExpectHomeAndStill();
    StopHiding();
  }
}

TEST_F(Stopping, AStopWithOnlyTheRevealedMainWindowChosenDropsAQueuedReport) {
  // Shown and home are the same place: the restore moves nothing and has no
  // message pass, so the report comes after the stop.
  Settings.HideInspector = false;
  Start();
  Report(500, 2);
  panel->timerWait->Tick();
  ASSERT_EQ(ide.MainRect(), kMainHome);
  platform::PostMessage(panel->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(500, 400));
  StopHiding();
  platform::ProcessMessages();
  ExpectHomeAndStill();
}

// The reveal armed before a loss of activation belongs to the watch the loss
// suspended: nothing moves while the IDE is not active, nor when activation
// returns with the cursor at rest; a move on the strip then reveals.
TEST_F(Stopping, ALossOfActivationDisarmsAPendingReveal) {
  enum class Pending { Armed, QueuedReport, TickDue };
  struct Row {
    const char* name;
    Pending pending;
    bool main;
    std::uint8_t side;
    int x, y;  // on the window's strip
  };
  const Row rows[] = {
      {"armed, inspector on the right", Pending::Armed, false, 1, 1021, 400},
      {"armed, inspector on the left", Pending::Armed, false, 0, 2, 400},
      {"armed, main window", Pending::Armed, true, 1, 500, 2},
      {"a report queued before the loss, inspector on the right", Pending::QueuedReport, false, 1, 1021, 400},
      {"a report queued before the loss, main window", Pending::QueuedReport, true, 1, 500, 2},
      {"a tick already due, inspector on the left", Pending::TickDue, false, 0, 2, 400},
      {"a tick already due, main window", Pending::TickDue, true, 1, 500, 2},
  };
  for (const Row& r : rows) {
    for (std::uint8_t animate : {0, 1}) {
      SCOPED_TRACE(std::string(r.name) + (animate ? ", animated" : ", in one move"));
      Settings.InspectorSide = r.side;
      Settings.AnimateMoves = animate;
      panel->timerWait->SetInterval(0);  // a reveal that is left armed comes at once
      Start();
      const Rect mainHidden = ide.MainRect(), inspectorHidden = ide.InspectorRect();
      auto moved = [&] { return ide.MainRect() != mainHidden || ide.InspectorRect() != inspectorHidden; };
      if (r.pending == Pending::QueuedReport) {
        platform::PostMessage(panel->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(r.x, r.y));
        platform::SetApplicationActive(false);
      } else {
        Report(r.x, r.y);
        ASSERT_TRUE(Armed());
        platform::SetApplicationActive(false);
        if (r.pending == Pending::TickDue) panel->timerWait->Tick();
      }
      ASSERT_TRUE(FocusSuspended);
      EXPECT_FALSE(Armed());
      EXPECT_FALSE(testing_support::WaitFor(moved, 100)) << "nothing slides in while the IDE is not active";

      platform::SetApplicationActive(true);
      ASSERT_TRUE(Watching);
      EXPECT_FALSE(testing_support::WaitFor(moved, 100)) << "nor when activation returns";

      // The cursor moves on the strip: the hook reports it and the reveal comes.
      MoveCursor(r.x, r.y);
      MoveCursor(r.x + 1, r.y + 1);
      const Rect shown = r.main ? HideGeometry.MainShownRect : HideGeometry.InspectorShownRect;
      EXPECT_TRUE(testing_support::WaitFor(
          [&] { return (r.main ? ide.MainRect() : ide.InspectorRect()) == shown; }, 5000));
      StopHiding();
      ExpectHomeAndStill();
      MoveCursor(500, 400);
    }
  }
}

TEST_F(Stopping, HideWindowsSaysWhetherHidingStarted) {
  AtNextPass([] { StopHiding(); });
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::NotStarted);
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::Started);
}

}  // namespace
