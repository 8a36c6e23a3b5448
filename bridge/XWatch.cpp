#include "bridge/XWatch.h"

#include <xcb/xcb.h>

#include <QSocketNotifier>
#include <cstdlib>

namespace bridge {

using platform::x11::Event;
using platform::x11::NextEvent;

XWatch::XWatch() = default;

XWatch::~XWatch() = default;

std::uint32_t XWatch::Atom(const char* name) const { return platform::x11::Intern(m_conn, name); }

bool XWatch::Open() {
  if (m_conn) return true;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  platform::x11::Connection c(display);
  if (!c) return false;
  m_display = std::move(c);
  m_conn = m_display.get();
  m_root = m_display.Root();
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
  const std::vector<std::uint32_t> listed =
      platform::x11::Cardinals(m_conn, m_root, m_netClientList, XCB_ATOM_WINDOW, 65536);
  std::set<std::uint32_t> now(listed.begin(), listed.end());
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
  return platform::x11::Cardinal(m_conn, m_root, m_netActive, XCB_ATOM_WINDOW).value_or(0);
}

void XWatch::Drain() {
  if (!m_conn) return;
  bool windows = false, moved = false, title = false, active = false;
  while (const Event e = NextEvent(m_conn)) {
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
        auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e.get());
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
