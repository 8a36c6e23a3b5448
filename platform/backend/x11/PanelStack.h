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
//
// In a Wayland session the space may be reserved by the compositor's own
// panel (GNOME Shell's top bar), which is no X window: nothing to stack
// below, and the compositor draws unmanaged X windows above its panels (GNOME
// Shell: the main window hidden below its top bar covered the whole bar with
// the window's last 37 rows).  There the window is clipped instead, with the
// X shape extension, to the part of it that lies in the work areas: it shows
// just its strip, and the pointer on the panel is over the panel.
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

// The parts of `placed` that lie in a monitor's work area, in the window's
// own coordinates (its top-left corner at (0, 0)): one rectangle for each
// monitor it reaches, in the monitors' order.  Empty when none of it lies in
// a work area (wholly off the screen, or wholly on panels).
std::vector<Rect> PartsInWorkAreas(const Rect& placed, const std::vector<Monitor>& monitors);

#ifdef EDGETUCKER_HAVE_X11
// Reads the root's children and the panels among them, and stacks w (a child
// of the root) directly below the lowest panel that `placed` overlaps;
// nothing when `placed` stays within the work areas (PanelStackX11.cpp).
// Where `placed` reaches onto reserved space that no X panel overlaps, clips
// w to PartsInWorkAreas (bounding and input shape); a clip of an earlier call
// goes when `placed` needs none.
void StackBelowPanels(xcb_connection_t* conn, xcb_window_t root, xcb_window_t w, const Rect& placed,
                      const std::vector<Monitor>& monitors);
// Takes away a clip StackBelowPanels put on w (before the window manager
// frames it again); nothing when there is none.
void Unclip(xcb_connection_t* conn, xcb_window_t w);
#endif

}  // namespace platform::x11
