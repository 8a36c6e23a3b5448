// What every part that talks to the X server needs of xcb, in one place: a
// connection of its own to the display with the root window of its screen,
// replies, events and errors that free themselves, atoms by name, 32-bit
// property lists, the top-level ancestor of a window and the window manager's
// WM_STATE on it; and the one poll loop, for answers X sends no event for.
//
// Each part (the window system, activation, screens, the pointer watch, the
// edge keeper, the bridge's watch, the host's desktop) talks to the X server
// over its own connection, so that its round trips never wait behind another's
// events.  Header-only: the stand-in IDE, the bridge and the tests' small X
// clients use it without linking the X11 backend.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace platform::x11 {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
// Owns one reply, event or error of xcb (anything it allocated) and frees it.
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;
template <class T>
Reply<T> Own(T* p) {
  return Reply<T>(p);
}
using Event = Reply<xcb_generic_event_t>;

// The next event: from the socket too, or only from what xcb has queued
// already (reading a reply may queue events without the socket staying
// readable).  Empty when there is none.
inline Event NextEvent(xcb_connection_t* c, bool queuedOnly = false) {
  return Event(queuedOnly ? xcb_poll_for_queued_event(c) : xcb_poll_for_event(c));
}

// The reply of a request, with any error it drew freed here rather than left
// for the event queue:  auto g = Answer(c, xcb_get_geometry_reply, xcb_get_geometry(c, w));
template <class T, class Cookie>
Reply<T> Answer(xcb_connection_t* c, T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
  xcb_generic_error_t* error = nullptr;
  T* r = reply(c, cookie, &error);
  std::free(error);
  return Reply<T>(r);
}

// True when a checked request succeeded (its error, if any, freed).
inline bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
  return Own(xcb_request_check(c, cookie)) == nullptr;
}

// One round trip: everything sent before has been handled by the server
// when it returns.  False when the connection broke.
inline bool Sync(xcb_connection_t* c) {
  return Answer(c, &xcb_get_input_focus_reply, xcb_get_input_focus(c)) != nullptr;
}

// The atom of that name; XCB_ATOM_NONE when the server gives none.
inline xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  auto r =
      Answer(c, &xcb_intern_atom_reply, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// A property's 32-bit values (CARDINAL, WINDOW, ATOM lists: _NET_FRAME_EXTENTS,
// WM_NORMAL_HINTS, _NET_CLIENT_LIST...), read from its reply; empty when it is
// not set or not of format 32.
inline std::vector<std::uint32_t> Values(const xcb_get_property_reply_t* r) {
  if (!r || r->format != 32) return {};
  const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
  return std::vector<std::uint32_t>(v, v + xcb_get_property_value_length(r) / 4);
}
inline std::vector<std::uint32_t> Values(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
  return Values(Answer(c, &xcb_get_property_reply, cookie).get());
}
// The same, asked at once: at most maxValues of them.
inline std::vector<std::uint32_t> Cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                                            std::uint32_t maxValues = 4096) {
  return Values(c, xcb_get_property(c, 0, w, prop, type, 0, maxValues));
}
// The first value of a 32-bit property (a WINDOW or CARDINAL), if it has one.
inline std::optional<std::uint32_t> Cardinal(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
  const auto v = Cardinals(c, w, prop, type, 1);
  if (v.empty()) return std::nullopt;
  return v[0];
}

// An 8-bit property's bytes (WM_NAME, _NET_WM_NAME, WM_CLASS); empty when it
// is not set or of another format.
inline std::string Text(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop) {
  auto r = Answer(c, &xcb_get_property_reply, xcb_get_property(c, 0, w, prop, XCB_ATOM_ANY, 0, 4096));
  if (!r || r->format != 8) return {};
  return std::string(static_cast<const char*>(xcb_get_property_value(r.get())),
                     static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
}

// The window's ancestor just below the root: the window manager's frame of a
// managed client, the window itself for one nothing frames.  XCB_WINDOW_NONE
// when the window is gone.  The walk stops after 16 levels (no window manager
// nests deeper; a broken tree must not loop).
inline xcb_window_t TopLevel(xcb_connection_t* c, xcb_window_t root, xcb_window_t w) {
  for (int depth = 0; depth < 16; ++depth) {
    auto t = Answer(c, &xcb_query_tree_reply, xcb_query_tree(c, w));
    if (!t) return XCB_WINDOW_NONE;
    if (t->parent == root || t->parent == XCB_WINDOW_NONE) return w;
    w = t->parent;
  }
  return w;
}

// WM_STATE's first field (ICCCM 4.1.3.1): what the window manager counts the
// window as.  None when it is not set (no window manager manages the window,
// or it let go of it and deleted the property).
enum WmStateValue : std::uint32_t { kWithdrawn = 0, kNormal = 1, kIconic = 3 };
inline std::optional<std::uint32_t> WmState(xcb_connection_t* c, xcb_window_t w, xcb_atom_t wmStateAtom) {
  return Cardinal(c, w, wmStateAtom, wmStateAtom);
}
// True while a window manager counts w as its client: WM_STATE is set and
// not Withdrawn (xfwm4 leaves WM_STATE on a window it let go of, marked
// Withdrawn, where others delete it).
inline bool WmClient(xcb_connection_t* c, xcb_window_t w, xcb_atom_t wmStateAtom) {
  const auto s = WmState(c, w, wmStateAtom);
  return s && *s != kWithdrawn;
}

// Polls pred() every 2 ms until it holds or `end` passes; returns pred()'s
// last word.  For the few answers of another X client (a window manager, a
// compositor) that X sends no event for, or that must be known before the
// caller goes on; each caller bounds the wait.
template <class Pred>
bool PollUntil(Pred pred, std::chrono::steady_clock::time_point end) {
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}
template <class Pred>
bool PollUntil(Pred pred, int timeoutMs) {
  return PollUntil(pred, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

// A connection to `display` (nullptr: the one $DISPLAY names) and the root
// window of its screen.  conn is nullptr when there is no usable connection;
// the caller owns a connection it gets (xcb_disconnect, or a Connection).
struct Display {
  xcb_connection_t* conn = nullptr;
  xcb_window_t root = 0;
};
inline Display ConnectDisplay(const char* display = nullptr) {
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

// Owns a connection and knows its root; disconnects when it goes.  Empty
// (false) when the display could not be reached.  Declare it before anything
// that listens on its socket (a QSocketNotifier), so that goes first.
class Connection {
public:
  Connection() = default;
  explicit Connection(const char* display) : d_(ConnectDisplay(display)) {}
  explicit Connection(Display d) : d_(d) {}
  Connection(Connection&& o) noexcept : d_(std::exchange(o.d_, Display{})) {}
  Connection& operator=(Connection&& o) noexcept {
    if (this != &o) {
      Close();
      d_ = std::exchange(o.d_, Display{});
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { Close(); }

  // Connects to the display $DISPLAY names.
  static Connection Open(const char* display = nullptr) { return Connection(display); }

  xcb_connection_t* get() const { return d_.conn; }
  xcb_window_t Root() const { return d_.root; }
  explicit operator bool() const { return d_.conn != nullptr; }
  bool Broken() const { return !d_.conn || xcb_connection_has_error(d_.conn); }
  void Close() {
    if (d_.conn) xcb_disconnect(d_.conn);
    d_ = {};
  }

private:
  Display d_;
};

}  // namespace platform::x11
