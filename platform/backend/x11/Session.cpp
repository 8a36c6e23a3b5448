#include "platform/backend/x11/Session.h"

#include <algorithm>
#include <cctype>

namespace platform::x11 {

bool IsXWaylandOutput(std::string_view name) {
  constexpr std::string_view prefix = "XWAYLAND";
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
  return std::all_of(name.begin() + prefix.size(), name.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

Compositor CompositorNamed(std::string_view wmName) {
  std::string lower(wmName);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  auto has = [&](std::string_view word) { return lower.find(word) != std::string::npos; };
  // GNOME Shell is mutter with its shell; wlroots names its window manager
  // "wlroots wm" under sway and its kin.
  if (has("mutter") || has("gnome shell")) return Compositor::Mutter;
  if (has("kwin")) return Compositor::KWin;
  if (has("wlroots") || has("sway")) return Compositor::Sway;
  if (has("weston")) return Compositor::Weston;
  return Compositor::Unknown;
}

Session ClassifySession(const SessionFacts& facts) {
  Session s;
  s.xwayland = std::any_of(facts.outputNames.begin(), facts.outputNames.end(),
                           [](const std::string& n) { return IsXWaylandOutput(n); });
  if (!s.xwayland) return s;
  s.compositor = CompositorNamed(facts.wmName);
  // A compositor whose window manager takes no moves of managed windows
  // would show a revealed window where it likes.
  s.placesWindows = facts.moveResizeListed;
  return s;
}

PointerSources PointerSourcesFor(const Session& s) {
  PointerSources p;
  if (!s.xwayland) return p;
  p.childNoneIsOffX = true;
  p.rootCrossings = true;
  p.compositorCursor = s.compositor == Compositor::KWin;
  return p;
}

Judgement JudgeQuery(const PointerSources& sources, const WatchState& state, const QueryFacts& q) {
  Judgement j{QueryVerdict::Report, state};
  if (!sources.childNoneIsOffX) return j;
  if (q.childNone) {
    if (q.leftX) j.next.dirty = false;
    if (j.next.dirty || !q.windowAtPoint)
      j.verdict = QueryVerdict::Ignore;
    else if (q.confirming && !q.raw)
      j.verdict = QueryVerdict::OffX, j.next.offX = true, j.next.offXAt = q.at;
    else
      j.verdict = QueryVerdict::Confirm;
    return j;
  }
  j.next.dirty = false;
  if (state.offX && !q.raw && q.at == state.offXAt)
    j.verdict = QueryVerdict::Ignore;
  else
    j.next.offX = false;
  return j;
}

Point PointOffX(const std::vector<Monitor>& monitors, Point last) {
  if (monitors.empty()) return Point{0, 0};
  const Monitor* on = &monitors.front();
  for (const Monitor& m : monitors)
    if (m.bounds.Contains(last.x, last.y)) {
      on = &m;
      break;
    }
  const Rect& b = on->bounds;
  return Point{b.left + b.Width() / 2, b.bottom - 1};
}

std::string SessionName(const Session& s) {
  if (!s.xwayland) return "X11 (no Wayland compositor)";
  switch (s.compositor) {
    case Compositor::Mutter: return "XWayland under mutter (GNOME)";
    case Compositor::KWin: return "XWayland under KWin (KDE Plasma)";
    case Compositor::Sway: return "XWayland under sway (wlroots)";
    case Compositor::Weston: return "XWayland under weston";
    case Compositor::None:
    case Compositor::Unknown: break;
  }
  return "XWayland under an unknown compositor";
}

std::vector<FeatureRow> SessionFeatures(const Session& s) {
  std::vector<FeatureRow> rows;
  if (!s.xwayland) {
    rows.push_back({"hide at the screen edges", "yes, where the window manager lets windows go"});
    rows.push_back({"hide when the pointer leaves", "yes (XInput 2 raw motion)"});
    rows.push_back({"reveal when the pointer rests on a strip", "yes"});
    rows.push_back({"another application's focus pauses hiding", "yes"});
    return rows;
  }
  if (!s.placesWindows) {
    rows.push_back({"hide at the screen edges",
                    "no: the compositor places X windows itself; Start leaves them at home and says so"});
    return rows;
  }
  rows.push_back({"hide at the screen edges", "yes"});
  const PointerSources p = PointerSourcesFor(s);
  rows.push_back({"hide when the pointer leaves for an X window", "yes (XInput 2 raw motion)"});
  rows.push_back({"hide when the pointer leaves for a native window or the desktop",
                  p.compositorCursor ? "yes (KWin's cursor, through a script loaded over D-Bus)"
                                     : "yes (XWayland's crossing events)"});
  rows.push_back({"reveal when the pointer rests on a strip",
                  p.compositorCursor ? "yes (KWin's cursor)" : "yes (raw motion and crossing events)"});
  rows.push_back({"a native window's focus pauses hiding", "yes (_NET_ACTIVE_WINDOW None)"});
  return rows;
}

std::string DescribeSession(const Session& s) {
  std::string out = "session: " + SessionName(s) + "\n";
  for (const FeatureRow& r : SessionFeatures(s)) out += "  " + r.feature + ": " + r.how + "\n";
  return out;
}

}  // namespace platform::x11
