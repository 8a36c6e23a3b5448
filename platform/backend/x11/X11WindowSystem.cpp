#include "platform/backend/x11/X11WindowSystem.h"

#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/backend/x11/PanelStack.h"
#include "platform/backend/x11/Tiling.h"
#include "platform/backend/x11/X11Session.h"
#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {
namespace {

// _NET_MOVERESIZE_WINDOW flags: x, y, width and height given, and the source a
// pager uses (window managers trust it more than clients); the gravity goes in
// the low byte.
constexpr std::uint32_t kMoveResizeFlags = (1u << 8) | (1u << 9) | (1u << 10) | (1u << 11) | (2u << 12);

// How long a window manager that does not tell when it has handled a request
// (WmBarrier.h) may take to move a frame.  Generous: one that never answers
// costs this once per move, one that does costs what it takes.  One that
// tells is waited for as long as kWmReleaseMs: it always answers.
constexpr int kWmAnswerMs = 500;
// How long a window manager may take to let go of a window withdrawn from it.
// It always does (without one the wait ends at once), so the bound costs
// nothing; a window moved before it has let go is still its to constrain, and
// on a loaded machine that took longer than kWmAnswerMs.  A window given back
// is waited for as long until the window manager counts it as its client
// again: it always does, and a window moved before would be measured without
// its frame (its client asked as large as the frame).
constexpr int kWmReleaseMs = 5000;
constexpr int kSettleMs = 60;

}  // namespace

X11WindowSystem::X11WindowSystem(WindowSystem* ours) : ours_(ours), display_(x11::Connection::Open()) {
  if (!display_) return;
  xcb_connection_t* c = display_.get();
  conn_ = c;
  root_ = display_.Root();
  atoms_.frameExtents = Intern(c, "_NET_FRAME_EXTENTS");
  atoms_.clientListStacking = Intern(c, "_NET_CLIENT_LIST_STACKING");
  atoms_.activeWindow = Intern(c, "_NET_ACTIVE_WINDOW");
  atoms_.supportingWmCheck = Intern(c, "_NET_SUPPORTING_WM_CHECK");
  atoms_.wmName = Intern(c, "_NET_WM_NAME");
  atoms_.utf8 = Intern(c, "UTF8_STRING");
  atoms_.pid = Intern(c, "_NET_WM_PID");
  atoms_.wmState = Intern(c, "WM_STATE");
  atoms_.moveResize = Intern(c, "_NET_MOVERESIZE_WINDOW");
  atoms_.netWmState = Intern(c, "_NET_WM_STATE");
  atoms_.maxHorz = Intern(c, "_NET_WM_STATE_MAXIMIZED_HORZ");
  atoms_.maxVert = Intern(c, "_NET_WM_STATE_MAXIMIZED_VERT");
  atoms_.demandsAttention = Intern(c, "_NET_WM_STATE_DEMANDS_ATTENTION");
  keeper_.onGone = [this](xcb_window_t w) { Forget(w); };
  keeper_.onStrayed = [this](xcb_window_t w, const Rect& asked) { return AskAgain(w, asked); };
  keeper_.onReleaseNews = [this](xcb_window_t w) { SettleWithdrawal(w, false); };
  releaseDeadline_ = std::make_unique<QTimer>();
  releaseDeadline_->setSingleShot(true);
  QObject::connect(releaseDeadline_.get(), &QTimer::timeout, releaseDeadline_.get(), [this] {
    std::vector<xcb_window_t> due;
    for (const auto& [w, withdrawal] : withdrawing_)
      if (withdrawal.until <= std::chrono::steady_clock::now()) due.push_back(w);
    for (xcb_window_t w : due) SettleWithdrawal(w, false);
    ArmReleaseDeadline();
  });
  // Asked now, the window manager has answered (or not) by the first move.
  barrier_ = std::make_unique<WmBarrier>(c, root_);
  barrier_->Pass(WmCheck(), 0);
}

X11WindowSystem::~X11WindowSystem() {
  // Withdrawals still in flight are handed back: nothing would show them.
  for (const auto& [w, withdrawal] : withdrawing_) xcb_map_window(conn_, w);
  if (conn_) xcb_flush(conn_);
}

void X11WindowSystem::Sync() const { x11::Sync(conn_); }

bool X11WindowSystem::WmAnswered(int timeoutMs) {
  // A Wayland compositor gives its XWayland the pointer over a window it has
  // just framed in its own time: mutter, asked to move a window it keeps on
  // the screen, answers at once, and a reveal that no longer waits out each
  // refused step ends before mutter has let XWayland know the pointer rests
  // over the revealed window; a pointer that then leaves in one step brings
  // XWayland nothing to report, and the window stays revealed.  There the
  // frame is watched as before.
  if (!barrier_ || CurrentSession().xwayland) return false;
  return barrier_->Pass(WmCheck(), timeoutMs);
}

bool X11WindowSystem::IsOurChild(HWND h) const {
  QWidget* w = WidgetFromHandle(h);
  return w && !w->isWindow();
}

bool X11WindowSystem::WmClient(xcb_window_t w) const { return x11::WmClient(conn_, w, atoms_.wmState); }

std::vector<std::uint32_t> X11WindowSystem::Cardinals(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) const {
  return x11::Cardinals(conn_, w, prop, type);
}

std::string X11WindowSystem::Text(xcb_window_t w, xcb_atom_t prop) const { return x11::Text(conn_, w, prop); }

