#include "platform/backend/x11/X11Activation.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "platform/Messages.h"
#include "platform/backend/x11/X11Session.h"
#include "platform/backend/x11/Xcb.h"

#ifdef EDGETUCKER_HAVE_XI_WATCH
#include <xcb/xinput.h>
#endif

namespace platform::x11 {

bool IsOurWindow(HWND h) { return CountsAsOwnForActivation(h); }

namespace {

// _NET_ACTIVE_WINDOW's source for a pager: window managers that guard against
// focus stealing honour it.
constexpr std::uint32_t kSourcePager = 2;
// How long a window manager may take to answer an unmap or a focus request.
constexpr int kWmAnswerMs = 500;
// How long a window manager may take to hand on the focus a window of ours
// lost; one that hands it to nobody costs this once, in the hiding's turn.
constexpr int kFallbackMs = 250;
// How long no X window may be active under XWayland before that counts as a
// native window's focus: a window of ours withdrawn or given back leaves none
// active until the compositor has handed the focus on.
constexpr int kNoneHoldsMs = 300;

}  // namespace

X11Activation::X11Activation(X11WindowSystem* windows, QObject* parent)
    : QObject(parent), windows_(windows), display_(Connection::Open()), events_(display_.get()) {
  if (!events_) return;
  activeAtom_ = Intern(events_, "_NET_ACTIVE_WINDOW");
  wmStateAtom_ = Intern(events_, "WM_STATE");
  clientListAtom_ = Intern(events_, "_NET_CLIENT_LIST");
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(events_, windows_->Root(), XCB_CW_EVENT_MASK, &mask);
  SelectButtonPresses();
  xcb_flush(events_);
  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(events_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
  windows_->onManagementChange = [this](HWND h, bool done) {
    if (!done) {
      if (!IsOurWindow(h)) return;
      if (changing_.empty()) keepAcrossChange_ = HoldsFocus();
      changing_.insert(h);
    } else if (changing_.erase(h) != 0 && changing_.empty() && std::exchange(keepAcrossChange_, false)) {
      KeepFocus(h);
    }
  };
  qApp->installEventFilter(this);
  SetActivationDecider([this] { Evaluate(); });
  // KWin tells of a native window's focus where X shows nothing of it (the
  // X focus stays in an unmanaged window of ours).  A window of ours that
  // KWin had active leaving the screen has KWin hand its focus to the next
  // window in its own order, which may be a native one: that is no choice of
  // the user's, and it is handed back (CompositorFocus.h).
  SetCompositorActivationHandler([this](CompositorActivated what, HWND from) {
    const CompositorDecision d = OnCompositorActivation(compositor_, what, from != 0 && IsOurWindow(from));
    compositor_ = d.next;
    switch (d.step) {
      case CompositorStep::Loss:
        nativeActive_ = true;
        if (!noneHolds_.isActive()) noneHolds_.start();
        break;
      case CompositorStep::Keep:
        nativeActive_ = false;
        noneHolds_.stop();
        // KWin puts the X focus on a window of its own as it activates
        // nothing; it comes back to a window of ours once.
        QTimer::singleShot(0, this, [this] {
          if (!XFocusIsOurs()) KeepFocus(0);
        });
        break;
      case CompositorStep::Evaluate:
        nativeActive_ = false;
        Evaluate();
        break;
      case CompositorStep::Forget:
        // KWin's last word must not outweigh what X shows from now on.
        nativeActive_ = false;
        break;
      case CompositorStep::HandBack:
        break;
    }
    return d.step == CompositorStep::HandBack;
  });
  noneHolds_.setSingleShot(true);
  noneHolds_.setInterval(kNoneHoldsMs);
  connect(&noneHolds_, &QTimer::timeout, this, [this] {
    if (nativeActive_ || (windows_->FocusedWindow() == 0 && !XFocusIsOurs() &&
                          OnNoXWindowActive(compositor_) == NoneActiveStep::Watch))
      SetApplicationActive(false);
  });
}

X11Activation::~X11Activation() {
  SetActivationDecider({});
  SetCompositorActivationHandler({});
  if (events_) {
    windows_->onManagementChange = nullptr;
    if (qApp) qApp->removeEventFilter(this);
  }
  delete notifier_;
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
    if (deactivating_ == w && heldBeforeHide_ && IsApplicationActive()) {
      deactivating_ = nullptr;
      const auto x = static_cast<xcb_window_t>(w->internalWinId());
      const bool late = windows_->WmRunning() && !PollUntil([&] { return WmLetGo(x); }, kWmAnswerMs);
      KeepFocus(0, late);
    }
  } else if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
             w->window()->internalWinId() != 0) {
    // (A second click soon after the first comes as a double click alone.)
    OnOwnWindowClicked(static_cast<HWND>(w->window()->internalWinId()));
  }
  return false;
}

