// Where a top-level X window's client goes for a frame rectangle the engine asks
// for: pure arithmetic, no X calls (the window system applies it).
//
// Window managers keep managed windows (partly) on screen: a configure request
// or _NET_MOVERESIZE_WINDOW that would take a frame off the screen is
// constrained by openbox, xfwm4, icewm and metacity.  Only an unmanaged window
// (override-redirect) stands exactly where it is put.  So a window whose frame
// is asked to stand off the screen is withdrawn from the window manager and
// shown unmanaged; as soon as it is asked to stand wholly on the screen again
// it is given back to the window manager, framed, at the asked frame rectangle.
//
// Unmanaged, a window has no frame: its client then takes the whole frame
// rectangle the engine asked for, so the strip left on the screen is exactly
// the asked one and the frame rectangle read back is the asked one.  Given
// back, the client is the frame rectangle less the frame extents it had when
// it was withdrawn, so a window that comes home has its old client size.
#pragma once

#include <vector>

#include "platform/backend/Backend.h"

namespace platform::x11 {

// The frame's borders around the client (_NET_FRAME_EXTENTS order aside).
struct Extents {
  int left = 0, right = 0, top = 0, bottom = 0;
  friend bool operator==(const Extents&, const Extents&) = default;
};

// The client rectangle inside a frame rectangle, and back.
Rect ClientFromFrame(const Rect& frame, const Extents& e);
Rect FrameFromClient(const Rect& client, const Extents& e);
// The extents a frame rectangle has around a client rectangle (negative
// differences, which no frame has, count as 0).
Extents ExtentsBetween(const Rect& frame, const Rect& client);

// True when every pixel of r lies on some monitor.  An empty rectangle is on
// the screen when its corner is.
bool WhollyOnMonitors(const Rect& r, const std::vector<Monitor>& monitors);

enum class Mode { Managed, Unmanaged };

// How a window must stand to be exactly at `frame`: managed (framed) when no
// window manager runs or the frame fits on the monitors, unmanaged otherwise.
// Without monitors nothing is known to be off the screen: managed.
Mode ModeFor(const Rect& frame, const std::vector<Monitor>& monitors, bool wmRunning);

}  // namespace platform::x11
