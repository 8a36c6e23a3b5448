// xdrive: what the bridge's X11 tests need from the X server, one command per
// run, answers on standard output.  Waiting commands wait on the server's
// events (with a deadline), never on guessed sleeps.
//
//   xdrive find TITLE                 the shown client window titled TITLE (hex id); exit 1 if none
//   xdrive wait-window TITLE MS       waits until such a window is shown, prints its id
//   xdrive frame WIN                  its frame rectangle: left top right bottom
//   xdrive wait-frame WIN L T R B TOL MS
//                                     waits until every edge of the frame is within TOL
//                                     pixels of L T R B ("_": any); prints the frame;
//                                     exit 1 on timeout
//   xdrive wait-wm MS                 waits until a window manager has announced itself
//   xdrive wait-gone WIN MS           waits until the window no longer exists
//   xdrive motion X Y                 moves the pointer by XTest motion (not a warp)
//   xdrive title WIN TEXT             sets the window's WM_NAME and _NET_WM_NAME
//   xdrive move WIN L T               asks the window manager to put the frame's corner at L T
//   xdrive pid WIN                    its _NET_WM_PID
//   xdrive wait-active WIN MS         waits until the window manager names WIN the active window
//   xdrive key KEYCODE                presses and releases a key by XTest
//   xdrive click-client WIN X Y       moves the pointer (XTest) to X Y of the window's
//                                     client area and clicks the first button
//
// Frame rectangles: the client's place on the root less _NET_FRAME_EXTENTS,
// right and bottom exclusive, as the platform layer reports them.
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/x11/Xcb.h"

namespace {

xcb_connection_t* c = nullptr;
xcb_window_t root = 0;

xcb_atom_t Atom(const char* name) { return platform::x11::Intern(c, name); }

std::vector<uint32_t> Cardinals(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
  std::vector<uint32_t> out;
  auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 4096), nullptr);
  if (r && r->format == 32) {
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(r));
    out.assign(v, v + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
  return out;
}

std::string Text(xcb_window_t w, xcb_atom_t prop) {
  auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
  std::string s;
  if (r && r->format == 8) s.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
  std::free(r);
  return s;
}

std::string Title(xcb_window_t w) {
  std::string t = Text(w, Atom("_NET_WM_NAME"));
  return t.empty() ? Text(w, XCB_ATOM_WM_NAME) : t;
}

// Client windows: the window manager's list, else every child of the root and
// of its children (frames hold their clients one level down).
std::vector<xcb_window_t> Clients() {
  std::vector<uint32_t> list = Cardinals(root, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
  if (!list.empty()) return {list.begin(), list.end()};
  std::vector<xcb_window_t> out;
  auto tree = [](xcb_window_t w) {
    std::vector<xcb_window_t> kids;
    if (auto* r = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr)) {
      const xcb_window_t* k = xcb_query_tree_children(r);
      kids.assign(k, k + xcb_query_tree_children_length(r));
      std::free(r);
    }
    return kids;
  };
  for (xcb_window_t top : tree(root)) {
    out.push_back(top);
    for (xcb_window_t inner : tree(top)) out.push_back(inner);
  }
  return out;
}

bool Viewable(xcb_window_t w) {
  auto* r = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  const bool v = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
  std::free(r);
  return v;
}

// A window that is not yet mapped has no place worth reading: only shown ones count.
std::optional<xcb_window_t> FindTitled(const std::string& title) {
  for (xcb_window_t w : Clients())
    if (Title(w) == title && Viewable(w)) return w;
  return std::nullopt;
}

bool Exists(xcb_window_t w) {
  auto* r = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  const bool ok = r != nullptr;
  std::free(r);
  return ok;
}

struct Frame {
  int l, t, r, b;
};

