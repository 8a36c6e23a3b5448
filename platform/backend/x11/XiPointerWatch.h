// The pointer watch of a real X server: woken by the server's raw-motion
// events, never by a timer.
//
// The watch opens an X connection of its own and selects XInput 2 raw motion
// (XI_RawMotion) on the root window for all master pointers.  Raw events carry
// no position, so each time the connection becomes readable the watch drains
// every queued event and, when raw motion was among them, asks the server once
// where the pointer stands; a position different from the last one reported
// goes to the sink.  While the pointer rests no event arrives and the process
// sleeps.
//
// Under XWayland (Session.h) the X server knows of the pointer only while it is
// over an X surface.  The watch then also listens to the root window's crossing
// events: the pointer leaving every X window for a native Wayland one or the
// bare desktop enters the root (mutter, sway), and a query then answers child
// None at the last position the server knew, inside the window that was left.
// Such a pointer (once JudgeQuery, Session.h, is sure of it) is reported at
// PointOffX, a point past every hide threshold, so that shown IDE windows hide as they do when the pointer leaves
// them for another X window.  Under KWin, which tells its XWayland nothing of
// the pointer leaving, KWin's own cursor is followed as well (KWinCursor.h).
//
// What it does not see: a pointer warp (XWarpPointer, QCursor::setPos, and
// platform::SetCursorPos built on it) produces no raw motion.  Warps by this
// process reach the mouse-watch library through the platform's cursor
// observers instead.
//
// Everything runs on the thread that created the watch (a QSocketNotifier on
// the connection drives it), which must have a Qt event dispatcher.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/backend/Backend.h"
#include "platform/backend/x11/Session.h"
#include "platform/backend/x11/Xcb.h"

class QSocketNotifier;
class QTimer;
namespace platform::x11 {
class KWinCursor;
}

namespace platform::x11 {

class XiPointerWatch final : public PointerWatch {
public:
  // Connects to `display` (nullptr: $DISPLAY).  nullptr when no X server can
  // be reached or it lacks XInput 2; the caller then falls back to polling.
  // The session decides where the pointer is learned from; by default the
  // display's own (X11Session.h).
  static std::unique_ptr<XiPointerWatch> Create(const char* display = nullptr);
  static std::unique_ptr<XiPointerWatch> Create(const char* display, const PointerSources& sources);
  ~XiPointerWatch() override;
  XiPointerWatch(const XiPointerWatch&) = delete;
  XiPointerWatch& operator=(const XiPointerWatch&) = delete;

  // Selects raw motion and reports from now on; the position at Start is the
  // baseline and is not reported.  A second Start only replaces the sink.
  // False when the connection has broken.
  bool Start(std::function<void(Point)> sink) override;
  // Deselects raw motion, so the server stops waking this process at all.
  void Stop() override;

  // How many times the pointer has been queried since creation (one per batch
  // of raw motion): lets tests and benchmarks see that batches coalesce.
  std::uint64_t Queries() const { return m_queries; }

private:
  XiPointerWatch(Connection display, std::uint8_t xiOpcode, const PointerSources& sources);
  bool Select(bool rawMotion);
  // A position from the compositor's own cursor.
  void OnCompositorCursor(Point p);
  // Passes p to the sink if it is news.
  void Report(Point p, bool report);
  void OnReadable();
  // Queries and reports while raw motion keeps coming in (`moved`: some has).
  void Settle(bool moved);
  // Takes every event from the connection (already queued ones only when
  // queuedOnly); true when one of them was raw motion generated after the
  // request numbered `after` (sequence numbers of the server's requests), or
  // a crossing of the root window (watched under XWayland).
  bool Drain(bool queuedOnly, std::uint32_t after);
  // One round trip; remembers the position and, when `report`, passes it to
  // the sink if it changed.  Returns the query's request number; 0 when the
  // connection failed.
  std::uint32_t Query(bool report, bool confirming = false);
  void NoteBroken();

  Connection m_display;
  xcb_connection_t* m_conn = nullptr;  // m_display's, and its root
  std::uint32_t m_root = 0;
  std::uint8_t m_xiOpcode = 0;
  std::unique_ptr<QSocketNotifier> m_notifier;
  std::function<void(Point)> m_sink;
  bool m_started = false;
  bool m_broken = false;
  bool m_haveLast = false;
  Point m_last;
  std::uint64_t m_queries = 0;
  PointerSources m_sources;
  // Raw motion came in since the last query.
  bool m_rawSeen = false;
  // Whether a root EnterNotify since the last query was the pointer leaving.
  CrossingReader m_crossings;
  WatchState m_state;
  // Asks again a moment after a query answered None (JudgeQuery).
  std::unique_ptr<QTimer> m_confirm;
  std::unique_ptr<KWinCursor> m_compositorCursor;
};

}  // namespace platform::x11
