#include "platform/backend/x11/XiPointerWatch.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <iostream>

#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {
namespace {

// Raw motion keeps arriving while the pointer moves; after this many query
// rounds in one wake-up the rest waits for the next turn of the event loop, so
// a flood of motion cannot starve the GUI.
constexpr int kMaxRoundsPerWake = 4;


}  // namespace

std::unique_ptr<XiPointerWatch> XiPointerWatch::Create(const char* display) {
  Connection d(display);
  if (!d) return nullptr;
  xcb_connection_t* conn = d.get();
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn, &xcb_input_id);
  bool xi2 = false;
  if (ext && ext->present) {
    // The server answers XI 2 requests only once the client has named the
    // version it speaks.
    auto v = Answer(conn, &xcb_input_xi_query_version_reply, xcb_input_xi_query_version(conn, 2, 2));
    xi2 = v && v->major_version >= 2;
  }
  if (!xi2) return nullptr;
  return std::unique_ptr<XiPointerWatch>(new XiPointerWatch(std::move(d), ext->major_opcode));
}

XiPointerWatch::XiPointerWatch(Connection display, std::uint8_t xiOpcode)
    : m_display(std::move(display)), m_conn(m_display.get()), m_root(m_display.Root()), m_xiOpcode(xiOpcode) {
  m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read);
  m_notifier->setEnabled(false);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { OnReadable(); });
}

XiPointerWatch::~XiPointerWatch() = default;

bool XiPointerWatch::Select(bool rawMotion) {
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t mask;
  } sel{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, rawMotion ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
  return Succeeded(m_conn, xcb_input_xi_select_events_checked(m_conn, m_root, 1, &sel.head)) &&
         !xcb_connection_has_error(m_conn);
}

bool XiPointerWatch::Start(std::function<void(Point)> sink) {
  if (m_broken) return false;
  m_sink = std::move(sink);
  if (m_started) return true;
  if (!Select(true)) {
    NoteBroken();
    return false;
  }
  m_started = true;
  // The baseline: where the pointer stands now is no motion.  Motion the
  // selection let in before it is covered by it; motion after it is news.
  m_haveLast = false;
  const std::uint32_t seq = Query(false);
  m_notifier->setEnabled(true);
  Settle(seq && Drain(false, seq));
  return !m_broken;
}

void XiPointerWatch::Stop() {
  if (!m_started) return;
  m_started = false;
  m_sink = nullptr;
  m_notifier->setEnabled(false);
  if (!m_broken && !Select(false)) NoteBroken();
  // Motion that arrived before the deselection must not wake a later Start.
  if (!m_broken) Drain(false, 0);
}

bool XiPointerWatch::Drain(bool queuedOnly, std::uint32_t after) {
  bool moved = false;
  while (const Event ev = NextEvent(m_conn, queuedOnly)) {
    if ((ev->response_type & 0x7F) == XCB_GE_GENERIC) {
      const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev.get());
      // full_sequence names the last request the server had handled when it
      // made the event: motion stamped before a query is covered by its answer.
      if (ge->extension == m_xiOpcode && ge->event_type == XCB_INPUT_RAW_MOTION && ev->full_sequence >= after)
        moved = true;
    }
  }
  return moved;
}

std::uint32_t XiPointerWatch::Query(bool report) {
  const xcb_query_pointer_cookie_t cookie = xcb_query_pointer(m_conn, m_root);
  const auto r = Answer(m_conn, &xcb_query_pointer_reply, cookie);
  ++m_queries;
  if (!r) return 0;
  const Point p{r->root_x, r->root_y};
  if (m_haveLast && p == m_last) return cookie.sequence;
  m_haveLast = true;
  m_last = p;
  if (report && m_sink) m_sink(p);
  return cookie.sequence;
}

void XiPointerWatch::OnReadable() {
  if (m_started) Settle(Drain(false, 0));
}

void XiPointerWatch::Settle(bool moved) {
  int rounds = 0;
  while (moved && m_started && rounds++ < kMaxRoundsPerWake) {
    const std::uint32_t seq = Query(true);
    if (!seq) break;
    // Reading the reply may have queued later events without the socket
    // staying readable; they would sit unnoticed until the next motion.
    moved = Drain(true, seq);
  }
  if (xcb_connection_has_error(m_conn)) {
    NoteBroken();
    return;
  }
  if (moved && m_started)
    QMetaObject::invokeMethod(m_notifier.get(), [this] { if (m_started) Settle(true); }, Qt::QueuedConnection);
}

void XiPointerWatch::NoteBroken() {
  if (m_broken) return;
  m_broken = true;
  m_started = false;
  m_notifier->setEnabled(false);
  std::cerr << "pointer watch: the X connection broke; pointer motion is no longer reported" << std::endl;
}

}  // namespace platform::x11
