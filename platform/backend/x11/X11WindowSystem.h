// The X11 window system: every top-level X window of the display, ours and
// other processes' alike.  A handle is an X window id (for our own widgets, the
// widget's winId, which on Qt's xcb platform is the X window).
//
//  * Frame rectangles are read from the X server every time: the geometry of
//    the window's top-level ancestor (the window manager's frame, or the window
//    itself when nothing frames it).  Nothing is cached, so a rectangle is
//    always where the frame actually stands.
//  * Moves follow Placement.h: on the screen a window is managed and moved by
//    _NET_MOVERESIZE_WINDOW (source pager, the position in the client's own
//    gravity, plus the offset this window manager was seen to add for the
//    window: PositionReading), then read back once the window manager has
//    handled the request (WmBarrier.h; for one that does not tell, and in
//    a Wayland session, once the frame has stood still a moment) and
//    corrected while the window manager puts the frame elsewhere and it
//    comes closer; off the screen (unless it is back where the window
//    manager kept it framed at home) it is withdrawn and shown
//    override-redirect at the asked rectangle (held to the client's own
//    minimum and maximum size, the on-screen edge kept, also when the client
//    resizes itself afterwards: EdgeKeeper.h).  The withdrawal does not wait
//    for the window manager to let go: the move returns at once, later moves
//    off the screen only change where the window will stand, and the window
//    is shown at the newest of them once the window manager's answer comes
//    as an event (a slide off the screen ends where its last step asked);
//    in a Wayland session the move waits for it, as the focus needs.
//    Reading the frame of a window still being withdrawn waits for that
//    answer, so that what is read back is where the window stands.  Back on
//    the screen, or home,
//    it is given back to the window manager, mapped at the position that
//    puts its frame at the asked rectangle, and asked there again if the
//    client resizes itself a moment later (EdgeKeeper::Settle).  While a
//    window stands at a size its own size hints forbid, it wears hints that
//    allow it; its own limits come back once its size fits them again.
//    Without a window manager a move is a plain configure of the window.
//  * Stacking: the root window's children bottom to top (the X server's own
//    order of frames and unmanaged windows), each turned into its client.
//  * Our own child widgets, and finding, owners and identities of our own
//    windows, are answered by the Qt backend, exactly as on any platform.
//
// It talks to the X server over a connection of its own, so its round trips
// never wait behind Qt's event handling.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "platform/backend/Backend.h"
#include "platform/backend/x11/EdgeKeeper.h"
#include "platform/backend/x11/Placement.h"
#include "platform/backend/x11/WmBarrier.h"
#include "platform/backend/x11/Xcb.h"

class QTimer;

namespace platform::x11 {

class X11WindowSystem : public WindowSystem {
public:
  // Connects to the display named by $DISPLAY; check Connected() afterwards.
  explicit X11WindowSystem(WindowSystem* ours);
  ~X11WindowSystem() override;
  bool Connected() const { return conn_ != nullptr; }

  bool Exists(HWND h) const override;
  HWND Find(std::string_view cls, const char* title) const override;
  std::optional<Rect> FrameRect(HWND h) const override;
  void Move(HWND h, const Rect& frame) override;
  void Raise(HWND h) override;
  std::vector<HWND> Stacking() const override;
  HWND Owner(HWND h) const override;
  std::optional<WindowIdentity> Identify(HWND h) const override;
  HWND WindowAt(Point pt) const override;
  // Asks a tiling window manager's IPC (i3's, sway's) where the window stands
  // in its layout (Tiling.h; TilingIpc.cpp); without one, moves the window a
  // pixel aside and sees whether the window manager keeps it in place
  // (NudgeTiled).
  bool Tiled(HWND h) override;

