// Finding the IDE's two windows and computing where they stand when at home,
// shown and hidden.
//
// The main window hides upwards off the top edge and the Object Inspector off
// the left or right edge.  When shown, the main window spans the whole screen
// width at the top with its own height, and the inspector spans from the top of
// the screen down to the height of a full-screen window with its own width.
// When hidden, a strip of HangOutPixels rows (or columns) stays on the screen.
// With several monitors "the screen" is the monitor each window uses, and
// where a panel reserves the edge a window hides at, the work area it leaves
// (see ComputeHideLayout).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"

using platform::Rect;

struct THideGeometry {
  Rect InspectorHiddenRect;
  Rect InspectorShownRect;
  Rect InspectorHomeRect;
  Rect MainHiddenRect;
  Rect MainShownRect;
  Rect MainHomeRect;
  friend bool operator==(const THideGeometry&, const THideGeometry&) = default;
};

// Where each window's reveal zone and hide threshold hold, beyond the
// rectangles themselves (all inclusive): the columns of the main window's
// monitor and the rows of the inspector's, and, where a panel reserves the
// edge a window hides at, the panel's side of its strip: the main window's
// reveal zone starts at the work area's top row (MainTop) and the inspector's
// at the work area's outer column (InspectorLeft for the left edge,
// InspectorRight for the right), so that a pointer on the panel reveals
// nothing.  With one monitor and no panel they are unbounded, so that a cursor
// report anywhere counts, as it does on a single screen.
struct THideRanges {
  std::int32_t MainLeft = INT32_MIN;
  std::int32_t MainRight = INT32_MAX;
  std::int32_t MainTop = INT32_MIN;
  std::int32_t InspectorTop = INT32_MIN;
  std::int32_t InspectorBottom = INT32_MAX;
  std::int32_t InspectorLeft = INT32_MIN;
  std::int32_t InspectorRight = INT32_MAX;
  bool InMainColumns(std::int32_t x) const { return x >= MainLeft && x <= MainRight; }
  bool InInspectorRows(std::int32_t y) const { return y >= InspectorTop && y <= InspectorBottom; }
  bool InInspectorColumns(std::int32_t x) const { return x >= InspectorLeft && x <= InspectorRight; }
  friend bool operator==(const THideRanges&, const THideRanges&) = default;
};

// The IDE windows the engine moves (it does not own them); 0 when not found.
extern platform::HWND MainWindow;
extern platform::HWND InspectorWindow;

// All zero until first computed.
extern THideGeometry HideGeometry;
// Unbounded until computed for several monitors.
extern THideRanges HideRanges;

// Window classes and the inspector's title, as the IDE names them.
inline constexpr const char* MainWindowClass = "TAppBuilder";
inline constexpr const char* InspectorClass = "TPropertyInspector";
inline constexpr const char* InspectorTitle = "Object Inspector";

// The pure computation.  mainHome and inspectorHome are the windows' current
// rectangles, screenWidth the primary screen's width, fullHeight the height of
// a full-screen window (available height).  inspectorSide 1 means the right
// edge, anything else the left.
//
// The main window's height and the inspector's width are taken as unsigned
// 16-bit differences of the low 16 bits of the two coordinates, as the
// platform's window sizes are: a window taller than 32767 rows, or one whose
// coordinates wrap, gets the modulo-65536 size, never a negative one.
THideGeometry ComputeHideRects(const Rect& mainHome, const Rect& inspectorHome, std::int32_t screenWidth,
                               std::int32_t fullHeight, std::uint8_t inspectorSide,
                               std::uint8_t hangOutPixels);

// The geometry and the tracking ranges together.
struct THideLayout {
  THideGeometry Geometry;
  THideRanges Ranges;
  friend bool operator==(const THideLayout&, const THideLayout&) = default;
};

// The pure computation for the desktop's monitors (no window-system calls),
// each with the work area its panels leave.  With one monitor and no panel it
// is ComputeHideRects with that monitor's width and height, and unbounded
// ranges; with none, a 0 x 0 screen.
//
// Each window belongs to the monitor that holds most of its home rectangle
// (the primary one, else the first, when it stands on none).  A hidden window
// must not stand in view on a neighbouring monitor, so it hides at the
// desktop's outer edge in its direction:
//
//  * The main window goes up.  While another monitor stands above its monitor
//    (overlapping its columns), it moves to that one (the most overlapping),
//    until none is above: with stacked monitors the main window lives on the
//    top one, shown there across that monitor's width and hidden at its top
//    edge, so that its strip is at the desktop's outer edge.
//  * The inspector goes right (side 1) or left.  While another monitor stands
//    beyond its monitor in that direction (overlapping its rows), it moves to
//    that one, the most overlapping: it hides at the outer edge of the
//    desktop at its height.
//
// A panel that reserves the edge a window hides at (the monitor's work area
// A starts below its top, or ends short of its side) takes that edge's place:
// the window shows against the work area, where window managers let it stand
// (one asked onto a panel is pushed off it, and the pointer resting on its
// lower part would be past the edge it was thought to have), and its strip
// lies just inside the work area beside the panel, where the pointer can rest
// on it.  A hidden window's rest stands behind the panel.
//
// On its monitor M (bounds B, work area A) with a window of height h (main)
// or width w (inspector), both 16-bit extents as in ComputeHideRects, the
// main window's band is L..R = B.left..B.right and its top T = B.top, or with
// a panel at the top L..R = A.left..A.right and T = A.top; the inspector's
// edge E is B.right (right) or B.left (left), or with a panel at that side
// A.right or A.left:
//   main shown     L, T,              R,             T + h
//   main hidden    L, T + hang - h,   R,             T + hang
//   right shown    E - w, A.top,      E,             A.bottom
//   right hidden   E - hang, A.top,   E - hang + w,  A.bottom
//   left shown     E, A.top,          E + w,         A.bottom
//   left hidden    E + hang - w, A.top, E + hang,    A.bottom
// The ranges are L..R - 1 (main) and A's rows (inspector), and, with a panel
// at the edge, T (MainTop) and E or E - 1 (InspectorLeft, InspectorRight).
// With one monitor a range that spans the whole monitor is left unbounded.
THideLayout ComputeHideLayout(const Rect& mainHome, const Rect& inspectorHome,
                              const std::vector<platform::Monitor>& monitors, std::uint8_t inspectorSide,
                              std::uint8_t hangOutPixels);

// True when a window standing at `at` shows the same on the monitors as one
// at `target` would, each edge within `tolerance` pixels: their parts on each
// monitor match (or both miss it).  What stands off the screen does not count:
// a window whose toolkit holds its size keeps the strip of its hidden place
// with less of it off the screen.  A window kept on the screen shows far more
// than its strip and does not match.  Without monitors the rectangles
// themselves are compared.
bool SameOnScreen(const Rect& at, const Rect& target, const std::vector<platform::Monitor>& monitors,
                  int tolerance);

// Measures both windows and the monitors now and recomputes HideGeometry and
// HideRanges with the current settings (ComputeHideLayout; on one screen
// without panels the same as ComputeHideRects with the screen metrics).  A
// null or stale handle leaves that window's home rectangle as it was, and the
// computation goes on with it.
void ComputeHideGeometry();

// Before the geometry has first been computed, finds the windows again and
// computes it; afterwards does nothing.  Runs at every wait-timer tick.
void RefindWindows();

// The unsigned 16-bit extent between two coordinates.
inline std::uint16_t Extent16(std::int32_t from, std::int32_t to) {
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(to) - static_cast<std::uint16_t>(from));
}
