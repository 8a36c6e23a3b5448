// The session an X display belongs to (plain X11 or a Wayland compositor's
// XWayland), what follows from it, and the point a pointer off the X surfaces
// is reported at, checked against the engine's own hide and reveal rules.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Tracking.h"
#include "platform/backend/x11/Session.h"

namespace {

using platform::Monitor;
using platform::Point;
using platform::Rect;
using platform::x11::ClassifySession;
using platform::x11::Compositor;
using platform::x11::PointerSourcesFor;
using platform::x11::PointOffX;
using platform::x11::Session;
using platform::x11::SessionFacts;

TEST(Session, ClassifiedFromOutputsAndTheWindowManager) {
  struct Row {
    const char* name;
    SessionFacts facts;
    bool xwayland;
    Compositor compositor;
    bool placesWindows;
  };
  const Row rows[] = {
      {"Xvfb under openbox", {{"screen"}, "Openbox", true}, false, Compositor::None, true},
      {"Xorg, two outputs, no window manager", {{"DVI-0", "HDMI-1"}, "", false}, false, Compositor::None, true},
      {"an X11 window manager without _NET_MOVERESIZE_WINDOW", {{"VGA-1"}, "fluxbox", false}, false,
       Compositor::None, true},
      {"mutter", {{"XWAYLAND0"}, "Mutter", true}, true, Compositor::Mutter, true},
      {"GNOME Shell", {{"XWAYLAND0", "XWAYLAND1"}, "GNOME Shell", true}, true, Compositor::Mutter, true},
      {"KWin", {{"XWAYLAND0"}, "KWin", true}, true, Compositor::KWin, true},
      {"sway lists no _NET_MOVERESIZE_WINDOW", {{"XWAYLAND0"}, "wlroots wm", false}, true, Compositor::Sway, false},
      {"weston", {{"XWAYLAND0"}, "Weston WM", false}, true, Compositor::Weston, false},
      {"an unknown compositor that takes moves", {{"XWAYLAND3"}, "Hyper", true}, true, Compositor::Unknown, true},
      {"an XWayland output among others", {{"eDP-1", "XWAYLAND12"}, "KWin", true}, true, Compositor::KWin, true},
      {"XWAYLAND without a number is no output of XWayland", {{"XWAYLAND"}, "KWin", true}, false,
       Compositor::None, true},
      {"XWAYLAND and letters", {{"XWAYLANDX1"}, "KWin", true}, false, Compositor::None, true},
      {"lower case", {{"xwayland0"}, "KWin", true}, false, Compositor::None, true},
      {"no outputs at all", {{}, "KWin", true}, false, Compositor::None, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Session s = ClassifySession(r.facts);
    EXPECT_EQ(s.xwayland, r.xwayland);
    EXPECT_EQ(s.compositor, r.compositor);
    EXPECT_EQ(s.placesWindows, r.placesWindows);
    // Every session names itself and says at least whether windows hide.
    EXPECT_FALSE(platform::x11::SessionFeatures(s).empty());
    EXPECT_NE(platform::x11::DescribeSession(s).find(platform::x11::SessionName(s)), std::string::npos);
  }
}

TEST(Session, PointerSources) {
  // On X11 the pointer query is the truth; under every XWayland its child
  // None means off the X surfaces; only KWin needs its own cursor followed.
  const auto x11 = PointerSourcesFor(ClassifySession({{"screen"}, "Openbox", true}));
  EXPECT_FALSE(x11.childNoneIsOffX || x11.rootCrossings || x11.compositorCursor);
  const auto mutter = PointerSourcesFor(ClassifySession({{"XWAYLAND0"}, "Mutter", true}));
  EXPECT_TRUE(mutter.childNoneIsOffX && mutter.rootCrossings);
  EXPECT_FALSE(mutter.compositorCursor);
  const auto kwin = PointerSourcesFor(ClassifySession({{"XWAYLAND0"}, "KWin", true}));
  EXPECT_TRUE(kwin.childNoneIsOffX && kwin.rootCrossings && kwin.compositorCursor);
}

// One query after another, as the watch meets them under mutter's XWayland.
TEST(JudgeQuery, XWaylandsStalePointer) {
  using platform::x11::JudgeQuery;
  using platform::x11::QueryFacts;
  using platform::x11::QueryVerdict;
  using platform::x11::WatchState;
  const auto xw = PointerSourcesFor(ClassifySession({{"XWAYLAND0"}, "Mutter", true}));
  struct Row {
    const char* name;
    WatchState before;
    QueryFacts q;  // childNone, windowAtPoint, raw, confirming, at, leftX
    QueryVerdict verdict;
    WatchState after;
  };
  const Row rows[] = {
      {"motion over a window", {}, {false, false, true, false, {}, false}, QueryVerdict::Report, {}},
      {"left for a native window: asked again first", {}, {true, true, false, false, {}, false},
       QueryVerdict::Confirm, {}},
      {"still None a moment later: off the X surfaces", {}, {true, true, false, true, {}, false}, QueryVerdict::OffX,
       {false, true, {}}},
      {"motion meanwhile: XWayland had not placed an entering pointer yet", {}, {true, true, true, true, {}, false},
       QueryVerdict::Confirm, {}},
      {"None where no window stands: the window under the pointer went", {}, {true, false, false, true, {}, false},
       QueryVerdict::Ignore, {}},
      {"windows changed: XWayland keeps a resting pointer on the root", {true, false, {}},
       {true, true, false, true, {}, false}, QueryVerdict::Ignore, {true, false, {}}},
      {"windows changed: nor do first motions tell", {true, false, {}}, {true, true, true, false, {}, false},
       QueryVerdict::Ignore, {true, false, {}}},
      {"windows changed: the pointer found in a window again", {true, false, {}},
       {false, false, true, false, {}, false}, QueryVerdict::Report, {}},
      {"off X: the stale pointer put into a window shown under it", {true, true, {}},
       {false, false, false, false, {}, false}, QueryVerdict::Ignore, {false, true, {}}},
      {"off X: motion over a window brings it back", {false, true, {}}, {false, false, true, false, {}, false},
       QueryVerdict::Report, {}},
      {"off X: still off", {false, true, {}}, {true, true, false, true, {}, false}, QueryVerdict::OffX,
       {false, true, {}}},
      // XWayland's pointer stays where it left the X surfaces until the
      // compositor brings it back: found elsewhere, it came back, even with
      // no raw motion (arriving on a strip in one step and resting there).
      {"left at (640, 26): off X there", {}, {true, true, false, true, {640, 26}, false}, QueryVerdict::OffX,
       {false, true, {640, 26}}},
      {"off X: found in a window at another point, no motion: it is back", {false, true, {640, 26}},
       {false, false, false, false, {640, 2}, false}, QueryVerdict::Report, {false, false, {640, 26}}},
      {"off X: a window shown under the stale point", {true, true, {640, 26}},
       {false, false, false, false, {640, 26}, false}, QueryVerdict::Ignore, {false, true, {640, 26}}},
      // A window revealed under the resting pointer, then left in one step
      // for a native one: XWayland moves its pointer to the root (an
      // EnterNotify from a child, no window changed just before), which
      // makes its pointer fresh again.
      {"windows changed, then the root entered from a child: asked again", {true, false, {}},
       {true, true, false, false, {640, 2}, true}, QueryVerdict::Confirm, {false, false, {}}},
      {"then None still, no motion: off the X surfaces", {false, false, {}},
       {true, true, false, true, {640, 2}, false}, QueryVerdict::OffX, {false, true, {640, 2}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto j = JudgeQuery(xw, r.before, r.q);
    EXPECT_EQ(j.verdict, r.verdict);
    EXPECT_EQ(j.next, r.after);
  }
  // On X11 a query is always the truth: None there means the root window.
  const auto x11 = PointerSourcesFor(ClassifySession({{"screen"}, "Openbox", true}));
  EXPECT_EQ(JudgeQuery(x11, {}, {true, true, false, true, {}, false}).verdict, QueryVerdict::Report);
}

// Batches of the watch's events as mutter's XWayland sends them: is the
// root's EnterNotify from a child the pointer leaving the X surfaces?
TEST(CrossingReader, TheRootEnteredFromAChild) {
  enum Ev { Raw, Change, Enter, Batch };
  struct Row {
    const char* name;
    std::vector<Ev> events;
    bool leftX;
  };
  const Row rows[] = {
      {"moved over a window, then out", {Raw, Raw, Enter}, true},
      {"out in one step, no motion read", {Enter}, true},
      {"the window under a resting pointer unmapped", {Change, Enter}, false},
      {"moved, then the window under it went", {Raw, Change, Enter}, false},
      // A revealed window handed back to the window manager while the
      // process was busy; the pointer then moved down over it and out.
      {"a window handed over, then moved over and out", {Change, Change, Raw, Change, Raw, Raw, Enter}, true},
      {"out first, a window changed after", {Raw, Enter, Change}, true},
      {"a change read in an earlier batch", {Change, Batch, Enter}, true},
      {"left, then back in and changed under it", {Enter, Batch, Raw, Change, Enter}, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    platform::x11::CrossingReader reader;
    reader.NewBatch();
    for (Ev e : r.events) switch (e) {
        case Raw: reader.RawMotion(); break;
        case Change: reader.WindowChanged(); break;
        case Enter: reader.RootEnteredFromChild(); break;
        case Batch: reader.NewBatch(); break;
      }
    EXPECT_EQ(reader.Take(), r.leftX);
    EXPECT_FALSE(reader.Take()) << "taken once";
  }
}

Monitor Mon(int l, int t, int r, int b, bool primary = false) { return Monitor{{l, t, r, b}, {l, t, r, b}, primary}; }

// The engine's decision for a pointer at p with both windows shown, and with
// both hidden.
struct Outcome {
  TWatchDecision shown, hidden;
  TTickDecision tick;
};
Outcome Decide(const std::vector<Monitor>& monitors, Rect mainHome, Rect inspectorHome, std::uint8_t side,
               std::uint8_t hang, Point p) {
  const THideLayout layout = ComputeHideLayout(mainHome, inspectorHome, monitors, side, hang);
  TTrackingState s;
  s.Geometry = layout.Geometry;
  s.Ranges = layout.Ranges;
  s.HideMainWindow = s.HideInspector = true;
  s.InspectorSide = side;
  s.CursorX = p.x;
  s.CursorY = p.y;
  Outcome o;
  o.shown = DecideMouseWatch(s);
  s.MainHidden = s.InspectorHidden = true;
  o.hidden = DecideMouseWatch(s);
  o.tick = DecideWaitTick(s);
  return o;
}

TEST(PointOffX, HidesTheShownWindowsOfItsMonitorAndRevealsNothing) {
  struct Row {
    const char* name;
    std::vector<Monitor> monitors;
    Rect mainHome, inspectorHome;
    std::uint8_t side, hang;
    Point last;  // the last position the X server knew, inside the window left
    bool mainHides, inspectorHides;
  };
  const Rect main{0, 0, 1280, 100}, inspector{10, 110, 210, 510};
  const Row rows[] = {
      {"one monitor, inspector right, left from the main window", {Mon(0, 0, 1280, 800, true)}, main, inspector,
       1, 5, {640, 50}, true, true},
      {"one monitor, inspector left, left from the inspector", {Mon(0, 0, 1280, 800, true)}, main, inspector, 0,
       5, {100, 400}, true, true},
      {"a tall main window and a wide inspector", {Mon(0, 0, 1280, 800, true)}, {0, 0, 1280, 600},
       {0, 0, 600, 800}, 1, 30, {700, 500}, true, true},
      {"a last position off every monitor counts the first", {Mon(0, 0, 1024, 768, true)}, main, inspector, 0, 5,
       {-5, 3000}, true, true},
      {"two monitors side by side, left from the right one", {Mon(0, 0, 1024, 768), Mon(1024, 0, 2048, 768, true)},
       {1024, 0, 2048, 100}, {1100, 110, 1300, 510}, 1, 5, {1500, 50}, true, true},
      {"two monitors side by side: the other monitor's main window stays",
       {Mon(0, 0, 1024, 768, true), Mon(1024, 0, 2048, 768)}, {0, 0, 1024, 100}, {1100, 110, 1300, 510}, 1, 5,
       {1900, 400}, false, true},
      {"two monitors stacked, left from the lower one", {Mon(0, 0, 1280, 800), Mon(0, 800, 1280, 1600, true)},
       main, {10, 900, 210, 1300}, 0, 5, {100, 1000}, true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Point p = PointOffX(r.monitors, r.last);
    const Outcome o = Decide(r.monitors, r.mainHome, r.inspectorHome, r.side, r.hang, p);
    EXPECT_EQ(o.shown.HideMain, r.mainHides);
    EXPECT_EQ(o.shown.HideInspector, r.inspectorHides);
    EXPECT_FALSE(o.shown.Arms());
    // Hidden windows are not revealed: neither armed nor revealed by a tick
    // armed before the pointer left.
    EXPECT_FALSE(o.hidden.Arms());
    EXPECT_EQ(o.tick, TTickDecision{});
  }
  EXPECT_EQ(PointOffX({}, Point{5, 5}), (Point{0, 0}));
}

}  // namespace
