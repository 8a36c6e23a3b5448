#include "platform/Windows.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QFont>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>

namespace platform {
namespace {

// A message on its way to a window: the handle is resolved only on the GUI
// thread, when the event is delivered, so posting needs no lookup and no lock.
class PostedMessageEvent : public QEvent {
public:
  PostedMessageEvent(HWND h, const Message& m) : QEvent(Type()), handle(h), message(m) {}
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  HWND handle;
  Message message;
};

// Lives on the GUI thread for the application's lifetime: delivers posted
// messages, keeps the window order and forwards activation changes.
class Hub : public QObject {
public:
  std::vector<QPointer<QWidget>> zorder;  // topmost first
  std::map<int, CursorObserver> cursorObservers;
  int nextObserver = 1;
  bool active = true;

  void Raise(QWidget* w) {
    Forget(w);
    zorder.insert(zorder.begin(), QPointer<QWidget>(w));
  }
  void Forget(QWidget* w) {
    std::erase_if(zorder, [w](const QPointer<QWidget>& p) { return p.isNull() || p.data() == w; });
  }

protected:
  void customEvent(QEvent* e) override {
    if (e->type() != PostedMessageEvent::Type()) return;
    auto* pm = static_cast<PostedMessageEvent*>(e);
    if (QWidget* w = WidgetFromHandle(pm->handle)) {
      MessageEvent me(pm->message);
      QCoreApplication::sendEvent(w, &me);
    }
  }

  bool eventFilter(QObject* obj, QEvent* e) override {
    if (e->type() == QEvent::Show || e->type() == QEvent::Destroy) {
      if (obj->isWidgetType()) {
        auto* w = static_cast<QWidget*>(obj);
        if (e->type() == QEvent::Destroy)
          Forget(w);
        else if (w->isWindow())
          Raise(w);
      }
    }
    return false;
  }
};

// Written once on the GUI thread when the application starts; read by
// PostMessage from any thread.
std::atomic<Hub*> g_hub{nullptr};

Hub* hub() {
  if (!g_hub) {
    auto* created = new Hub;
    g_hub = created;
    if (QCoreApplication* app = QCoreApplication::instance()) {
      created->moveToThread(app->thread());
      created->setParent(app);
      app->installEventFilter(created);
      QObject::connect(app, &QObject::destroyed, [] { g_hub = nullptr; });
      if (auto* gui = qobject_cast<QGuiApplication*>(app)) {
        // The offscreen platform has no notion of activation of its own: there the
        // host plays activation changes through SetApplicationActive alone.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
          QObject::connect(gui, &QGuiApplication::applicationStateChanged, created,
                           [](Qt::ApplicationState s) { SetApplicationActive(s == Qt::ApplicationActive); });
        }
      }
    }
  }
  return g_hub;
}

// The hub must exist before the first window is shown, so that the window order
// is complete; creating it with the application does that.
void CreateHubAtStartup() {
  hub();
  // The forms ask for the classic sans faces; these are their metric twins here.
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}
Q_COREAPP_STARTUP_FUNCTION(CreateHubAtStartup)

QRect FrameOf(QWidget* w) {
  return w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

}  // namespace

MessageEvent::MessageEvent(const Message& m) : QEvent(EventType()), message(m) {}

QEvent::Type MessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QWidget* WidgetFromHandle(HWND h) {
  if (h == 0) return nullptr;
  return QWidget::find(static_cast<WId>(h));
}

HWND HandleOf(QWidget* w) {
  if (!w) return 0;
  return static_cast<HWND>(w->winId());
}

bool IsWindow(HWND h) { return WidgetFromHandle(h) != nullptr; }

HWND FindWindow(const char* className, const char* title) {
  if (!className) return 0;
  const QString wanted = title ? QString::fromLocal8Bit(title) : QString();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qstrcmp(w->metaObject()->className(), className) != 0) continue;
    if (title && w->windowTitle() != wanted) continue;
    return HandleOf(w);
  }
  return 0;
}

bool GetWindowRect(HWND h, Rect& rect) {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return false;
  rect = Rect::FromQRect(FrameOf(w));
  return true;
}

