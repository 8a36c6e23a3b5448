#include "platform/backend/x11/WorkArea.h"

#include <algorithm>

namespace platform::x11 {
namespace {

// A width from the property, clipped to the root's extent along it.
std::int64_t Width(std::uint32_t v, int extent) { return std::min<std::int64_t>(v, extent); }

// The span [start, end] (inclusive, as the property names it) as a half-open
// range clipped to [0, extent); nothing when it is empty or lies outside.
std::optional<std::pair<int, int>> Span(std::uint32_t start, std::uint32_t end, int extent) {
  if (start > end || start >= static_cast<std::uint32_t>(extent)) return std::nullopt;
  const std::int64_t last = std::min<std::int64_t>(end, extent - 1);
  return std::pair{static_cast<int>(start), static_cast<int>(last + 1)};
}

bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

std::vector<Band> StrutBands(std::span<const std::uint32_t> partial, std::span<const std::uint32_t> full,
                             int rootWidth, int rootHeight) {
  std::vector<Band> out;
  if (rootWidth <= 0 || rootHeight <= 0) return out;
  std::uint32_t v[12];
  if (partial.size() >= 12) {
    std::copy_n(partial.begin(), 12, v);
  } else if (full.size() >= 4) {
    // The older property: each width along its whole edge.
    std::copy_n(full.begin(), 4, v);
    const auto w = static_cast<std::uint32_t>(rootWidth - 1), h = static_cast<std::uint32_t>(rootHeight - 1);
    const std::uint32_t spans[8] = {0, h, 0, h, 0, w, 0, w};
    std::copy_n(spans, 8, v + 4);
  } else {
    return out;
  }
  const auto add = [&](Edge edge, std::uint32_t width, std::uint32_t start, std::uint32_t end) {
    const bool vertical = edge == Edge::Left || edge == Edge::Right;
    const int across = vertical ? rootWidth : rootHeight;  // the extent the width counts along
    const int along = vertical ? rootHeight : rootWidth;
    const auto w = static_cast<int>(Width(width, across));
    const auto span = Span(start, end, along);
    if (w <= 0 || !span) return;
    Rect r;
    switch (edge) {
      case Edge::Left: r = Rect{0, span->first, w, span->second}; break;
      case Edge::Right: r = Rect{rootWidth - w, span->first, rootWidth, span->second}; break;
      case Edge::Top: r = Rect{span->first, 0, span->second, w}; break;
      case Edge::Bottom: r = Rect{span->first, rootHeight - w, span->second, rootHeight}; break;
    }
    out.push_back(Band{edge, r});
  };
  add(Edge::Left, v[0], v[4], v[5]);
  add(Edge::Right, v[1], v[6], v[7]);
  add(Edge::Top, v[2], v[8], v[9]);
  add(Edge::Bottom, v[3], v[10], v[11]);
  return out;
}

std::vector<Monitor> ApplyBands(std::vector<Monitor> monitors, const std::vector<Band>& bands) {
  for (Monitor& m : monitors) {
    if (Empty(m.bounds)) {
      m.workArea = m.bounds;
      continue;
    }
    Rect area = Empty(m.workArea) || !Inside(m.workArea, m.bounds) ? m.bounds : m.workArea;
    for (const Band& b : bands) {
      if (!Overlap(b.area, m.bounds)) continue;
      // The band reaches onto the monitor from its own edge of the root, so it
      // covers the monitor's side towards that edge: the work area's edge on
      // that side moves to the band's inner edge.
      Rect next = area;
      switch (b.edge) {
        case Edge::Left: next.left = std::max(area.left, b.area.right); break;
        case Edge::Right: next.right = std::min(area.right, b.area.left); break;
        case Edge::Top: next.top = std::max(area.top, b.area.bottom); break;
        case Edge::Bottom: next.bottom = std::min(area.bottom, b.area.top); break;
      }
      // A band across the whole monitor is meant for another one.
      if (!Empty(next)) area = next;
    }
    m.workArea = area;
  }
  return monitors;
}

}  // namespace platform::x11
