#include "platform/backend/x11/X11Screens.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>

#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {

X11Screens::X11Screens(Screens* toolkit) : toolkit_(toolkit), display_(Connection::Open()) {
  if (!display_) return;
  xcb_connection_t* c = display_.get();
  conn_ = c;
  root_ = display_.Root();
  atoms_.clientList = Intern(c, "_NET_CLIENT_LIST");
  atoms_.workArea = Intern(c, "_NET_WORKAREA");
  atoms_.strut = Intern(c, "_NET_WM_STRUT");
  atoms_.strutPartial = Intern(c, "_NET_WM_STRUT_PARTIAL");
  // The root's properties, its size, and its children coming and going.
  const std::uint32_t mask =
      XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(conn_);
  // Events are read as they come, so that none pile up between answers.
  if (QCoreApplication::instance()) {
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { ReadEvents(); });
  }
}

X11Screens::~X11Screens() = default;

int X11Screens::CaptionHeight() const { return toolkit_->CaptionHeight(); }

void X11Screens::ReadEvents() const {
  if (!conn_) return;
  while (const Event e = NextEvent(conn_)) {
    switch (e->response_type & 0x7F) {
      case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e.get());
        if (p->window == root_ ? p->atom == atoms_.clientList || p->atom == atoms_.workArea
                               : p->atom == atoms_.strut || p->atom == atoms_.strutPartial)
          stale_ = true;
        break;
      }
      case XCB_MAP_NOTIFY:
      case XCB_UNMAP_NOTIFY:
      case XCB_DESTROY_NOTIFY:
      case XCB_REPARENT_NOTIFY: stale_ = true; break;
      case XCB_CONFIGURE_NOTIFY:
        // Children of the root move all the time; only the root's own size counts.
        if (reinterpret_cast<const xcb_configure_notify_event_t*>(e.get())->window == root_) stale_ = true;
        break;
      default: break;  // errors of selections on windows that went meanwhile, and the rest
    }
  }
}

void X11Screens::Read() const {
  stale_ = false;
  bands_.clear();
  auto geometryCookie = xcb_get_geometry(conn_, root_);
  auto treeCookie = xcb_query_tree(conn_, root_);
  auto listCookie = xcb_get_property(conn_, 0, root_, atoms_.clientList, XCB_ATOM_WINDOW, 0, 1u << 16);
  auto geometry = Answer(conn_, &xcb_get_geometry_reply, geometryCookie);
  auto tree = Answer(conn_, &xcb_query_tree_reply, treeCookie);
  std::vector<std::uint32_t> listed = Values(conn_, listCookie);
  if (!geometry) {
    stale_ = true;
    return;
  }
  std::sort(listed.begin(), listed.end());
  listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
  const auto in = [](const std::vector<xcb_window_t>& sorted, xcb_window_t w) {
    return std::binary_search(sorted.begin(), sorted.end(), w);
  };

  // The windows asked, a batch of requests per level: the listed clients,
  // and the mapped children of the root with what they hold down to
  // kMaxDepth levels below the root (a window manager's own panel, which it
  // may leave out of its client list, inside its own frame: icewm's task bar
  // is two frames deep).  A window holding a listed client is that client's
  // frame, and what else it holds is decoration: it is not searched further
  // (openbox's frames hold some fifty windows each, and asking them all made
  // a read some five times dearer).
  constexpr int kMaxDepth = 3;
  struct Ask {
    xcb_window_t window;
    int depth;  // 0 for a listed client, else the levels below the root
    xcb_get_window_attributes_cookie_t attributes{};
    xcb_query_tree_cookie_t tree{};
    xcb_get_property_cookie_t partial{}, full{};
  };
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  const auto send = [&](std::vector<Ask>& level) {
    // Changes of the reservations are heard from now on; the selection goes
    // out before the reads, so a change after a read is never missed.
    for (Ask& a : level) {
      xcb_change_window_attributes(conn_, a.window, XCB_CW_EVENT_MASK, &mask);
      if (a.depth == 1) a.attributes = xcb_get_window_attributes(conn_, a.window);
      if (a.depth >= 1 && a.depth < kMaxDepth) a.tree = xcb_query_tree(conn_, a.window);
      a.partial = xcb_get_property(conn_, 0, a.window, atoms_.strutPartial, XCB_ATOM_CARDINAL, 0, 12);
      a.full = xcb_get_property(conn_, 0, a.window, atoms_.strut, XCB_ATOM_CARDINAL, 0, 4);
    }
  };
  // Reads a level's answers: keeps its bands, and puts the children of each
  // window searched further (mapped, holding no listed client) in `below`.
  const auto receive = [&](std::vector<Ask>& level, std::vector<xcb_window_t>& below) {
    for (Ask& a : level) {
      bool counts = true;
      if (a.depth == 1) {
        auto attributes = Answer(conn_, &xcb_get_window_attributes_reply, a.attributes);
        counts = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
      }
      if (a.depth >= 1 && a.depth < kMaxDepth) {
        auto t = Answer(conn_, &xcb_query_tree_reply, a.tree);
        if (t && counts) {
          const xcb_window_t* kids = xcb_query_tree_children(t.get());
          const xcb_window_t* end = kids + xcb_query_tree_children_length(t.get());
          if (std::none_of(kids, end, [&](xcb_window_t w) { return in(listed, w); }))
            below.insert(below.end(), kids, end);
        }
      }
      const std::vector<std::uint32_t> partial = Values(conn_, a.partial);
      const std::vector<std::uint32_t> full = Values(conn_, a.full);
      if (!counts) continue;
      for (const Band& b : StrutBands(partial, full, geometry->width, geometry->height)) bands_.push_back(b);
    }
  };

  std::vector<Ask> level;
  for (xcb_window_t w : listed) level.push_back(Ask{w, 0});
  std::vector<xcb_window_t> seen = listed;
  if (tree) {
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    const xcb_window_t* end = kids + xcb_query_tree_children_length(tree.get());
    for (const xcb_window_t* k = kids; k != end; ++k)
      if (!in(listed, *k)) level.push_back(Ask{*k, 1});
    seen.insert(seen.end(), kids, end);
  }
  std::sort(seen.begin(), seen.end());
  for (int depth = 1; !level.empty(); ++depth) {
    send(level);
    std::vector<xcb_window_t> below;
    receive(level, below);
    level.clear();
    for (xcb_window_t w : below) {
      const auto at = std::lower_bound(seen.begin(), seen.end(), w);
      if (at != seen.end() && *at == w) continue;
      seen.insert(at, w);
      level.push_back(Ask{w, depth + 1});
    }
  }
}

std::vector<Band> X11Screens::Reserved() const {
  if (!conn_ || xcb_connection_has_error(conn_)) return {};
  ReadEvents();
  if (stale_) Read();
  return bands_;
}

std::vector<Monitor> X11Screens::Monitors() const { return ApplyBands(toolkit_->Monitors(), Reserved()); }

}  // namespace platform::x11
