// Knowing when the window manager has handled what this client asked of it.
//
// A window manager answers a request (_NET_MOVERESIZE_WINDOW, a map) in its
// own time: on a loaded machine xfwm4 and metacity took more than half a
// second, and a request not handled yet looks just like one refused (the frame
// stays put).  Asked again on top of it, the window manager handles both in
// one go: the frame lands where the second request, corrected for a refusal
// that never was, puts it (3 px off under xfwm4), and an offset learned from
// that landing sends every later move of the window astray.
//
// A window manager handles the messages clients send to the root in the order
// they come.  So after a request this asks it for the frame extents of an
// unmapped window of ours (_NET_REQUEST_FRAME_EXTENTS, EWMH 1.4); once it has
// set them, it has handled the request before them too, and the X server has
// carried out the configures it sent for it, which came before the property.
// The window manager's own later moves (answering the client's own requests)
// are not covered: they come when the client sends them.
//
// Not every window manager answers: openbox, icewm, metacity, xfwm4 and i3 do
// (the last two without naming it in _NET_SUPPORTED); fluxbox and kwin_x11 do
// not, whatever they name.  A window manager is asked once when it is first
// met; one that has not answered within kFirstAnswerMs counts as silent, and
// Pass returns false at once for it (the caller watches the frame instead),
// until a late answer shows it answers after all.  One that stops answering
// (a Pass runs out of time) counts as silent too, so that it costs the wait
// once and not on every move.
#pragma once

#include <xcb/xcb.h>

#include <chrono>

namespace platform::x11 {

class WmBarrier {
public:
  // Keeps an unmapped 1x1 window of its own on c (which the caller keeps
  // open for as long as this lives).
  WmBarrier(xcb_connection_t* c, xcb_window_t root);
  ~WmBarrier();
  WmBarrier(const WmBarrier&) = delete;
  WmBarrier& operator=(const WmBarrier&) = delete;

  // Waits, at most timeoutMs, until the window manager whose check window
  // (_NET_SUPPORTING_WM_CHECK) is `wm` has handled everything this
  // connection sent before.  False when it has not by then, or is silent, or
  // wm is 0 (no window manager: nothing to wait for).  A timeout of 0 only
  // asks a newly met window manager, so that its answer is there by the
  // first move.
  bool Pass(xcb_window_t wm, int timeoutMs);

  // True while the window manager last met counts as one that answers.
  bool Answers() const { return state_ == State::Answers; }

  // How long a newly met window manager has to answer before it counts as silent.
  static constexpr int kFirstAnswerMs = 500;

private:
  enum class State { Unknown, Answers, Silent };
  void Ask();
  bool Answered() const;

  xcb_connection_t* c_;
  xcb_window_t root_;
  xcb_window_t probe_ = 0;
  xcb_atom_t frameExtents_ = 0, request_ = 0;
  xcb_window_t wm_ = 0;
  State state_ = State::Unknown;
  std::chrono::steady_clock::time_point askedAt_;
};

}  // namespace platform::x11
