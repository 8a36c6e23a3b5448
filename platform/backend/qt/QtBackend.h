// The Qt backend: the widgets of this process on any Qt platform.
//
// A handle is a widget's native window id (QWidget::winId).  The window order is
// the one the message hub keeps as windows are shown, raised and destroyed
// (platform/Messages.h): the offscreen platform has none of its own, and on a
// real display Qt cannot read the window manager's.
#pragma once

#include <QPointer>
#include <QTimer>

#include "platform/backend/Backend.h"

namespace platform::qt {

class QtWindowSystem : public WindowSystem {
public:
  // nativeRaise: also ask the Qt platform to raise the window (the offscreen
  // platform keeps no order of its own and complains when asked).
  explicit QtWindowSystem(bool nativeRaise) : nativeRaise_(nativeRaise) {}

  bool Exists(HWND h) const override;
  HWND Find(std::string_view cls, const char* title) const override;
  std::optional<Rect> FrameRect(HWND h) const override;
  // For a top-level window, places the frame (Qt places the client area, so the
  // frame's margins are taken off); for a child widget, its geometry in its
  // parent.  A negative size shrinks to 0.
  void Move(HWND h, const Rect& frame) override;
  void Raise(HWND h) override;
  std::vector<HWND> Stacking() const override;
  HWND Owner(HWND h) const override;
  std::optional<WindowIdentity> Identify(HWND h) const override;

private:
  bool nativeRaise_;
};

// Monitors from QGuiApplication::screens() (bounds: QScreen::geometry, work
// area: availableGeometry); the title-bar height from the first shown framed
// window, else the style's title-bar metric.
class QtScreens : public Screens {
public:
  std::vector<Monitor> Monitors() const override;
  int CaptionHeight() const override;
};

// Reports every SetCursorPos through a cursor observer; with poll, also reads
// the pointer every pollMs milliseconds (the real pointer moves without us).
// Reports may repeat a position: the sink filters.
class QtPointerWatch : public PointerWatch {
public:
  QtPointerWatch(bool poll, int pollMs = 10) : poll_(poll), pollMs_(pollMs) {}
  ~QtPointerWatch() override { Stop(); }
  bool Start(std::function<void(Point)> sink) override;
  void Stop() override;

private:
  bool poll_;
  int pollMs_;
  std::function<void(Point)> sink_;
  int observer_ = 0;
  QPointer<QTimer> timer_;
};

}  // namespace platform::qt
