// The façade: every window call goes to the window-system backend in force
// (platform/backend/Backend.h).  Messages, activation, screens, the cursor and
// fonts live in Messages.cpp, Screens.cpp, Pointer.cpp and Fonts.cpp.
#include "platform/Windows.h"

#include <QCoreApplication>
#include <QWidget>
#include <cstdlib>

#include "platform/Messages.h"
#include "platform/backend/Backend.h"

namespace platform {
namespace {

WindowSystem& windows() { return *CurrentBackends().windows; }

}  // namespace

QWidget* WidgetFromHandle(HWND h) {
  if (h == 0) return nullptr;
  return QWidget::find(static_cast<WId>(h));
}

HWND HandleOf(QWidget* w) {
  if (!w) return 0;
  return static_cast<HWND>(w->winId());
}

bool IsWindow(HWND h) { return h != 0 && windows().Exists(h); }

HWND FindWindow(const char* className, const char* title) {
  if (!className) return 0;
  return windows().Find(className, title);
}

bool GetWindowRect(HWND h, Rect& rect) {
  if (h == 0) return false;
  const std::optional<Rect> frame = windows().FrameRect(h);
  if (!frame) return false;
  rect = *frame;
  return true;
}

void MoveWindow(HWND h, int x, int y, int w, int ht, bool repaint) {
  if (h == 0 || !windows().Exists(h)) return;
  windows().Move(h, Rect{x, y, x + w, y + ht});
  if (!repaint) return;
  if (QWidget* widget = WidgetFromHandle(h); widget && widget->isVisible()) widget->update();
}

void BringWindowToTop(HWND h) {
  if (h != 0) windows().Raise(h);
}

std::vector<QWidget*> TopLevelZOrder() {
  std::vector<QWidget*> out;
  for (QWidget* w : HubWindowOrder())
    if (w->isVisible() && w->isWindow()) out.push_back(w);
  return out;
}

bool IsWindowTiled(HWND h) { return h != 0 && windows().Tiled(h); }

HWND WindowFromPoint(Point pt) {
  // One pass over the top-level windows, topmost first (for the Qt backend the
  // order the hub keeps): the cost never grows with the number of child widgets.
  return windows().WindowAt(pt);
}

HWND GetParent(HWND h) {
  if (h == 0) return 0;
  return windows().Owner(h);
}

std::string GetWindowsDirectory() {
  if (const char* w = std::getenv("WINDIR"); w && *w) return w;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.config";
}

std::string GetModuleFileName() {
  return QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
}

}  // namespace platform
