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
// A window given back to the window manager is watched a while longer
// (Settle, onStrayed): the same toolkit applies, late, a size it saw while it
// stood unmanaged (Lazarus's main bar, shown revealed at its frame's height
// with no frame around it, laid itself out at that height and, under muffin
// on a loaded machine, resized itself to it after Stop had landed it home:
// 37 px too tall).  A change the keeper hears within kSettleWatchMs of the
// hand-back (or of the managed moves that follow it, a slide's last steps)
// is handed to the window system, which asks the window manager for the
// frame again; kMaxReasks times at the most, so that a client that insists
// keeps its size.
//
// On the same connection it tells when a window the window system keeps
// records of is destroyed (Track, onGone): the X server hands a gone
// client's window ids to the next client (an IDE started again), and what
// was learned of the old window must not pass for the new one's.
//
// And it hears the window manager let go of a window the window system has
// withdrawn (AwaitRelease, onReleaseNews): the frame's reparenting of the
// client to the root, and WM_STATE deleted or marked Withdrawn (a window
// manager that frames nothing only changes the property).  The window
// system then shows the window unmanaged in the event loop, so that no move
// waits for the window manager's answer.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
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
  // The window is managed again, or gone: its changes are its own.  Also
  // ends a Settle.
  void Release(xcb_window_t w);
  bool Keeps(xcb_window_t w) const { return kept_.count(w) != 0; }

  // The window was just given back to the window manager, framed at `asked`:
  // for kSettleWatchMs a change of its geometry is told to onStrayed, in a
  // later turn of the event loop (never inside a move), with `asked`.
  // onStrayed answers whether it asked the window manager again (a change
  // that left the frame at `asked`, such as the echo of the hand-back's own
  // moves, costs nothing).
  void Settle(xcb_window_t w, const Rect& asked);
  // The window is moved anew: what it was given back at is no longer asked.
  void Unsettle(xcb_window_t w) { settling_.erase(w); }
  bool Settling(xcb_window_t w) const { return settling_.count(w) != 0; }
  std::function<bool(xcb_window_t, const Rect& asked)> onStrayed;

  // Tells onGone once w is destroyed (until then it is listened to, kept or not).
  void Track(xcb_window_t w);
  std::function<void(xcb_window_t)> onGone;

  // The window system has withdrawn w and waits for the window manager to
  // let go of it: its reparenting, unmapping and property changes are told
  // to onReleaseNews (once per batch of events, in a later turn of the event
  // loop, never inside a move) until EndRelease.  onReleaseNews reads what
  // the window is now; the events only say that it may have changed.
  void AwaitRelease(xcb_window_t w);
  void EndRelease(xcb_window_t w);
  std::function<void(xcb_window_t)> onReleaseNews;
  // Handles what came on the socket now, so that a window destroyed before a
  // move is forgotten before the move (the event loop may not have run since).
  void Poll() { Drain(false); }

  // How long after a hand-back a change counts as the client's stale one:
  // under load Lazarus's came a few hundred milliseconds after the landing.
  static constexpr int kSettleWatchMs = 3000;
  static constexpr int kMaxReasks = 2;

private:
  // Corrections of one placement at the most.
  static constexpr int kMaxCorrections = 8;
  struct Settled {
    Rect asked;
    std::chrono::steady_clock::time_point until;
    int reasks;
    bool told;  // onStrayed is due in the next turn
  };
  struct Kept {
    Rect asked;
    Rect placed;     // where the window stands as far as this layer knows
    int corrections;  // since it was last placed
  };
  // Selects what this connection hears of w: structure changes while w is
  // kept, settling, tracked or awaited, property changes while awaited.
  void Listen(xcb_window_t w);
  void OnReadable();
  // Handles the events that came (queuedOnly: those already read off the socket).
  void Drain(bool queuedOnly);
  // Reads where the window stands now and answers it.
  void Check(xcb_window_t w);
  void OnConfigured(xcb_window_t w, const Rect& now);
  // A settling window changed: onStrayed in the next turn, unless it ended meanwhile.
  void OnSettlingChanged(xcb_window_t w);
  // An awaited window changed: onReleaseNews in the next turn, unless it ended meanwhile.
  void OnReleaseNews(xcb_window_t w);

  Connection display_;
  xcb_connection_t* conn_ = nullptr;  // display_'s
  std::unique_ptr<QSocketNotifier> notifier_;
  std::map<xcb_window_t, Kept> kept_;
  std::map<xcb_window_t, Settled> settling_;
  std::set<xcb_window_t> tracked_;
  // Awaited windows, and whether onReleaseNews is due for one in the next turn.
  std::map<xcb_window_t, bool> releasing_;
};

}  // namespace platform::x11
