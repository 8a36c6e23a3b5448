#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {

Display ConnectDisplay(const char* display) {
  int screen = 0;
  xcb_connection_t* c = xcb_connect(display, &screen);
  if (!c || xcb_connection_has_error(c)) {
    if (c) xcb_disconnect(c);
    return {};
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) {
    xcb_disconnect(c);
    return {};
  }
  return Display{c, it.data->root};
}

}  // namespace platform::x11