std::optional<Frame> FrameOf(xcb_window_t w) {
  auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
  if (!g) return std::nullopt;
  auto* tr = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, root, 0, 0), nullptr);
  if (!tr) {
    std::free(g);
    return std::nullopt;
  }
  std::vector<uint32_t> ext = Cardinals(w, Atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
  // A window taken out of the manager's hands keeps a stale property but has no frame.
  auto* attrs = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  const bool unmanaged = attrs && attrs->override_redirect;
  std::free(attrs);
  if (ext.size() != 4 || unmanaged) {
    ext = {0, 0, 0, 0};
    // A window manager that frames its clients without telling the extents
    // (i3): the frame is the window's top-level ancestor, as it shows.
    xcb_window_t top = w;
    for (int depth = 0; depth < 16 && !unmanaged; ++depth) {
      auto* t = xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr);
      const xcb_window_t parent = t ? t->parent : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
      std::free(t);
      if (parent == XCB_WINDOW_NONE || parent == root) break;
      top = parent;
    }
    if (top != w) {
      if (auto* tg = xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr)) {
        const int b = tg->border_width;
        Frame f{tg->x, tg->y, tg->x + tg->width + 2 * b, tg->y + tg->height + 2 * b};
        std::free(tg);
        std::free(g);
        std::free(tr);
        return f;
      }
    }
  }
  Frame f{tr->dst_x - int(ext[0]), tr->dst_y - int(ext[2]), tr->dst_x + g->width + int(ext[1]),
          tr->dst_y + g->height + int(ext[3])};
  std::free(g);
  std::free(tr);
  return f;
}

// Waits for the next events (any) until the deadline; false when it passed.
bool WaitEvents(std::chrono::steady_clock::time_point deadline) {
  xcb_flush(c);
  if (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
    std::free(e);
    while (xcb_generic_event_t* more = xcb_poll_for_event(c)) std::free(more);
    return true;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return false;
  pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
  ::poll(&p, 1, static_cast<int>(left.count()));
  while (xcb_generic_event_t* e = xcb_poll_for_event(c)) std::free(e);
  return std::chrono::steady_clock::now() < deadline;
}

void Listen(xcb_window_t w, uint32_t mask) { xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask); }

xcb_window_t ParseWindow(const char* s) { return static_cast<xcb_window_t>(std::strtoul(s, nullptr, 0)); }

