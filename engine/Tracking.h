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
// Reveal zones (signed comparisons, cursor coordinates unsigned 16-bit):
//   main window:        CursorY <= MainHiddenRect.bottom       (= HangOutPixels)
//   inspector, left:    CursorX <= InspectorHiddenRect.right   (= HangOutPixels)
//   inspector, right:   CursorX >= InspectorHiddenRect.left    (= width - HangOutPixels)
// Hide thresholds:
//   main window:        CursorY >  MainShownRect.bottom, unless the window under
//                       the cursor is owned by the main window (its dialogs)
//   inspector, left:    CursorX >  InspectorShownRect.right
//   inspector, right:   CursorX <  InspectorShownRect.left
// The main window is examined before the inspector.
#pragma once

#include <cstdint>

extern bool InspectorHidden;
extern bool MainHidden;
extern bool InMouseWatch;
extern bool FocusSuspended;
extern std::int32_t CursorX;
extern std::int32_t CursorY;

void HideWindows();
// Brings hidden windows to their home rectangles and marks both shown; the
// watch is left as it is.
void RestoreWindows();
// Stops the watch, restores the windows, and puts the panel's buttons back to
// idle (Start and Options enabled, Stop disabled).
void StopHiding();

// The handler of WM_MOUSEWATCH.  Reports that arrive while it runs (through
// the message processing of a move it started) are dropped.
void OnMouseWatch(std::intptr_t lParam);
// The wait timer's tick.
void WaitTimerTick();
// The handler of WM_ACTIVATEAPP: wParam 1 when the IDE becomes active, 0 when
// it loses activation.
void OnActivateApp(std::uintptr_t wParam);

// Puts every engine flag, the geometry and the window handles back to their
// state at load.  The IDE never needs this (it unloads the library); tests do.
void ResetEngineState();
