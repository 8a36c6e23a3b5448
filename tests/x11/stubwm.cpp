// stubwm: a window manager that answers nothing.  It takes the root window's
// SubstructureRedirect (so every map and configure request of a managed
// window comes to it, and nothing happens to such a window unless it acts),
// names itself on the root (_NET_SUPPORTING_WM_CHECK, so that clients count a
// window manager as running), and then reads and drops every event.  The
// placement test shows that a window manager like this leaves a moved window
// at a defined place, never unmapped.
//
// Prints "ready" once it holds the redirect; exits 3 when another window
// manager holds it; runs until killed or until the X connection ends.
#include <xcb/xcb.h>

#include <cstdio>

#include "platform/backend/x11/Xcb.h"

int main() {
  platform::x11::Connection display = platform::x11::Connection::Open();
  if (!display) return 1;
  xcb_connection_t* c = display.get();
  const xcb_window_t root = display.Root();
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  if (!platform::x11::Succeeded(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask))) {
    std::fprintf(stderr, "stubwm: another window manager runs\n");
    return 3;
  }
  const xcb_window_t check = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, check, root, -10, -10, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t supporting = platform::x11::Intern(c, "_NET_SUPPORTING_WM_CHECK");
  for (xcb_window_t on : {root, check})
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, on, supporting, XCB_ATOM_WINDOW, 32, 1, &check);
  platform::x11::Sync(c);
  std::printf("ready\n");
  std::fflush(stdout);
  while (platform::x11::Event e{xcb_wait_for_event(c)}) {
  }
  return 0;
}
