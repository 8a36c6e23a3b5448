// Starting and stopping the mouse watch.
//
// While watching, the hook library reports every cursor movement to the
// control panel's window as WM_MOUSEWATCH; the panel hands them to
// OnMouseWatch (engine/Tracking.h).
#pragma once

#include "platform/Windows.h"

// True from StartWatching until the next StopWatching.  Read by the
// activation handler to decide whether there is a watch to suspend.
extern bool Watching;

// Sets Watching, then sets the hook with the given window (always the control
// panel's).  Setting it again while set is harmless.
void StartWatching(platform::HWND panelWindow);

// Clears Watching, then removes the hook (harmless when none is set).  Reports
// already queued are still delivered.
void StopWatching();
