// What kind of X session the backend runs in, and what follows from it.
//
// On a Wayland desktop the IDE and this process are X11 clients of the
// compositor's XWayland.  The X server then sees only its own surfaces: it
// learns of the pointer only while the pointer is over one of them, and a
// native Wayland window (or the bare desktop) is nothing to it.  What each
// compositor tells its XWayland differs, measured on headless compositors:
//
//   compositor  pointer leaves X for a native window   arrives on a strip and rests
//   mutter      root EnterNotify (Inferior); the       raw motion, as on X11
//               pointer query answers child None at
//               the last X position
//   KWin        nothing                                crossing and motion events of
//                                                      the window, no raw motion
//   sway        as mutter                              as mutter
//
// A native window taking the focus sets _NET_ACTIVE_WINDOW to None everywhere
// (under KWin the X focus goes to a window of KWin's own).
//
// Placement: mutter and KWin honour _NET_MOVERESIZE_WINDOW and let withdrawn
// windows go as X window managers do.  sway lists no _NET_MOVERESIZE_WINDOW and
// re-centres managed X windows whatever position they ask for; weston keeps a
// withdrawn window framed.  Where the compositor's window manager lists no
// _NET_MOVERESIZE_WINDOW, a window that hides would come back where the
// compositor likes, not at its edge, so it is not hidden at all: the add-in
// then leaves it at home and says so, as for an X window manager that keeps
// windows on screen.
//
// The pure part (this header) classifies from facts read once; X11Session.h
// reads them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"

