// The real X display a benchmark runs on: the one $DISPLAY names when
// QT_QPA_PLATFORM=xcb says the caller chose it (tests/x11/placement_run.sh
// starts Xvfb and a window manager per run), else an Xvfb of its own without
// a window manager.  Made before main(), as a static, so that the application
// the benchmark main creates runs on it.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/XServer.h"

namespace bench {

struct XDisplay {
  std::unique_ptr<testx::Xvfb> server;  // none when a display is given
  bool ok = false;
  std::string why;  // why there is none
  // qtOnIt: the benchmark's own Qt application runs on the display too (the
  // platform's X11 backend in process), not only a child it starts.
  explicit XDisplay(bool qtOnIt) {
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    const char* display = std::getenv("DISPLAY");
    if (qpa && std::string(qpa) == "xcb" && display && *display) {
      ok = true;
      return;
    }
    server = std::make_unique<testx::Xvfb>("1280x800x24");
    ok = server->Running();
    why = server->Why();
    if (!ok) return;
    ::setenv("DISPLAY", server->Display().c_str(), 1);
    if (qtOnIt) ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
};

// The window manager the run names (EDGETUCKER_WM, set by placement_run.sh),
// for the rows' labels.
inline const char* WmName() {
  const char* wm = std::getenv("EDGETUCKER_WM");
  return wm && *wm ? wm : "none";
}

}  // namespace bench
