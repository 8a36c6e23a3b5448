// Hiding across two monitors side by side on the offscreen platform.  The
// tests of TwoMonitorDesktop need a desktop of two screens: OnTwoScreens runs
// them in a child process of this executable given such a desktop.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fstream>

#include "platform/Screens.h"
#include "tests/support/TrackingFixture.h"

namespace {

using platform::Rect;

// Two 1024 x 768 screens, the left one primary, then the fake IDE's windows
// on the left one.
class TwoMonitorDesktop : public testing_support::TrackingTest {
protected:
  void SetUp() override {
    if (platform::GetMonitors().size() != 2) GTEST_SKIP() << "needs two monitors (run by OnTwoScreens)";
    TrackingTest::SetUp();
  }
};

TEST_F(TwoMonitorDesktop, TheInspectorHidesAtTheOuterEdgeAndRevealsOnlyThere) {
  Start();
  EXPECT_EQ(ide.MainRect(), (Rect{0, -95, 1024, 5}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{2043, 0, 2243, 768})) << "at the right monitor's right edge";
  Report(1020, 400);  // the inner monitor's right edge: not a strip any more
  EXPECT_FALSE(Armed());
  Report(2043, 400);
  EXPECT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.InspectorRect(), (Rect{1848, 0, 2048, 768}));
  Report(1847, 400);
  EXPECT_TRUE(InspectorHidden);
  StopHiding();
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
}

TEST_F(TwoMonitorDesktop, TheMainWindowRevealsAndHidesOnItsOwnMonitor) {
  Settings.HideInspector = false;
  Start();
  Report(1030, 0);  // the top row of the other monitor
  EXPECT_FALSE(Armed());
  Report(1023, 0);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100})) << "across its own monitor";
  Report(1500, 400);  // below it, but on the other monitor
  EXPECT_FALSE(MainHidden);
  Report(1000, 400);
  EXPECT_TRUE(MainHidden);
  StopHiding();
}

TEST(TwoMonitors, OnTwoScreens) {
  if (qEnvironmentVariableIsSet("EDGETUCKER_TWO_SCREENS")) GTEST_SKIP() << "the child itself";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString config = dir.filePath(QStringLiteral("screens.json"));
  {
    std::ofstream out(config.toStdString());
    out << R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false, "screens": [)"
        << R"({"name": "L", "x": 0, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},)"
        << R"({"name": "R", "x": 1024, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
  }
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
  env.insert(QStringLiteral("EDGETUCKER_TWO_SCREENS"), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--gtest_filter=TwoMonitorDesktop.*")});
  ASSERT_TRUE(child.waitForFinished(120000));
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 2 tests"))) << output.toStdString();
  EXPECT_FALSE(output.contains(QStringLiteral("SKIPPED"))) << output.toStdString();
}

}  // namespace
