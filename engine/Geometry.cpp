#include "engine/Geometry.h"

#include <algorithm>

#include "platform/Screens.h"
#include "settings/Settings.h"

platform::HWND MainWindow = 0;
platform::HWND InspectorWindow = 0;
THideGeometry HideGeometry;
THideRanges HideRanges;

THideGeometry ComputeHideRects(const Rect& mainHome, const Rect& inspectorHome, std::int32_t screenWidth,
                               std::int32_t fullHeight, std::uint8_t inspectorSide,
                               std::uint8_t hangOutPixels) {
  THideGeometry g;
  const std::int32_t hang = hangOutPixels;
  const std::int32_t cx = screenWidth;
  const std::int32_t cy = fullHeight;

  g.MainHomeRect = mainHome;
  const std::int32_t h = Extent16(mainHome.top, mainHome.bottom);
  g.MainShownRect = Rect{0, 0, cx, h};
  // Pushed up until only its bottom `hang` rows remain on the screen.
  g.MainHiddenRect = Rect{0, hang - h, cx, hang};

  g.InspectorHomeRect = inspectorHome;
  const std::int32_t w = Extent16(inspectorHome.left, inspectorHome.right);
  if (inspectorSide == 1) {
    g.InspectorShownRect = Rect{cx - w, 0, cx, cy};
    g.InspectorHiddenRect = Rect{cx - hang, 0, cx - hang + w, cy};
  } else {
    g.InspectorShownRect = Rect{0, 0, w, cy};
    g.InspectorHiddenRect = Rect{hang - w, 0, hang, cy};
  }
  return g;
}

namespace {

using platform::Monitor;

std::int64_t Overlap(std::int32_t a0, std::int32_t a1, std::int32_t b0, std::int32_t b1) {
  const std::int64_t lo = std::max(a0, b0);
  const std::int64_t hi = std::min(a1, b1);
  return hi > lo ? hi - lo : 0;
}

// The monitor holding most of r; the primary one (else the first) when none does.
std::size_t HoldingMonitor(const Rect& r, const std::vector<Monitor>& monitors) {
  std::size_t best = 0;
  std::int64_t bestArea = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const Rect& b = monitors[i].bounds;
    const std::int64_t area = Overlap(r.left, r.right, b.left, b.right) * Overlap(r.top, r.bottom, b.top, b.bottom);
    if (area > bestArea) {
      best = i;
      bestArea = area;
    }
  }
  if (bestArea == 0) {
    for (std::size_t i = 0; i < monitors.size(); ++i)
      if (monitors[i].primary) return i;
  }
  return best;
}

// The monitor's work area, or its bounds when the work area is empty or not
// inside them (no answer from the window manager yet, or a bad one).
Rect UsableArea(const Monitor& m) {
  const Rect& a = m.workArea;
  const Rect& b = m.bounds;
  const bool inside = a.left >= b.left && a.top >= b.top && a.right <= b.right && a.bottom <= b.bottom;
  return inside && a.Width() > 0 && a.Height() > 0 ? a : b;
}

enum class Toward { Up, Left, Right };

// From monitor `from`, steps to the neighbour beyond it in the direction (the
// one sharing most of its columns going up, of its rows going sideways) until
// there is none.  Each step goes strictly outwards, so it ends.
std::size_t OuterMonitor(std::size_t from, Toward toward, const std::vector<Monitor>& monitors) {
  std::size_t cur = from;
  for (std::size_t steps = 0; steps < monitors.size(); ++steps) {
    const Rect& c = monitors[cur].bounds;
    std::size_t next = cur;
    std::int64_t bestShare = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
      const Rect& b = monitors[i].bounds;
      bool beyond = false;
      std::int64_t share = 0;
      switch (toward) {
        case Toward::Up:
          beyond = b.bottom <= c.top;
          share = Overlap(b.left, b.right, c.left, c.right);
          break;
        case Toward::Left:
          beyond = b.right <= c.left;
          share = Overlap(b.top, b.bottom, c.top, c.bottom);
          break;
        case Toward::Right:
          beyond = b.left >= c.right;
          share = Overlap(b.top, b.bottom, c.top, c.bottom);
          break;
      }
      if (beyond && share > bestShare) {
        next = i;
        bestShare = share;
      }
    }
    if (next == cur) break;
    cur = next;
  }
  return cur;
}

}  // namespace

