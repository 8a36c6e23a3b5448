// Where a top-level X window's client goes for a frame rectangle the engine asks
// for: pure arithmetic, no X calls (the window system applies it).
//
// Window managers keep managed windows (partly) on screen: a configure request
// or _NET_MOVERESIZE_WINDOW that would take a frame off the screen is
// constrained by openbox, xfwm4, icewm and metacity.  Only an unmanaged window
// (override-redirect) stands exactly where it is put.  So a window whose frame
// is asked to stand off the screen is withdrawn from the window manager and
// shown unmanaged; as soon as it is asked to stand wholly on the screen again
// it is given back to the window manager, framed, at the asked frame rectangle.
//
// Unmanaged, a window has no frame: its client then takes the whole frame
// rectangle the engine asked for, so the strip left on the screen is exactly
// the asked one and the frame rectangle read back is the asked one.  A client
// whose own hints bound its size keeps within them (UnmanagedRect): the strip
// is still the asked one, and the rectangle read back is shorter or narrower
// on its off-screen side.  Given
// back, the client is the frame rectangle less the frame extents it had when
// it was withdrawn, so a window that comes home has its old client size.
//
// Window gravity.  A window manager reads every position asked for a client
// (the window's own x, y when it is mapped, a configure request, the position
// of _NET_MOVERESIZE_WINDOW) by the client's win_gravity from WM_NORMAL_HINTS:
// NorthWest (xterm +X+Y, GTK) names the frame's corner, NorthEast (xterm -X+Y)
// its top right, Static (Qt) the client's own corner.  Asked in one gravity
// and read in another, a frame lands off by its extents; openbox even keeps
// the position in the client's gravity and takes a request in another one
// whose numbers happen to match for no move at all.  So every position this
// layer asks for is worked out in the client's own gravity.
//
// Size hints.  A managed window's size is held to its resize increments and
// bounds (an xterm moves in 6 x 13 px cells), so a shown rectangle the width
// of the screen could not be met.  While this layer places a window at a size
// its own hints forbid, the window wears hints without those limits (and with
// USPosition, so that a window given back is mapped where it is asked rather
// than placed anew); its own limits come back as soon as they allow the size
// it stands at (at home, its own size), with USPosition kept (a window manager
// that sees it dropped may place the window anew).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/backend/Backend.h"

