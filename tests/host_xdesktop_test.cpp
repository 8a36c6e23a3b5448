// The stand-in IDE's own view of a real X server, against an Xvfb of the
// test's own with windows made by another client.
#include <gtest/gtest.h>

#ifdef EDGETUCKER_HAVE_TEST_XSERVER

#include <QTimer>
#include <memory>

#include "host/XDesktop.h"
#include "tests/support/XServer.h"

namespace {

using platform::Rect;

class XDesktopTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { s_server = new testx::Xvfb("800x600x24"); }
  static void TearDownTestSuite() {
    delete s_server;
    s_server = nullptr;
  }
  void SetUp() override {
    if (!s_server->Running()) GTEST_SKIP() << "no X server for this test: " << s_server->Why();
    desktop = host::XDesktop::Connect(s_server->Display().c_str());
    if (!desktop) GTEST_SKIP() << "the host was built without the X libraries";
    maker = std::make_unique<testx::WindowMaker>(s_server->Display());
    ASSERT_TRUE(maker->Ok());
  }

  static testx::Xvfb* s_server;
  std::unique_ptr<host::XDesktop> desktop;
  std::unique_ptr<testx::WindowMaker> maker;
};
testx::Xvfb* XDesktopTest::s_server = nullptr;

TEST_F(XDesktopTest, FrameIsTheClientWidenedByBorderAndFrameExtents) {
  struct Row {
    const char* name;
    int x, y, w, h, border;
    unsigned l, r, t, b;  // _NET_FRAME_EXTENTS; all 0: none set
    Rect want;
  };
  const Row rows[] = {
      {"no window manager: the client is the frame", 100, 50, 200, 80, 0, 0, 0, 0, 0, {100, 50, 300, 130}},
      {"extents in the order left, right, top, bottom", 100, 50, 200, 80, 0, 1, 2, 20, 5, {99, 30, 302, 135}},
      {"a border lies around the client, its corner at the origin", 100, 50, 200, 80, 3, 0, 0, 0, 0,
       {100, 50, 306, 136}},
      {"off the screen's top-left", -150, -60, 200, 80, 0, 5, 5, 29, 5, {-155, -89, 55, 25}},
  };
  for (const Row& row : rows) {
    const unsigned w = maker->Create(row.x, row.y, row.w, row.h, row.border);
    if (row.l || row.r || row.t || row.b) maker->SetFrameExtents(w, row.l, row.r, row.t, row.b);
    const auto frame = desktop->FrameRect(w);
    ASSERT_TRUE(frame) << row.name;
    EXPECT_EQ(*frame, row.want) << row.name;
  }
  EXPECT_FALSE(desktop->FrameRect(0)) << "the null window";
}

TEST_F(XDesktopTest, WaitUntilWakesOnTheServersConfigureNotification) {
  const unsigned w = maker->Create(10, 10, 50, 40);
  const Rect there{300, 200, 350, 240};
  ASSERT_NE(desktop->FrameRect(w), there);
  QTimer::singleShot(20, [&] { maker->Move(w, 300, 200); });
  EXPECT_TRUE(desktop->WaitUntil([&] { return desktop->FrameRect(w) == there; }, 5000));
  EXPECT_FALSE(desktop->WaitUntil([&] { return desktop->FrameRect(w) == Rect{0, 0, 50, 40}; }, 50))
      << "a place the window never takes times out";
}

TEST_F(XDesktopTest, PointerMovesAndClicksGiveTheFocusWithoutAWindowManager) {
  EXPECT_FALSE(desktop->HasWindowManager());
  testx::PointerMover probe(s_server->Display());
  ASSERT_TRUE(desktop->MovePointer(123, 321));
  int x = 0, y = 0;
  ASSERT_TRUE(probe.Where(x, y));
  EXPECT_EQ(x, 123);
  EXPECT_EQ(y, 321);

  const unsigned w = maker->Create(400, 300, 100, 100);
  ASSERT_TRUE(desktop->ClickAt(450, 350));
  EXPECT_EQ(maker->Focus(), w);
}

}  // namespace

#else
TEST(XDesktopTest, Skipped) { GTEST_SKIP() << "built without xcb-xtest"; }
#endif
