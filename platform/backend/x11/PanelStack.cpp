#include "platform/backend/x11/PanelStack.h"

#include <algorithm>

namespace platform::x11 {
namespace {

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

bool ReachesPanels(const Rect& r, const std::vector<Monitor>& monitors) {
  for (const Monitor& m : monitors) {
    const Rect on{std::max(r.left, m.bounds.left), std::max(r.top, m.bounds.top), std::min(r.right, m.bounds.right),
                  std::min(r.bottom, m.bounds.bottom)};
    if (on.right <= on.left || on.bottom <= on.top) continue;
    const Rect& a = m.workArea;
    if (on.left < a.left || on.top < a.top || on.right > a.right || on.bottom > a.bottom) return true;
  }
  return false;
}

std::optional<std::uint32_t> PanelToStackBelow(const std::vector<Stacked>& stack, std::uint32_t self,
                                               const Rect& placed) {
  for (const Stacked& s : stack)
    if (s.panel && s.window != self && Overlap(s.rect, placed)) return s.window;
  return std::nullopt;
}

std::vector<Rect> PartsInWorkAreas(const Rect& placed, const std::vector<Monitor>& monitors) {
  std::vector<Rect> parts;
  for (const Monitor& m : monitors) {
    const Rect& a = m.workArea;
    const Rect in{std::max(placed.left, a.left), std::max(placed.top, a.top), std::min(placed.right, a.right),
                  std::min(placed.bottom, a.bottom)};
    if (in.right <= in.left || in.bottom <= in.top) continue;
    parts.push_back(Rect{in.left - placed.left, in.top - placed.top, in.right - placed.left, in.bottom - placed.top});
  }
  return parts;
}

}  // namespace platform::x11