namespace platform::x11 {

// The frame's borders around the client (_NET_FRAME_EXTENTS order aside).
struct Extents {
  int left = 0, right = 0, top = 0, bottom = 0;
  friend bool operator==(const Extents&, const Extents&) = default;
};

// The client rectangle inside a frame rectangle, and back.
Rect ClientFromFrame(const Rect& frame, const Extents& e);
Rect FrameFromClient(const Rect& client, const Extents& e);
// The extents a frame rectangle has around a client rectangle (negative
// differences, which no frame has, count as 0).
Extents ExtentsBetween(const Rect& frame, const Rect& client);

// True when every pixel of r lies on some monitor.  An empty rectangle is on
// the screen when its corner is.
bool WhollyOnMonitors(const Rect& r, const std::vector<Monitor>& monitors);

// X window gravities (X protocol numbering).
enum Gravity : int {
  kNorthWest = 1, kNorth = 2, kNorthEast = 3, kWest = 4, kCenter = 5,
  kEast = 6, kSouthWest = 7, kSouth = 8, kSouthEast = 9, kStatic = 10,
};

// The x, y to ask (as the window's position, in a configure request or in
// _NET_MOVERESIZE_WINDOW) so that a window manager reading it by `gravity`
// puts the frame at `frame`: the frame's reference point (a corner, an edge's
// middle, its centre) is the same point of the client window with its border
// (ICCCM 4.1.2.3); Static names the client's inside corner.  The client is
// `frame` less `e`; an unknown gravity counts as NorthWest.  Centre gravities
// halve odd differences downwards (window managers round their own way; the
// layer reads back and corrects).
Point RequestPosition(const Rect& frame, const Extents& e, int gravity, int borderWidth = 0);

// True when a frame that landed at `got` lies strictly inside some monitor's
// work area, no edge on or past it: no window manager had cause to push it
// (they keep frames, or only their clients, on the screen or the work area,
// and push a frame just up to an edge, or a client up to one with the frame
// past it), so where it stands is where the asked position put it.
bool LandedFreely(const Rect& got, const std::vector<Monitor>& monitors);

// True when r lies within some monitor's work area (its edges may touch the
// work area's): no window manager has cause to hold such a frame back, so one
// that does not move there was asked at the wrong position.
bool WithinWorkArea(const Rect& r, const std::vector<Monitor>& monitors);

// How a window manager reads the positions asked for one window, learned
// from where its frame landed.  Window managers read the position of a map
// and of a request each their own way, and not always as the client's
// gravity says: icewm reads a request's position (_NET_MOVERESIZE_WINDOW or
// a configure request) as the frame's top left corner whatever the gravity,
// and a mapped NorthEast or SouthEast window's position 1 px short of the
// gravity's reading.  Asked by the gravity, such a frame lands off by a fixed
// amount; asked again at the position corrected by what it did, it lands
// exactly, except at a screen edge, where the window manager's own constraint
// (icewm keeps the client on the screen and the work area, its frame sticking
// out by its border) holds it back, so each correction moves it a few pixels
// only.  So the offset is learned from a landing nothing held back (one that
// LandedFreely, or one at the asked frame), and every later position for that
// window is asked with it.
//
// Kept per kind of position (a map, a request): as the difference between
// the position asked and the one the gravity's reading (RequestPosition)
// names for the frame where it landed.  The offsets window managers add are
// fixed per gravity and frame extents (a frame's borders, never its size),
// so an offset learned under other ones is forgotten.
class PositionReading {
public:
  enum Kind { kMap, kRequest };
  // The position to ask for the frame to land at `frame`: RequestPosition,
  // plus the offset learned for this kind, gravity, extents and border.
  Point Ask(Kind kind, const Rect& frame, const Extents& e, int gravity, int borderWidth) const;
  // Learns from a landing: asked at `asked` for `frame`, the frame stood at
  // `got`.  Only a landing at `frame`, or one of its size that LandedFreely,
  // teaches; any other is ignored.  (A window manager that reads positions
  // its own way and also pushes frames just up to the screen's edge may land
  // a frame asked against that edge exactly where it was asked, by the push:
  // the offset learned then is put right by the next landing in the open.)
  void Learn(Kind kind, Point asked, const Rect& frame, const Rect& got, const Extents& e, int gravity,
             int borderWidth, const std::vector<Monitor>& monitors);
  // The offset learned for this kind, gravity, extents and border; none yet: 0, 0.
  Point Offset(Kind kind, const Extents& e, int gravity, int borderWidth) const;

private:
  struct Learned {
    Extents e;
    int gravity = kNorthWest, border = 0;
    Point offset;
  };
  std::optional<Learned> learned_[2];
};

// WM_NORMAL_HINTS as its 18 CARD32 fields (ICCCM 4.1.2.3), as read from the
// X server: flags, x, y, width, height, min w/h, max w/h, increments w/h,
// aspects (4), base w/h, win_gravity.  Shorter lists (old clients, none at
// all) read as if the missing fields and their flags were absent.
using SizeHints = std::vector<std::uint32_t>;
namespace hint {
constexpr std::uint32_t kUSPosition = 1, kUSSize = 2, kPMinSize = 16, kPMaxSize = 32, kPResizeInc = 64,
                        kPAspect = 128, kPBaseSize = 256, kPWinGravity = 512;
}

// The hints as window managers read them: 18 fields, those whose flag is not
// set zeroed, and the obsolete position and size fields (which window
// managers ignore) zeroed too.  Two lists that mean the same compare equal
// this way: an xterm reads its hints back and writes them again, with its new
// size in them, whenever it is resized, and Xlib drops the fields of absent
// flags on the way.
SizeHints Normalized(const SizeHints& hints);

// The client's win_gravity; NorthWest when the hints do not name one.
int WinGravity(const SizeHints& hints);

// True when a window manager holding the client to these hints would leave a
// client of width x height as it is: within the minimum (the base size when no
// minimum is given) and the maximum, a whole number of increments past the
// base size (the minimum when no base is given) and within the aspect bounds.
// A size that is not positive is never allowed.
bool SizeAllowed(const SizeHints& hints, int width, int height);

// The hints a window wears while this layer places its client at `client`
// with the window at `position`: the client's own, with USPosition and
// USSize naming that place and size; when the own ones forbid that size, also
// no increments and no aspect bounds, and minimum and maximum widened to hold
// the size.  Everything else (the gravity above all) stays the client's own.
SizeHints HintsForPlacement(const SizeHints& own, const Rect& client, Point position);

// Where an unmanaged client stands for an asked frame rectangle.  Unframed,
// the client takes the whole rectangle, unless its own hints (`own`, not any
// this layer put on it) bound its size: a toolkit holds an override-redirect
// window to its minimum and maximum itself (Lazarus's main bar keeps its 87-px
// height and would shrink away from the screen edge).  Held to them, the
// client keeps the asked rectangle's edge that lies on the monitors: a frame
// hidden off the top keeps its bottom edge, so the strip left on the screen
// is the asked one; one off the left keeps its right edge.  Elsewhere the
// top left corner stays.  Increments and aspect bounds are left aside: they
// are a window manager's to apply, and clients draw at any size.
Rect UnmanagedRect(const Rect& frame, const SizeHints& own, const std::vector<Monitor>& monitors);
// The rectangle of width x height that keeps the edges of `frame` that lie on
// the monitors, as UnmanagedRect places a client held to its size; also for a
// client that takes a size of its own after it was placed (a toolbar whose
// height follows its width).
Rect AnchoredRect(const Rect& frame, int width, int height, const std::vector<Monitor>& monitors);

enum class Mode { Managed, Unmanaged };

// How a window must stand to be exactly at `frame`: managed (framed) when no
// window manager runs or the frame fits on the monitors, unmanaged otherwise.
// Without monitors nothing is known to be off the screen: managed.
//
// A frame that sticks out by no more than its own borders (`e`, the extents
// of the window manager's frame around the client, left and right together,
// top and bottom together) and kOverhang pixels on a side counts as on the
// screen: a client as wide as its monitor stands in a frame the borders wider
// (Lazarus's main bar: 1280 wide in a 1282-px frame under openbox, 1278 wide
// at 0 in a 1288-px frame under xfwm4), and window managers leave such a
// frame where it is; a window at home must be framed.  A hidden frame sticks
// out by all but its strip, far more.
//
// `managedAt` is where the window manager itself kept the window framed
// before this layer first moved it (its home): a window asked back there is
// framed again, however far it sticks out.  The window manager let it stand
// there once; shown unmanaged instead, it would come home without its frame,
// out of the window manager's hands for good (Lazarus's main bar under i3
// stands at home with its 18-px title bar and 18 rows of the client above
// the screen).
constexpr int kOverhang = 4;
Mode ModeFor(const Rect& frame, const std::vector<Monitor>& monitors, bool wmRunning, const Extents& e = {},
             const std::optional<Rect>& managedAt = std::nullopt);

// One managed move's corrections: after each landing of the frame, whether
// the window manager is asked once more and at which position.
//
// A window manager may read the position its own way (an offset the frame
// lands off by, which PositionReading learns for the next move), or hold a
// frame back at a screen edge, a step closer at each request: it comes closer
// by the slack between the edge and the asked frame (icewm: its border,
// 5 px), so each axis's correction is doubled while the frame stays put on
// it, and once past where the edge holds it, it lands free and the next
// correction is exact.  A frame that keeps its size against the one asked was
// held to hints the client put back: it is asked again as it is (the caller
// puts on hints that allow the size anew).  No use asking on when:
//  * the frame landed at the asked rectangle, or the window is gone;
//  * a position asked before comes up again: it came no closer then;
//  * a request moved nothing and either the size was off (the window manager
//    keeps the window as it is) or the asked frame lies past the work area's
//    edges (held back there on purpose: metacity keeps a title bar on the
//    screen, and asking again would only wait for an answer that never comes);
//  * kMaxCorrections corrections were asked: from up to both of its borders
//    and its title bar away (34 px under icewm), a frame held back at an edge
//    has come home by then.
class Corrections {
public:
  static constexpr int kMaxCorrections = 5;
  // For a move to `frame` whose first request asked `corner`; `reachable`:
  // the frame lies within the work area (WithinWorkArea).
  Corrections(const Rect& frame, Point corner, bool reachable);
  // The frame landed at `got` (none: the window is gone) after the last
  // request: the position to ask next, or none when the move is over.
  std::optional<Point> Next(const std::optional<Rect>& got);

private:
  Rect frame_;
  bool reachable_;
  Point corner_;
  Point stride_{1, 1};
  // Where the frame stood before the last correction, and whether it had the
  // asked size there; none before the first correction.
  std::optional<Rect> from_;
  bool fromSameSize_ = false;
  std::vector<Point> asked_;
  int corrections_ = 0;
};

// What the window system knows of a window when it is asked to move it, and
// of the session it stands in.
struct MoveFacts {
  bool wmRunning = false;
  // Windows may hide off the screen (Session::placesWindows).
  bool placesWindows = true;
  // Mapped, or framed and marked Normal (a window manager may map the client
  // a moment after its frame).
  bool shown = false;
  // This layer holds it withdrawn, or is withdrawing it.
  bool unmanaged = false;
  // The window manager has not let go of it yet.
  bool withdrawing = false;
  // The borders of its frame, or those it had when it was withdrawn.
  Extents borders;
  // Where the window manager kept it framed before this layer first moved it.
  std::optional<Rect> home;
  friend bool operator==(const MoveFacts&, const MoveFacts&) = default;
};

// The way a window goes to an asked frame.
enum class MoveWay {
  // Still being withdrawn and asked off the screen: only where it is to be
  // shown changes.
  Retarget,
  // Still being withdrawn and asked back on the screen: its withdrawal is
  // finished first (waited for), then the move is planned again.
  FinishWithdrawal,
  // Nobody shows it: a plain configure of the window, which stays unshown.
  ConfigureHidden,
  // No window manager: a plain configure, held to its own size as an
  // unmanaged window is.
  Configure,
  // Managed and asked on the screen: a request to the window manager, read
  // back and corrected.
  Managed,
  // Managed and asked off the screen: withdrawn, shown unmanaged once the
  // window manager has let go.
  Withdraw,
  // Asked off the screen where windows cannot hide (the compositor places X
  // windows itself): it stays where it is, and the caller reads it back there.
  Stay,
  // Held unmanaged and asked off the screen: placed again, unmanaged.
  PlaceUnmanaged,
  // Held unmanaged and asked on the screen (or home): given back to the
  // window manager, framed at the asked frame.
  GiveBack,
};

// The way for a window with `facts` to go to `frame` (ModeFor decides
// whether it must stand unmanaged).
MoveWay PlanMove(const MoveFacts& facts, const Rect& frame, const std::vector<Monitor>& monitors);

}  // namespace platform::x11
