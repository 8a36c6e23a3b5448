// What the stand-in IDE asks of a real X server directly, beside Qt: where a
// window's frame stands as the server reports it, a pointer that moves like a
// mouse, and waiting on the server's own notifications.
//
// Qt's view of a window lags the server's (it learns of a window manager's
// corrections through events it has not necessarily handled yet), and
// QCursor::setPos warps the pointer, which the X server does not report as
// motion.  Scripts that check the real desktop use this connection instead.
//
// Available only on Qt's xcb platform and when the host was built with xcb
// and XTest; Get() returns nullptr otherwise.  GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/Windows.h"

namespace host {

class XDesktop {
public:
  // The process's connection, made at the first call; nullptr when not on a
  // real X server or built without the X libraries.
  static XDesktop* Get();
  // A connection of its own to `display` whatever platform Qt runs on (for
  // tests); nullptr when the server cannot be reached.
  static std::unique_ptr<XDesktop> Connect(const char* display);
  virtual ~XDesktop() = default;

  // The frame rectangle of a top-level window: the client window's place on
  // the root (translated coordinates) widened by the window manager's
  // _NET_FRAME_EXTENTS.  Nothing for a window the server does not know.
  virtual std::optional<platform::Rect> FrameRect(platform::HWND window) = 0;

  // Moves the pointer to a screen point with XTest motion, the way a mouse
  // does (so raw-motion watchers see it), and returns once the server has
  // handled the motion.
  virtual bool MovePointer(int x, int y) = 0;

  // Presses and releases the first button at a screen point (XTest).  Without
  // a window manager the top-level window there also gets the input focus,
  // as under a click-to-focus manager.
  virtual bool ClickAt(int x, int y) = 0;

  // Runs the event loop until done() holds, checking it at once and again
  // whenever the server reports that a top-level window was configured,
  // mapped, unmapped or reparented, or that a window property changed.
  // False when `timeoutMs` passes first.
  virtual bool WaitUntil(const std::function<bool()>& done, int timeoutMs) = 0;

  // True when a window manager announces itself on the root window
  // (_NET_SUPPORTING_WM_CHECK pointing at a live window).
  virtual bool HasWindowManager() = 0;
};

}  // namespace host
