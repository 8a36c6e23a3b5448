// The window-system backends behind the platform façade (platform/Windows.h).
//
// The add-in talks to one desktop through the façade's Win32-shaped calls.  What
// stands behind a handle depends on where the process runs:
//
//  * the Qt backend (platform/backend/qt/) serves the widgets of this process on
//    any Qt platform; it is the only backend on the offscreen virtual screen;
//  * the X11 backend (platform/backend/x11/, built only when its libraries are
//    found) serves every top-level X window of the display, ours and other
//    processes' alike, with frame extents, window-manager placement rules and
//    the X server's stacking order.
//
// The backends are chosen once, at start-up, in one place (Backend.cpp), from
// the Qt platform the application runs on; nothing else in platform/ asks which
// platform is running.  Tests install fakes with InstallBackends and put the
// chosen ones back with RestoreDefaultBackends.
//
// All calls run on the GUI thread unless a comment says otherwise.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Windows.h"

namespace platform {

// One monitor of the desktop, in the desktop's pixel coordinates.  workArea is
// bounds less the panels and docks that reserve space on it.
struct Monitor {
  Rect bounds;
  Rect workArea;
  bool primary = false;
  friend bool operator==(const Monitor&, const Monitor&) = default;
};

// What tells one top-level window from another, for finding a host's windows
// by rule (an IDE profile) rather than by our own class names.
struct WindowIdentity {
  std::string title;     // _NET_WM_NAME (else WM_NAME); for our widgets the window title
  std::string instance;  // WM_CLASS instance part; for our widgets the C++ class name
  std::string cls;       // WM_CLASS class part; for our widgets the C++ class name
  long long pid = 0;     // _NET_WM_PID; 0 when unknown
  friend bool operator==(const WindowIdentity&, const WindowIdentity&) = default;
};

// Top-level windows: finding them, where their frames stand, moving and
// raising them, their stacking order and owners.
class WindowSystem {
public:
  virtual ~WindowSystem() = default;
  // True when the handle is a live top-level (or child) window of this backend.
  virtual bool Exists(HWND h) const = 0;
  // The first top-level window whose class (for our own widgets the C++ class
  // name; for other processes' windows the class the IDE profile resolves to)
  // equals cls and, when title is not null, whose title equals title.
  virtual HWND Find(std::string_view cls, const char* title) const = 0;
  // Where the window's frame really stands now (decorations included).
  virtual std::optional<Rect> FrameRect(HWND h) const = 0;
  // Asks for the frame to stand at `frame`.  On X11 the request is answered
  // asynchronously; FrameRect afterwards reports where it actually landed.
  virtual void Move(HWND h, const Rect& frame) = 0;
  virtual void Raise(HWND h) = 0;
  // Visible top-level windows, topmost first.
  virtual std::vector<HWND> Stacking() const = 0;
  // For a top-level window, its owner (transient-for); for a child, its parent.
  virtual HWND Owner(HWND h) const = 0;
  // Title, class and process of a top-level window; nothing for a stale handle.
  virtual std::optional<WindowIdentity> Identify(HWND h) const = 0;
  // The topmost visible top-level window whose frame holds the point; 0 for
  // none.  By default a walk down Stacking() asking FrameRect of each; a
  // backend that can ask its window system directly does so.
  virtual HWND WindowAt(Point pt) const {
    for (HWND h : Stacking())
      if (const std::optional<Rect> frame = FrameRect(h); frame && frame->Contains(pt.x, pt.y)) return h;
    return 0;
  }
  // True when a tiling window manager holds the window in a tile of its
  // layout: a move would take it out of the layout (its neighbours fill the
  // gap, and it comes back as a new tile) rather than move it.  False for a
  // floating window, where no window manager tiles, and for a stale handle.
  // Not const: where the window manager has no layout to ask, the answer is
  // what it does with a window moved a pixel aside (and put back).
  virtual bool Tiled(HWND) { return false; }
};

// The monitors of the desktop and the height of a window's title bar.
class Screens {
public:
  virtual ~Screens() = default;
  // Every monitor, the primary one flagged; never empty while a screen exists.
  virtual std::vector<Monitor> Monitors() const = 0;
  // The height of a title bar as the window manager draws it (0 without one).
  virtual int CaptionHeight() const = 0;
};

// Reports pointer positions while started.  Points are full 32-bit desktop
// coordinates; packing into 16 bits happens only at the mouse-watch library's
// boundary.
class PointerWatch {
public:
  virtual ~PointerWatch() = default;
  // Starts (or re-targets) the reports; false when the watch cannot run.
  virtual bool Start(std::function<void(Point)> sink) = 0;
  virtual void Stop() = 0;
};

struct Backends {
  WindowSystem* windows = nullptr;
  Screens* screens = nullptr;
  PointerWatch* pointer = nullptr;
};

// The backends in force (chosen at the first call, once a QGuiApplication exists).
const Backends& CurrentBackends();
// Replaces any of the backends (null members keep the current one); the caller
// keeps ownership and must restore before destroying them.
void InstallBackends(const Backends& fakes);
void RestoreDefaultBackends();

// For a backend that decides the activation itself (X11): how to decide it
// anew, called by ReevaluateActivation (an empty function for none).
void SetActivationDecider(std::function<void()> decide);

}  // namespace platform
