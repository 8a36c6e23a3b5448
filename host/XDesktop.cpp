#include "host/XDesktop.h"

#include "host/PointerPeer.h"

#include <QGuiApplication>

#ifdef EDGETUCKER_HOST_X11
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <string>
#endif

namespace host {

#ifdef EDGETUCKER_HOST_X11
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

class XcbDesktop final : public XDesktop {
public:
  static std::unique_ptr<XcbDesktop> Open(const char* display) {
    int screenNo = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNo);
    if (!c || xcb_connection_has_error(c)) {
      if (c) xcb_disconnect(c);
      return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNo && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
      xcb_disconnect(c);
      return nullptr;
    }
    return std::unique_ptr<XcbDesktop>(new XcbDesktop(c, it.data->root));
  }

  ~XcbDesktop() override {
    m_notifier.reset();
    xcb_disconnect(m_conn);
  }

  std::optional<platform::Rect> FrameRect(platform::HWND window) override {
    const auto w = static_cast<xcb_window_t>(window);
    if (!w) return std::nullopt;
    Watch(w);
    const auto geoCookie = xcb_get_geometry(m_conn, w);
    const auto posCookie = xcb_translate_coordinates(m_conn, w, m_root, 0, 0);
    const auto extCookie = xcb_get_property(m_conn, 0, w, m_frameExtents, XCB_ATOM_CARDINAL, 0, 4);
    Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(m_conn, geoCookie, nullptr));
    Reply<xcb_translate_coordinates_reply_t> pos(xcb_translate_coordinates_reply(m_conn, posCookie, nullptr));
    Reply<xcb_get_property_reply_t> ext(xcb_get_property_reply(m_conn, extCookie, nullptr));
    if (!geo || !pos) return std::nullopt;
    // _NET_FRAME_EXTENTS is left, right, top, bottom; without a window
    // manager there is no frame and the client window is the frame.
    std::uint32_t l = 0, r = 0, t = 0, b = 0;
    if (ext && ext->format == 32 && xcb_get_property_value_length(ext.get()) >= 16) {
      const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(ext.get()));
      l = v[0], r = v[1], t = v[2], b = v[3];
    }
    // The client's border (0 for Qt's windows) lies outside its origin.
    const int bw = geo->border_width;
    const int x = pos->dst_x - bw, y = pos->dst_y - bw;
    return platform::Rect{x - int(l), y - int(t), x + geo->width + 2 * bw + int(r),
                          y + geo->height + 2 * bw + int(b)};
  }

  bool MovePointer(int x, int y) override {
    if (PointerPeer* peer = PointerPeer::Get()) return AskPeer(peer, "move", x, y);
    if (!m_xtest) return false;
    xcb_test_fake_input(m_conn, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, std::int16_t(x),
                        std::int16_t(y), 0);
    return Sync();
  }

  bool ClickAt(int x, int y) override {
    if (PointerPeer* peer = PointerPeer::Get()) return AskPeer(peer, "click", x, y);
    if (!MovePointer(x, y)) return false;
    // Without a window manager nobody moves the focus on a click; do what a
    // click-to-focus desktop would, so that another application can take it.
    if (!HasWindowManager()) {
      Reply<xcb_translate_coordinates_reply_t> under(xcb_translate_coordinates_reply(
          m_conn, xcb_translate_coordinates(m_conn, m_root, m_root, std::int16_t(x), std::int16_t(y)), nullptr));
      if (under && under->child != XCB_NONE)
        xcb_set_input_focus(m_conn, XCB_INPUT_FOCUS_POINTER_ROOT, under->child, XCB_CURRENT_TIME);
    }
    xcb_test_fake_input(m_conn, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_conn, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    return Sync();
  }

  bool WaitUntil(const std::function<bool()>& done, int timeoutMs) override {
    if (CheckSettled(done)) return true;
    QEventLoop loop;
    bool met = false;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto outer = std::exchange(m_onEvents, [&] {
      const bool broken = xcb_connection_has_error(m_conn);
      if (broken || CheckSettled(done)) {
        met = !broken;
        loop.quit();
      }
    });
    timeout.start(timeoutMs);
    loop.exec();
    m_onEvents = std::move(outer);
    return met || done();
  }

  bool HasWindowManager() override {
    const auto check = WindowProperty(m_root, m_supportingWmCheck);
    return check && WindowProperty(*check, m_supportingWmCheck) == check;
  }

private:
  // The compositor's pointer, moved by the peer; then a round trip, so that
  // what XWayland made of the motion is in the server before we go on.
  bool AskPeer(PointerPeer* peer, const char* what, int x, int y) {
    std::string answer;
    if (!peer->Ask(std::string(what) + " " + std::to_string(x) + " " + std::to_string(y), answer)) {
      std::fprintf(stderr, "pointer peer: %s\n", answer.c_str());
      return false;
    }
    return Sync();
  }

  XcbDesktop(xcb_connection_t* c, xcb_window_t root) : m_conn(c), m_root(root) {
    m_frameExtents = Atom("_NET_FRAME_EXTENTS");
    m_supportingWmCheck = Atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(m_conn, &xcb_test_id);
    m_xtest = ext && ext->present;
    // Frames (or, without a window manager, the clients themselves) are the
    // root's children: their configure and map events arrive here.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_conn);
    // The events are read as they come, waiting or not, so that they never
    // pile up in the server for a client that does not read them.  While the
    // desktop is still, none come.
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
      DrainEvents(false);
      if (xcb_connection_has_error(m_conn)) m_notifier->setEnabled(false);
      if (m_onEvents) m_onEvents();
    });
  }

  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, std::uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
  }

  std::optional<xcb_window_t> WindowProperty(xcb_window_t w, xcb_atom_t prop) {
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(m_conn, xcb_get_property(m_conn, 0, w, prop, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 4) return std::nullopt;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(r.get()));
  }

  // The client windows asked about also tell of their own changes: the
  // window manager's synthetic configure events and frame-extent updates.
  void Watch(xcb_window_t w) {
    if (!m_watched.insert(w).second) return;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_conn, w, XCB_CW_EVENT_MASK, &mask);
  }

  bool Sync() {
    Reply<xcb_get_input_focus_reply_t> r(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
    return r != nullptr;
  }

  // True when an event was taken (only from what is already queued when
  // queuedOnly).  The events only wake the waiter; their content is read
  // back from the server by the condition itself.
  bool DrainEvents(bool queuedOnly) {
    bool any = false;
    while (xcb_generic_event_t* ev = queuedOnly ? xcb_poll_for_queued_event(m_conn) : xcb_poll_for_event(m_conn)) {
      any = true;
      std::free(ev);
    }
    return any;
  }

  // Checks the condition; the round trips it makes may queue events without
  // the socket staying readable, and such an event may tell of a change after
  // the check, so checking goes on until nothing new is queued.
  bool CheckSettled(const std::function<bool()>& done) {
    for (;;) {
      if (done()) return true;
      if (!DrainEvents(true)) return false;
    }
  }

  xcb_connection_t* m_conn;
  xcb_window_t m_root;
  xcb_atom_t m_frameExtents = XCB_ATOM_NONE;
  xcb_atom_t m_supportingWmCheck = XCB_ATOM_NONE;
  bool m_xtest = false;
  std::set<xcb_window_t> m_watched;
  std::unique_ptr<QSocketNotifier> m_notifier;
  std::function<void()> m_onEvents;  // the waiter's check, while one waits
};

static std::unique_ptr<XcbDesktop> g_desktop;

}  // namespace


XDesktop* XDesktop::Get() {
  static bool tried = false;
  if (!tried && QCoreApplication::instance() && QGuiApplication::platformName() == QLatin1String("xcb")) {
    tried = true;
    g_desktop = XcbDesktop::Open(nullptr);
    // The connection's notifier must go while the application still exists.
    qAddPostRoutine([] { g_desktop.reset(); });
  }
  return g_desktop.get();
}

std::unique_ptr<XDesktop> XDesktop::Connect(const char* display) { return XcbDesktop::Open(display); }

#else

XDesktop* XDesktop::Get() { return nullptr; }
std::unique_ptr<XDesktop> XDesktop::Connect(const char*) { return nullptr; }

#endif

}  // namespace host
