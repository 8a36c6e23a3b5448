// The mouse-watch hook library.
//
// While a hook is set, every movement of the cursor anywhere on the screen is
// reported to one window as WM_MOUSEWATCH (platform::PostMessage), with the
// cursor's x in the low and y in the high 16 bits of lParam (screen pixels, as
// window rectangles are); wParam is 0.  Reports arrive through the window's
// message queue, in order, one per observed position; a cursor at rest
// produces none.  Between ResetHook and the next SetHook nothing is reported.
// Both calls are safe to repeat; SetHook while set re-targets the reports.
// Call both on the GUI thread.
#pragma once

#include <cstdint>

#define MGWATCH_API __attribute__((visibility("default")))

extern "C" {
// Starts (or re-targets) the reports to window `wnd`.  Returns true when set.
MGWATCH_API bool SetHook(std::uintptr_t wnd);
// Ends the reports.  Returns true when a hook was set.
MGWATCH_API bool ResetHook();
}

// lParam of a report for a position (each coordinate cut to its low 16 bits).
inline std::intptr_t MouseWatchLParam(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}