std::optional<Rect> X11WindowSystem::ClientRect(xcb_window_t w) const {
  auto g = Answer(conn_, &xcb_get_geometry_reply, xcb_get_geometry(conn_, w));
  if (!g) return std::nullopt;
  auto t = Answer(conn_, &xcb_translate_coordinates_reply, xcb_translate_coordinates(conn_, w, root_, 0, 0));
  if (!t) return std::nullopt;
  return Rect{t->dst_x, t->dst_y, t->dst_x + g->width, t->dst_y + g->height};
}

int X11WindowSystem::BorderWidth(xcb_window_t w) const {
  auto g = Answer(conn_, &xcb_get_geometry_reply, xcb_get_geometry(conn_, w));
  return g ? g->border_width : 0;
}

xcb_window_t X11WindowSystem::TopAncestor(xcb_window_t w) const { return TopLevel(conn_, root_, w); }

xcb_window_t X11WindowSystem::ClientOf(xcb_window_t frame, int depth) const {
  if (WmClient(frame)) return frame;
  if (depth == 0) return XCB_WINDOW_NONE;
  auto t = Answer(conn_, &xcb_query_tree_reply, xcb_query_tree(conn_, frame));
  if (!t) return XCB_WINDOW_NONE;
  const xcb_window_t* kids = xcb_query_tree_children(t.get());
  const int n = xcb_query_tree_children_length(t.get());
  for (int i = n - 1; i >= 0; --i)
    if (xcb_window_t c = ClientOf(kids[i], depth - 1)) return c;
  return XCB_WINDOW_NONE;
}

xcb_window_t X11WindowSystem::WmCheck() const {
  const auto check = Cardinals(root_, atoms_.supportingWmCheck, XCB_ATOM_WINDOW);
  if (check.empty()) return XCB_WINDOW_NONE;
  const auto self = Cardinals(check[0], atoms_.supportingWmCheck, XCB_ATOM_WINDOW);
  return !self.empty() && self[0] == check[0] ? check[0] : xcb_window_t{XCB_WINDOW_NONE};
}

bool X11WindowSystem::OfWindowManager(xcb_window_t w) const {
  const auto check = Cardinals(root_, atoms_.supportingWmCheck, XCB_ATOM_WINDOW);
  if (check.empty() || check[0] == XCB_WINDOW_NONE) return false;
  // The X server hands each client the same range of ids (its resource base
  // under the same mask): the bits above the mask name the client.
  const std::uint32_t client = ~xcb_get_setup(conn_)->resource_id_mask;
  return (w & client) == (check[0] & client);
}

bool X11WindowSystem::Exists(HWND h) const {
  if (h == 0) return false;
  if (ours_->Exists(h)) return true;
  if (h > 0xFFFFFFFFu) return false;
  auto a =
      Answer(conn_, &xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, static_cast<xcb_window_t>(h)));
  return a != nullptr;
}

HWND X11WindowSystem::Find(std::string_view cls, const char* title) const { return ours_->Find(cls, title); }

std::optional<Rect> X11WindowSystem::FrameRect(HWND h) const {
  if (IsOurChild(h)) return ours_->FrameRect(h);
  if (h == 0 || h > 0xFFFFFFFFu) return std::nullopt;
  const auto w = static_cast<xcb_window_t>(h);
  // A window being withdrawn stands nowhere yet: what a caller reads back is
  // where the window manager's answer puts it (the engine's landing check
  // after a hide), so that answer is waited for here, and only here.
  if (withdrawing_.count(w) != 0) const_cast<X11WindowSystem*>(this)->SettleWithdrawal(w, true);
  const xcb_window_t top = TopAncestor(w);
  if (top == XCB_WINDOW_NONE) return std::nullopt;
  if (top != w) {
    // The frame as the window manager shows it: the client less the extents
    // it publishes.  A frame window may be wider than what shows of it
    // (metacity's invisible resize borders, 26 px a side), and it is the
    // shown frame that stands on the screen or leaves a strip at its edge.
    const auto ext = Cardinals(w, atoms_.frameExtents, XCB_ATOM_CARDINAL);
    const std::optional<Rect> client = ClientRect(w);
    if (ext.size() >= 4 && client) {
      const int border = BorderWidth(w);
      const Rect outer{client->left - border, client->top - border, client->right + border, client->bottom + border};
      return FrameFromClient(outer, Extents{static_cast<int>(ext[0]), static_cast<int>(ext[1]),
                                            static_cast<int>(ext[2]), static_cast<int>(ext[3])});
    }
  }
  auto g = Answer(conn_, &xcb_get_geometry_reply, xcb_get_geometry(conn_, top));
  if (!g) return std::nullopt;
  const int b = 2 * g->border_width;
  return Rect{g->x, g->y, g->x + g->width + b, g->y + g->height + b};
}

void X11WindowSystem::Configure(xcb_window_t w, const Rect& r, bool keepBorder) {
  // r is the outer rectangle: the window and its border.
  const int border = keepBorder ? BorderWidth(w) : 0;
  std::uint32_t v[] = {static_cast<std::uint32_t>(r.left), static_cast<std::uint32_t>(r.top),
                       static_cast<std::uint32_t>(std::max(1, r.Width() - 2 * border)),
                       static_cast<std::uint32_t>(std::max(1, r.Height() - 2 * border)), 0};
  std::uint16_t mask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
  if (!keepBorder) mask |= XCB_CONFIG_WINDOW_BORDER_WIDTH;
  xcb_configure_window(conn_, w, mask, v);
}

