#include "platform/backend/x11/XiPointerWatch.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimer>
#include <iostream>
#include <utility>

#include "platform/backend/x11/Xcb.h"
#ifdef EDGETUCKER_HAVE_KWIN_CURSOR
#include "platform/backend/x11/KWinCursor.h"
#endif
#include "platform/backend/x11/X11Session.h"

namespace platform::x11 {
namespace {

// Raw motion keeps arriving while the pointer moves; after this many query
// rounds in one wake-up the rest waits for the next turn of the event loop, so
// a flood of motion cannot starve the GUI.
constexpr int kMaxRoundsPerWake = 4;


}  // namespace

std::unique_ptr<XiPointerWatch> XiPointerWatch::Create(const char* display) {
  return Create(display, PointerSourcesFor(CurrentSession()));
}

std::unique_ptr<XiPointerWatch> XiPointerWatch::Create(const char* display, const PointerSources& sources) {
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
  return std::unique_ptr<XiPointerWatch>(new XiPointerWatch(std::move(d), ext->major_opcode, sources));
}

XiPointerWatch::XiPointerWatch(Connection display, std::uint8_t xiOpcode, const PointerSources& sources)
    : m_display(std::move(display)),
      m_conn(m_display.get()),
      m_root(m_display.Root()),
      m_xiOpcode(xiOpcode),
      m_sources(sources) {
  m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read);
  m_notifier->setEnabled(false);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { OnReadable(); });
  m_confirm = std::make_unique<QTimer>();
  m_confirm->setSingleShot(true);
  m_confirm->setInterval(kOffXConfirmMs);
  QObject::connect(m_confirm.get(), &QTimer::timeout, m_confirm.get(), [this] {
    if (!m_started) return;
    // Events that came meanwhile (motion, windows changed) count first.
    Drain(false, 0);
    Query(true, true);
    Settle(Drain(true, 0));
  });
}

XiPointerWatch::~XiPointerWatch() = default;

bool XiPointerWatch::Select(bool rawMotion) {
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t mask;
  } sel{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, rawMotion ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
  if (m_sources.rootCrossings) {
    // Our own connection's selection on the root: other clients' stay as they are.
    const std::uint32_t mask =
        rawMotion ? std::uint32_t(XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                                  XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY)
                  : 0u;
    xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
  }
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
  m_state = WatchState{};
  m_crossings = CrossingReader{};
  m_rawSeen = false;
  const std::uint32_t seq = Query(false);
  m_notifier->setEnabled(true);
#ifdef EDGETUCKER_HAVE_KWIN_CURSOR
  if (m_sources.compositorCursor) {
    if (!m_compositorCursor)
      m_compositorCursor = std::make_unique<KWinCursor>([this](Point p) { OnCompositorCursor(p); });
    m_compositorCursor->Start();
  }
#endif
  Settle(seq && Drain(false, seq));
  return !m_broken;
}

void XiPointerWatch::OnCompositorCursor(Point p) {
  if (m_started) Report(p, true);
}

void XiPointerWatch::Stop() {
  if (!m_started) return;
  m_started = false;
  m_sink = nullptr;
  m_notifier->setEnabled(false);
  m_confirm->stop();
#ifdef EDGETUCKER_HAVE_KWIN_CURSOR
  if (m_compositorCursor) m_compositorCursor->Stop();
#endif
  if (!m_broken && !Select(false)) NoteBroken();
  // Motion that arrived before the deselection must not wake a later Start.
  if (!m_broken) Drain(false, 0);
}

bool XiPointerWatch::Drain(bool queuedOnly, std::uint32_t after) {
  bool moved = false;
  m_crossings.NewBatch();
  while (const Event ev = NextEvent(m_conn, queuedOnly)) {
    if ((ev->response_type & 0x7F) == XCB_GE_GENERIC) {
      const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev.get());
      if (ge->extension != m_xiOpcode || ge->event_type != XCB_INPUT_RAW_MOTION) continue;
      // Motion stamped before a query still tells that the pointer was over
      // an X surface after what was read before it.
      m_crossings.RawMotion();
      // full_sequence names the last request the server had handled when it
      // made the event: motion stamped before a query is covered by its answer.
      if (ev->full_sequence >= after) moved = m_rawSeen = true;
    } else {
      switch (ev->response_type & 0x7F) {
        // The root's crossings and its children's changes, selected only
        // under XWayland: the pointer left the X surfaces or came back to
        // them (with no raw motion at times), or what stands under
        // XWayland's idea of the pointer changed (JudgeQuery).
        case XCB_ENTER_NOTIFY:
          if (reinterpret_cast<const xcb_enter_notify_event_t*>(ev.get())->detail == XCB_NOTIFY_DETAIL_INFERIOR)
            m_crossings.RootEnteredFromChild();
          moved = true;
          break;
        case XCB_LEAVE_NOTIFY: moved = true; break;
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
          m_crossings.WindowChanged();
          m_state.dirty = true;
          m_confirm->stop();
          break;
        default: break;
      }
    }
  }
  return moved;
}

std::uint32_t XiPointerWatch::Query(bool report, bool confirming) {
  const xcb_query_pointer_cookie_t cookie = xcb_query_pointer(m_conn, m_root);
  const auto r = Answer(m_conn, &xcb_query_pointer_reply, cookie);
  ++m_queries;
  if (!r) return 0;
  const Point p{r->root_x, r->root_y};
  QueryFacts q;
  q.childNone = r->child == XCB_WINDOW_NONE;
  q.raw = std::exchange(m_rawSeen, false);
  q.confirming = confirming;
  q.at = p;
  q.leftX = m_crossings.Take();
  if (q.childNone && m_sources.childNoneIsOffX) {
    auto t = Answer(m_conn, &xcb_translate_coordinates_reply,
                    xcb_translate_coordinates(m_conn, m_root, m_root, std::int16_t(p.x), std::int16_t(p.y)));
    q.windowAtPoint = t && t->child != XCB_WINDOW_NONE;
  }
  const Judgement j = JudgeQuery(m_sources, m_state, q);
  m_state = j.next;
  if (j.verdict != QueryVerdict::Confirm) m_confirm->stop();
  switch (j.verdict) {
    case QueryVerdict::Report:
      Report(p, report);
      break;
    case QueryVerdict::OffX:
      Report(PointOffX(CurrentBackends().screens->Monitors(), p), report);
      break;
    case QueryVerdict::Confirm:
      if (!m_confirm->isActive()) m_confirm->start();
      break;
    case QueryVerdict::Ignore:
      break;
  }
  return cookie.sequence;
}

void XiPointerWatch::Report(Point p, bool report) {
  if (m_haveLast && p == m_last) return;
  m_haveLast = true;
  m_last = p;
  if (report && m_sink) m_sink(p);
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
