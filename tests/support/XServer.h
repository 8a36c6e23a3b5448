// A real X server for tests and benchmarks that need one: an Xvfb of their
// own on a free display, and a client that moves its pointer the way a mouse
// does (XTest motion, which the server reports as raw motion; a warp is not).
//
// Both are plain values with no Qt in them, so a test on the offscreen platform
// can still watch a real server through a connection of its own.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct xcb_connection_t;

namespace testx {

class Xvfb {
public:
  // Starts `Xvfb -screen 0 <screen> <extra...>` on a display it picks itself
  // and waits until the server accepts clients (at most 10 s).  When Xvfb is
  // not installed or does not come up, Running() is false and Why() says why.
  explicit Xvfb(const std::string& screen = "1280x800x24", const std::vector<std::string>& extra = {});
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  bool Running() const { return m_pid > 0; }
  const std::string& Display() const { return m_display; }  // ":N"
  const std::string& Why() const { return m_why; }

private:
  pid_t m_pid = -1;
  std::string m_display;
  std::string m_why;
};

// A client connection that plays a mouse.
class PointerMover {
public:
  explicit PointerMover(const std::string& display);
  ~PointerMover();
  PointerMover(const PointerMover&) = delete;
  PointerMover& operator=(const PointerMover&) = delete;

  // False when the display cannot be reached or lacks the XTest extension.
  bool Ok() const { return m_ok; }
  // Moves the pointer to the screen point with XTest motion and sends the
  // request at once; returns without waiting for the server.
  void MoveTo(int x, int y);
  // Moves without flushing, so several moves reach the server in one write.
  void QueueMoveTo(int x, int y);
  void Flush();
  // Presses and releases the first button where the pointer stands.
  void Click();
  // A warp, which produces no raw motion (what QCursor::setPos does).
  void WarpTo(int x, int y);
  // Where the server says the pointer is (one round trip).
  bool Where(int& x, int& y);

private:
  xcb_connection_t* m_conn = nullptr;
  unsigned m_root = 0;
  bool m_ok = false;
};

// A client that makes plain top-level windows and plays a window manager's
// part on them (frame extents, moves), for checking what others read back.
class WindowMaker {
public:
  explicit WindowMaker(const std::string& display);
  ~WindowMaker();
  WindowMaker(const WindowMaker&) = delete;
  WindowMaker& operator=(const WindowMaker&) = delete;

  bool Ok() const { return m_conn != nullptr; }
  // A mapped top-level window; its id, 0 on failure.
  unsigned Create(int x, int y, int width, int height, int border = 0);
  // Sets _NET_FRAME_EXTENTS (left, right, top, bottom).
  void SetFrameExtents(unsigned window, unsigned left, unsigned right, unsigned top, unsigned bottom);
  void Move(unsigned window, int x, int y);
  // The window that has the input focus now.
  unsigned Focus();
  // Waits until the server has handled every request sent.
  void Sync();

private:
  xcb_connection_t* m_conn = nullptr;
  unsigned m_root = 0;
};

}  // namespace testx
