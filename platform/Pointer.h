// The cursor: its position, warps, and who hears of them.
//
// GetCursorPos, SetCursorPos and the cursor observers are declared in the façade
// (platform/Windows.h).  Which pointer watch reports real pointer motion is the
// backends' choice (CurrentBackends().pointer, platform/backend/Backend.h); a
// watch that cannot see warps (XInput2 raw motion, for one) adds a cursor
// observer so that SetCursorPos still reaches its sink.
#pragma once

#include "platform/Windows.h"
