// The top-level window of a test client of another process (the placement
// test's held bar and late-size window): white, listening to its own
// structure changes, with a title and a class as a toolkit's window has.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "platform/backend/x11/Xcb.h"

namespace testclient {

// Creates the window at x, y (width x height) on c's first screen, unmapped;
// `cls` is WM_CLASS's instance and class, each ending in '\0' ("a\0A").
template <std::size_t N>
xcb_window_t CreateClientWindow(xcb_connection_t* c, const std::string& title, const char (&cls)[N], int x, int y,
                          int width, int height) {
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t w = xcb_generate_id(c);
  const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                    static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      static_cast<uint32_t>(title.size()), title.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, platform::x11::Intern(c, "_NET_WM_NAME"),
                      platform::x11::Intern(c, "UTF8_STRING"), 8, static_cast<uint32_t>(title.size()), title.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, N, cls);
  return w;
}

}  // namespace testclient
