#include "host/XDesktop.h"

#include "host/PointerPeer.h"

#include <QGuiApplication>

#ifdef EDGETUCKER_HOST_X11
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QEvent>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <set>
#include <utility>
#include <string>

#include "platform/backend/x11/Xcb.h"
#endif

namespace host {

#ifdef EDGETUCKER_HOST_X11
namespace {

using platform::x11::Answer;
using platform::x11::Connection;

// Calls back, while it lives, after a caption of ours changed, Qt heard the
// display show or take away a window of ours, or the active window changed.
class OwnStateWatch : public QObject {
public:
  explicit OwnStateWatch(std::function<void()> changed) : m_changed(std::move(changed)) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~OwnStateWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (((e->type() == QEvent::WindowTitleChange || e->type() == QEvent::ActivationChange) &&
         watched->isWidgetType()) ||
        (e->type() == QEvent::Expose && watched->isWindowType()))
      m_changed();
    return false;
  }

private:
  std::function<void()> m_changed;
};

class XcbDesktop final : public XDesktop {
public:
  static std::unique_ptr<XcbDesktop> Open(const char* display) {
    Connection c(display);
    if (!c) return nullptr;
    return std::unique_ptr<XcbDesktop>(new XcbDesktop(std::move(c)));
  }

  ~XcbDesktop() override = default;

  std::optional<platform::Rect> FrameRect(platform::HWND window) override {
    const auto w = static_cast<xcb_window_t>(window);
    if (!w) return std::nullopt;
    Watch(w);
    const auto geoCookie = xcb_get_geometry(m_conn, w);
    const auto posCookie = xcb_translate_coordinates(m_conn, w, m_root, 0, 0);
    const auto extCookie = xcb_get_property(m_conn, 0, w, m_frameExtents, XCB_ATOM_CARDINAL, 0, 4);
    const auto geo = Answer(m_conn, &xcb_get_geometry_reply, geoCookie);
    const auto pos = Answer(m_conn, &xcb_translate_coordinates_reply, posCookie);
    const std::vector<std::uint32_t> ext = platform::x11::Values(m_conn, extCookie);
    if (!geo || !pos) return std::nullopt;
    // _NET_FRAME_EXTENTS is left, right, top, bottom; without a window
    // manager there is no frame and the client window is the frame.
    std::uint32_t l = 0, r = 0, t = 0, b = 0;
    if (ext.size() >= 4) {
      l = ext[0], r = ext[1], t = ext[2], b = ext[3];
    } else if (const xcb_window_t top = platform::x11::TopLevel(m_conn, m_root, w); top != XCB_WINDOW_NONE && top != w) {
      // A window manager that frames its clients without telling the
      // extents (i3): the frame is the top-level window holding the client.
      const auto g = Answer(m_conn, &xcb_get_geometry_reply, xcb_get_geometry(m_conn, top));
      if (g) {
        const int tb = 2 * g->border_width;
        return platform::Rect{g->x, g->y, g->x + g->width + tb, g->y + g->height + tb};
      }
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
      const auto under = Answer(m_conn, &xcb_translate_coordinates_reply,
                                xcb_translate_coordinates(m_conn, m_root, m_root, std::int16_t(x), std::int16_t(y)));
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
    // What the script waits for may be this process's own state, a window's
    // caption, exposure or activation among it: a change of one is checked
    // too, not only the server's events.
    OwnStateWatch ownState([&] {
      if (done()) {
        met = true;
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

  explicit XcbDesktop(Connection display)
      : m_display(std::move(display)), m_conn(m_display.get()), m_root(m_display.Root()) {
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

  xcb_atom_t Atom(const char* name) { return platform::x11::Intern(m_conn, name); }

  std::optional<xcb_window_t> WindowProperty(xcb_window_t w, xcb_atom_t prop) {
    return platform::x11::Cardinal(m_conn, w, prop, XCB_ATOM_WINDOW);
  }

  // The client windows asked about also tell of their own changes: the
  // window manager's synthetic configure events and frame-extent updates.
  void Watch(xcb_window_t w) {
    if (!m_watched.insert(w).second) return;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_conn, w, XCB_CW_EVENT_MASK, &mask);
  }

  bool Sync() { return platform::x11::Sync(m_conn); }

  // True when an event was taken (only from what is already queued when
  // queuedOnly).  The events only wake the waiter; their content is read
  // back from the server by the condition itself.
  bool DrainEvents(bool queuedOnly) {
    bool any = false;
    while (platform::x11::NextEvent(m_conn, queuedOnly)) any = true;
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

  Connection m_display;
  xcb_connection_t* m_conn;  // m_display's, and its root
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
