// The session of the display this process runs on (Session.h), read once: at
// the first call, from the X server (the window manager's name and what it
// lists in _NET_SUPPORTED) and from Qt's screens (the RandR outputs).
// GUI thread only.
#pragma once

#include <xcb/xcb.h>

#include <functional>

#include "platform/backend/x11/CompositorFocus.h"
#include "platform/backend/x11/Session.h"

namespace platform::x11 {

// Reads the facts over the given connection and Qt's screens.
SessionFacts ReadSessionFacts(xcb_connection_t* conn, xcb_window_t root);
// The display's session, read at the first call; a plain X11 session when
// the display cannot be reached.
const Session& CurrentSession();

// What the compositor itself says about the focus, where an X client cannot
// see it (KWin: KWinCursor.h; CompositorFocus.h says what it means): it
// activated `what`, as the X window `from` that it had active left the
// screen (0 for none).  Passed to the handler set (X11Activation's); none by
// default.  True when the compositor is to activate nothing instead (its
// hand-off from a window of ours is handed back).
bool NoteCompositorActivation(CompositorActivated what, HWND from = 0);
void SetCompositorActivationHandler(std::function<bool(CompositorActivated, HWND from)> handler);

}  // namespace platform::x11
