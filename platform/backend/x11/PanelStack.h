// Keeping a window this layer shows unmanaged (a hidden IDE window) below the
// panels it reaches onto.
//
// A hidden window stands mostly off the screen, its strip just inside the
// work area.  Where a panel reserves the edge it hides at, the rest of the
// window that is still on the screen lies where the panel is; shown
// unmanaged and raised, it would be drawn over the panel.  Window managers
// keep docks above normal windows, but an unmanaged window is stacked by its
// owner alone: so it goes directly below the lowest panel it overlaps (and
// stays above every window below that panel).  A panel is a window that
// reserves space (_NET_WM_STRUT, _NET_WM_STRUT_PARTIAL) or says it is a dock
// (_NET_WM_WINDOW_TYPE_DOCK); among the root window's children it is the
// frame a window manager put it in, or the window itself.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#ifdef EDGETUCKER_HAVE_X11
#include <xcb/xcb.h>
#endif

#include "platform/backend/Backend.h"

namespace platform::x11 {

// True when some of r lies on a monitor but outside its work area: only then
// may it reach onto a panel.
bool ReachesPanels(const Rect& r, const std::vector<Monitor>& monitors);

// One child of the root window, as the X server stacks them.
struct Stacked {
  std::uint32_t window = 0;  // an X window id
  Rect rect;
  bool panel = false;
};

// The window to stack `self` directly below, standing at `placed`: the
// lowest panel in `stack` (bottom to top) that overlaps it; nothing when none
// does.
std::optional<std::uint32_t> PanelToStackBelow(const std::vector<Stacked>& stack, std::uint32_t self,
                                               const Rect& placed);

#ifdef EDGETUCKER_HAVE_X11
// Reads the root's children and the panels among them, and stacks w (a child
// of the root) directly below the lowest panel that `placed` overlaps;
// nothing when `placed` stays within the work areas (PanelStackX11.cpp).
void StackBelowPanels(xcb_connection_t* conn, xcb_window_t root, xcb_window_t w, const Rect& placed,
                      const std::vector<Monitor>& monitors);
#endif

}  // namespace platform::x11
