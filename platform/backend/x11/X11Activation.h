// The application's activation on an X display.
//
// The application is active while the window with the input focus is one of
// ours: under a window manager the window _NET_ACTIVE_WINDOW names (or a window
// of ours the window manager does not manage that holds the X focus), without
// one the X focus.  Changes are passed to SetApplicationActive
// (platform/Windows.h).
//
// A window of ours that holds the focus leaving the screen (the panel hiding
// itself at Start, a window withdrawn from the window manager to hide at the
// screen edge, or given back to it) is no loss of activation.  Unmapping it
// reverts the X focus to nobody, and a window manager then hands the focus to
// the next window it manages, often another application's.  So once the
// window manager has answered (it has let go of the window, and the X focus is
// on a window again, or a short while passed), a focus that is not ours any
// more is taken back (and once more when the window manager's answer comes
// later than that: LateFallback.h): the X focus goes to the window that left
// if it stands again (unmanaged, at an edge), else to our main window, the
// first window the application showed that still stands (X lets a mapped
// window have the focus whether the window manager manages it or not; a
// managed one is also asked for through _NET_ACTIVE_WINDOW).  This happens
// in the same turn of the event loop as the hiding, so the fallback is never
// reported.  A window of
// another application taking the focus at any other moment (the user clicked
// it) is a loss.  Without a window manager, a focus that went to nobody goes
// back to our main window as well.
//
// Taking the focus back behind a window manager's back leaves it believing the
// window it chose still has the focus, so a click on that window changes
// nothing in its eyes.  Every button press on the display is heard (XInput 2):
// a press on the window the window manager names active, while the X focus is
// in an unmanaged window of ours, gives that window the X focus, as the window
// manager would have done.
//
// A click on a window of ours the window manager does not manage (one hidden
// at an edge) gives it the X focus, as a click on a managed window would.  Any
// click on a window of ours decides the activation again, over an earlier
// word of the compositor's: the X focus may never have left our windows (KWin
// counting a native window active), and then nothing else would tell.  Our
// windows in another process (the IDE's, by the host's rule) are clicked
// without Qt hearing of it: there the press heard through XInput 2 does the
// same.
//
// Under XWayland a native Wayland window holding the focus leaves no X window
// active (_NET_ACTIVE_WINDOW None; the X focus on none, or on a window of
// KWin's own): once that has held 300 ms, it is a loss.  Under KWin its own
// word counts too, and a native window it activates on its own as a window
// of ours leaves is handed back (CompositorFocus.h): while KWin then
// activates nothing, the X focus in a window of KWin's own is no loss.
//
// Which windows are ours is the host's rule when it installed one
// (SetActivationOwner), else this process's widgets.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <set>
#include <xcb/xcb.h>

#include "platform/backend/x11/CompositorFocus.h"
#include "platform/backend/x11/LateFallback.h"
#include "platform/backend/x11/X11WindowSystem.h"
#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {

class X11Activation : public QObject {
public:
  // Watches the root window's _NET_ACTIVE_WINDOW over a connection of its own,
  // our top-level windows' hiding and mouse presses, and the window system's
  // withdrawals.
  X11Activation(X11WindowSystem* windows, QObject* parent);
  ~X11Activation() override;

  // Decides again from the window system's state.
  void Evaluate();
  // Qt's own view of the application state changed.
  void OnQtState(bool active);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ReadEvents();
  // Hears every button press on the display (XInput 2 raw events), when the
  // X server has XInput 2.
  void SelectButtonPresses();
  void OnButtonPressAnywhere();
  // A click on the top-level window `top` of ours: an unmanaged one takes the
  // X focus, and the activation is decided again.
  void OnOwnWindowClicked(HWND top);
  // True when the application is active and no other application's window
  // holds the focus: a window of ours leaving now takes no focus from anyone.
  bool HoldsFocus() const;
  // After a window of ours that held the focus left or was unmapped for a
  // moment: keeps the focus with us, on `preferred` if it stands (0 for none),
  // else on our main window.  `wmLate`: the window manager had not let go of
  // the window when the caller stopped waiting; then, as when it has not
  // handed the focus on within kFallbackMs, its fallback may still come
  // (LateFallback.h).
  void KeepFocus(HWND preferred, bool wmLate = false);
  // Gives the X focus to our main window; false when none stands.
  bool FocusMain();
  // The X focus window; none for nobody, PointerRoot or the root window.
  xcb_window_t XFocus() const;
  // True when the X focus is in one of our windows.
  bool XFocusIsOurs() const;
  // Gives the X focus to the shown top-level window w.
  bool FocusWindow(QWidget* w);
  // True once the window manager no longer counts the window as mapped.
  bool WmLetGo(xcb_window_t w) const;

  X11WindowSystem* windows_;
  Connection display_;
  xcb_connection_t* events_ = nullptr;  // display_'s
  xcb_atom_t activeAtom_ = 0, wmStateAtom_ = 0, clientListAtom_ = 0;
  QSocketNotifier* notifier_ = nullptr;
  bool qtActive_ = true;
  // Windows of ours between the two calls of onManagementChange, and whether
  // the focus was ours before the first of them began: a hide withdraws the
  // inspector and the main bar before the window manager has let go of
  // either, and the focus is taken back once no window of ours is changing
  // hands any more.
  std::set<HWND> changing_;
  bool keepAcrossChange_ = false;
  std::uint8_t xiOpcode_ = 0;  // XInput's major opcode once raw presses are selected
  // The window Qt deactivated in this turn of the event loop, and whether the
  // focus was ours just before.
  QWidget* deactivating_ = nullptr;
  bool heldBeforeHide_ = false;
  // Under XWayland: no X window has been active since it started.
  QTimer noneHolds_;
  // The compositor said it activated a native window (KWin), and no X
  // window since.
  bool nativeActive_ = false;
  // What KWin's reports left (CompositorFocus.h).
  CompositorFocus compositor_;
  // The window manager's fallback after the focus was kept (LateFallback.h).
  LateFallback lateFallback_;
};

// True when the X window counts as the application's own: one of this
// process's widgets, or whatever the host's rule says (SetActivationOwner).
bool IsOurWindow(HWND h);

}  // namespace platform::x11