void X11Activation::OnOwnWindowClicked(HWND top) {
  if (windows_->IsUnmanaged(top) && windows_->FocusedWindow() != top) windows_->Focus(top);
  // A click on a window of ours is the user's latest word, newer than a
  // compositor's report of a native window already heard.  It is decided
  // again here because nothing else may tell: KWin can count a native window
  // active while the X focus stays in a window of ours, and the focus then
  // moving between our windows changes neither Qt's application state nor
  // _NET_ACTIVE_WINDOW.
  nativeActive_ = false;
  noneHolds_.stop();
  QTimer::singleShot(0, this, [this] { Evaluate(); });
}

bool X11Activation::WmLetGo(xcb_window_t w) const { return !WmClient(events_, w, wmStateAtom_); }

bool X11Activation::HoldsFocus() const {
  if (!IsApplicationActive()) return false;
  const HWND focus = windows_->FocusedWindow();
  return focus == 0 || IsOurWindow(focus);
}

xcb_window_t X11Activation::XFocus() const {
  const auto f = Answer(events_, &xcb_get_input_focus_reply, xcb_get_input_focus(events_));
  xcb_window_t w = f ? f->focus : xcb_window_t{XCB_WINDOW_NONE};
  if (w == XCB_INPUT_FOCUS_POINTER_ROOT || w == windows_->Root()) w = XCB_WINDOW_NONE;
  return w;
}

bool X11Activation::XFocusIsOurs() const {
  for (xcb_window_t w = XFocus(), depth = 0; w != XCB_WINDOW_NONE && depth < 16; ++depth) {
    if (IsOurWindow(w)) return true;
    const auto t = Answer(events_, &xcb_query_tree_reply, xcb_query_tree(events_, w));
    w = t && t->parent != windows_->Root() ? t->parent : xcb_window_t{XCB_WINDOW_NONE};
  }
  return false;
}

void X11Activation::KeepFocus(HWND preferred, bool wmLate) {
  if (!events_) return;
  // Unmapping the window that had the focus reverts the X focus to nobody at
  // once; a window manager then hands it on in its own time (after it has let
  // go of the window, and at times after it has said so).  Its answer is the
  // X focus on some window again; one that gives it to nobody is waited for
  // no longer than kFallbackMs.
  if (windows_->WmRunning() && !PollUntil([&] { return XFocus() != XCB_WINDOW_NONE; }, kFallbackMs)) wmLate = true;
  // A window manager that has not answered by now may hand the focus on
  // later still.  Only where every button press is heard: elsewhere a click
  // on another application could not be told from that.
  if (wmLate && windows_->WmRunning() && xiOpcode_ != 0)
    lateFallback_.Arm(LateFallback::Clock::now(), Cardinals(events_, windows_->Root(), clientListAtom_, XCB_ATOM_WINDOW));
  if (XFocusIsOurs()) return;
  QWidget* w = WidgetFromHandle(preferred);
  if (!(w && w->isVisible() ? FocusWindow(w) : FocusMain())) return;
  PollUntil([&] { return IsOurWindow(windows_->FocusedWindow()); }, kWmAnswerMs);
}

void X11Activation::SelectButtonPresses() {
#ifdef EDGETUCKER_HAVE_XI_WATCH
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(events_, &xcb_input_id);
  if (!ext || !ext->present) return;
  // The server answers XI 2 requests only once the client has named the
  // version it speaks.
  const auto v = Answer(events_, &xcb_input_xi_query_version_reply, xcb_input_xi_query_version(events_, 2, 2));
  const bool xi2 = v && v->major_version >= 2;
  if (!xi2) return;
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t mask;
  } sel{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS)};
  xcb_input_xi_select_events(events_, windows_->Root(), 1, &sel.head);
  xiOpcode_ = ext->major_opcode;