  // True while a window manager runs (_NET_SUPPORTING_WM_CHECK names a live window).
  bool WmRunning() const { return WmCheck() != XCB_WINDOW_NONE; }
  // That window of the running window manager's; XCB_WINDOW_NONE when none runs.
  xcb_window_t WmCheck() const;
  // True when w is a window of the window manager's own client (the one that
  // holds its _NET_SUPPORTING_WM_CHECK window).
  bool OfWindowManager(xcb_window_t w) const;
  // The window that holds the input focus: _NET_ACTIVE_WINDOW under a window
  // manager (unless the X focus is in a mapped unmanaged window, which the
  // window manager never names: then that window, if it is not one of the
  // window manager's own), else the X focus turned into its top-level
  // window; 0 for none.
  HWND FocusedWindow() const;
  // Gives the X input focus to the window (a no-op for a stale handle).
  void Focus(HWND h);
  // Called around each change of a shown window between managed and unmanaged
  // (this layer withdrawing it, or giving it back to the window manager): just
  // before (done false), and once the window manager has answered and the
  // window stands mapped again (done true).  Either change unmaps the window
  // for a moment, so the focus it held leaves it.
  std::function<void(HWND, bool done)> onManagementChange;
  // True when the running window manager tells when it has handled a
  // request (WmBarrier.h): moves then wait for its answer however late it
  // comes, where for others they watch the frame a while.
  bool WmTellsWhenDone() { return WmAnswered(WmBarrier::kFirstAnswerMs); }
  // True while this layer holds the window withdrawn and unmanaged (from the
  // moment it withdraws it).
  bool IsUnmanaged(HWND h) const { return unmanaged_.count(h) != 0; }
  // True while this layer waits for the window manager to let go of a window
  // it withdrew.
  bool IsWithdrawing(HWND h) const { return withdrawing_.count(h) != 0; }
  xcb_connection_t* Connection() const { return conn_; }
  xcb_window_t Root() const { return root_; }

private:
  bool IsOurChild(HWND h) const;
  std::optional<Rect> ClientRect(xcb_window_t w) const;
  xcb_window_t TopAncestor(xcb_window_t w) const;
  xcb_window_t ClientOf(xcb_window_t frame, int depth = 3) const;
  // True while a window manager counts w as its client: WM_STATE is set and
  // not Withdrawn (xfwm4 leaves WM_STATE on a window it let go of, marked
  // Withdrawn, where others delete it).
  bool WmClient(xcb_window_t w) const;
  std::vector<std::uint32_t> Cardinals(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) const;
  std::string Text(xcb_window_t w, xcb_atom_t prop) const;
  void Sync() const;
  // True once the window manager has handled everything sent before, at most
  // timeoutMs; false at once where it does not tell (WmBarrier.h), and in a
  // Wayland session.
  bool WmAnswered(int timeoutMs);