SizeHints X11WindowSystem::NormalHints(xcb_window_t w) const {
  return Cardinals(w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS);
}

SizeHints X11WindowSystem::OwnHints(xcb_window_t w) const {
  SizeHints now = NormalHints(w);
  const auto held = held_.find(w);
  return held != held_.end() && held->second.Ours(now) ? held->second.own : now;
}

void X11WindowSystem::SetNormalHints(xcb_window_t w, const SizeHints& hints) {
  if (hints.empty()) {
    xcb_delete_property(conn_, w, XCB_ATOM_WM_NORMAL_HINTS);
  } else {
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32,
                        static_cast<std::uint32_t>(hints.size()), hints.data());
  }
}

bool X11WindowSystem::HeldHints::Ours(const SizeHints& hints) const {
  const SizeHints n = Normalized(hints);
  return std::find(worn.begin(), worn.end(), n) != worn.end();
}

void X11WindowSystem::HeldHints::Put(const SizeHints& hints) {
  const SizeHints n = Normalized(hints);
  if (std::find(worn.begin(), worn.end(), n) != worn.end()) return;
  // A few are enough: the client reads back only what it saw lately.
  if (worn.size() >= 8) worn.erase(worn.begin());
  worn.push_back(n);
}

void X11WindowSystem::WearHints(xcb_window_t w, const Rect& client, Point position, bool mapping) {
  const SizeHints now = NormalHints(w);
  auto held = held_.find(w);
  // Hints that mean something else than any this layer put on are the
  // client's own (it set new ones meanwhile: a font change in an xterm).
  // One it wrote back as it read them (an xterm does on every resize, a
  // moment late) still counts as ours.
  if (held != held_.end() && !held->second.Ours(now)) {
    held_.erase(held);
    held = held_.end();
  }
  const SizeHints own = held != held_.end() ? held->second.own : now;
  if (!mapping && SizeAllowed(own, client.Width(), client.Height())) {
    // The client's own hints allow the size: they go back before the move,
    // not after it, so that a client answering the resize with its hints
    // read back reads its own.  With the user's position kept: a window
    // manager that sees it dropped may place the window anew (metacity).
    if (held != held_.end()) {
      SetNormalHints(w, HintsForPlacement(own, client, position));
      held_.erase(held);
    }
    return;
  }
  const SizeHints worn = HintsForPlacement(own, client, position);
  if (!mapping && held != held_.end() && Normalized(now) == Normalized(worn)) return;
  if (held == held_.end()) held = held_.emplace(w, HeldHints{own, {}}).first;
  held->second.Put(worn);
  SetNormalHints(w, worn);
}

void X11WindowSystem::ReturnHints(xcb_window_t w) {
  auto held = held_.find(w);
  if (held == held_.end()) return;
  const std::optional<Rect> client = ClientRect(w);
  if (!client || !held->second.Ours(NormalHints(w))) {
    held_.erase(held);  // gone, or the client set hints of its own meanwhile
    return;
  }
  if (!SizeAllowed(held->second.own, client->Width(), client->Height())) return;
  // The client's own limits, with the user's position kept (see WearHints);
  // nothing to write when that is what it wears.
  const SizeHints back = HintsForPlacement(held->second.own, *client, Point{client->left, client->top});
  const SizeHints meant = Normalized(back);
  if (Normalized(NormalHints(w)) == meant) {
    held_.erase(held);
    return;
  }
  SetNormalHints(w, back);
  // A client that read ours a moment ago may write them back just after:
  // watch a little while and give its own back once more if it does.
  PollUntil(
      [&] {
        const SizeHints now = NormalHints(w);
        if (Normalized(now) != meant && held->second.Ours(now)) SetNormalHints(w, back);
        return false;
      },
      kSettleMs);
  xcb_flush(conn_);
  held_.erase(held);
}

void X11WindowSystem::ManagedMove(xcb_window_t w, const Rect& frame, std::optional<Point> mappedAt) {
  MoveManagedFrame(w, frame, mappedAt);
  // Taking a maximized state off puts the window back at a place of the
  // window manager's own (KWin: two thirds of the screen wide, its size
  // before the bar was maximized; metacity: its size before), in its own
  // time after the state is gone: a window that moves within kWmAnswerMs is
  // moved again.
  const std::vector<std::uint32_t> added = AddedStates(w, Cardinals(w, atoms_.netWmState, XCB_ATOM_ATOM));
  if (!added.empty()) {
    const std::optional<Rect> landed = FrameRect(w);
    TakeStatesOff(w, added);
    if (landed && PollUntil([&] { return FrameRect(w) != landed; }, kWmAnswerMs))
      MoveManagedFrame(w, frame, std::nullopt);
  }
  ReturnHints(w);
}

std::vector<std::uint32_t> X11WindowSystem::AddedStates(xcb_window_t w,
                                                        const std::vector<std::uint32_t>& now) const {
  const auto home = homes_.find(w);
  std::vector<std::uint32_t> added;
  for (xcb_atom_t a : {atoms_.maxHorz, atoms_.maxVert, atoms_.demandsAttention}) {
    const bool atHome = home != homes_.end() &&
                        std::find(home->second.states.begin(), home->second.states.end(), a) != home->second.states.end();
    if (a != XCB_ATOM_NONE && !atHome && std::find(now.begin(), now.end(), a) != now.end()) added.push_back(a);
  }
  return added;
}

