// Deciding when each IDE window hides and when it reveals.
//
// HideWindows slides the chosen windows to their hidden rectangles and starts
// the mouse watch.  Each cursor report is compared with the rectangles of
// engine/Geometry.h: a cursor on a hidden window's strip arms the panel's wait
// timer; a cursor beyond a shown window's inner edge slides that window away
// at once.  When the wait timer ticks (OpenDelay after it was armed), every
// chosen window whose strip the last reported position still touches slides
// out, raised.  Stop, the project-close and desktop-save notifications bring
// the windows home, and losing the IDE's activation can suspend the watch.
//
// Home is where the windows stood when hiding started.  Every place a window
// takes during a run (hidden, revealed, half-way through a slide) is the run's,
// not the user's: Stop and a desktop save bring home each window the run moved,
// whatever it shows at that moment.  Otherwise a window revealed just before a
// Stop stays at the full-height shown place, and a desktop save records that
// place as the window's own.
//
// Reveal zones (signed comparisons, cursor coordinates unsigned 16-bit):
//   main window:        CursorY <= MainHiddenRect.bottom       (= HangOutPixels)
//   inspector, left:    CursorX <= InspectorHiddenRect.right   (= HangOutPixels)
//   inspector, right:   CursorX >= InspectorHiddenRect.left    (= width - HangOutPixels)
// Hide thresholds:
//   main window:        CursorY >  MainShownRect.bottom, unless the window under
//                       the cursor is owned by the main window (its dialogs)
//   inspector, left:    CursorX >  InspectorShownRect.right
//   inspector, right:   CursorX <  InspectorShownRect.left
// With several monitors each of these also needs the other coordinate on the
// window's own monitor (HideRanges): the main window's columns, the inspector's
// rows.  The main window is examined before the inspector.
//
// Every decision is a pure function of a TTrackingState; OnMouseWatch and
// WaitTimerTick only take the state, decide and apply.  Because every slide
// first processes pending messages (engine/Motion.h), whatever a window's
// slide lets run is seen by the next window's decision: the second window is
// decided again from the state as it stands after the first one's slide.
//
// Stopping wins over anything in flight: once StopHiding or RestoreWindows has
// run, a slide whose message pass let it run is abandoned, and a wait timer
// armed before it never moves a window.  The same holds for a suspension: the
// reveal armed before a loss of activation belonged to the watch that the loss
// stopped, so it is dropped, and no window slides while the IDE is not active.
// Reports still queued when the watch stopped or was suspended (the hook
// posts them; engine/Hook.h) are dropped too, and so is a tick that comes due
// while no watch runs.
#pragma once

#include <cstdint>

#include "engine/Geometry.h"

extern bool InspectorHidden;
extern bool MainHidden;
extern bool InMouseWatch;
extern bool FocusSuspended;
extern std::int32_t CursorX;
extern std::int32_t CursorY;

// Everything a tracking decision reads.
struct TTrackingState {
  THideGeometry Geometry;
  THideRanges Ranges;
  bool HideMainWindow = false;
  bool HideInspector = false;
  std::uint8_t InspectorSide = 0;  // exactly 1: right; anything else: left
  bool MainHidden = false;
  bool InspectorHidden = false;
  std::int32_t CursorX = 0;
  std::int32_t CursorY = 0;
  // The window under the cursor is owned by the main window (one of its
  // dialogs).  Only read while the main window is chosen and shown.
  bool OverMainOwned = false;
};

// What one cursor report asks for, in the order it is applied: the main
// window's part (arm or hide), then the inspector's.
struct TWatchDecision {
  bool ArmForMain = false;
  bool HideMain = false;
  bool ArmForInspector = false;
  bool HideInspector = false;
  bool Arms() const { return ArmForMain || ArmForInspector; }
  friend bool operator==(const TWatchDecision&, const TWatchDecision&) = default;
};

// What a wait-timer tick reveals, inspector first.  A window that is already
// shown but whose strip the cursor touches is slid to its shown place again
// and raised.
struct TTickDecision {
  bool RevealInspector = false;
  bool RevealMain = false;
  friend bool operator==(const TTickDecision&, const TTickDecision&) = default;
};

TWatchDecision DecideMouseWatch(const TTrackingState& s);
TTickDecision DecideWaitTick(const TTrackingState& s);

// Everything a restore reads.  A window is "away" from the moment the run
// first slides it (to its hidden or shown place) until a restore brings it
// back; MainHidden and InspectorHidden imply it.
struct TRestoreState {
  THideGeometry Geometry;
  bool MainHidden = false;
  bool InspectorHidden = false;
  bool MainAway = false;
  bool InspectorAway = false;
};

// Which windows a restore slides home, inspector first.  A hidden window
// always goes home.  A window that stands revealed goes home unless its shown
// place is its home (a window already as wide as the screen at the top, or an
// inspector as tall as a full-screen window at its edge): then nothing moves.
struct TRestoreDecision {
  bool RestoreInspector = false;
  bool RestoreMain = false;
  friend bool operator==(const TRestoreDecision&, const TRestoreDecision&) = default;
};

TRestoreDecision DecideRestore(const TRestoreState& s);
bool InMainRevealZone(const TTrackingState& s);
bool InInspectorRevealZone(const TTrackingState& s);

// How a Start went.
enum class THideStart {
  Started,         // every chosen window hidden, the watch runs
  StartedInPart,   // some window stayed on screen; the rest hidden, the watch runs
  NotStarted,      // no panel, a stop ran during the slides, or no window could be hidden
};

// Slides the chosen windows to their hidden rectangles and starts the watch.
// After each slide it reads back where the window's frame stands: one that
// is more than a pixel off its hidden rectangle on any edge (a window manager
// that keeps windows on screen) is put straight back home, is not counted
// hidden and takes no part in this run, and the panel shows WindowsStayText
// once.  When no chosen window is hidden the watch is not started.
THideStart HideWindows();
// Brings every window the run moved (DecideRestore) to its home rectangle and
// marks both shown and at home; the watch is left as it is, and a reveal armed
// before is dropped.  While it runs, reports and ticks that the message passes
// of its slides dispatch are dropped: they were made against places that are
// going away.
void RestoreWindows();
// Stops the watch (a suspended one too, giving the panel back its product
// caption), restores the windows, and puts the panel's buttons back to idle
// (Start and Options enabled, Stop disabled).
void StopHiding();
// True from a successful HideWindows until StopHiding: the watch runs or is
// suspended, or a window stands away from home.
bool HidingRuns();

// The handler of WM_MOUSEWATCH.  Reports that arrive while it runs (through
// the message processing of a move it started), while no watch runs (queued
// before StopWatching) and while a restore runs are dropped, and the stored
// position is left as it was.
void OnMouseWatch(std::intptr_t lParam);
// The wait timer's tick.  Without a running watch (stopped or suspended) it
// only disarms the timer.
void WaitTimerTick();
// The handler of WM_ACTIVATEAPP: wParam 1 when the IDE becomes active, 0 when
// it loses activation.  A suspension also disarms the wait timer; once
// activation returns, a window reveals only after a new report on its strip.
void OnActivateApp(std::uintptr_t wParam);

// The text the panel shows when a window manager keeps a window on screen.
inline constexpr const char* WindowsStayText = "The window manager keeps the windows on screen";

// Puts every engine flag, the geometry and the window handles back to their
// state at load.  The IDE never needs this (it unloads the library); tests do.
void ResetEngineState();
