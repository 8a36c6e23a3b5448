// Keeps the strip of a window shown unmanaged where it was asked while the
// client changes its own size afterwards.
//
// An unmanaged client is placed held to its own size hints (UnmanagedRect),
// but some clients take another size of their own a moment later: a toolkit
// bar whose height follows its width (Lazarus's main bar lays its component
// palette out again when it is made 1280 wide instead of 1278, and sets new
// hints with it).  Nothing frames an unmanaged window, so the new size grows
// or shrinks from its top left corner, and a bar hidden off the top would
// shrink away from the screen edge; the same toolkit, answering configure
// events late, also puts the window back at a position of a moment ago.  The
// keeper listens to each such window's ConfigureNotify on a connection of its
// own, in the event loop, and moves a window that no longer stands where it
// was placed back against the asked rectangle's edges that lie on the
// monitors (AnchoredRect), a few times per placement at the most.  Waiting for the client's answer inside each
// move would hold up every step of a slide.
//
// On the same connection it tells when a window the window system keeps
// records of is destroyed (Track, onGone): the X server hands a gone
// client's window ids to the next client (an IDE started again), and what
// was learned of the old window must not pass for the new one's.
#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

#include "platform/backend/Backend.h"
#include "platform/backend/x11/Xcb.h"

class QSocketNotifier;

namespace platform::x11 {

class EdgeKeeper {
public:
  // Connects to the display named by $DISPLAY; without a connection it keeps nothing.
  EdgeKeeper();
  ~EdgeKeeper();
  EdgeKeeper(const EdgeKeeper&) = delete;
  EdgeKeeper& operator=(const EdgeKeeper&) = delete;

  // The window w stands unmanaged at `placed` for the asked frame rectangle
  // `asked` (placed is asked held to the client's size): a later change of
  // its size is answered by keeping asked's on-screen edges.  Called once the
  // window stands at `placed` (the caller's requests are synced): a window
  // newly kept is checked at once, for a client that answered before it was
  // listened to.
  void Keep(xcb_window_t w, const Rect& asked, const Rect& placed);
  // The window is managed again, or gone: its changes are its own.
  void Release(xcb_window_t w);
  bool Keeps(xcb_window_t w) const { return kept_.count(w) != 0; }

  // Tells onGone once w is destroyed (until then it is listened to, kept or not).
  void Track(xcb_window_t w);
  std::function<void(xcb_window_t)> onGone;
  // Handles what came on the socket now, so that a window destroyed before a
  // move is forgotten before the move (the event loop may not have run since).
  void Poll() { Drain(false); }

private:
  // Corrections of one placement at the most.
  static constexpr int kMaxCorrections = 8;
  struct Kept {
    Rect asked;
    Rect placed;     // where the window stands as far as this layer knows
    int corrections;  // since it was last placed
  };
  void Select(xcb_window_t w, bool on);
  void OnReadable();
  // Handles the events that came (queuedOnly: those already read off the socket).
  void Drain(bool queuedOnly);
  // Reads where the window stands now and answers it.
  void Check(xcb_window_t w);
  void OnConfigured(xcb_window_t w, const Rect& now);

  Connection display_;
  xcb_connection_t* conn_ = nullptr;  // display_'s
  std::unique_ptr<QSocketNotifier> notifier_;
  std::map<xcb_window_t, Kept> kept_;
  std::set<xcb_window_t> tracked_;
};

}  // namespace platform::x11