void X11WindowSystem::TakeStatesOff(xcb_window_t w, const std::vector<std::uint32_t>& off) {
  // _NET_WM_STATE takes two states per message.
  for (std::size_t i = 0; i < off.size(); i += 2) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = atoms_.netWmState;
    ev.data.data32[0] = 0;  // _NET_WM_STATE_REMOVE
    ev.data.data32[1] = off[i];
    ev.data.data32[2] = i + 1 < off.size() ? off[i + 1] : 0;
    ev.data.data32[3] = 2;  // from a pager: the window manager does as it is told
    xcb_send_event(conn_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
  }
  xcb_flush(conn_);
}

void X11WindowSystem::CleanStates(xcb_window_t w) {
  std::vector<std::uint32_t> now = Cardinals(w, atoms_.netWmState, XCB_ATOM_ATOM);
  const std::vector<std::uint32_t> added = AddedStates(w, now);
  if (added.empty()) return;
  std::erase_if(now, [&](std::uint32_t a) { return std::find(added.begin(), added.end(), a) != added.end(); });
  xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, atoms_.netWmState, XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(now.size()), now.data());
}

void X11WindowSystem::MoveManagedFrame(xcb_window_t w, const Rect& frame, std::optional<Point> mappedAt) {
  const std::optional<Rect> before = FrameRect(w);
  const std::optional<Rect> client = ClientRect(w);
  if (!before || !client) return;
  const Extents e = ExtentsBetween(*before, *client);
  const int border = BorderWidth(w);
  const int gravity = WinGravity(NormalHints(w));
  const std::vector<Monitor> monitors = CurrentBackends().screens->Monitors();
  PositionReading& reading = readings_[w];
  // The map was the first request: the window manager framed the window
  // around where it stood (with no border: GiveBack).
  if (mappedAt) reading.Learn(PositionReading::kMap, *mappedAt, frame, *before, e, gravity, 0, monitors);
  if (*before == frame) return;
  auto request = [&](const Rect& f, Point corner) {
    // The client's own gravity, named in the request as well, so that the
    // window manager reads the position as it reads the client's own.
    const Rect c = ClientFromFrame(f, e);
    WearHints(w, c, corner, false);
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = atoms_.moveResize;
    ev.data.data32[0] = kMoveResizeFlags | static_cast<std::uint32_t>(gravity);
    ev.data.data32[1] = static_cast<std::uint32_t>(corner.x);
    ev.data.data32[2] = static_cast<std::uint32_t>(corner.y);
    ev.data.data32[3] = static_cast<std::uint32_t>(std::max(1, c.Width()));
    ev.data.data32[4] = static_cast<std::uint32_t>(std::max(1, c.Height()));
    xcb_send_event(conn_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(conn_);
  };
  // Waits for the window manager's answer: where it tells when it has
  // handled the request, the frame stands where the answer put it (not moved:
  // refused); else the frame is watched until it reaches `frame`, or stops
  // moving once it has moved, and a window manager that answers later than
  // kWmAnswerMs passes for one that refused.
  auto settle = [&](const Rect& from) {
    if (WmAnswered(kWmReleaseMs)) return FrameRect(w);
    std::optional<Rect> last = from;
    auto lastChange = std::chrono::steady_clock::now();
    PollUntil(
        [&] {
          const std::optional<Rect> now = FrameRect(w);
          if (!now || *now == frame) return true;
          if (*now != *last) {
            last = now;
            lastChange = std::chrono::steady_clock::now();
            return false;
          }
          return *last != from && std::chrono::steady_clock::now() - lastChange > std::chrono::milliseconds(kSettleMs);
        },
        kWmAnswerMs);
    return FrameRect(w);
  };
  std::optional<Rect> got = before;
  // A client that answers a resize with its own requests (an xterm's toolkit
  // asks again for a size it was told of, and writes its own hints, then the
  // copy it read) has the window manager move the frame again a moment after
  // it landed: a resize is watched a little while longer.
  const bool resized = before->Width() != frame.Width() || before->Height() != frame.Height();
  auto held = [&] {
    if (!got || *got != frame || (!resized && held_.count(w) == 0)) return;
    PollUntil([&] { return FrameRect(w) != got; }, kSettleMs);
    if (FrameRect(w) != got) got = settle(frame);
  };
  // Asked by what this window manager was seen to do with this window's
  // requests (after a map too: it may read a map another way).
  Point corner = reading.Ask(PositionReading::kRequest, frame, e, gravity, border);
  auto ask = [&](const Rect& from) {
    request(frame, corner);
    got = settle(from);
    // Learned from where our request put it, before the client's own
    // requests move it on.
    if (got) reading.Learn(PositionReading::kRequest, corner, frame, *got, e, gravity, border, monitors);
    held();
  };
  ask(*before);
  // Corrected while it comes closer (Corrections): the window manager reads
  // the position its own way (an offset, learned above when nothing held
  // the frame back) or holds the frame back at a screen edge.
  Corrections corrections(frame, corner, WithinWorkArea(frame, monitors));
  while (const std::optional<Point> next = corrections.Next(got)) {
    corner = *next;
    const Rect from = *got;  // ask overwrites got
    ask(from);
  }
}

void X11WindowSystem::RememberHome(xcb_window_t w, bool framedHere) {
  if (homes_.count(w) != 0) return;
  keeper_.Track(w);
  Home& home = homes_[w];
  home.states = Cardinals(w, atoms_.netWmState, XCB_ATOM_ATOM);
  // Framed where it stands: where the window manager keeps it at home.
  if (framedHere && WmClient(w) && TopAncestor(w) != w) home.frame = FrameRect(w);
}

bool X11WindowSystem::NudgeTiled(xcb_window_t w) {
  if (IsUnmanaged(w) || !WmClient(w)) return false;
  auto a = Answer(conn_, &xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, w));
  if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE) return false;
  const std::vector<std::uint32_t> states = Cardinals(w, atoms_.netWmState, XCB_ATOM_ATOM);
  const auto has = [&](xcb_atom_t s) {
    return s != XCB_ATOM_NONE && std::find(states.begin(), states.end(), s) != states.end();
  };
  const std::vector<std::uint32_t> supported = Cardinals(root_, Intern(conn_, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  NudgeFacts facts;
  facts.xwayland = CurrentSession().xwayland;
  facts.framed = TopAncestor(w) != w;
  facts.moveResizeListed = std::find(supported.begin(), supported.end(), atoms_.moveResize) != supported.end();
  facts.maximized = (has(atoms_.maxHorz) && has(atoms_.maxVert)) || has(Intern(conn_, "_NET_WM_STATE_FULLSCREEN"));
  // Asked only where it decides: a newly met window manager may take a
  // while to tell whether it tells.
  if (!facts.xwayland && !facts.framed && !facts.maximized && facts.moveResizeListed)
    facts.wmTellsWhenDone = WmTellsWhenDone();
  if (!NudgeAsks(facts)) return false;
  const std::optional<Rect> before = FrameRect(w);
  if (!before) return false;
  // Its states as they are now are its states at home: what a window
  // manager sets on a window that moves must not count as one of them.
  RememberHome(w, true);
  const Point by = NudgeOffset(*before, CurrentBackends().screens->Monitors());
  // Unframed, the window's own position is its frame's.  A window manager
  // that keeps the window where it is tells the client so with a synthetic
  // ConfigureNotify (ICCCM 4.1.5; dwm sends it to everyone listening on the
  // window): heard on this connection, it ends the wait at once.
  const std::uint32_t listen = XCB_EVENT_MASK_STRUCTURE_NOTIFY, deaf = 0;
  xcb_change_window_attributes(conn_, w, XCB_CW_EVENT_MASK, &listen);
  const auto ask = [&](Point at) {
    // Nothing else reads this connection's events: whatever is queued
    // (the answers to a request before, errors of requests on gone windows)
    // is no answer to this one.
    while (NextEvent(conn_)) {
    }
    const std::optional<Rect> from = FrameRect(w);
    const std::uint32_t xy[] = {static_cast<std::uint32_t>(at.x), static_cast<std::uint32_t>(at.y)};
    xcb_configure_window(conn_, w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, xy);
    xcb_flush(conn_);
    if (facts.wmTellsWhenDone && WmAnswered(kWmReleaseMs)) return FrameRect(w);
    bool told = false;
    PollUntil(
        [&] {
          // Only a synthetic one where the window stands says it stays: dwm
          // also sends a floating window one where it is about to stand,
          // before it moves it (on a loaded machine the put-back was read
          // before the move, 1 px off).
          while (const Event e = NextEvent(conn_)) {
            const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e.get());
            if ((e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && (e->response_type & 0x80) != 0 &&
                n->window == w && from && n->x == from->left && n->y == from->top)
              told = true;
          }
          return told || FrameRect(w) != from;
        },
        kWmAnswerMs);
    return FrameRect(w);
  };
  const std::optional<Rect> after = ask({before->left + by.x, before->top + by.y});
  const TileState state = ReadNudge(*before, after);
  if (state == TileState::Floating) ask({before->left, before->top});
  xcb_change_window_attributes(conn_, w, XCB_CW_EVENT_MASK, &deaf);
  xcb_flush(conn_);
  return state == TileState::Tiled;
}

void X11WindowSystem::Withdraw(xcb_window_t w, const Rect& asked) {
  if (onManagementChange) onManagementChange(w, false);
  const std::optional<Rect> frame = FrameRect(w);
  const std::optional<Rect> client = ClientRect(w);
  unmanaged_[w] = frame && client ? ExtentsBetween(*frame, *client) : Extents{};
  withdrawing_[w] = Withdrawal{asked, std::chrono::steady_clock::now() + std::chrono::milliseconds(kWmReleaseMs)};
  // Listened to before the window manager can answer.
  keeper_.AwaitRelease(w);
  // ICCCM withdrawal: unmap, and tell the window manager with a synthetic
  // UnmapNotify on the root; it lets go of the window (reparents it to the root
  // and removes WM_STATE).
  xcb_unmap_window(conn_, w);
  xcb_unmap_notify_event_t ev{};
  ev.response_type = XCB_UNMAP_NOTIFY;
  ev.event = root_;
  ev.window = w;
  ev.from_configure = 0;
  xcb_send_event(conn_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  xcb_flush(conn_);
  ArmReleaseDeadline();
}

bool X11WindowSystem::LetGo(xcb_window_t w) const { return TopAncestor(w) == w && !WmClient(w); }

void X11WindowSystem::SettleWithdrawal(xcb_window_t w, bool wait) {
  auto it = withdrawing_.find(w);
  if (it == withdrawing_.end()) return;
  const auto until = it->second.until;
  // Bounded generously (kWmReleaseMs): a window manager always lets go, and
  // on a loaded machine it took longer than kWmAnswerMs.
  bool letGo = LetGo(w);
  if (!letGo && wait) letGo = PollUntil([&] { return LetGo(w); }, until);
  if (!letGo && std::chrono::steady_clock::now() < until) return;  // its answer is still to come
  const Rect asked = it->second.asked;
  withdrawing_.erase(it);
  keeper_.EndRelease(w);
  ArmReleaseDeadline();
  if (!letGo) {
    unmanaged_.erase(w);
    xcb_map_window(conn_, w);
    Sync();
  } else {
    // Some window managers (fluxbox, xfwm4) leave their _NET_FRAME_EXTENTS on
    // a window they let go of: anyone reading the frame from it (Qt's frame
    // margins, a pager) would count a frame the window no longer has.
    xcb_delete_property(conn_, w, atoms_.frameExtents);
    const std::uint32_t on = 1;
    xcb_change_window_attributes(conn_, w, XCB_CW_OVERRIDE_REDIRECT, &on);
    PlaceUnmanaged(w, asked, true);
  }
  if (onManagementChange) onManagementChange(w, true);
}

void X11WindowSystem::ArmReleaseDeadline() {
  if (!releaseDeadline_) return;
  if (withdrawing_.empty()) {
    releaseDeadline_->stop();
    return;
  }
  auto first = withdrawing_.begin()->second.until;
  for (const auto& [w, withdrawal] : withdrawing_) first = std::min(first, withdrawal.until);
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - std::chrono::steady_clock::now());
  releaseDeadline_->start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
}

void X11WindowSystem::PlaceUnmanaged(xcb_window_t w, const Rect& frame, bool map) {
  const std::vector<Monitor> monitors = CurrentBackends().screens->Monitors();
  const Rect placed = UnmanagedRect(frame, OwnHints(w), monitors);
  Configure(w, placed);
  const std::uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(conn_, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  StackBelowPanels(conn_, root_, w, placed, monitors);
  if (map) xcb_map_window(conn_, w);
  Sync();
  keeper_.Keep(w, frame, placed);
}

bool X11WindowSystem::GiveBack(xcb_window_t w, const Rect& frame, bool map) {
  const Extents e = unmanaged_[w];
  unmanaged_.erase(w);
  xcb_unmap_window(conn_, w);
  Unclip(conn_, w);
  const std::uint32_t off = 0;
  xcb_change_window_attributes(conn_, w, XCB_CW_OVERRIDE_REDIRECT, &off);
  const Rect client = ClientFromFrame(frame, e);
  // The window manager frames the window around the position it has when it
  // is mapped, read by the client's gravity (and as it was seen to read this
  // window's maps); Configure leaves no border.
  const auto reading = readings_.find(w);
  const Point corner = (reading != readings_.end() ? reading->second : PositionReading{})
                           .Ask(PositionReading::kMap, frame, e, WinGravity(NormalHints(w)), 0);
  Configure(w, Rect{corner.x, corner.y, corner.x + client.Width(), corner.y + client.Height()});
  // The position is the user's choice (USPosition), so that the window manager
  // maps the window where it stood rather than placing it anew.
  WearHints(w, client, corner, true);
  // KWin leaves its states on a window it let go of: mapped with them, it
  // would be maximized again.
  CleanStates(w);
  if (!map) {
    // Hidden meanwhile: the window manager frames it when it is shown.
    xcb_flush(conn_);
    return false;
  }
  xcb_map_window(conn_, w);
  xcb_flush(conn_);
  // Framed again once WM_STATE is back (every window manager sets it) and
  // the frame holds the client (a window manager that frames nothing leaves
  // it where it is: that wait is bounded short).
  if (!PollUntil([&] { return WmClient(w); }, kWmReleaseMs)) {
    // One that has not taken the window by now does not map it either (it
    // holds the redirect and answers nothing, or has hung): the window would
    // stay unmapped, out of the user's reach.  It is shown unmanaged at the
    // asked frame instead, and counts as withdrawn, so that later moves place
    // it as such and give it back again when they come home.
    unmanaged_[w] = e;
    const std::uint32_t on = 1;
    xcb_change_window_attributes(conn_, w, XCB_CW_OVERRIDE_REDIRECT, &on);
    PlaceUnmanaged(w, frame, true);
    return false;
  }
  // The rest of its answer to the map (the frame around the client) comes
  // before its answer to what was sent after it.
  WmAnswered(kWmReleaseMs);
  PollUntil([&] { return TopAncestor(w) != w; }, kWmAnswerMs);
  // The frame's extents are published a moment after reparenting.
  PollUntil(
      [&] {
        const auto f = FrameRect(w);
        const auto c = ClientRect(w);
        return f && c && ExtentsBetween(*f, *c) == e;
      },
      kSettleMs);
  ManagedMove(w, frame, corner);
  return true;
}

bool X11WindowSystem::AskAgain(xcb_window_t w, const Rect& asked) {
  if (!Exists(w) || unmanaged_.count(w) != 0 || !WmClient(w)) return false;
  // A button held is the user dragging or resizing the frame: the change is
  // theirs, and the watch ends.
  const auto pointer = Answer(conn_, &xcb_query_pointer_reply, xcb_query_pointer(conn_, root_));
  constexpr std::uint16_t kButtons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 |
                                     XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
  if (pointer && (pointer->mask & kButtons) != 0) {
    keeper_.Unsettle(w);
    return false;
  }
  const std::optional<Rect> now = FrameRect(w);
  if (!now) return false;
  if (*now != asked) {
    ManagedMove(w, asked);
    return true;
  }
  // Landed.  Hints of ours it still wears go back now if its size fits its
  // own: on a loaded machine an xterm's answer to the move home came after
  // the move had given up waiting, and its resize increments stayed off.
  ReturnHints(w);
  return false;
}

void X11WindowSystem::Forget(xcb_window_t w) {
  if (withdrawing_.erase(w) != 0) {
    keeper_.EndRelease(w);
    ArmReleaseDeadline();
    if (onManagementChange) onManagementChange(w, true);
  }
  unmanaged_.erase(w);
  held_.erase(w);
  readings_.erase(w);
  homes_.erase(w);
  keeper_.Release(w);
}

MoveFacts X11WindowSystem::Facts(xcb_window_t w) {
  MoveFacts f;
  f.wmRunning = WmRunning();
  f.placesWindows = CurrentSession().placesWindows;
  f.withdrawing = withdrawing_.count(w) != 0;
  auto a = Answer(conn_, &xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, w));
  // A window the window manager has just framed may stand unmapped a moment
  // longer (mutter maps the client after its frame): its WM_STATE Normal
  // says it is shown, and a move must place its frame, not the bare client.
  if (a && a->map_state != XCB_MAP_STATE_UNMAPPED) {
    f.shown = true;
  } else if (a && f.wmRunning) {
    const std::vector<std::uint32_t> state = Cardinals(w, atoms_.wmState, atoms_.wmState);
    f.shown = !state.empty() && state[0] == 1 && TopAncestor(w) != w;
  }
  // A window this layer withdrew is override-redirect until it is given
  // back (once the window manager has let go).  One that is not is another
  // window under a reused id (the X server hands a gone client's ids to the
  // next one): what was kept is not its.
  if (!f.withdrawing && unmanaged_.count(w) != 0 && a && !a->override_redirect) Forget(w);
  f.unmanaged = unmanaged_.count(w) != 0;
  RememberHome(w, f.wmRunning && f.shown && !f.unmanaged);
  f.home = homes_[w].frame;
  if (f.unmanaged) {
    f.borders = unmanaged_[w];
  } else if (f.wmRunning) {
    const std::optional<Rect> frame = FrameRect(w), client = ClientRect(w);
    if (frame && client) f.borders = ExtentsBetween(*frame, *client);
  }
  return f;
}

void X11WindowSystem::Move(HWND h, const Rect& frame) {
  if (IsOurChild(h)) {
    ours_->Move(h, frame);
    return;
  }
  // Windows destroyed meanwhile are forgotten first: the id may name a new
  // window now.
  keeper_.Poll();
  if (!Exists(h)) {
    if (h <= 0xFFFFFFFFu) Forget(static_cast<xcb_window_t>(h));
    return;
  }
  const auto w = static_cast<xcb_window_t>(h);
  // A window given back lately and moved on by a slide's next steps is
  // watched at its newest place: the client's stale answer to the hand-back
  // may come after them.
  const bool settling = keeper_.Settling(w);
  keeper_.Unsettle(w);
  const std::vector<Monitor> monitors = CurrentBackends().screens->Monitors();
  MoveFacts facts = Facts(w);
  MoveWay way = PlanMove(facts, frame, monitors);
  if (way == MoveWay::FinishWithdrawal) {
    SettleWithdrawal(w, true);
    facts = Facts(w);
    way = PlanMove(facts, frame, monitors);
  }
  switch (way) {
    case MoveWay::Retarget:
      withdrawing_[w].asked = frame;
      break;
    case MoveWay::FinishWithdrawal:  // planned again above, never twice
    case MoveWay::Stay:
      break;
    case MoveWay::ConfigureHidden:
      Configure(w, frame, true);
      Sync();
      break;
    case MoveWay::Configure: {
      // Nothing frames it: it stands as an unmanaged window does.
      const Rect placed = UnmanagedRect(frame, OwnHints(w), monitors);
      Configure(w, placed, true);
      Sync();
      // Only while it is off the screen: at home its size is its own business.
      if (WhollyOnMonitors(frame, monitors))
        keeper_.Release(w);
      else
        keeper_.Keep(w, frame, placed);
      break;
    }
    case MoveWay::Managed:
      keeper_.Release(w);
      ManagedMove(w, frame);
      if (settling) keeper_.Settle(w, frame);
      break;
    case MoveWay::Withdraw:
      Withdraw(w, frame);
      // A Wayland compositor hands the focus on in its own time, and names
      // no X window active meanwhile: with the event loop running while the
      // window it withdrew stood unmapped, mutter's XWayland had the IDE's
      // focus counted lost after a hide (hiding paused, every Lazarus round
      // under headless mutter).  There the withdrawal is waited for.
      if (CurrentSession().xwayland) SettleWithdrawal(w, true);
      break;
    case MoveWay::PlaceUnmanaged:
      PlaceUnmanaged(w, frame, facts.shown);
      break;
    case MoveWay::GiveBack:
      keeper_.Release(w);
      if (facts.shown && onManagementChange) onManagementChange(h, false);
      if (GiveBack(w, frame, facts.shown)) keeper_.Settle(w, frame);
      if (facts.shown && onManagementChange) onManagementChange(h, true);
      break;
  }
}

void X11WindowSystem::Raise(HWND h) {
  if (ours_->Exists(h)) ours_->Raise(h);
  if (QWidget* w = WidgetFromHandle(h)) h = ours_->Exists(HandleOf(w->window())) ? HandleOf(w->window()) : h;
  if (h == 0 || h > 0xFFFFFFFFu) return;
  // For a managed window a request the window manager grants; for an unmanaged
  // one the raise itself.
  const std::uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(conn_, static_cast<xcb_window_t>(h), XCB_CONFIG_WINDOW_STACK_MODE, &above);
  xcb_flush(conn_);
}

std::vector<HWND> X11WindowSystem::Stacking() const {
  std::vector<HWND> out;
  auto t = Answer(conn_, &xcb_query_tree_reply, xcb_query_tree(conn_, root_));
  if (!t) return out;
  const xcb_window_t* kids = xcb_query_tree_children(t.get());
  const int n = xcb_query_tree_children_length(t.get());
  const bool wm = WmRunning();
  for (int i = n - 1; i >= 0; --i) {
    auto a = Answer(conn_, &xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, kids[i]));
    if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY) continue;
    // Unmanaged windows (ours withdrawn, menus) are their own clients; a
    // window manager's frame may be override-redirect too (fluxbox's and icewm's are),
    // so a client inside comes first.
    xcb_window_t client = wm ? ClientOf(kids[i]) : kids[i];
    if (client == XCB_WINDOW_NONE && a->override_redirect) client = kids[i];
    if (client != XCB_WINDOW_NONE) out.push_back(client);
  }
  return out;
}

