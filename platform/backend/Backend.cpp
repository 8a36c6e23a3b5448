// The one place that looks at the Qt platform's name: it decides which backends
// serve the façade, and whether Qt's own activation changes are followed.
#include "platform/backend/Backend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>

#include "platform/Messages.h"
#include "platform/backend/qt/QtBackend.h"
#if EDGETUCKER_HAVE_X11
#include "platform/backend/x11/X11Activation.h"
#include "platform/backend/x11/X11Screens.h"
#include "platform/backend/x11/X11WindowSystem.h"
#endif
#ifdef EDGETUCKER_HAVE_XI_WATCH
#include <iostream>

#include "platform/backend/x11/XiPointerWatch.h"
#endif

namespace platform {
namespace {

#ifdef EDGETUCKER_HAVE_XI_WATCH
// Raw motion carries no warps: SetCursorPos reaches the same sink through the
// cursor observers (the sink drops a position it already has).
class XiWithWarps : public PointerWatch {
public:
  explicit XiWithWarps(std::unique_ptr<x11::XiPointerWatch> xi) : xi_(std::move(xi)) {}
  bool Start(std::function<void(Point)> sink) override { return warps_.Start(sink) && xi_->Start(sink); }
  void Stop() override {
    xi_->Stop();
    warps_.Stop();
  }

private:
  std::unique_ptr<x11::XiPointerWatch> xi_;
  qt::QtPointerWatch warps_{false};
};
#endif

struct State {
  Backends chosen;     // what the platform calls for
  Backends fakes;      // a test's replacements (null members: none)
  Backends installed;  // chosen, with the fakes laid over it
  QPointer<QCoreApplication> chosenFor;
  bool haveChosen = false;
};

State& state() {
  static State s;
  return s;
}

// The backends live as long as the process: a pointer watch or a window system
// may still be asked to stop while static objects are being torn down.
Backends Choose() {
  const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
  Backends b;
  // The offscreen platform keeps no window order of its own; the pointer moves
  // there only through SetCursorPos, which the cursor observers already see, so
  // polling would only burn time.  Elsewhere the real pointer is read every
  // 10 ms, and Qt hears of activation from the window system.
  static auto* offscreenWindows = new qt::QtWindowSystem(false);
  static auto* nativeWindows = new qt::QtWindowSystem(true);
  static auto* screens = new qt::QtScreens;
  static auto* observerWatch = new qt::QtPointerWatch(false);
  static auto* pollWatch = new qt::QtPointerWatch(true);
  b.windows = offscreen ? static_cast<WindowSystem*>(offscreenWindows) : nativeWindows;
  b.screens = screens;
  b.pointer = offscreen ? static_cast<PointerWatch*>(observerWatch) : pollWatch;
#if EDGETUCKER_HAVE_X11
  // On an X display the X server is asked directly: frames, stacking, placement
  // that window managers honour, and activation by the focused window.  Qt's
  // QScreen list already holds the RandR monitors; their work areas come from
  // what docks and panels reserve (Qt leaves them whole with two monitors).
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    static auto* x11Screens = new x11::X11Screens(screens);
    if (x11Screens->Connected()) b.screens = x11Screens;
    static auto* x11Windows = new x11::X11WindowSystem(nativeWindows);
#ifdef EDGETUCKER_HAVE_XI_WATCH
    static PointerWatch* xiWatch = [] () -> PointerWatch* {
      if (auto xi = x11::XiPointerWatch::Create()) return new XiWithWarps(std::move(xi));
      std::cerr << "platform: the X server has no XInput 2; polling the pointer every 10 ms instead" << std::endl;
      return nullptr;
    }();
    if (xiWatch) b.pointer = xiWatch;
#endif
    if (x11Windows->Connected()) {
      b.windows = x11Windows;
      auto* activation = new x11::X11Activation(x11Windows, QCoreApplication::instance());
      QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, activation,
                       [activation](Qt::ApplicationState st) { activation->OnQtState(st == Qt::ApplicationActive); });
      return b;
    }
  }
#endif
  if (!offscreen) FollowQtApplicationState();
  return b;
}

void Overlay(Backends& onto, const Backends& with) {
  if (with.windows) onto.windows = with.windows;
  if (with.screens) onto.screens = with.screens;
  if (with.pointer) onto.pointer = with.pointer;
}

void Recompute(State& s) {
  s.installed = s.chosen;
  Overlay(s.installed, s.fakes);
}

}  // namespace

const Backends& CurrentBackends() {
  State& s = state();
  QCoreApplication* app = QCoreApplication::instance();
  // Chosen once per application object (a process that makes a second one, a
  // test runner say, gets its activation followed again).  Before there is a
  // GUI application nothing can be chosen yet: the widgets' backends answer
  // meanwhile, and the choice is made at the first call after.
  if (!qobject_cast<QGuiApplication*>(app)) {
    if (!s.haveChosen) {
      static auto* windows = new qt::QtWindowSystem(false);
      static auto* screens = new qt::QtScreens;
      static auto* watch = new qt::QtPointerWatch(false);
      s.chosen = Backends{windows, screens, watch};
      Recompute(s);
    }
    return s.installed;
  }
  if (!s.haveChosen || s.chosenFor != app) {
    s.chosen = Choose();
    s.chosenFor = app;
    s.haveChosen = true;
    Recompute(s);
  }
  return s.installed;
}

void InstallBackends(const Backends& fakes) {
  State& s = state();
  CurrentBackends();
  Overlay(s.fakes, fakes);
  Recompute(s);
}

void RestoreDefaultBackends() {
  State& s = state();
  s.fakes = Backends{};
  CurrentBackends();
  Recompute(s);
}

}  // namespace platform
