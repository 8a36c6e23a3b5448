// What every part of the X11 backend needs of xcb: replies that free
// themselves, atoms by name, and a connection of its own to the display with
// the root window of its screen.  Each part talks to the X server over its own
// connection, so that its round trips never wait behind another's events.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::x11 {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
// Owns one reply of xcb (or anything it allocated) and frees it.
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;
template <class T>
Reply<T> Own(T* p) {
  return Reply<T>(p);
}

// The atom of that name; XCB_ATOM_NONE when the server gives none.  Inline,
// so that the small X clients the tests start can use it without the layer.
inline xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  auto r = Own(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                     nullptr));
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// A connection to `display` (nullptr: the one $DISPLAY names) and the root
// window of its screen.  conn is nullptr when there is no usable connection;
// the caller owns a connection it gets (xcb_disconnect).
struct Display {
  xcb_connection_t* conn = nullptr;
  xcb_window_t root = 0;
};
Display ConnectDisplay(const char* display = nullptr);

}  // namespace platform::x11
