#include "platform/Messages.h"

#include <QApplication>
#include <QGuiApplication>
#include <algorithm>
#include <atomic>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"

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
// messages, keeps the window order and holds the activation state.
class Hub : public QObject {
public:
  std::vector<QPointer<QWidget>> zorder;  // topmost first
  bool active = true;
  bool followingQt = false;

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
    }
  }
  return g_hub;
}

// The hub must exist before the first window is shown, so that the window order
// is complete; creating it with the application does that.  The backends are
// chosen at the same moment, so that activation is followed from the start.
void CreateHubAtStartup() {
  hub();
  CurrentBackends();
}
Q_COREAPP_STARTUP_FUNCTION(CreateHubAtStartup)

}  // namespace

std::vector<QWidget*> HubWindowOrder() {
  std::vector<QWidget*> out;
  Hub* hb = g_hub.load();
  if (!hb) return out;
  out.reserve(hb->zorder.size());
  for (const auto& p : hb->zorder)
    if (p) out.push_back(p.data());
  return out;
}

void HubRaise(QWidget* w) {
  if (w) hub()->Raise(w);
}

void FollowQtApplicationState() {
  Hub* hb = hub();
  if (hb->followingQt) return;
  auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!gui) return;
  hb->followingQt = true;
  QObject::connect(gui, &QGuiApplication::applicationStateChanged, hb,
                   [](Qt::ApplicationState s) { SetApplicationActive(s == Qt::ApplicationActive); });
}

MessageEvent::MessageEvent(const Message& m) : QEvent(EventType()), message(m) {}

QEvent::Type MessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
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
  // Every guard is taken before the first handler runs: a handler may destroy
  // any other window, and a guard made from a raw pointer after that would
  // already point at freed memory.
  const QWidgetList windows = QApplication::topLevelWidgets();
  std::vector<QPointer<QWidget>> targets(windows.begin(), windows.end());
  for (const QPointer<QWidget>& w : targets) {
    if (!w) continue;
    Message m;
    m.msg = WM_ACTIVATEAPP;
    m.wParam = active ? 1 : 0;
    MessageEvent me(m);
    QCoreApplication::sendEvent(w.data(), &me);
  }
}

namespace {

std::function<bool(HWND)>& OwnerRule() {
  static std::function<bool(HWND)> rule;
  return rule;
}

std::function<void()>& Decider() {
  static std::function<void()> decide;
  return decide;
}

}  // namespace

void SetActivationOwner(std::function<bool(HWND)> ownsWindow) {
  const bool decide = static_cast<bool>(ownsWindow);
  OwnerRule() = std::move(ownsWindow);
  if (decide) ReevaluateActivation();
}

bool CountsAsOwnForActivation(HWND h) {
  if (h == 0) return false;
  if (const auto& rule = OwnerRule()) return rule(h);
  return WidgetFromHandle(h) != nullptr;
}

void ReevaluateActivation() {
  // A copy: deciding may install another decider.
  if (const std::function<void()> decide = Decider()) decide();
}

void SetActivationDecider(std::function<void()> decide) { Decider() = std::move(decide); }

}  // namespace platform
