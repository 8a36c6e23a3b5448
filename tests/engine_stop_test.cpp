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

TEST_F(Stopping, HideWindowsSaysWhetherHidingStarted) {
  AtNextPass([] { StopHiding(); });
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::NotStarted);
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::Started);
}

}  // namespace
