#include "platform/backend/x11/Placement.h"

#include <algorithm>

namespace platform::x11 {

Rect ClientFromFrame(const Rect& f, const Extents& e) {
  return Rect{f.left + e.left, f.top + e.top, f.right - e.right, f.bottom - e.bottom};
}

Rect FrameFromClient(const Rect& c, const Extents& e) {
  return Rect{c.left - e.left, c.top - e.top, c.right + e.right, c.bottom + e.bottom};
}

Extents ExtentsBetween(const Rect& f, const Rect& c) {
  return Extents{std::max(0, c.left - f.left), std::max(0, f.right - c.right), std::max(0, c.top - f.top),
                 std::max(0, f.bottom - c.bottom)};
}

namespace {

// r less m, as up to four rectangles (above, below, left of and right of m).
void Subtract(const Rect& r, const Rect& m, std::vector<Rect>& out) {
  const Rect i{std::max(r.left, m.left), std::max(r.top, m.top), std::min(r.right, m.right),
               std::min(r.bottom, m.bottom)};
  if (i.left >= i.right || i.top >= i.bottom) {
    out.push_back(r);
    return;
  }
  if (r.top < i.top) out.push_back(Rect{r.left, r.top, r.right, i.top});
  if (i.bottom < r.bottom) out.push_back(Rect{r.left, i.bottom, r.right, r.bottom});
  if (r.left < i.left) out.push_back(Rect{r.left, i.top, i.left, i.bottom});
  if (i.right < r.right) out.push_back(Rect{i.right, i.top, r.right, i.bottom});
}

}  // namespace

bool WhollyOnMonitors(const Rect& r, const std::vector<Monitor>& monitors) {
  if (r.Width() <= 0 || r.Height() <= 0) {
    return std::any_of(monitors.begin(), monitors.end(),
                       [&](const Monitor& m) { return m.bounds.Contains(r.left, r.top); });
  }
  // What is left of r once every monitor is taken away must be nothing.
  std::vector<Rect> left{r};
  for (const Monitor& m : monitors) {
    std::vector<Rect> next;
    for (const Rect& piece : left) Subtract(piece, m.bounds, next);
    left.swap(next);
    if (left.empty()) return true;
  }
  return left.empty();
}

Mode ModeFor(const Rect& frame, const std::vector<Monitor>& monitors, bool wmRunning) {
  if (!wmRunning || monitors.empty()) return Mode::Managed;
  return WhollyOnMonitors(frame, monitors) ? Mode::Managed : Mode::Unmanaged;
}

}  // namespace platform::x11
