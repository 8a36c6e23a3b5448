// The arithmetic of placing X windows: frames and clients, and whether a frame
// rectangle needs the window withdrawn from the window manager.
#include <gtest/gtest.h>

#include "platform/backend/x11/Placement.h"

namespace {

using platform::Monitor;
using platform::Rect;
using namespace platform::x11;

TEST(Placement, ClientAndFrameConvertBothWays) {
  const Extents openbox{1, 1, 20, 5};
  const Rect frame{-195, 0, 5, 800};
  const Rect client = ClientFromFrame(frame, openbox);
  EXPECT_EQ(client, (Rect{-194, 20, 4, 795}));
  EXPECT_EQ(FrameFromClient(client, openbox), frame);
  EXPECT_EQ(ExtentsBetween(frame, client), openbox);
  EXPECT_EQ(ExtentsBetween(client, frame), Extents{}) << "a client bigger than its frame has no extents";
}

TEST(Placement, WhollyOnMonitors) {
  const Monitor left{Rect{0, 0, 1024, 768}, Rect{0, 0, 1024, 740}, true};
  const Monitor right{Rect{1024, 0, 2048, 768}, Rect{1024, 0, 2048, 768}, false};
  const Monitor tallRight{Rect{1024, 0, 2304, 1024}, Rect{1024, 0, 2304, 1024}, false};
  const struct {
    const char* name;
    Rect r;
    std::vector<Monitor> monitors;
    bool want;
  } rows[] = {
      {"inside one monitor", Rect{10, 110, 210, 700}, {left}, true},
      {"the whole monitor", Rect{0, 0, 1024, 768}, {left}, true},
      {"one pixel off the top", Rect{0, -1, 1024, 100}, {left}, false},
      {"one pixel off the right", Rect{825, 0, 1025, 768}, {left}, false},
      {"hidden strip off the left", Rect{-195, 0, 5, 768}, {left}, false},
      {"across two monitors side by side", Rect{900, 100, 1200, 300}, {left, right}, true},
      {"below the shorter of two monitors", Rect{900, 700, 1200, 800}, {left, tallRight}, false},
      {"on the taller one only", Rect{1100, 700, 1300, 1000}, {left, tallRight}, true},
      {"no monitors", Rect{0, 0, 10, 10}, {}, false},
      {"empty, corner on a monitor", Rect{5, 5, 5, 5}, {left}, true},
      {"empty, corner off", Rect{-5, 5, -5, 5}, {left}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(WhollyOnMonitors(r.r, r.monitors), r.want);
  }
}

TEST(Placement, OnlyFramesOffTheScreenUnderAWindowManagerGoUnmanaged) {
  const std::vector<Monitor> one{Monitor{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 775}, true}};
  const Rect hidden{0, -115, 1280, 5}, shown{0, 0, 1280, 120};
  EXPECT_EQ(ModeFor(hidden, one, true), Mode::Unmanaged);
  EXPECT_EQ(ModeFor(shown, one, true), Mode::Managed);
  EXPECT_EQ(ModeFor(hidden, one, false), Mode::Managed) << "without a window manager every move is exact";
  EXPECT_EQ(ModeFor(hidden, {}, true), Mode::Managed) << "with no monitor known nothing is known to be off";
}

}  // namespace