namespace platform::x11 {

enum class Compositor {
  None,     // a plain X server: no Wayland compositor behind it
  Mutter,   // GNOME
  KWin,     // KDE Plasma
  Sway,     // or another compositor on wlroots
  Weston,
  Unknown,  // XWayland under a compositor not named here
};

// The facts read from the X server once.
struct SessionFacts {
  std::vector<std::string> outputNames;  // RandR outputs (Qt's screen names)
  std::string wmName;                    // _NET_WM_NAME of _NET_SUPPORTING_WM_CHECK's window
  bool moveResizeListed = false;         // _NET_SUPPORTED holds _NET_MOVERESIZE_WINDOW
};

struct Session {
  bool xwayland = false;
  Compositor compositor = Compositor::None;
  // Windows may hide off the screen: the window manager lets a withdrawn
  // window go and places managed windows where they ask (checked again per
  // window when it is withdrawn: X11WindowSystem).
  bool placesWindows = true;
  friend bool operator==(const Session&, const Session&) = default;
};

// XWayland names its RandR outputs XWAYLAND0, XWAYLAND1, ...
bool IsXWaylandOutput(std::string_view name);
Compositor CompositorNamed(std::string_view wmName);
Session ClassifySession(const SessionFacts& facts);

// How the pointer watch learns where the pointer is.
struct PointerSources {
  // The pointer query's child None means "over no X surface" (a native window
  // or the bare desktop), not "over the root window".
  bool childNoneIsOffX = false;
  // The root window's crossing events wake the watch: the pointer leaving
  // the X surfaces for a native one, or coming back.
  bool rootCrossings = false;
  // The compositor reports its cursor itself (a KWin script: KWinCursor.h).
  bool compositorCursor = false;
};
PointerSources PointerSourcesFor(const Session& s);

// What one pointer query means under XWayland, where the X server's idea of
// the pointer lags the compositor's (measured under mutter):
//  * child None at a point where an X window stands: the pointer left the X
//    surfaces (mutter and sway send XWayland a leave), or XWayland has not
//    yet placed it into a window it just entered (within a frame or so).  So
//    a None counts once it held a moment with no motion in between;
//  * when windows were mapped, unmapped, reparented or moved under the
//    pointer (ours hiding or coming back), XWayland keeps the pointer on the
//    root, at rest and through the first motions, until it places it in a
//    window again: a None means nothing until a query finds the pointer in a
//    window (`dirty` until then);
//  * a window again while the last report said "off the X surfaces", with
//    no motion, at the very point where the pointer was left: XWayland put
//    its stale pointer into a window that came to stand under it (one of ours
//    hiding to its strip); the real pointer is still elsewhere.  At another
//    point it is the pointer itself: XWayland moves its pointer only when
//    the compositor brings it back onto an X surface, and a pointer that
//    arrives in one step and rests brings no raw motion the watch could
//    count (its motion, if any, is stamped before the query's answer).
struct QueryFacts {
  bool childNone = false;      // the query's child
  bool windowAtPoint = false;  // a top-level X window stands at the queried point
  bool raw = false;            // raw motion came since the last query
  bool confirming = false;     // this is the query a None asked for, a moment later
  Point at;                    // where the query found the pointer (root coordinates)
  // The root had an EnterNotify from a child (detail Inferior) since the last
  // query that CrossingReader reads as the pointer leaving: XWayland moved its
  // pointer out of its windows because the compositor took it off them, not
  // because a window changed under it.  Its pointer is then fresh, windows
  // changed earlier or not (a window revealed under the resting pointer, left
  // in one step with no motion over it).
  bool leftX = false;
};
// Reads one batch of the watch's events, in the order the server sent them,
// for what the root's crossings tell under XWayland.
//
// XWayland moves its pointer out of its windows into the root (an EnterNotify
// of the root from a child, detail Inferior) in two cases: the compositor took
// the pointer off its surfaces (it left for a native window or the bare
// desktop), or the top-level window under the pointer changed (unmapped,
// reparented, moved away) and the compositor has not yet handed the pointer to
// what stands there now.  Only the first is news of the pointer.  A change of a
// top-level window read before the EnterNotify makes it the second, unless raw
// motion came between the two: raw motion reaches XWayland only while the
// pointer is over one of its surfaces, so the change had settled and the
// pointer stood in a window again when it went out.  (Measured under mutter
// with slides: a revealed window handed back to the window manager while the
// process was busy, the pointer moving down over it and out, all read in one
// batch; taking the EnterNotify for the change left the window shown.)
class CrossingReader {
public:
  void RawMotion() { m_changedSinceMotion = false; }
  // MapNotify, UnmapNotify, ReparentNotify or ConfigureNotify of a top-level window.
  void WindowChanged() { m_changedSinceMotion = true; }
  // The root's EnterNotify with detail Inferior.
  void RootEnteredFromChild() {
    if (!m_changedSinceMotion) m_leftX = true;
  }
  // The pointer left the X surfaces since the last Take (QueryFacts::leftX).
  bool Take() { return std::exchange(m_leftX, false); }
  // A new batch: changes read in an earlier one were handled by then.
  void NewBatch() { m_changedSinceMotion = false; }

private:
  bool m_changedSinceMotion = false;
  bool m_leftX = false;
};

struct WatchState {
  bool dirty = false;  // windows changed since the pointer was last found in one
  bool offX = false;   // the last report was "off the X surfaces"
  Point offXAt;        // where XWayland's pointer stood then (its stale place)
  friend bool operator==(const WatchState&, const WatchState&) = default;
};
enum class QueryVerdict {
  Report,   // the position is where the pointer is
  Ignore,   // nothing known: report nothing
  Confirm,  // a None to be asked again in a moment
  OffX,     // the pointer stands over no X surface: report PointOffX
};
struct Judgement {
  QueryVerdict verdict = QueryVerdict::Report;
  WatchState next;
};
Judgement JudgeQuery(const PointerSources& sources, const WatchState& state, const QueryFacts& q);
// How long a None must hold: XWayland places a pointer that entered one of
// its windows within a frame of the compositor's.
inline constexpr int kOffXConfirmMs = 16;

// Where the pointer is said to be while it stands over no X surface: a point
// past every hide threshold and in no reveal zone, so that every shown IDE
// window hides and none is revealed.  The middle of the bottom edge of the
// monitor that holds `last` (the last position the X server knew; the first
// monitor when none holds it): below a main window hidden at the top, right of
// an inspector on the left, left of one on the right, and on the monitor, so
// the monitor-bound rows and columns of the hide rules hold.  (0, 0) without
// monitors.
Point PointOffX(const std::vector<Monitor>& monitors, Point last);

// One row of what holds in a session: a feature and how it holds there.
struct FeatureRow {
  std::string feature;
  std::string how;
};
std::vector<FeatureRow> SessionFeatures(const Session& s);
// "X11 (no Wayland compositor)", "XWayland under KWin (KDE Plasma)", ...
std::string SessionName(const Session& s);
// The name and the rows as a small text table, one row a line.
std::string DescribeSession(const Session& s);

}  // namespace platform::x11
