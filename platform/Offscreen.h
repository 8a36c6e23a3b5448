// A virtual screen for running without a display.
#pragma once

#include <string>

namespace platform {

// Prepares Qt's offscreen platform with one screen of width x height pixels at
// 96 dpi, window system events delivered synchronously and no window frames, so
// that windows move and resize exactly to the pixel.  Must be called before the
// QApplication is created.  Returns the path of the generated configuration, or
// an empty string when it could not be written (Qt then would stop, so the
// caller should report that and give up).  The configuration is a temporary
// file of this process's own, removed when the process exits normally.
std::string UseOffscreenScreen(int width, int height);

}  // namespace platform