void MoveWindow(HWND h, int x, int y, int w, int ht, bool repaint) {
  QWidget* widget = WidgetFromHandle(h);
  if (!widget) return;
  if (!widget->isWindow()) {
    widget->setGeometry(x, y, w, ht);
  } else {
    // Qt places the client area; the frame's margins make up the difference.
    const QRect frame = widget->frameGeometry();
    const QRect client = widget->geometry();
    const int ml = client.left() - frame.left();
    const int mt = client.top() - frame.top();
    const int mr = frame.right() - client.right();
    const int mb = frame.bottom() - client.bottom();
    widget->setGeometry(x + ml, y + mt, std::max(0, w - ml - mr), std::max(0, ht - mt - mb));
  }
  if (repaint && widget->isVisible()) widget->update();
}

void BringWindowToTop(HWND h) {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return;
  QWidget* top = w->window();
  // The offscreen platform keeps no window order of its own (and complains
  // when asked to raise); the order kept here is the one that counts there.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) top->raise();
  if (top->isVisible()) hub()->Raise(top);
}

std::vector<QWidget*> TopLevelZOrder() {
  Hub* hb = hub();
  std::vector<QWidget*> out;
  for (const auto& p : hb->zorder)
    if (p && p->isVisible() && p->isWindow()) out.push_back(p.data());
  // Windows shown before this layer was watching go below the ones it has seen.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
  return out;
}

HWND WindowFromPoint(Point pt) {
  for (QWidget* w : TopLevelZOrder())
    if (w->frameGeometry().contains(pt.x, pt.y)) return HandleOf(w);
  return 0;
}

HWND GetParent(HWND h) {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return 0;
  QWidget* p = w->parentWidget();
  if (!p) return 0;
  if (w->isWindow()) return HandleOf(p->window());
  return static_cast<HWND>(p->internalWinId());
}

int GetSystemMetrics(int index) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 0;
  auto caption = []() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      const int top = w->geometry().top() - w->frameGeometry().top();
      if (top > 0) return top;
    }
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
  };
  switch (index) {
    case SM_CXSCREEN: return screen->geometry().width();
    case SM_CYSCREEN: return screen->geometry().height();
    case SM_CYCAPTION: return caption();
    case SM_CYFULLSCREEN: return screen->availableGeometry().height() - caption();
    default: return 0;
  }
}

Point GetCursorPos() {
  const QPoint p = QCursor::pos();
  return Point{p.x(), p.y()};
}

void SetCursorPos(Point pt) {
  QCursor::setPos(pt.x, pt.y);
  // Copy first: an observer may add or remove observers.
  const auto observers = hub()->cursorObservers;
  for (const auto& [id, fn] : observers) fn(pt);
}

int AddCursorObserver(CursorObserver observer) {
  Hub* hb = hub();
  const int id = hb->nextObserver++;
  hb->cursorObservers.emplace(id, std::move(observer));
  return id;
}

void RemoveCursorObserver(int id) {
  if (Hub* hb = g_hub.load()) hb->cursorObservers.erase(id);
}

bool PostMessage(HWND h, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (h == 0) return false;
  Message m;
  m.msg = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  Hub* hb = g_hub.load();
  if (!hb) return false;
  QCoreApplication::postEvent(hb, new PostedMessageEvent(h, m));
  return true;
}

std::intptr_t SendMessage(HWND h, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  QWidget* w = WidgetFromHandle(h);
  if (!w) return 0;
  Message m;
  m.msg = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  MessageEvent me(m);
  QCoreApplication::sendEvent(w, &me);
  return me.message.result;
}

void ProcessMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool IsApplicationActive() { return hub()->active; }

void SetApplicationActive(bool active) {
  Hub* hb = hub();
  if (hb->active == active) return;
  hb->active = active;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    QPointer<QWidget> guard(w);  // a handler may close other windows
    if (!guard) continue;
    Message m;
    m.msg = WM_ACTIVATEAPP;
    m.wParam = active ? 1 : 0;
    MessageEvent me(m);
    QCoreApplication::sendEvent(w, &me);
  }
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
