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
#include "platform/backend/x11/Xcb.h"

class QSocketNotifier;

namespace platform::x11 {

class XiPointerWatch final : public PointerWatch {
public:
  // Connects to `display` (nullptr: $DISPLAY).  nullptr when no X server can
  // be reached or it lacks XInput 2; the caller then falls back to polling.
  static std::unique_ptr<XiPointerWatch> Create(const char* display = nullptr);
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
  XiPointerWatch(Connection display, std::uint8_t xiOpcode);
  bool Select(bool rawMotion);
  void OnReadable();
  // Queries and reports while raw motion keeps coming in (`moved`: some has).
  void Settle(bool moved);
  // Takes every event from the connection (already queued ones only when
  // queuedOnly); true when one of them was raw motion generated after the
  // request numbered `after` (sequence numbers of the server's requests).
  bool Drain(bool queuedOnly, std::uint32_t after);
  // One round trip; remembers the position and, when `report`, passes it to
  // the sink if it changed.  Returns the query's request number; 0 when the
  // connection failed.
  std::uint32_t Query(bool report);
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
};

}  // namespace platform::x11
