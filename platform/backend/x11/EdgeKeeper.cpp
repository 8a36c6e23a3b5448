#include "platform/backend/x11/EdgeKeeper.h"

#include <QSocketNotifier>
#include <QTimer>
#include <set>
#include <utility>

#include "platform/backend/x11/Placement.h"
#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {

EdgeKeeper::EdgeKeeper() : display_(Connection::Open()), conn_(display_.get()) {
  if (!conn_) return;
  notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { OnReadable(); });
}

EdgeKeeper::~EdgeKeeper() = default;

void EdgeKeeper::Listen(xcb_window_t w) {
  // This connection's own event mask on the window; the client's and the
  // window manager's masks are theirs and stay as they are.
  const bool awaited = releasing_.count(w) != 0;
  const bool structure = awaited || kept_.count(w) != 0 || settling_.count(w) != 0 || tracked_.count(w) != 0;
  std::uint32_t mask = 0;
  if (structure) mask |= XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  if (awaited) mask |= XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(conn_, w, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(conn_);
}

void EdgeKeeper::Keep(xcb_window_t w, const Rect& asked, const Rect& placed) {
  if (!conn_) return;
  settling_.erase(w);
  const bool known = kept_.count(w) != 0;
  kept_[w] = Kept{asked, placed, 0};
  if (known) return;
  Listen(w);
  // The client may have answered the placement before it was listened to.
  Check(w);
  Drain(true);
}

void EdgeKeeper::Release(xcb_window_t w) {
  const bool settled = settling_.erase(w) != 0;
  if (!conn_ || (kept_.erase(w) == 0 && !settled) || tracked_.count(w) != 0) return;
  Listen(w);
}

void EdgeKeeper::Settle(xcb_window_t w, const Rect& asked) {
  if (!conn_) return;
  const bool listened = kept_.count(w) != 0 || tracked_.count(w) != 0 || settling_.count(w) != 0 ||
                        releasing_.count(w) != 0;
  kept_.erase(w);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleWatchMs);
  settling_[w] = Settled{asked, until, 0, false};
  if (!listened) Listen(w);
}

void EdgeKeeper::OnSettlingChanged(xcb_window_t w) {
  auto it = settling_.find(w);
  if (it == settling_.end() || it->second.told) return;
  if (std::chrono::steady_clock::now() > it->second.until) {
    Release(w);
    return;
  }
  it->second.told = true;
  // Not from inside this drain: it may run inside a move (Poll, Keep), and
  // answering moves the window.
  QTimer::singleShot(0, notifier_.get(), [this, w] {
    auto s = settling_.find(w);
    if (s == settling_.end()) return;  // moved anew, released or gone meanwhile
    s->second.told = false;
    const Rect asked = s->second.asked;
    if (!onStrayed || !onStrayed(w, asked)) return;
    // onStrayed may have moved it anew (Unsettle) or ended it.
    s = settling_.find(w);
    if (s != settling_.end() && ++s->second.reasks >= kMaxReasks) Release(w);
  });
}

void EdgeKeeper::Track(xcb_window_t w) {
  if (!conn_ || !tracked_.insert(w).second) return;
  if (kept_.count(w) == 0) Listen(w);
}

void EdgeKeeper::AwaitRelease(xcb_window_t w) {
  if (!conn_ || !releasing_.emplace(w, false).second) return;
  Listen(w);
  // The withdrawal goes on another connection: the selection must be in
  // force before it, or an answer coming at once would go unheard.
  Sync(conn_);
}

void EdgeKeeper::EndRelease(xcb_window_t w) {
  if (!conn_ || releasing_.erase(w) == 0) return;
  Listen(w);
}

void EdgeKeeper::OnReadable() { Drain(false); }

void EdgeKeeper::OnReleaseNews(xcb_window_t w) {
  auto it = releasing_.find(w);
  if (it == releasing_.end() || std::exchange(it->second, true)) return;
  // Not from inside this drain: it may run inside a move (Poll), and the
  // answer maps and places the window, and keeps it here (Keep).
  QTimer::singleShot(0, notifier_.get(), [this, w] {
    auto r = releasing_.find(w);
    if (r == releasing_.end()) return;  // ended or gone meanwhile
    r->second = false;
    if (onReleaseNews) onReleaseNews(w);
  });
}

void EdgeKeeper::Drain(bool queuedOnly) {
  // Answering reads replies, and reading a reply may queue events that came
  // meanwhile without the socket staying readable: they are taken in turn,
  // a bounded number of rounds per wake-up.
  for (int round = 0; round < 16; ++round) {
    std::set<xcb_window_t> configured, released;
    bool any = false;
    while (const Event e = NextEvent(conn_, queuedOnly)) {
      any = true;
      switch (e->response_type & 0x7F) {
        case XCB_CONFIGURE_NOTIFY: {
          const auto* c = reinterpret_cast<const xcb_configure_notify_event_t*>(e.get());
          if (c->event == c->window) configured.insert(c->window);
          break;
        }
        case XCB_REPARENT_NOTIFY:
          released.insert(reinterpret_cast<const xcb_reparent_notify_event_t*>(e.get())->window);
          break;
        case XCB_UNMAP_NOTIFY:
          released.insert(reinterpret_cast<const xcb_unmap_notify_event_t*>(e.get())->window);
          break;
        case XCB_PROPERTY_NOTIFY:
          released.insert(reinterpret_cast<const xcb_property_notify_event_t*>(e.get())->window);
          break;
        case XCB_DESTROY_NOTIFY: {
          const xcb_window_t w = reinterpret_cast<const xcb_destroy_notify_event_t*>(e.get())->window;
          kept_.erase(w);
          settling_.erase(w);
          releasing_.erase(w);
          configured.erase(w);
          released.erase(w);
          if (tracked_.erase(w) != 0 && onGone) onGone(w);
          break;
        }
        default:
          break;
      }
    }
    if (!any) return;
    // What the window is now, not what an event says: events of a slide's
    // earlier steps arrive after later steps have placed the window anew.
    for (xcb_window_t w : configured) {
      Check(w);
      OnSettlingChanged(w);
    }
    for (xcb_window_t w : released) OnReleaseNews(w);
    queuedOnly = true;
  }
}

void EdgeKeeper::Check(xcb_window_t w) {
  if (kept_.count(w) == 0) return;
  const auto g = Answer(conn_, &xcb_get_geometry_reply, xcb_get_geometry(conn_, w));
  if (!g) return;
  // An unmanaged window is a child of the root: x, y are the root's.
  const int b = 2 * g->border_width;
  const Rect now{g->x, g->y, g->x + g->width + b, g->y + g->height + b};
  OnConfigured(w, now);
}

void EdgeKeeper::OnConfigured(xcb_window_t w, const Rect& now) {
  auto it = kept_.find(w);
  if (it == kept_.end()) return;
  Kept& k = it->second;
  // Where it was placed: nothing of the client's own.  Otherwise it resized
  // itself, or put itself back where it stood a moment ago (a toolkit that
  // answers configure events late re-applies a position it had read).
  if (now == k.placed) return;
  // A client that keeps moving itself is not fought for ever.
  if (k.corrections >= kMaxCorrections) return;
  ++k.corrections;
  const Rect to = AnchoredRect(k.asked, now.Width(), now.Height(), CurrentBackends().screens->Monitors());
  k.placed = to;
  if (to.left == now.left && to.top == now.top) return;
  const std::uint32_t xy[] = {static_cast<std::uint32_t>(to.left), static_cast<std::uint32_t>(to.top)};
  xcb_configure_window(conn_, w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, xy);
  xcb_flush(conn_);
}

}  // namespace platform::x11
