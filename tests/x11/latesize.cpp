// latesize: a top-level window of another process that, a moment after the
// window manager frames it again, resizes itself to a size of its own, as a
// toolkit does that answers configure events late and re-applies a size it
// laid itself out at earlier (an IDE's main bar, after being shown unmanaged
// at another size).  The placement test gives it back to the window manager
// at home and expects it home after that resize too.
//
//   latesize TITLE WIDTH HEIGHT X Y DELAY_MS LATE_WIDTH LATE_HEIGHT
//
// Each time it is reparented into a frame after it stood at the root (the
// window manager let go of it, then took it back), it waits DELAY_MS and
// configures itself to LATE_WIDTH x LATE_HEIGHT, once per hand-back, and
// prints "resized" once the window manager has made it that size.
//
// Prints "ready" once the window is mapped; runs until killed or until the X
// connection ends.
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/x11/ClientWindow.h"

int main(int argc, char** argv) {
  if (argc != 9) {
    std::fprintf(stderr, "usage: latesize TITLE WIDTH HEIGHT X Y DELAY_MS LATE_WIDTH LATE_HEIGHT\n");
    return 2;
  }
  const std::string title = argv[1];
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  const int x = std::atoi(argv[4]), y = std::atoi(argv[5]);
  const int delayMs = std::atoi(argv[6]);
  const int lateWidth = std::atoi(argv[7]), lateHeight = std::atoi(argv[8]);
  if (width <= 0 || height <= 0 || delayMs < 0 || lateWidth <= 0 || lateHeight <= 0) return 2;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  static const char kClass[] = "latesize\0Latesize";
  const xcb_window_t w = testclient::CreateClientWindow(c, title, kClass, x, y, width, height);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_map_window(c, w);
  xcb_flush(c);
  std::printf("ready\n");
  std::fflush(stdout);

  using Clock = std::chrono::steady_clock;
  bool atRoot = false, asked = false;
  std::optional<Clock::time_point> due;
  pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
  for (;;) {
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
      if ((e->response_type & 0x7F) == XCB_REPARENT_NOTIFY) {
        const auto* r = reinterpret_cast<const xcb_reparent_notify_event_t*>(e);
        if (r->window == w && r->parent == root) {
          atRoot = true;
        } else if (r->window == w && atRoot) {
          atRoot = false;
          due = Clock::now() + std::chrono::milliseconds(delayMs);
        }
      } else if ((e->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY && asked) {
        const auto* ce = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
        if (ce->window == w && ce->width == lateWidth && ce->height == lateHeight) {
          asked = false;
          std::printf("resized\n");
          std::fflush(stdout);
        }
      }
      std::free(e);
    }
    if (xcb_connection_has_error(c)) break;
    int timeout = -1;
    if (due) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now()).count();
      if (left <= 0) {
        const std::uint32_t size[] = {static_cast<std::uint32_t>(lateWidth), static_cast<std::uint32_t>(lateHeight)};
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        xcb_flush(c);
        asked = true;
        due.reset();
        continue;
      }
      timeout = static_cast<int>(left);
    }
    if (poll(&fd, 1, timeout) < 0) break;
  }
  xcb_disconnect(c);
  return 0;
}
