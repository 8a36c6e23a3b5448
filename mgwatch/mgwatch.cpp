#include "mgwatch/mgwatch.h"

#include <QCoreApplication>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"

namespace {

// Where the motion comes from is the platform's pointer watch: the cursor
// observers offscreen (the only motion there is), the X server's events or a
// short poll on a real display.  Reports go out only when the position changed.
struct Watch {
  std::uintptr_t target = 0;
  platform::Point last;
  platform::PointerWatch* watch = nullptr;  // the one started, which is the one to stop

  void Report(platform::Point p) {
    if (!target || p == last) return;
    last = p;
    platform::PostMessage(target, platform::WM_MOUSEWATCH, 0, MouseWatchLParam(p.x, p.y));
  }
};

Watch g_watch;

}  // namespace

extern "C" bool SetHook(std::uintptr_t wnd) {
  if (!wnd || !QCoreApplication::instance()) return false;
  const bool wasSet = g_watch.target != 0;
  g_watch.target = wnd;
  if (wasSet) return true;
  g_watch.last = platform::GetCursorPos();
  g_watch.watch = platform::CurrentBackends().pointer;
  if (!g_watch.watch->Start([](platform::Point p) { g_watch.Report(p); })) {
    g_watch.target = 0;
    g_watch.watch = nullptr;
    return false;
  }
  return true;
}

extern "C" bool ResetHook() {
  if (!g_watch.target) return false;
  g_watch.target = 0;
  if (g_watch.watch) g_watch.watch->Stop();
  g_watch.watch = nullptr;
  return true;
}
