#include "platform/Screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

std::vector<Monitor> GetMonitors() {
  std::vector<Monitor> monitors;
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (const QScreen* s : QGuiApplication::screens()) {
    monitors.push_back(Monitor{Rect::FromQRect(s->geometry()), Rect::FromQRect(s->availableGeometry()), s == primary});
  }
  return monitors;
}

}  // namespace platform
