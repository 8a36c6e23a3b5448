// The monitors of the desktop.
#pragma once

#include <vector>

#include "platform/backend/Backend.h"

namespace platform {

// Every monitor, in the desktop's pixel coordinates, the primary one flagged;
// empty only while no screen exists.
std::vector<Monitor> GetMonitors();

}  // namespace platform