  int BorderWidth(xcb_window_t w) const;
  SizeHints NormalHints(xcb_window_t w) const;
  // The client's own hints: those kept aside while it wears ones of this
  // layer, else those it wears.
  SizeHints OwnHints(xcb_window_t w) const;
  void SetNormalHints(xcb_window_t w, const SizeHints& hints);
  // Before a move of the client to `client` with the window at `position`:
  // when the window is about to be mapped, or its own hints forbid that
  // size, puts hints on it that allow it (Placement.h), keeping its own;
  // else gives it its own limits back.
  void WearHints(xcb_window_t w, const Rect& client, Point position, bool mapping);
  // After a move: gives the window its own size limits back once they allow
  // its present size (USPosition kept).
  void ReturnHints(xcb_window_t w);
  // Moves a managed window's frame to `frame`, read back and corrected while
  // it comes closer (PositionReading, learned on the way);
  // mappedAt: the window was just mapped at that position (the map was the
  // first request).
  void ManagedMove(xcb_window_t w, const Rect& frame, std::optional<Point> mappedAt = std::nullopt);
  // States a window manager put on the window while this layer moved it
  // (maximized across or down, demanding attention), which it did not have
  // when it was first moved: KWin marks a bar revealed across the whole
  // screen maximized, keeps it so at home (two pixels too wide), and flags
  // windows that move as demanding attention.  TakeStatesOff asks the window
  // manager to take them off; CleanStates takes them out of a withdrawn
  // window's own _NET_WM_STATE, which the window manager that frames it next
  // reads.
  void TakeStatesOff(xcb_window_t w, const std::vector<std::uint32_t>& states);
  void CleanStates(xcb_window_t w);
  // Those of the three states in `now` (the window's _NET_WM_STATE) that it
  // did not have when this layer first moved it.
  std::vector<std::uint32_t> AddedStates(xcb_window_t w, const std::vector<std::uint32_t>& now) const;
  void MoveManagedFrame(xcb_window_t w, const Rect& frame, std::optional<Point> mappedAt);
  // Keeps the window's states (and its frame, when framedHere: it stands
  // shown and managed) as they are before this layer first moves it.
  void RememberHome(xcb_window_t w, bool framedHere);
  // Whether a window manager with no layout to ask keeps the window where
  // it stands when asked to move it a pixel aside (Tiling.h); a window it
  // moves is put back.
  bool NudgeTiled(xcb_window_t w);
  // Withdraws the window from the window manager, to be shown unmanaged at
  // `asked` (or the newest rectangle asked meanwhile) once the window manager
  // has let go (EdgeKeeper::AwaitRelease tells when it may have).
  void Withdraw(xcb_window_t w, const Rect& asked);
  // True once the window manager has let go of w: the window is a child of
  // the root and not its client.
  bool LetGo(xcb_window_t w) const;
  // Ends a withdrawal in flight once the window manager has let go (shown
  // unmanaged); after kWmReleaseMs a window manager that has not keeps the
  // window (weston frames it again), and would have it placed relative to a
  // frame it no longer shows and never give it back: it is mapped again for
  // the window manager to show where it was.  wait: waits for the answer up
  // to that deadline.
  void SettleWithdrawal(xcb_window_t w, bool wait);
  // Shows a window shown unmanaged (or being shown so) at `frame`, held to
  // its own size and kept against the asked edges (EdgeKeeper::Keep).
  void PlaceUnmanaged(xcb_window_t w, const Rect& frame, bool map);
  // Runs the release deadline timer for the earliest withdrawal in flight.
  void ArmReleaseDeadline();
  // Puts the window with its border at r: keeping its own border width (no
  // window manager to take it away), or with none (a window this layer
  // shows unmanaged, or gives back to a window manager, which frames it).
  void Configure(xcb_window_t w, const Rect& r, bool keepBorder = false);
  // Gives a window shown unmanaged back to the window manager at `frame`
  // (mapped when `map`); true once it framed it.  One that does not take it
  // within kWmReleaseMs leaves it shown unmanaged there.
  bool GiveBack(xcb_window_t w, const Rect& frame, bool map);
  // A window given back lately changed (EdgeKeeper::Settle): asks the window
  // manager for `asked` again where the frame stands elsewhere (true when it
  // did), else gives back the client's own size hints if they fit now.
  bool AskAgain(xcb_window_t w, const Rect& asked);
  // What a move's plan needs to know of the window (PlanMove), read from the
  // X server and what this layer keeps; first drops what was kept for a
  // window whose id names another window now, and keeps the window's home
  // states before its first move (RememberHome).
  MoveFacts Facts(xcb_window_t w);
  // Drops everything this layer kept for the window: it is gone, or its id
  // names another window now.
  void Forget(xcb_window_t w);

  WindowSystem* ours_;  // the Qt backend, for our own widgets
  x11::Connection display_;
  xcb_connection_t* conn_ = nullptr;  // display_'s connection, and its root
  xcb_window_t root_ = 0;
  struct Atoms {
    xcb_atom_t frameExtents, clientListStacking, activeWindow, supportingWmCheck, wmName, utf8, pid, wmState,
        moveResize, netWmState, maxHorz, maxVert, demandsAttention;
  } atoms_{};
  // Windows this layer withdrew, with the frame extents they had.
  std::map<HWND, Extents> unmanaged_;
  // Withdrawals the window manager has not answered yet: the newest frame
  // asked for the window, and until when the answer is waited for.
  struct Withdrawal {
    Rect asked;
    std::chrono::steady_clock::time_point until;
  };
  std::map<xcb_window_t, Withdrawal> withdrawing_;
  std::unique_ptr<QTimer> releaseDeadline_;
  // Windows wearing hints of this layer: their own, and the ones this layer
  // put on them lately (normalized).
  struct HeldHints {
    SizeHints own;
    std::vector<SizeHints> worn;
    bool Ours(const SizeHints& hints) const;
    void Put(const SizeHints& hints);
  };
  std::map<xcb_window_t, HeldHints> held_;
  // How the window manager reads the positions asked for each window.
  std::map<xcb_window_t, PositionReading> readings_;
  // Each window as it stood when this layer first moved it: its
  // _NET_WM_STATE, and its frame if the window manager framed it then (a
  // move back there is managed: ModeFor).
  struct Home {
    std::vector<std::uint32_t> states;
    std::optional<Rect> frame;
  };
  std::map<xcb_window_t, Home> homes_;
  // Keeps unmanaged windows against their asked edges when they resize themselves.
  EdgeKeeper keeper_;
  // Tells when the window manager has handled a move or a map (on conn_).
  std::unique_ptr<WmBarrier> barrier_;
};

}  // namespace platform::x11
