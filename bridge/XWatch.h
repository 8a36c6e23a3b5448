// What the bridge learns from the X server by events, on a small connection
// of its own: the desktop's top-level windows changing (a window mapped,
// unmapped, destroyed, or the window manager's client list changing), the
// title of a managed window or of the watched window changing (an IDE may
// show its main window first and title it after), the active window
// changing, and frames being moved.  Nothing is polled: the connection's socket wakes the event
// loop only when the server has something to say.
//
// Where the bridge does not run on X11 (or the display cannot be opened),
// Open returns false and no signal ever fires.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include "platform/backend/x11/Xcb.h"

class QSocketNotifier;

namespace bridge {

class XWatch : public QObject {
  Q_OBJECT
public:
  XWatch();
  ~XWatch() override;

  // Connects to the display named by $DISPLAY and starts listening on the
  // root window.  False when that fails.
  bool Open();
  bool IsOpen() const { return m_conn != nullptr; }

  // Listens for the title changes and the end of this window too, managed or
  // not (0: none).
  void WatchWindow(std::uintptr_t window);

  // Which managed windows' titles matter (all when unset); asked once per
  // window when it joins the window manager's list.  Fewer windows listened
  // to means no wake-up when an unrelated program retitles itself.
  std::function<bool(std::uintptr_t)> wantsTitles;

  // The active window as the window manager publishes it; 0 when none is
  // published (no window manager) or the connection is not open.
  std::uintptr_t ActiveWindow() const;

signals:
  void windowsChanged();
  void titlesChanged();
  void activeWindowChanged(std::uintptr_t window);
  void framesMoved();

private:
  void Drain();
  void ListenToClientTitles();
  std::uint32_t Atom(const char* name) const;

  platform::x11::Connection m_display;
  xcb_connection_t* m_conn = nullptr;  // m_display's, and its root
  std::uint32_t m_root = 0;
  std::uint32_t m_watched = 0;
  std::set<std::uint32_t> m_titled;  // managed windows whose titles we listen to
  std::set<std::uint32_t> m_asked;   // managed windows whose titles do not matter
  std::uint32_t m_netActive = 0, m_netClientList = 0, m_netWmName = 0, m_wmName = 2 /* XA_WM_NAME */;
  std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace bridge
