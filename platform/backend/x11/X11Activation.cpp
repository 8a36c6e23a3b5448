#include "platform/backend/x11/X11Activation.h"

#include <QWidget>
#include <cstdlib>
#include <cstring>

#include "platform/Messages.h"

namespace platform::x11 {

bool IsOurWindow(HWND h) { return CountsAsOwnForActivation(h); }

X11Activation::X11Activation(X11WindowSystem* windows, QObject* parent) : QObject(parent), windows_(windows) {
  int screen = 0;
  events_ = xcb_connect(nullptr, &screen);
  if (!events_ || xcb_connection_has_error(events_)) {
    if (events_) xcb_disconnect(events_);
    events_ = nullptr;
    return;
  }
  static const char kName[] = "_NET_ACTIVE_WINDOW";
  if (auto* r = xcb_intern_atom_reply(events_, xcb_intern_atom(events_, 0, sizeof kName - 1, kName), nullptr)) {
    activeAtom_ = r->atom;
    std::free(r);
  }
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(events_, windows_->Root(), XCB_CW_EVENT_MASK, &mask);
  xcb_flush(events_);
  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(events_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
  SetActivationDecider([this] { Evaluate(); });
}

X11Activation::~X11Activation() {
  SetActivationDecider({});
  delete notifier_;
  if (events_) xcb_disconnect(events_);
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

void X11Activation::Evaluate() {
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
  // Nobody took the focus: our main window takes it back (the earliest shown
  // top-level window of ours that stands, one without an owner).
  QWidget* main = nullptr;
  for (QWidget* w : HubWindowOrder())
    if (w->isVisible() && w->isWindow() && !w->parentWidget()) main = w;
  if (main) {
    windows_->Focus(HandleOf(main));
    return;
  }
  SetApplicationActive(false);
}

}  // namespace platform::x11