HWND X11WindowSystem::WindowAt(Point pt) const {
  // One round trip finds the top-level window (frame or unmanaged window) the
  // X server shows at the point; a few more find its client.
  auto t = Answer(
      conn_, &xcb_translate_coordinates_reply,
      xcb_translate_coordinates(conn_, root_, root_, static_cast<std::int16_t>(pt.x), static_cast<std::int16_t>(pt.y)));
  if (!t || t->child == XCB_WINDOW_NONE) return 0;
  auto a = Answer(conn_, &xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, t->child));
  if (!a) return 0;
  if (!WmRunning()) return t->child;
  const xcb_window_t client = ClientOf(t->child);
  return client == XCB_WINDOW_NONE && a->override_redirect ? t->child : client;
}

HWND X11WindowSystem::Owner(HWND h) const {
  if (ours_->Exists(h)) return ours_->Owner(h);
  if (h == 0 || h > 0xFFFFFFFFu) return 0;
  const auto v = Cardinals(static_cast<xcb_window_t>(h), XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW);
  return v.empty() ? 0 : v[0];
}

std::optional<WindowIdentity> X11WindowSystem::Identify(HWND h) const {
  if (ours_->Exists(h)) return ours_->Identify(h);
  if (!Exists(h)) return std::nullopt;
  const auto w = static_cast<xcb_window_t>(h);
  WindowIdentity id;
  id.title = Text(w, atoms_.wmName);
  if (id.title.empty()) id.title = Text(w, XCB_ATOM_WM_NAME);
  // WM_CLASS is two NUL-terminated strings: instance, then class.
  const std::string cls = Text(w, XCB_ATOM_WM_CLASS);
  const std::size_t nul = cls.find('\0');
  id.instance = cls.substr(0, nul);
  if (nul != std::string::npos) id.cls = std::string(cls.c_str() + nul + 1);
  const auto pid = Cardinals(w, atoms_.pid, XCB_ATOM_CARDINAL);
  if (!pid.empty()) id.pid = pid[0];
  return id;
}

