// The event-driven pointer watch against a real X server of the test's own.
#include <gtest/gtest.h>

#if defined(EDGETUCKER_HAVE_XI_WATCH) && defined(EDGETUCKER_HAVE_TEST_XSERVER)

#include <QTest>
#include <memory>

#include "platform/backend/x11/XiPointerWatch.h"
#include "tests/support/XServer.h"

namespace {

using platform::Point;
using platform::x11::XiPointerWatch;

class XiWatch : public ::testing::Test {
protected:
  static void SetUpTestSuite() { s_server = new testx::Xvfb("640x480x24"); }
  static void TearDownTestSuite() {
    delete s_server;
    s_server = nullptr;
  }
  void SetUp() override {
    if (!s_server->Running()) GTEST_SKIP() << "no X server for this test: " << s_server->Why();
    mover = std::make_unique<testx::PointerMover>(s_server->Display());
    ASSERT_TRUE(mover->Ok());
    mover->MoveTo(1, 1);
    watch = XiPointerWatch::Create(s_server->Display().c_str());
    ASSERT_TRUE(watch) << "Xvfb has XInput 2";
  }

  void StartRecording() {
    ASSERT_TRUE(watch->Start([this](Point p) { reports.push_back(p); }));
  }
  // Lets the event loop run until `n` reports have come (or 5 s have passed).
  bool WaitForReports(std::size_t n) {
    return QTest::qWaitFor([&] { return reports.size() >= n; }, 5000);
  }

  static testx::Xvfb* s_server;
  std::unique_ptr<testx::PointerMover> mover;
  std::unique_ptr<XiPointerWatch> watch;
  std::vector<Point> reports;
};
testx::Xvfb* XiWatch::s_server = nullptr;

TEST_F(XiWatch, ReportsMotionButNotThePositionAtStart) {
  mover->MoveTo(20, 30);
  int x = 0, y = 0;
  ASSERT_TRUE(mover->Where(x, y));  // the motion has been handled before Start
  StartRecording();
  mover->MoveTo(100, 200);
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(reports, (std::vector<Point>{{100, 200}}));
}

TEST_F(XiWatch, ABurstOfMotionEndsOnItsLastPositionWithFewerQueries) {
  StartRecording();
  const std::uint64_t before = watch->Queries();
  for (int i = 1; i <= 50; ++i) mover->QueueMoveTo(10 + i, 40);
  mover->Flush();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.empty() && reports.back() == Point{60, 40}; }, 5000));
  EXPECT_LT(watch->Queries() - before, 50u) << "raw events of one batch share a query";
  for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_NE(reports[i], reports[i - 1]) << "row " << i;
}

TEST_F(XiWatch, WarpsProduceNoReportAndLaterMotionStillDoes) {
  StartRecording();
  mover->WarpTo(300, 300);
  // The fence: the first report must be this motion, not the warp.
  mover->MoveTo(301, 300);
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(reports.front(), (Point{301, 300}));
}

TEST_F(XiWatch, NothingWhileStoppedAndARestartTakesANewBaseline) {
  StartRecording();
  mover->MoveTo(50, 50);
  ASSERT_TRUE(WaitForReports(1));
  watch->Stop();
  mover->MoveTo(70, 70);
  int x = 0, y = 0;
  ASSERT_TRUE(mover->Where(x, y));
  QCoreApplication::processEvents();
  StartRecording();
  watch->Start([this](Point p) { reports.push_back(p); });  // a second Start only re-targets
  mover->MoveTo(80, 80);
  ASSERT_TRUE(WaitForReports(2));
  EXPECT_EQ(reports, (std::vector<Point>{{50, 50}, {80, 80}}));
}

TEST_F(XiWatch, StopAndDestroyWithMotionPendingAreSafe) {
  StartRecording();
  for (int i = 0; i < 20; ++i) mover->QueueMoveTo(100 + i, 100);
  mover->Flush();
  watch->Stop();
  watch.reset();
  QCoreApplication::processEvents();
  SUCCEED();
}

// (A server without XInput cannot be made with Xvfb, which always has it.)
TEST(XiWatchCreate, NoWatchWithoutAServer) {
  EXPECT_FALSE(XiPointerWatch::Create(":65000"));
}

}  // namespace

#else
TEST(XiWatch, Skipped) { GTEST_SKIP() << "built without xcb-xinput or xcb-xtest"; }
#endif