THideLayout ComputeHideLayout(const Rect& mainHome, const Rect& inspectorHome,
                              const std::vector<platform::Monitor>& monitors, std::uint8_t inspectorSide,
                              std::uint8_t hangOutPixels) {
  THideLayout layout;
  if (monitors.empty()) {
    layout.Geometry = ComputeHideRects(mainHome, inspectorHome, 0, 0, inspectorSide, hangOutPixels);
    return layout;
  }
  const std::int32_t hang = hangOutPixels;
  THideGeometry& g = layout.Geometry;
  THideRanges& ranges = layout.Ranges;

  const Monitor& mm = monitors[OuterMonitor(HoldingMonitor(mainHome, monitors), Toward::Up, monitors)];
  const Rect& mb = mm.bounds;
  const Rect ma = UsableArea(mm);
  const bool topPanel = ma.top > mb.top;
  const std::int32_t left = topPanel ? ma.left : mb.left, right = topPanel ? ma.right : mb.right;
  const std::int32_t top = topPanel ? ma.top : mb.top;
  g.MainHomeRect = mainHome;
  const std::int32_t h = Extent16(mainHome.top, mainHome.bottom);
  g.MainShownRect = Rect{left, top, right, top + h};
  g.MainHiddenRect = Rect{left, top + hang - h, right, top + hang};
  ranges.MainLeft = left;
  ranges.MainRight = right - 1;
  if (topPanel) ranges.MainTop = top;

  const Toward side = inspectorSide == 1 ? Toward::Right : Toward::Left;
  const Monitor& im = monitors[OuterMonitor(HoldingMonitor(inspectorHome, monitors), side, monitors)];
  const Rect& ib = im.bounds;
  const Rect ia = UsableArea(im);
  g.InspectorHomeRect = inspectorHome;
  const std::int32_t w = Extent16(inspectorHome.left, inspectorHome.right);
  if (inspectorSide == 1) {
    const bool panel = ia.right < ib.right;
    const std::int32_t edge = panel ? ia.right : ib.right;
    g.InspectorShownRect = Rect{edge - w, ia.top, edge, ia.bottom};
    g.InspectorHiddenRect = Rect{edge - hang, ia.top, edge - hang + w, ia.bottom};
    if (panel) ranges.InspectorRight = edge - 1;
  } else {
    const bool panel = ia.left > ib.left;
    const std::int32_t edge = panel ? ia.left : ib.left;
    g.InspectorShownRect = Rect{edge, ia.top, edge + w, ia.bottom};
    g.InspectorHiddenRect = Rect{edge + hang - w, ia.top, edge + hang, ia.bottom};
    if (panel) ranges.InspectorLeft = edge;
  }
  ranges.InspectorTop = ia.top;
  ranges.InspectorBottom = ia.bottom - 1;

  if (monitors.size() == 1) {
    // A single screen takes every report that the panels leave in.
    if (left == mb.left && right == mb.right) ranges.MainLeft = INT32_MIN, ranges.MainRight = INT32_MAX;
    if (ia.top == ib.top && ia.bottom == ib.bottom)
      ranges.InspectorTop = INT32_MIN, ranges.InspectorBottom = INT32_MAX;
  }
  return layout;
}

void ComputeHideGeometry() {
  // GetWindowRect leaves the rectangle alone for a lost window, so a lost
  // window keeps the home it had.
  Rect mainHome = HideGeometry.MainHomeRect;
  platform::GetWindowRect(MainWindow, mainHome);
  Rect inspectorHome = HideGeometry.InspectorHomeRect;
  platform::GetWindowRect(InspectorWindow, inspectorHome);
  const THideLayout layout = ComputeHideLayout(mainHome, inspectorHome, platform::GetMonitors(),
                                               Settings.InspectorSide, Settings.HangOutPixels);
  HideGeometry = layout.Geometry;
  HideRanges = layout.Ranges;
}

bool SameOnScreen(const Rect& at, const Rect& target, const std::vector<Monitor>& monitors, int tolerance) {
  auto near = [&](const Rect& a, const Rect& b) {
    auto close = [&](std::int64_t x, std::int64_t y) { return x - y <= tolerance && y - x <= tolerance; };
    return close(a.left, b.left) && close(a.top, b.top) && close(a.right, b.right) && close(a.bottom, b.bottom);
  };
  if (monitors.empty()) return near(at, target);
  for (const Monitor& m : monitors) {
    const Rect& b = m.bounds;
    const Rect x{std::max(at.left, b.left), std::max(at.top, b.top), std::min(at.right, b.right),
                 std::min(at.bottom, b.bottom)};
    const Rect y{std::max(target.left, b.left), std::max(target.top, b.top), std::min(target.right, b.right),
                 std::min(target.bottom, b.bottom)};
    const bool xEmpty = x.Width() <= 0 || x.Height() <= 0, yEmpty = y.Width() <= 0 || y.Height() <= 0;
    // A part a pixel wide against none is within the tolerance too.
    if (xEmpty && yEmpty) continue;
    if (xEmpty || yEmpty) {
      const Rect& part = xEmpty ? y : x;
      if (part.Width() > tolerance && part.Height() > tolerance) return false;
      continue;
    }
    if (!near(x, y)) return false;
  }
  return true;
}

void RefindWindows() {
  if (HideGeometry.InspectorShownRect.IsZero()) {
    InspectorWindow = platform::FindWindow(InspectorClass, InspectorTitle);
    ComputeHideGeometry();
  }
  if (HideGeometry.MainShownRect.IsZero()) {
    MainWindow = platform::FindWindow(MainWindowClass, nullptr);
    ComputeHideGeometry();
  }
}