HWND X11WindowSystem::FocusedWindow() const {
  auto f = Answer(conn_, &xcb_get_input_focus_reply, xcb_get_input_focus(conn_));
  const bool none =
      !f || f->focus == XCB_WINDOW_NONE || f->focus == XCB_INPUT_FOCUS_POINTER_ROOT || f->focus == root_;
  const xcb_window_t top = none ? static_cast<xcb_window_t>(XCB_WINDOW_NONE) : TopAncestor(f->focus);
  if (!WmRunning()) return top;
  // A window the window manager does not manage (override-redirect, and no
  // frame of the window manager's, which may be override-redirect too, with a
  // client inside) can hold the X focus without the window manager ever naming
  // it active: then it is the focused window, whatever _NET_ACTIVE_WINDOW says.
  // A window of the window manager's own is nobody's focus: metacity parks
  // the X focus on a window of its own when it gives it to no window (once
  // every window of the application that had it is hidden).
  if (top != XCB_WINDOW_NONE && !OfWindowManager(top)) {
    auto a = Answer(conn_, &xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, top));
    if (a && a->override_redirect && a->map_state == XCB_MAP_STATE_VIEWABLE && ClientOf(top) == XCB_WINDOW_NONE)
      return top;
  }
  const auto v = Cardinals(root_, atoms_.activeWindow, XCB_ATOM_WINDOW);
  return v.empty() ? 0 : v[0];
}

void X11WindowSystem::Focus(HWND h) {
  if (!Exists(h) || h > 0xFFFFFFFFu) return;
  xcb_set_input_focus(conn_, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(h), XCB_CURRENT_TIME);
  xcb_flush(conn_);
}

}  // namespace platform::x11