int Usage() {
  std::fprintf(stderr, "usage: see the comment at the top of xdrive.cpp\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  c = xcb_connect(nullptr, nullptr);
  if (!c || xcb_connection_has_error(c)) {
    std::fprintf(stderr, "xdrive: cannot open the display\n");
    return 2;
  }
  root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const std::string cmd = argv[1];
  using clock = std::chrono::steady_clock;

  if (cmd == "find" && argc == 3) {
    const auto w = FindTitled(argv[2]);
    if (!w) return 1;
    std::printf("0x%x\n", *w);
    return 0;
  }
  if (cmd == "wait-window" && argc == 4) {
    const auto deadline = clock::now() + std::chrono::milliseconds(std::atoi(argv[3]));
    Listen(root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    for (;;) {
      // Titles change without any event on the root: look on every wake-up,
      // and at least every 100 ms for those.
      if (const auto w = FindTitled(argv[2])) {
        std::printf("0x%x\n", *w);
        return 0;
      }
      if (clock::now() >= deadline) return 1;
      WaitEvents(std::min(deadline, clock::now() + std::chrono::milliseconds(100)));
    }
  }
  if (cmd == "frame" && argc == 3) {
    const auto f = FrameOf(ParseWindow(argv[2]));
    if (!f) return 1;
    std::printf("%d %d %d %d\n", f->l, f->t, f->r, f->b);
    return 0;
  }
  if (cmd == "wait-frame" && argc == 9) {
    const xcb_window_t w = ParseWindow(argv[2]);
    const bool any[4] = {argv[3][0] == '_', argv[4][0] == '_', argv[5][0] == '_', argv[6][0] == '_'};
    const int want[4] = {std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])};
    const int tol = std::atoi(argv[7]);
    const auto deadline = clock::now() + std::chrono::milliseconds(std::atoi(argv[8]));
    Listen(root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    Listen(w, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    std::optional<Frame> f;
    for (;;) {
      f = FrameOf(w);
      if (f) {
        const int got[4] = {f->l, f->t, f->r, f->b};
        bool ok = true;
        for (int i = 0; i < 4; ++i) ok = ok && (any[i] || std::abs(got[i] - want[i]) <= tol);
        if (ok) break;
      }
      if (!WaitEvents(deadline)) {
        if (f)
          std::fprintf(stderr, "xdrive: frame is %d %d %d %d, wanted %d %d %d %d (+-%d)\n", f->l, f->t, f->r, f->b,
                       want[0], want[1], want[2], want[3], tol);
        else
          std::fprintf(stderr, "xdrive: window 0x%x is gone\n", w);
        return 1;
      }
    }
    std::printf("%d %d %d %d\n", f->l, f->t, f->r, f->b);
    return 0;
  }
  if (cmd == "wait-wm" && argc == 3) {
    const auto deadline = clock::now() + std::chrono::milliseconds(std::atoi(argv[2]));
    Listen(root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    const xcb_atom_t check = Atom("_NET_SUPPORTING_WM_CHECK");
    while (Cardinals(root, check, XCB_ATOM_WINDOW).empty())
      if (!WaitEvents(deadline)) return 1;
    return 0;
  }
  if (cmd == "wait-gone" && argc == 4) {
    const xcb_window_t w = ParseWindow(argv[2]);
    const auto deadline = clock::now() + std::chrono::milliseconds(std::atoi(argv[3]));
    Listen(root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    Listen(w, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    while (Exists(w))
      if (!WaitEvents(deadline)) return 1;
    return 0;
  }
  if (cmd == "motion" && argc == 4) {
    // Fake motion, not a warp: the pointer watch hears of it as of a hand's.
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, static_cast<int16_t>(std::atoi(argv[2])),
                   static_cast<int16_t>(std::atoi(argv[3])), 0);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // a round trip: it has happened
    return 0;
  }
  if (cmd == "title" && argc == 4) {
    const xcb_window_t w = ParseWindow(argv[2]);
    const std::string t = argv[3];
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(t.size()), t.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), 8,
                        static_cast<uint32_t>(t.size()), t.data());
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
  }
  if (cmd == "move" && argc == 5) {
    // _NET_MOVERESIZE_WINDOW as a pager sends it: x and y set, static gravity off.
    const xcb_window_t w = ParseWindow(argv[2]);
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = Atom("_NET_MOVERESIZE_WINDOW");
    ev.data.data32[0] = (1u << 8) | (1u << 9) | (2u << 12) | 1u;  // x, y, source pager, NorthWest gravity
    ev.data.data32[1] = static_cast<uint32_t>(std::atoi(argv[3]));
    ev.data.data32[2] = static_cast<uint32_t>(std::atoi(argv[4]));
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
  }
  if (cmd == "wait-active" && argc == 4) {
    const xcb_window_t w = ParseWindow(argv[2]);
    const auto deadline = clock::now() + std::chrono::milliseconds(std::atoi(argv[3]));
    Listen(root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    const xcb_atom_t active = Atom("_NET_ACTIVE_WINDOW");
    for (;;) {
      const std::vector<uint32_t> v = Cardinals(root, active, XCB_ATOM_WINDOW);
      if (!v.empty() && v[0] == w) return 0;
      if (!WaitEvents(deadline)) return 1;
    }
  }
  if (cmd == "key" && argc == 3) {
    const auto code = static_cast<uint8_t>(std::atoi(argv[2]));
    xcb_test_fake_input(c, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
  }
  if (cmd == "click-client" && argc == 5) {
    const xcb_window_t w = ParseWindow(argv[2]);
    auto* tr = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, w, root, static_cast<int16_t>(std::atoi(argv[3])),
                                     static_cast<int16_t>(std::atoi(argv[4]))),
        nullptr);
    if (!tr) return 1;
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, tr->dst_x, tr->dst_y, 0);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    std::free(tr);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
  }
  if (cmd == "pid" && argc == 3) {
    const auto v = Cardinals(ParseWindow(argv[2]), Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (v.empty()) return 1;
    std::printf("%u\n", v[0]);
    return 0;
  }
  return Usage();
}
