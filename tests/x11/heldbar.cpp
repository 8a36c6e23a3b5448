// heldbar: a top-level window of another process that holds its own height,
// as some toolkits do with a fixed-height bar: WM_NORMAL_HINTS with the same
// minimum and maximum height, and every resize to another height answered by
// a configure back to its own, also while no window manager frames it (then
// nothing stops it).  The placement test hides and reveals it like an IDE's
// main bar.
//
//   heldbar TITLE WIDTH HEIGHT X Y [OTHER_HEIGHT]
//
// With OTHER_HEIGHT its height follows its width, as a toolbar laid out again
// does: at any other width than WIDTH it takes OTHER_HEIGHT (and says so in
// its hints), at WIDTH its HEIGHT again.
//
// Prints "ready" once the window is mapped; runs until killed or until the X
// connection ends.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/x11/ClientWindow.h"

int main(int argc, char** argv) {
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr, "usage: heldbar TITLE WIDTH HEIGHT X Y [OTHER_HEIGHT]\n");
    return 2;
  }
  const std::string title = argv[1];
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  const int x = std::atoi(argv[4]), y = std::atoi(argv[5]);
  const int otherHeight = argc == 7 ? std::atoi(argv[6]) : height;
  if (width <= 0 || height <= 0 || otherHeight <= 0) return 2;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  static const char kClass[] = "heldbar\0Heldbar";
  const xcb_window_t w = testclient::CreateClientWindow(c, title, kClass, x, y, width, height);
  // Program position, minimum 0 x height, maximum 32767 x height, base size
  // width x height, NorthWest gravity: what a fixed-height toolkit bar sets.
  auto setHints = [&](int h) {
    std::uint32_t hints[18] = {};
    hints[0] = 4 | 16 | 32 | 256 | 512;
    hints[1] = static_cast<std::uint32_t>(x);
    hints[2] = static_cast<std::uint32_t>(y);
    hints[6] = static_cast<std::uint32_t>(h);
    hints[7] = 32767;
    hints[8] = static_cast<std::uint32_t>(h);
    hints[15] = static_cast<std::uint32_t>(width);
    hints[16] = static_cast<std::uint32_t>(h);
    hints[17] = 1;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
  };
  int hinted = height;
  setHints(hinted);
  xcb_map_window(c, w);
  xcb_flush(c);
  std::printf("ready\n");
  std::fflush(stdout);
  while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
    if ((e->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY) {
      const auto* ce = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
      const int want = ce->width == width ? height : otherHeight;
      if (ce->window == w && want != hinted) {
        hinted = want;
        setHints(hinted);
        xcb_flush(c);
      }
      if (ce->window == w && ce->height != want) {
        const std::uint32_t h = static_cast<std::uint32_t>(want);
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_HEIGHT, &h);
        xcb_flush(c);
      }
    }
    std::free(e);
  }
  xcb_disconnect(c);
  return 0;
}
