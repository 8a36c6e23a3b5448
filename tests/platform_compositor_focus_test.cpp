// What KWin's own reports of activation mean for the application's: its
// hand-off from a window of ours that left is handed back, the "nothing" it
// then activates keeps the activation with us, and the user's later click on
// a native window is the loss.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/backend/x11/CompositorFocus.h"
#include "platform/backend/x11/LateFallback.h"

namespace {

using platform::x11::AfterXWindowActive;
using platform::x11::CompositorActivated;
using platform::x11::CompositorFocus;
using platform::x11::CompositorStep;
using platform::x11::NoneActiveStep;
using platform::x11::OnCompositorActivation;
using platform::x11::OnNoXWindowActive;

constexpr CompositorFocus kFresh{false, false};
constexpr CompositorFocus kAsked{true, false};
constexpr CompositorFocus kNothing{false, true};

TEST(CompositorFocus, EachReportInEachState) {
  struct Row {
    const char* name;
    CompositorFocus state;
    CompositorActivated what;
    bool fromOurs;
    CompositorStep step;
    CompositorFocus next;
  };
  using A = CompositorActivated;
  using S = CompositorStep;
  const Row rows[] = {
      {"the user clicks a native window", kFresh, A::Native, false, S::Loss, kFresh},
      {"KWin's hand-off as a window of ours leaves", kFresh, A::Native, true, S::HandBack, kAsked},
      {"a second hand-off before KWin answered the first", kAsked, A::Native, true, S::HandBack, kAsked},
      {"a hand-off from a window of ours KWin activated on a click", kNothing, A::Native, true, S::HandBack,
       kAsked},
      {"the user's click on the native window after the hand-back", kNothing, A::Native, false, S::Loss, kFresh},
      {"the user's click before KWin answered the hand-back", kAsked, A::Native, false, S::Loss, kFresh},
      {"KWin's answer to the hand-back", kAsked, A::Nothing, false, S::Keep, kNothing},
      {"KWin says nothing again", kNothing, A::Nothing, false, S::Keep, kNothing},
      {"nothing active unasked (the active window left)", kFresh, A::Nothing, false, S::Evaluate, kFresh},
      {"an X window activated", kFresh, A::XWindow, false, S::Evaluate, kFresh},
      {"an X window activated ends KWin's nothing", kNothing, A::XWindow, false, S::Evaluate, kFresh},
      {"an X window activated as one of ours left", kAsked, A::XWindow, true, S::Evaluate, kFresh},
      {"the script unloaded while KWin activates nothing", kNothing, A::Unwatched, false, S::Forget, kFresh},
      {"the script unloaded while a hand-back is asked", kAsked, A::Unwatched, false, S::Forget, kFresh},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto d = OnCompositorActivation(r.state, r.what, r.fromOurs);
    EXPECT_EQ(d.step, r.step);
    EXPECT_EQ(d.next.handBackAsked, r.next.handBackAsked);
    EXPECT_EQ(d.next.nothingActive, r.next.nothingActive);
  }
}

TEST(CompositorFocus, NoXWindowActiveIsALossOnlyWhereKWinWasNotAskedForNothing) {
  EXPECT_EQ(OnNoXWindowActive(kFresh), NoneActiveStep::Watch);
  // The hand-back is not answered yet: a native window may still hold KWin's
  // focus, so the wait for a loss goes on (KWin's "nothing" stops it).
  EXPECT_EQ(OnNoXWindowActive(kAsked), NoneActiveStep::Watch);
  EXPECT_EQ(OnNoXWindowActive(kNothing), NoneActiveStep::Ignore);
  // X naming a window active again: KWin activates something.
  EXPECT_EQ(OnNoXWindowActive(AfterXWindowActive(kNothing)), NoneActiveStep::Watch);
}

// Start under KWin, as the Wayland test plays it: the panel that held the
// focus hides, KWin activates the native window, the user clicks that window.
TEST(CompositorFocus, StartThenAClickOnTheNativeWindow) {
  CompositorFocus s;
  auto step = [&s](CompositorActivated what, bool fromOurs) {
    const auto d = OnCompositorActivation(s, what, fromOurs);
    s = d.next;
    return d.step;
  };
  EXPECT_EQ(step(CompositorActivated::Nothing, false), CompositorStep::Evaluate);
  EXPECT_EQ(step(CompositorActivated::Native, true), CompositorStep::HandBack);
  EXPECT_EQ(step(CompositorActivated::Nothing, false), CompositorStep::Keep);
  // KWin's own window took the X focus: no loss.
  EXPECT_EQ(OnNoXWindowActive(s), NoneActiveStep::Ignore);
  EXPECT_EQ(step(CompositorActivated::Native, false), CompositorStep::Loss);
  EXPECT_EQ(OnNoXWindowActive(s), NoneActiveStep::Watch);
}

// A window manager's focus fallback that comes after the application stopped
// waiting: which newly active window of another application is still that.
TEST(LateFallback, WhatCountsAsTheWindowManagersFallback) {
  using platform::x11::LateFallback;
  using namespace std::chrono_literals;
  const LateFallback::Clock::time_point t0{};  // the focus kept at t0 + 1 s
  const LateFallback::Clock::time_point kept = t0 + 1s;
  struct Row {
    const char* name;
    std::vector<std::uint32_t> managed;  // when the focus was kept
    bool pressed;                        // a button pressed anywhere since
    LateFallback::Clock::time_point at;
    std::uint32_t active;
    bool fallback;
  };
  const Row rows[] = {
      {"a window managed then, soon after", {0x100, 0x200}, false, kept + 800ms, 0x200, true},
      {"just before the while ends", {0x200}, false, kept + LateFallback::kWhile - 1ms, 0x200, true},
      {"after the while", {0x200}, false, kept + LateFallback::kWhile, 0x200, false},
      {"a press came between: the user's choice", {0x200}, true, kept + 100ms, 0x200, false},
      {"a window new since: a program that started", {0x200}, false, kept + 100ms, 0x300, false},
      {"no list of managed windows: nothing is taken", {}, false, kept + 100ms, 0x200, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LateFallback late;
    EXPECT_FALSE(late.Take(kept, 0x200)) << "nothing before it is armed";
    late.Arm(kept, r.managed);
    if (r.pressed) late.Disarm();
    EXPECT_EQ(late.Take(r.at, r.active), r.fallback);
    if (r.fallback) {
      EXPECT_FALSE(late.Take(r.at, r.active)) << "taken back once only";
    }
  }
}

}  // namespace
