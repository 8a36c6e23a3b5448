// The monitors of the desktop.
//
// GetSystemMetrics (platform/Windows.h) answers from the primary monitor: its
// bounds for the screen size, its work area for the available height, and the
// window manager's title-bar height from the screens backend.
#pragma once

#include <vector>

#include "platform/backend/Backend.h"

namespace platform {

// Every monitor of the desktop, in desktop coordinates, the primary one flagged;
// empty when there is no screen at all (then every metric is 0).
std::vector<Monitor> GetMonitors();

// The primary monitor: the one flagged primary, else the first; nothing when
// there are no monitors.
std::optional<Monitor> PrimaryMonitor(const std::vector<Monitor>& monitors);

}  // namespace platform
