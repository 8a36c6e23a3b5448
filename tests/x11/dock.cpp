// dock: a panel of another process that reserves space at one edge of the
// screen, as task bars and docks do: a window of type _NET_WM_WINDOW_TYPE_DOCK
// along that edge with _NET_WM_STRUT_PARTIAL and _NET_WM_STRUT (or, with
// "legacy", _NET_WM_STRUT alone) reserving WIDTH pixels from the screen's
// edge, along the whole edge or, with START and END, along the pixels START to
// END of it (the window covers what it reserves).
//
//   dock left|right|top|bottom WIDTH [START END | legacy]
//
// Prints "ready WINDOW" (the window id in decimal) once the X server has
// mapped it; runs until killed or until the X connection ends.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/backend/x11/Xcb.h"

int main(int argc, char** argv) {
  const bool legacy = argc == 4 && std::string(argv[3]) == "legacy";
  if (argc != 3 && argc != 5 && !legacy) {
    std::fprintf(stderr, "usage: dock left|right|top|bottom WIDTH [START END | legacy]\n");
    return 2;
  }
  const std::string edge = argv[1];
  const int width = std::atoi(argv[2]);
  int side = -1;  // the index of the edge in the strut properties
  if (edge == "left") side = 0;
  if (edge == "right") side = 1;
  if (edge == "top") side = 2;
  if (edge == "bottom") side = 3;
  if (side < 0 || width <= 0) return 2;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const int sw = screen->width_in_pixels, sh = screen->height_in_pixels;
  const int along = side < 2 ? sh : sw;
  const int start = argc == 5 ? std::atoi(argv[3]) : 0, end = argc == 5 ? std::atoi(argv[4]) : along - 1;
  if (start < 0 || end < start || end >= along) return 2;
  int x = 0, y = 0, w = sw, h = sh;
  if (side < 2) {
    y = start;
    h = end - start + 1;
  } else {
    x = start;
    w = end - start + 1;
  }
  switch (side) {
    case 0: w = width; break;
    case 1: x = sw - width; w = width; break;
    case 2: h = width; break;
    case 3: y = sh - width; h = width; break;
  }
  const xcb_window_t win = xcb_generate_id(c);
  const std::uint32_t values[] = {screen->black_pixel};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                    static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL, values);
  static const char kClass[] = "dock\0Dock";
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof kClass, kClass);
  const xcb_atom_t type = platform::x11::Intern(c, "_NET_WM_WINDOW_TYPE_DOCK");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, platform::x11::Intern(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
  std::uint32_t strut[12] = {};
  strut[side] = static_cast<std::uint32_t>(width);
  strut[4 + 2 * side] = static_cast<std::uint32_t>(start);
  strut[5 + 2 * side] = static_cast<std::uint32_t>(end);
  if (!legacy)
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, platform::x11::Intern(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                        strut);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, platform::x11::Intern(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4, strut);
  xcb_map_window(c, win);
  // A round trip: the map has been carried out when it comes back.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  std::printf("ready %u\n", static_cast<unsigned>(win));
  std::fflush(stdout);
  while (xcb_generic_event_t* e = xcb_wait_for_event(c)) std::free(e);
  xcb_disconnect(c);
  return 0;
}
