// A window manager's focus fallback that comes after the application stopped
// waiting for it.
//
// A window of ours that held the focus leaving the screen has the window
// manager hand the focus on, in its own time, to a window it already manages,
// often another application's (X11Activation.h).  The application waits a
// short while for that and takes the focus back.  On a loaded machine the
// window manager answered later than that (openbox, a series of test runs
// beside two busy processes): the focus went to the other application's
// window after ours had taken it back, and was counted a loss, so that hiding
// paused at Start with "disable on focus loss" on.
//
// So for a while after the focus was kept from a window manager that had not
// answered yet (it had not let go of the window, or not handed the focus on,
// when the application stopped waiting), another application's window
// becoming active is still the window manager's fallback when nothing the
// user did can explain it: no button was pressed anywhere since, and the
// window was managed already when the focus was kept (a program that starts
// and whose new window the window manager activates is no fallback).  It is
// taken back once.  What this cannot tell apart: the user switching windows
// with the keyboard within that while (the window manager's shortcut); that
// switch is undone once and the user switches again.
//
// Pure: the caller gives the time and the windows.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform::x11 {

class LateFallback {
public:
  using Clock = std::chrono::steady_clock;
  // How long after the focus was kept a window manager's fallback may come.
  static constexpr std::chrono::milliseconds kWhile{3000};

  // The focus was kept with us at `now`; `managed` are the windows the window
  // manager managed then (_NET_CLIENT_LIST).  Without that list nothing is
  // taken for a fallback.
  void Arm(Clock::time_point now, std::vector<std::uint32_t> managed) {
    m_until = now + kWhile;
    m_managed = std::move(managed);
  }
  // A button press anywhere: whatever becomes active next is the user's choice.
  void Disarm() {
    m_until = {};
    m_managed.clear();
  }
  // True when `active`, another application's window that just became
  // active, is the window manager's late fallback; the watch then ends (it
  // is taken back once).
  bool Take(Clock::time_point now, std::uint32_t active) {
    const bool late = now < m_until && std::find(m_managed.begin(), m_managed.end(), active) != m_managed.end();
    if (late) Disarm();
    return late;
  }

private:
  Clock::time_point m_until{};
  std::vector<std::uint32_t> m_managed;
};

}  // namespace platform::x11
