#include "bridge/XWatch.h"

#include <xcb/xcb.h>

#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>

namespace bridge {

XWatch::XWatch() = default;

XWatch::~XWatch() {
  m_notifier.reset();
  if (m_conn) xcb_disconnect(m_conn);
}

std::uint32_t XWatch::Atom(const char* name) const {
  xcb_intern_atom_cookie_t c = xcb_intern_atom(m_conn, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(m_conn, c, nullptr);
  const std::uint32_t atom = r ? r->atom : 0;
  std::free(r);
  return atom;
}

bool XWatch::Open() {
  if (m_conn) return true;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(display, &screenNumber);
  if (!c || xcb_connection_has_error(c)) {
    if (c) xcb_disconnect(c);
    return false;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) {
    xcb_disconnect(c);
    return false;
  }
  m_conn = c;
  m_root = it.data->root;
  m_netActive = Atom("_NET_ACTIVE_WINDOW");
  m_netClientList = Atom("_NET_CLIENT_LIST");
  m_netWmName = Atom("_NET_WM_NAME");
  // Top-level windows appearing, going and moving, and the root's properties
  // (the window manager's client list and active window).
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
  ListenToClientTitles();
  xcb_flush(m_conn);
  m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
  return true;
}

void XWatch::ListenToClientTitles() {
  if (!m_netClientList) return;
  xcb_get_property_cookie_t c = xcb_get_property(m_conn, 0, m_root, m_netClientList, XCB_ATOM_WINDOW, 0, 65536);
  xcb_get_property_reply_t* r = xcb_get_property_reply(m_conn, c, nullptr);
  std::set<std::uint32_t> now;
  if (r && r->format == 32) {
    const auto* ids = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    now.insert(ids, ids + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
  // Our own mask on another client's window: it changes nothing for that client.
  std::set<std::uint32_t> titled;
  for (std::uint32_t w : now) {
    if (m_titled.count(w)) {
      titled.insert(w);
      continue;
    }
    if (m_asked.count(w)) continue;  // asked before: its titles do not matter
    if (wantsTitles && !wantsTitles(w)) {
      m_asked.insert(w);
      continue;
    }
    titled.insert(w);
    if (w == m_watched) continue;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_conn, w, XCB_CW_EVENT_MASK, &mask);
  }
  // Windows gone from the list are forgotten (their ids may be used again).
  std::erase_if(m_asked, [&](std::uint32_t w) { return !now.count(w); });
  m_titled = std::move(titled);
}

void XWatch::WatchWindow(std::uintptr_t window) {
  if (!m_conn || window == m_watched) return;
  if (m_watched) {
    // Back to what every managed window gets from us.
    const std::uint32_t mask = m_titled.count(m_watched) ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(m_conn, m_watched, XCB_CW_EVENT_MASK, &mask);
  }
  // Only X window ids (below 2^32) can be watched.
  m_watched = window <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(window) : 0;
  if (m_watched) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_conn, m_watched, XCB_CW_EVENT_MASK, &mask);
  }
  xcb_flush(m_conn);
}

std::uintptr_t XWatch::ActiveWindow() const {
  if (!m_conn || !m_netActive) return 0;
  xcb_get_property_cookie_t c = xcb_get_property(m_conn, 0, m_root, m_netActive, XCB_ATOM_WINDOW, 0, 1);
  xcb_get_property_reply_t* r = xcb_get_property_reply(m_conn, c, nullptr);
  std::uintptr_t w = 0;
  if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4)
    w = *static_cast<const std::uint32_t*>(xcb_get_property_value(r));
  std::free(r);
  return w;
}

void XWatch::Drain() {
  if (!m_conn) return;
  bool windows = false, moved = false, title = false, active = false;
  while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn)) {
    switch (e->response_type & 0x7F) {
      case XCB_MAP_NOTIFY:
      case XCB_UNMAP_NOTIFY:
      case XCB_DESTROY_NOTIFY:
      case XCB_REPARENT_NOTIFY:
        windows = true;
        break;
      case XCB_CONFIGURE_NOTIFY:
        moved = true;
        break;
      case XCB_PROPERTY_NOTIFY: {
        auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
        if (p->window == m_root) {
          if (p->atom == m_netActive) active = true;
          if (p->atom == m_netClientList) windows = true;
        } else if (p->atom == m_netWmName || p->atom == m_wmName) {
          title = true;
        }
        break;
      }
      default:
        break;
    }
    std::free(e);
  }
  if (xcb_connection_has_error(m_conn)) {
    // The display is gone; the application ends with it.
    m_notifier->setEnabled(false);
    return;
  }
  if (windows) {
    ListenToClientTitles();
    xcb_flush(m_conn);
  }
  // One signal per kind and batch: a window manager's reshuffle is many events.
  if (windows) emit windowsChanged();
  if (title) emit titlesChanged();
  if (active) emit activeWindowChanged(ActiveWindow());
  if (moved) emit framesMoved();
}

}  // namespace bridge
