#include <gtest/gtest.h>

#include "mgwatch/mgwatch.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Form.h"

namespace {

// A window that records the reports it receives.
class Receiver : public tk::TForm {
public:
  std::vector<platform::Point> reports;

protected:
  void WndProc(platform::Message& m) override {
    if (m.msg != platform::WM_MOUSEWATCH) return;
    const auto bits = static_cast<std::uint32_t>(m.lParam);
    reports.push_back({static_cast<int>(bits & 0xFFFF), static_cast<int>(bits >> 16)});
  }
};

TEST(MouseWatch, ReportsEachNewPositionAndNothingAfterReset) {
  Receiver r;
  platform::SetCursorPos({10, 10});
  ASSERT_TRUE(SetHook(r.Handle()));
  EXPECT_TRUE(SetHook(r.Handle())) << "setting it twice is harmless";
  platform::SetCursorPos({100, 200});
  platform::SetCursorPos({100, 200});  // no movement, no report
  platform::SetCursorPos({1023, 767});
  platform::ProcessMessages();
  EXPECT_EQ(r.reports, (std::vector<platform::Point>{{100, 200}, {1023, 767}}));

  EXPECT_TRUE(ResetHook());
  EXPECT_FALSE(ResetHook()) << "resetting twice is harmless";
  platform::SetCursorPos({5, 5});
  platform::ProcessMessages();
  EXPECT_EQ(r.reports.size(), 2u);
}

TEST(MouseWatch, ReportsQueuedBeforeResetAreStillDelivered) {
  Receiver r;
  ASSERT_TRUE(SetHook(r.Handle()));
  platform::SetCursorPos({300, 301});
  ResetHook();
  platform::ProcessMessages();
  ASSERT_EQ(r.reports.size(), 1u);
  EXPECT_EQ(r.reports[0], (platform::Point{300, 301}));
}

TEST(MouseWatch, CoordinatesTravelAsUnsigned16BitHalves) {
  struct Row {
    const char* name;
    int x, y;
    std::uint32_t want;
  };
  const Row rows[] = {
      {"origin", 0, 0, 0},
      {"ordinary", 1023, 767, (767u << 16) | 1023u},
      {"negative x wraps", -1, 5, (5u << 16) | 0xFFFFu},
      {"large values keep their low bits", 70000, 65535, (65535u << 16) | (70000u & 0xFFFF)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(static_cast<std::uint32_t>(MouseWatchLParam(r.x, r.y)), r.want);
  }
}

TEST(MouseWatch, AStaleTargetIsHarmless) {
  platform::HWND stale;
  {
    Receiver gone;
    stale = gone.Handle();
  }
  ASSERT_TRUE(SetHook(stale));
  platform::SetCursorPos({42, 43});
  platform::ProcessMessages();  // delivered nowhere, no crash
  ResetHook();
  EXPECT_FALSE(SetHook(0));
}

}  // namespace