#endif
}

void X11Activation::ReadEvents() {
  bool changed = false, pressed = false;
  while (const Event e = NextEvent(events_)) {
    const int type = e->response_type & 0x7F;
    if (type == XCB_PROPERTY_NOTIFY && reinterpret_cast<xcb_property_notify_event_t*>(e.get())->atom == activeAtom_)
      changed = true;
#ifdef EDGETUCKER_HAVE_XI_WATCH
    if (type == XCB_GE_GENERIC && xiOpcode_ != 0) {
      const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e.get());
      if (ge->extension == xiOpcode_ && ge->event_type == XCB_INPUT_RAW_BUTTON_PRESS) pressed = true;
    }
#endif
  }
  if (pressed) OnButtonPressAnywhere();
  if (changed) Evaluate();
}

void X11Activation::OnButtonPressAnywhere() {
  // Whatever becomes active after a press is the user's choice.
  lateFallback_.Disarm();
  const auto p = Answer(events_, &xcb_query_pointer_reply, xcb_query_pointer(events_, windows_->Root()));
  if (!p) return;
  // The top-level window under the pointer: a frame, or an unmanaged window.
  const xcb_window_t under = p->child;
  // A window of ours that is no widget of this process (the IDE's own, in
  // the IDE's process, where the host's rule counts it ours): Qt tells
  // nothing of a click on it, so it is handled here as the event filter
  // handles a click on one of our widgets.
  if (under != XCB_WINDOW_NONE && IsOurWindow(under) && !WidgetFromHandle(under)) OnOwnWindowClicked(under);
  // The rest only while we hold the X focus behind the window manager's back:
  // it then still believes another window has the focus, and a click on that
  // window is one it will not answer.
  if (!windows_->WmRunning()) return;
  const HWND focus = windows_->FocusedWindow();
  if (!IsOurWindow(focus) || !windows_->IsUnmanaged(focus)) return;
  const xcb_window_t named =
      Cardinal(events_, windows_->Root(), activeAtom_, XCB_ATOM_WINDOW).value_or(XCB_WINDOW_NONE);
  if (named == XCB_WINDOW_NONE || IsOurWindow(named)) return;
  // The window under the pointer against the frame of the named window: some
  // window managers (icewm) make their frames override-redirect, so the
  // frame is compared, not a client.
  const xcb_window_t top = TopLevel(events_, windows_->Root(), named);
  if (top == XCB_WINDOW_NONE) return;
  if (under != XCB_WINDOW_NONE && under == top) windows_->Focus(named);
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
  if (windows_->WmRunning()) {
    const HWND active = windows_->FocusedWindow();
    if (active == 0) {
      // Under XWayland no X window is active while a native Wayland window
      // has the focus (KWin puts the X focus on a window of its own, mutter
      // on none): unless the X focus is in a window of ours, that is a loss,
      // once it has held a moment (a window of ours hidden or shown again
      // leaves none active until the compositor has answered).  On X11 a
      // window manager names none only for a moment, or when it gave the
      // focus to nobody, which takes it from no one.
      if (CurrentSession().xwayland && !XFocusIsOurs() && OnNoXWindowActive(compositor_) == NoneActiveStep::Watch &&
          !noneHolds_.isActive())
        noneHolds_.start();
      return;
    }
    compositor_ = AfterXWindowActive(compositor_);
    if (nativeActive_ && noneHolds_.isActive()) return;  // KWin said a native window took it
    if (!IsOurWindow(active) && lateFallback_.Take(LateFallback::Clock::now(), static_cast<std::uint32_t>(active))) {
      // The window manager handing on the focus late: no loss, taken back once.
      QTimer::singleShot(0, this, [this] {
        KeepFocus(0);
        lateFallback_.Disarm();
      });
      return;
    }
    noneHolds_.stop();
    nativeActive_ = false;
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
