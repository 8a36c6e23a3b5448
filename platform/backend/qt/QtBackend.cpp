#include "platform/backend/qt/QtBackend.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

#include "platform/Messages.h"

namespace platform::qt {
namespace {

QRect FrameOf(QWidget* w) {
  return w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

}  // namespace

bool QtWindowSystem::Exists(HWND h) const { return WidgetFromHandle(h) != nullptr; }

HWND QtWindowSystem::Find(std::string_view cls, const char* title) const {
  const QString wanted = title ? QString::fromLocal8Bit(title) : QString();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (std::string_view(w->metaObject()->className()) != cls) continue;
    if (title && w->windowTitle() != wanted) continue;
    return HandleOf(w);
  }
  return 0;
}

std::optional<Rect> QtWindowSystem::FrameRect(HWND h) const {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return std::nullopt;
  return Rect::FromQRect(FrameOf(w));
}

void QtWindowSystem::Move(HWND h, const Rect& r) {
  QWidget* widget = WidgetFromHandle(h);
  if (!widget) return;
  const int x = r.left, y = r.top, w = r.Width(), ht = r.Height();
  if (!widget->isWindow()) {
    widget->setGeometry(x, y, w, ht);
    return;
  }
  // Qt places the client area; the frame's margins make up the difference.
  const QRect frame = widget->frameGeometry();
  const QRect client = widget->geometry();
  const int ml = client.left() - frame.left();
  const int mt = client.top() - frame.top();
  const int mr = frame.right() - client.right();
  const int mb = frame.bottom() - client.bottom();
  widget->setGeometry(x + ml, y + mt, std::max(0, w - ml - mr), std::max(0, ht - mt - mb));
}

void QtWindowSystem::Raise(HWND h) {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return;
  QWidget* top = w->window();
  if (nativeRaise_) top->raise();
  if (top->isVisible()) HubRaise(top);
}

std::vector<HWND> QtWindowSystem::Stacking() const {
  std::vector<HWND> out;
  for (QWidget* w : HubWindowOrder())
    if (w->isVisible() && w->isWindow()) out.push_back(HandleOf(w));
  return out;
}

HWND QtWindowSystem::Owner(HWND h) const {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return 0;
  QWidget* p = w->parentWidget();
  if (!p) return 0;
  if (w->isWindow()) return HandleOf(p->window());
  return static_cast<HWND>(p->internalWinId());
}

std::optional<WindowIdentity> QtWindowSystem::Identify(HWND h) const {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return std::nullopt;
  WindowIdentity id;
  id.title = w->windowTitle().toStdString();
  id.instance = id.cls = w->metaObject()->className();
  id.pid = QCoreApplication::applicationPid();
  return id;
}

std::vector<Monitor> QtScreens::Monitors() const {
  std::vector<Monitor> out;
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (const QScreen* s : QGuiApplication::screens())
    out.push_back(Monitor{Rect::FromQRect(s->geometry()), Rect::FromQRect(s->availableGeometry()), s == primary});
  return out;
}

int QtScreens::CaptionHeight() const {
  for (QWidget* w : HubWindowOrder()) {
    if (!w->isVisible() || !w->isWindow()) continue;
    const int top = w->geometry().top() - w->frameGeometry().top();
    if (top > 0) return top;
  }
  return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

bool QtPointerWatch::Start(std::function<void(Point)> sink) {
  if (!QCoreApplication::instance()) return false;
  sink_ = std::move(sink);
  if (!observer_)
    observer_ = AddCursorObserver([this](Point p) {
      if (sink_) sink_(p);
    });
  if (poll_ && !timer_) {
    timer_ = new QTimer(QCoreApplication::instance());
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, [this] {
      if (sink_) sink_(GetCursorPos());
    });
    timer_->start(pollMs_);
  }
  return true;
}

void QtPointerWatch::Stop() {
  if (observer_) RemoveCursorObserver(observer_);
  observer_ = 0;
  delete timer_.data();
  timer_ = nullptr;
  sink_ = nullptr;
}

}  // namespace platform::qt
