// The monitors of an X display with the work areas docks and panels leave.
//
// Qt's xcb platform reports a work area (QScreen::availableGeometry) from
// _NET_WORKAREA only while there is a single monitor: that property is one
// rectangle for the whole desktop.  With two or more, every screen's work area
// is its whole geometry, and a window sized to it covers the panels.  So the
// work areas are worked out here from the space each client reserves
// (WorkArea.h), as window managers do:
//
//  * bounds, the primary flag and the title-bar height are the toolkit
//    backend's (Qt's screens);
//  * the clients asked are those of the window manager's _NET_CLIENT_LIST,
//    whatever their map state (it counts its clients' reservations, on every
//    desktop), and the mapped children of the root window with the windows
//    they hold, two levels down, except inside the frame of a listed client
//    (docks that no window manager manages, all clients when none runs, and
//    panels a window manager frames but leaves out of its list: icewm's task
//    bar, two frames deep);
//  * each work area is never larger than the toolkit's.
//
// Reading is a batch of requests and their replies per level of windows, on
// a connection of its own (four round trips at most).  The reservations are
// kept until something that may change them happens, which the X server
// reports on that connection: _NET_CLIENT_LIST or _NET_WORKAREA set anew, a
// child of the root mapped, unmapped, destroyed or reparented, the root
// resized, an asked window's _NET_WM_STRUT or _NET_WM_STRUT_PARTIAL changed.
// Events are read as they come (while the event loop runs) and before each
// answer; the monitors themselves are the toolkit's at every answer.
//
// Reservations are in X pixels and Qt's screens are taken to be too, as
// everywhere in the X11 backend (a device pixel ratio of 1).
#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/x11/WorkArea.h"
#include "platform/backend/x11/Xcb.h"

class QSocketNotifier;

namespace platform::x11 {

class X11Screens : public Screens {
public:
  // Connects to the display named by $DISPLAY; check Connected() afterwards.
  // toolkit: the backend whose monitors and title-bar height are taken; kept.
  explicit X11Screens(Screens* toolkit);
  ~X11Screens() override;
  bool Connected() const { return conn_ != nullptr; }

  // The toolkit's monitors with the work areas the reservations leave; the
  // toolkit's own while the X connection is broken.
  std::vector<Monitor> Monitors() const override;
  int CaptionHeight() const override;

  // The reserved bands now (read again only when something changed).
  std::vector<Band> Reserved() const;
  // Forgets what was read, so that the next answer reads anew.
  void Forget() const { stale_ = true; }

private:
  void ReadEvents() const;
  void Read() const;

  Screens* toolkit_;
  Connection display_;
  xcb_connection_t* conn_ = nullptr;  // display_'s, and its root
  xcb_window_t root_ = 0;
  struct Atoms {
    xcb_atom_t clientList, workArea, strut, strutPartial;
  } atoms_{};
  std::unique_ptr<QSocketNotifier> notifier_;
  mutable bool stale_ = true;
  mutable std::vector<Band> bands_;
};

}  // namespace platform::x11
