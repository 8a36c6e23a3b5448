#include "mgwatch/mgwatch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <iostream>
#include <memory>
#include <utility>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"
#ifdef EDGETUCKER_HAVE_XI_WATCH
#include "platform/backend/x11/XiPointerWatch.h"
#endif

namespace {

// Asks where the pointer is every 10 ms: one round trip to the X server per
// tick, and wake-ups while the pointer rests.  Only for servers without
// XInput 2 and for platforms without an event-driven watch.
class PollPointerWatch final : public platform::PointerWatch {
public:
  static constexpr int kPollMs = 10;

  bool Start(std::function<void(platform::Point)> sink) override {
    m_sink = std::move(sink);
    if (!m_timer) {
      m_timer = std::make_unique<QTimer>();
      m_timer->setTimerType(Qt::PreciseTimer);
      QObject::connect(m_timer.get(), &QTimer::timeout, [this] {
        if (m_sink) m_sink(platform::GetCursorPos());
      });
    }
    m_timer->start(kPollMs);
    return true;
  }
  void Stop() override {
    if (m_timer) m_timer->stop();
    m_sink = nullptr;
  }

private:
  std::unique_ptr<QTimer> m_timer;
  std::function<void(platform::Point)> m_sink;
};

// How this process learns of real pointer motion: the X server's raw-motion
// events where it has XInput 2, else a poll; nothing offscreen, where the
// cursor moves only through platform::SetCursorPos, which the cursor
// observers already see.  (One choice per platform, belonging with the
// choice of the other window-system backends.)
std::unique_ptr<platform::PointerWatch> MakePointerWatch() {
  const QString platformName = QGuiApplication::platformName();
  if (platformName == QLatin1String("offscreen")) return nullptr;
#ifdef EDGETUCKER_HAVE_XI_WATCH
  if (platformName == QLatin1String("xcb")) {
    if (auto xi = platform::x11::XiPointerWatch::Create()) return xi;
    static bool told = false;
    if (!std::exchange(told, true))
      std::cerr << "mgwatch: the X server has no XInput 2; polling the pointer every "
                << PollPointerWatch::kPollMs << " ms instead" << std::endl;
  }
#endif
  return std::make_unique<PollPointerWatch>();
}

// Cursor motion reaches the library two ways: the platform's cursor observers
// see every position the IDE sets (warps, and the only motion an offscreen
// screen has), and the pointer watch sees the motion of a real pointer.
struct Watch {
  std::uintptr_t target = 0;
  int observer = 0;
  std::unique_ptr<platform::PointerWatch> pointer;
  platform::Point last;

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
  g_watch.observer = platform::AddCursorObserver([](platform::Point p) { g_watch.Report(p); });
  auto sink = [](platform::Point p) { g_watch.Report(p); };
  g_watch.pointer = MakePointerWatch();
  if (g_watch.pointer && !g_watch.pointer->Start(sink)) {
    g_watch.pointer = std::make_unique<PollPointerWatch>();
    g_watch.pointer->Start(sink);
  }
  return true;
}

extern "C" bool ResetHook() {
  if (!g_watch.target) return false;
  g_watch.target = 0;
  platform::RemoveCursorObserver(g_watch.observer);
  g_watch.observer = 0;
  if (g_watch.pointer) g_watch.pointer->Stop();
  g_watch.pointer.reset();
  return true;
}
