#include "mgwatch/mgwatch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include "platform/Windows.h"

namespace {

// Cursor motion reaches the library two ways: the platform's cursor observers
// see every position the IDE sets (the only motion an offscreen screen has),
// and a short poll sees the motion of a real pointer.
struct Watch {
  std::uintptr_t target = 0;
  int observer = 0;
  QTimer* poll = nullptr;
  platform::Point last;

  void Report(platform::Point p) {
    if (!target || p == last) return;
    last = p;
    platform::PostMessage(target, platform::WM_MOUSEWATCH, 0, MouseWatchLParam(p.x, p.y));
  }
};

Watch g_watch;
constexpr int kPollMs = 10;

}  // namespace

extern "C" bool SetHook(std::uintptr_t wnd) {
  if (!wnd || !QCoreApplication::instance()) return false;
  const bool wasSet = g_watch.target != 0;
  g_watch.target = wnd;
  if (wasSet) return true;
  g_watch.last = platform::GetCursorPos();
  g_watch.observer = platform::AddCursorObserver([](platform::Point p) { g_watch.Report(p); });
  // Offscreen, the cursor moves only through the platform's SetCursorPos,
  // which the observer already sees: polling there would only burn time.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    g_watch.poll = new QTimer(QCoreApplication::instance());
    g_watch.poll->setTimerType(Qt::PreciseTimer);
    QObject::connect(g_watch.poll, &QTimer::timeout, [] { g_watch.Report(platform::GetCursorPos()); });
    g_watch.poll->start(kPollMs);
  }
  return true;
}

extern "C" bool ResetHook() {
  if (!g_watch.target) return false;
  g_watch.target = 0;
  platform::RemoveCursorObserver(g_watch.observer);
  g_watch.observer = 0;
  delete g_watch.poll;
  g_watch.poll = nullptr;
  return true;
}
