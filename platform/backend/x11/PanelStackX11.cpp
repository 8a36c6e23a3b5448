#include <algorithm>
#include <set>

#include "platform/backend/x11/PanelStack.h"
#include "platform/backend/x11/Xcb.h"

#ifdef EDGETUCKER_HAVE_XCB_SHAPE
#include <xcb/shape.h>
#endif

namespace platform::x11 {
namespace {

// The windows clipped now, so that only they are given their shape back (a
// shape request on any other would be one for nothing, or worse, on a window
// whose owner shapes it itself).
std::set<xcb_window_t>& Clipped() {
  static std::set<xcb_window_t> windows;
  return windows;
}

// The bounding and the input shape alike: what is clipped away is neither
// drawn nor under the pointer.
void Clip(xcb_connection_t* c, xcb_window_t w, const Rect& placed, const std::vector<Monitor>& monitors) {
#ifdef EDGETUCKER_HAVE_XCB_SHAPE
  const std::vector<Rect> parts = PartsInWorkAreas(placed, monitors);
  // Nothing of it in a work area: no clip leaves it all on the panels, and
  // an empty one would make it nothing at all; as it was, stacked on top.
  if (parts.empty()) return;
  std::vector<xcb_rectangle_t> rects;
  for (const Rect& p : parts)
    rects.push_back(xcb_rectangle_t{static_cast<std::int16_t>(p.left), static_cast<std::int16_t>(p.top),
                                    static_cast<std::uint16_t>(p.Width()), static_cast<std::uint16_t>(p.Height())});
  for (const xcb_shape_kind_t kind : {XCB_SHAPE_SK_BOUNDING, XCB_SHAPE_SK_INPUT})
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED, w, 0, 0,
                         static_cast<std::uint32_t>(rects.size()), rects.data());
  xcb_flush(c);
  Clipped().insert(w);
#else
  (void)c, (void)w, (void)placed, (void)monitors;
#endif
}

}  // namespace

void Unclip(xcb_connection_t* c, xcb_window_t w) {
  if (Clipped().erase(w) == 0) return;
#ifdef EDGETUCKER_HAVE_XCB_SHAPE
  for (const xcb_shape_kind_t kind : {XCB_SHAPE_SK_BOUNDING, XCB_SHAPE_SK_INPUT})
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, kind, w, 0, 0, XCB_PIXMAP_NONE);
  xcb_flush(c);
#else
  (void)c;
#endif
}

void StackBelowPanels(xcb_connection_t* c, xcb_window_t root, xcb_window_t w, const Rect& placed,
                      const std::vector<Monitor>& monitors) {
  if (!ReachesPanels(placed, monitors)) {
    Unclip(c, w);
    return;
  }
  const xcb_atom_t strut = Intern(c, "_NET_WM_STRUT"), partial = Intern(c, "_NET_WM_STRUT_PARTIAL");
  const xcb_atom_t type = Intern(c, "_NET_WM_WINDOW_TYPE"), dock = Intern(c, "_NET_WM_WINDOW_TYPE_DOCK");
  auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
  if (!tree) return;
  const xcb_window_t* kids = xcb_query_tree_children(tree.get());
  const int n = xcb_query_tree_children_length(tree.get());

  // A panel's properties are on its client, which a window manager may have
  // put in a frame: each viewable child of the root is asked, with the
  // windows it holds (one level down, where frames keep their clients).
  struct Child {
    xcb_window_t window;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_query_tree_cookie_t tree;
  };
  std::vector<Child> children;
  for (int i = 0; i < n; ++i)
    children.push_back(Child{kids[i], xcb_get_window_attributes(c, kids[i]), xcb_get_geometry(c, kids[i]),
                             xcb_query_tree(c, kids[i])});
  const auto isPanel = [&](xcb_window_t x) {
    auto s = Own(xcb_get_property_reply(c, xcb_get_property(c, 0, x, partial, XCB_ATOM_CARDINAL, 0, 12), nullptr));
    if (s && s->format == 32 && xcb_get_property_value_length(s.get()) >= 16) return true;
    s = Own(xcb_get_property_reply(c, xcb_get_property(c, 0, x, strut, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (s && s->format == 32 && xcb_get_property_value_length(s.get()) >= 16) return true;
    auto t = Own(xcb_get_property_reply(c, xcb_get_property(c, 0, x, type, XCB_ATOM_ATOM, 0, 32), nullptr));
    if (!t || t->format != 32) return false;
    const auto* v = static_cast<const xcb_atom_t*>(xcb_get_property_value(t.get()));
    const int count = xcb_get_property_value_length(t.get()) / 4;
    return std::find(v, v + count, dock) != v + count;
  };
  std::vector<Stacked> stack;
  for (Child& ch : children) {
    auto a = Own(xcb_get_window_attributes_reply(c, ch.attributes, nullptr));
    auto g = Own(xcb_get_geometry_reply(c, ch.geometry, nullptr));
    auto t = Own(xcb_query_tree_reply(c, ch.tree, nullptr));
    if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE || ch.window == w) continue;
    bool panel = isPanel(ch.window);
    if (!panel && t) {
      const xcb_window_t* inner = xcb_query_tree_children(t.get());
      const int m = xcb_query_tree_children_length(t.get());
      for (int i = 0; i < m && !panel; ++i) panel = isPanel(inner[i]);
    }
    const int b = g->border_width;
    stack.push_back(Stacked{ch.window, Rect{g->x, g->y, g->x + g->width + 2 * b, g->y + g->height + 2 * b}, panel});
  }
  if (const std::optional<std::uint32_t> below = PanelToStackBelow(stack, w, placed)) {
    Unclip(c, w);
    const std::uint32_t values[] = {*below, XCB_STACK_MODE_BELOW};
    xcb_configure_window(c, w, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(c);
  } else {
    // Space reserved where no X panel stands: a panel of the compositor's.
    Clip(c, w, placed, monitors);
  }
}

}  // namespace platform::x11
