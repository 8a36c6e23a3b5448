#include "platform/backend/x11/X11Activation.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <cstdio>
#define DBG(...) do { if (getenv("FOCUSDBG")) fprintf(stderr, __VA_ARGS__); } while (0)

#include "platform/Messages.h"

namespace platform::x11 {

bool IsOurWindow(HWND h) { return h != 0 && WidgetFromHandle(h) != nullptr; }

namespace {

// _NET_ACTIVE_WINDOW's source for a pager: window managers that guard against
// focus stealing honour it.
constexpr std::uint32_t kSourcePager = 2;
// How long a window manager may take to answer an unmap or a focus request.
constexpr int kWmAnswerMs = 500;

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  xcb_atom_t atom = XCB_ATOM_NONE;
  if (auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                      nullptr)) {
    atom = r->atom;
    std::free(r);
  }
  return atom;
}

// Polls until pred() holds or timeoutMs passes; returns pred().
template <class Pred>
bool WaitUntil(Pred pred, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace

X11Activation::X11Activation(X11WindowSystem* windows, QObject* parent) : QObject(parent), windows_(windows) {
  int screen = 0;
  events_ = xcb_connect(nullptr, &screen);
  if (!events_ || xcb_connection_has_error(events_)) {
    if (events_) xcb_disconnect(events_);
    events_ = nullptr;
    return;
  }
  activeAtom_ = Intern(events_, "_NET_ACTIVE_WINDOW");
  wmStateAtom_ = Intern(events_, "WM_STATE");
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(events_, windows_->Root(), XCB_CW_EVENT_MASK, &mask);
  xcb_flush(events_);
  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(events_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
  windows_->onManagementChange = [this](HWND h, bool done) {
    if (!IsOurWindow(h)) return;
    if (!done) {
      keepAcrossChange_ = HoldsFocus();
      DBG("DBG change %lx holds=%d\n", (unsigned long)h, keepAcrossChange_);
    } else if (std::exchange(keepAcrossChange_, false)) {
      KeepFocus(h);
    }
  };
  qApp->installEventFilter(this);
}

X11Activation::~X11Activation() {
  if (events_) {
    windows_->onManagementChange = nullptr;
    if (qApp) qApp->removeEventFilter(this);
  }
  delete notifier_;
  if (events_) xcb_disconnect(events_);
}

bool X11Activation::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* w = static_cast<QWidget*>(watched);
  const bool window = w->isWindow() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip;
  if (event->type() == QEvent::WindowDeactivate && window && w->isVisible()) {
    // Qt deactivates a window it is about to hide before it unmaps it: this is
    // the last moment the focus is surely where it was before the hiding.
    if (!deactivating_) QTimer::singleShot(0, this, [this] { deactivating_ = nullptr; });
    deactivating_ = w;
    heldBeforeHide_ = HoldsFocus();
  } else if (event->type() == QEvent::Hide && !event->spontaneous() && window && w->internalWinId() != 0) {
    // Qt has sent the unmap; the window manager answers it in its own time.
    DBG("DBG hide %lx deact=%d held=%d\n", (unsigned long)w->internalWinId(), deactivating_ == w, heldBeforeHide_);
    if (deactivating_ == w && heldBeforeHide_ && IsApplicationActive()) {
      deactivating_ = nullptr;
      const auto x = static_cast<xcb_window_t>(w->internalWinId());
      if (windows_->WmRunning()) WaitUntil([&] { return WmLetGo(x); }, kWmAnswerMs);
      KeepFocus(0);
    }
  } else if (event->type() == QEvent::MouseButtonPress && w->window()->internalWinId() != 0) {
    const HWND top = static_cast<HWND>(w->window()->internalWinId());
    DBG("DBG press %lx unmanaged=%d\n", (unsigned long)top, windows_->IsUnmanaged(top));
    if (windows_->IsUnmanaged(top) && windows_->FocusedWindow() != top) windows_->Focus(top);
  }
  return false;
}

bool X11Activation::WmLetGo(xcb_window_t w) const {
  auto* r = xcb_get_property_reply(events_, xcb_get_property(events_, 0, w, wmStateAtom_, wmStateAtom_, 0, 1), nullptr);
  if (!r) return true;
  // WM_STATE's first field: 0 withdrawn, 1 normal, 3 iconic.
  const bool gone = r->type == XCB_ATOM_NONE || xcb_get_property_value_length(r) < 4 ||
                    *static_cast<const std::uint32_t*>(xcb_get_property_value(r)) == 0;
  std::free(r);
  return gone;
}

bool X11Activation::HoldsFocus() const {
  if (!IsApplicationActive()) return false;
  const HWND focus = windows_->FocusedWindow();
  return focus == 0 || IsOurWindow(focus);
}

void X11Activation::KeepFocus(HWND preferred) {
  DBG("DBG keep focus=%lx\n", (unsigned long)windows_->FocusedWindow());
  if (IsOurWindow(windows_->FocusedWindow())) return;
  QWidget* w = WidgetFromHandle(preferred);
  if (!(w && w->isVisible() ? FocusWindow(w) : FocusMain())) return;
  WaitUntil([&] { return IsOurWindow(windows_->FocusedWindow()); }, kWmAnswerMs);
}

void X11Activation::ReadEvents() {
  bool changed = false;
  while (xcb_generic_event_t* e = xcb_poll_for_event(events_)) {
    if ((e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
        reinterpret_cast<xcb_property_notify_event_t*>(e)->atom == activeAtom_)
      changed = true;
    std::free(e);
  }
  if (changed) Evaluate();
}

void X11Activation::OnQtState(bool active) {
  qtActive_ = active;
  Evaluate();
}

bool X11Activation::FocusMain() {
  // Our main window: the earliest shown top-level window of ours that stands,
  // one without an owner.
  QWidget* main = nullptr;
  for (QWidget* w : HubWindowOrder())
    if (w->isVisible() && w->isWindow() && !w->parentWidget()) main = w;
  return main && FocusWindow(main);
}

bool X11Activation::FocusWindow(QWidget* w) {
  const HWND h = HandleOf(w);
  if (events_ && windows_->WmRunning() && !windows_->IsUnmanaged(h)) {
    // A managed window: ask the window manager too, so that it names the
    // window active rather than taking the focus back from it.
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = static_cast<xcb_window_t>(h);
    ev.type = activeAtom_;
    ev.data.data32[0] = kSourcePager;
    ev.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(events_, 0, windows_->Root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(events_);
  }
  windows_->Focus(h);
  return true;
}

void X11Activation::Evaluate() {
  if (getenv("FOCUSDBG")) { auto id = windows_->Identify(windows_->FocusedWindow()); auto f = xcb_get_input_focus_reply(events_, xcb_get_input_focus(events_), nullptr);
  { auto r = xcb_get_property_reply(events_, xcb_get_property(events_, 0, windows_->Root(), activeAtom_, XCB_ATOM_WINDOW, 0, 1), nullptr); if (r && xcb_get_property_value_length(r) >= 4) { xcb_window_t a = *(xcb_window_t*)xcb_get_property_value(r); auto t = xcb_query_tree_reply(events_, xcb_query_tree(events_, a), nullptr); DBG("DBG raw active=%x parent=%x nkids=%d", a, t ? t->parent : 0, t ? xcb_query_tree_children_length(t) : -1); if (t) { auto k = xcb_query_tree_children(t); for (int i = 0; i < xcb_query_tree_children_length(t); ++i) DBG(" %x", k[i]); } DBG("\n"); free(t);} free(r); }
  DBG("DBG eval focus=%lx (%s/%s) xfocus=%x qt=%d active=%d\n", (unsigned long)windows_->FocusedWindow(), id ? id->cls.c_str() : "-", id ? id->title.c_str() : "-", f ? f->focus : 0, qtActive_, IsApplicationActive()); free(f); }
  if (windows_->WmRunning()) {
    const HWND active = windows_->FocusedWindow();
    if (active == 0) return;
    SetApplicationActive(IsOurWindow(active));
    return;
  }
  if (qtActive_) {
    SetApplicationActive(true);
    return;
  }
  const HWND focus = windows_->FocusedWindow();
  if (focus != 0) {
    SetApplicationActive(IsOurWindow(focus));
    return;
  }
  // Nobody took the focus: our main window takes it back.
  if (!FocusMain()) SetApplicationActive(false);
}

}  // namespace platform::x11
