// What a compositor's own word on activation means for the application's,
// where X shows nothing of it (KWin: KWinCursor.h tells).
//
// A window of ours that KWin had active leaving the screen (the panel hiding,
// a window withdrawn to hide at an edge or given back) makes KWin hand its
// activation on to the next window in its own order, often a native Wayland
// one.  That is no choice of the user's, and the X11 backend takes the X
// focus back into a window of ours (X11Activation.h).  KWin, though, does not
// follow the X focus into an unmanaged window: it goes on counting the native
// window active, so the user's later click on that window activates nothing
// new, and KWin tells nothing of it.  The focus loss the user made would go
// unseen for as long as hiding runs.
//
// So such a hand-off is handed back: KWin is asked to activate nothing (the
// state it would be in had it kept the window that left), and the native
// window the user clicks next is a fresh activation KWin reports.  KWin's
// script says which window left as KWin activated another (KWinCursor.h);
// only a hand-off from a window of ours is handed back, whenever it comes.
// While KWin activates nothing at our asking, no X window is active and the
// X focus may land in one of KWin's own windows: that takes the activation
// from no one.  Any X window active, or KWin's reports ending, ends that
// state.
//
// Pure: X11Activation applies the steps.
#pragma once

namespace platform::x11 {

// What the compositor says it activated.
enum class CompositorActivated {
  Native,     // a native Wayland window
  XWindow,    // an X window it manages
  Nothing,    // no window
  Unwatched,  // it tells no more (its script was unloaded)
};

struct CompositorFocus {
  // A hand-off from a window of ours was handed back; KWin's "nothing" is
  // awaited.
  bool handBackAsked = false;
  // KWin activates nothing at our asking: the application keeps the
  // activation whatever X window holds the X focus, until one is active.
  bool nothingActive = false;
};

enum class CompositorStep {
  Loss,      // a native window took the focus: the application lost it
  HandBack,  // KWin's own hand-off from a window of ours: ask it to activate nothing, no loss
  Keep,      // KWin activates nothing as asked: keep the X focus with us
  Evaluate,  // decide from what X shows
  Forget,    // nothing to do now
};

struct CompositorDecision {
  CompositorStep step;
  CompositorFocus next;
};

// The compositor's report `what`; fromOurs when it activated that window as
// a window of ours that it had active left the screen (its hand-off).
CompositorDecision OnCompositorActivation(CompositorFocus state, CompositorActivated what, bool fromOurs);

// X names a window active (_NET_ACTIVE_WINDOW): KWin activates something
// again.
CompositorFocus AfterXWindowActive(CompositorFocus state);

// Under XWayland no X window is active (_NET_ACTIVE_WINDOW None) and the X
// focus is not in a window of ours.
enum class NoneActiveStep {
  // KWin activates nothing at our asking: its own window holding the X focus
  // takes nothing from us.  (Nor is the X focus taken back then: KWin moves
  // it there first when the user clicks a native window, and asking for our
  // window would outrun the activation KWin is about to report.)
  Ignore,
  Watch,  // a native window may hold the focus: a loss once that has held a moment
};
NoneActiveStep OnNoXWindowActive(const CompositorFocus& state);

}  // namespace platform::x11
