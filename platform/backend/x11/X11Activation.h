// The application's activation on an X display.
//
// The application is active while the window with the input focus is one of
// ours: under a window manager the window _NET_ACTIVE_WINDOW names, without one
// the X focus.  Two moments are not a loss of activation:
//  * under a window manager, no active window at all (a window of ours that
//    had the focus hid itself and nothing else was chosen);
//  * without a window manager, the focus left with nobody (a window of ours hid
//    itself): the focus goes back to our main window, the first window the
//    application showed that still stands.
// Which windows are ours is the host's rule when it installed one
// (SetActivationOwner), else this process's widgets.  Changes are passed to
// SetApplicationActive (platform/Windows.h).
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <xcb/xcb.h>

#include "platform/backend/x11/X11WindowSystem.h"

namespace platform::x11 {

class X11Activation : public QObject {
public:
  // Watches the root window's _NET_ACTIVE_WINDOW over a connection of its own
  // and hears Qt's activation changes; windows answers focus questions.
  X11Activation(X11WindowSystem* windows, QObject* parent);
  ~X11Activation() override;

  // Decides again from the window system's state; qtActive is what Qt last said.
  void Evaluate();
  void OnQtState(bool active);

private:
  void ReadEvents();

  X11WindowSystem* windows_;
  xcb_connection_t* events_ = nullptr;
  xcb_atom_t activeAtom_ = 0;
  QSocketNotifier* notifier_ = nullptr;
  bool qtActive_ = true;
};

// True when the X window counts as the application's own: one of this
// process's widgets, or whatever the host's rule says (SetActivationOwner).
bool IsOurWindow(HWND h);

}  // namespace platform::x11
