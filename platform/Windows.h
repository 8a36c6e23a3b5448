// Window handles, rectangles, screen metrics and window messages.
//
// The add-in was written against a desktop whose windows are addressed by opaque
// handles and talk through posted messages.  This layer gives it exactly that on
// top of Qt, for the windows of this process:
//
//  * A window handle (HWND) is the native window id (QWidget::winId) of a
//    top-level widget, or of any widget that has one.  0 is the null handle.  A
//    handle whose widget has been destroyed goes stale: every call here treats
//    it like the null handle, so a stale handle can never reach freed memory.
//  * A Rect is left, top, right, bottom in screen pixels, signed 32-bit, with
//    right and bottom exclusive.  Window rectangles are frame rectangles: they
//    include the window manager's decorations where there are any.
//  * Messages are delivered through Qt's event queue as MessageEvent to the
//    widget that owns the handle; forms of the toolkit turn them into calls of
//    their message handlers.  PostMessage may be called from any thread.
//
// All functions other than PostMessage must be called on the GUI thread, with a
// QApplication in existence.
//
// Behind this façade: the window calls go to the window-system backend in force
// (platform/backend/Backend.h); messages and activation are in Messages.h,
// monitors in Screens.h, the cursor in Pointer.h, font faces in Fonts.h.
#pragma once

#include <QEvent>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

using HWND = std::uintptr_t;

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  bool IsZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool Contains(std::int32_t x, std::int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
  static Rect FromQRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// ---- handles -------------------------------------------------------------------

// The widget behind a handle, or nullptr for the null or a stale handle.
QWidget* WidgetFromHandle(HWND h);
// The handle of a widget's native window (created on demand); 0 for nullptr.
HWND HandleOf(QWidget* w);

// True exactly while the widget behind the handle exists.
bool IsWindow(HWND h);

// The first top-level widget of this process whose C++ class name
// (metaObject()->className()) equals className and, when title is not null,
// whose window title equals title.  Hidden windows count.  0 when none.
HWND FindWindow(const char* className, const char* title);

// The frame rectangle in screen coordinates.  On a null or stale handle returns
// false and leaves rect untouched.
bool GetWindowRect(HWND h, Rect& rect);

// Places the frame rectangle of a top-level window (x, y is its top-left corner,
// w and h its outer size).  Nothing happens for a null or stale handle.
void MoveWindow(HWND h, int x, int y, int w, int ht, bool repaint);

// Raises the window to the top of the window order.
void BringWindowToTop(HWND h);

// The topmost visible top-level window under the point; 0 when the point is over
// no window the backend serves.  One pass over the top-level windows in their
// stacking order: its cost does not grow with the number of child widgets.
HWND WindowFromPoint(Point pt);

// True when a tiling window manager holds the window in a tile of its layout
// (WindowSystem::Tiled): moving it would wreck the layout.  False for a
// floating window, without a tiling window manager, and for a null or stale
// handle.
bool IsWindowTiled(HWND h);

// For a top-level window, its owner (the window of its parent widget); for a
// child widget, its parent; 0 when there is none.
HWND GetParent(HWND h);

// Visible top-level widgets, topmost first, as this layer has seen them shown
// and raised.  Used for hit testing and by the host to compose screenshots.
std::vector<QWidget*> TopLevelZOrder();

// ---- screen metrics -----------------------------------------------------------

enum SystemMetric : int {
  SM_CXSCREEN = 0,      // width of the primary screen
  SM_CYSCREEN = 1,      // height of the primary screen
  SM_CYCAPTION = 4,     // height of a window title bar
  SM_CYFULLSCREEN = 17, // available height minus one title bar
};

// The primary monitor's bounds and work area (platform/Screens.h); all 0 when
// there is no screen.  SM_CYCAPTION is the window manager's frame top where a
// framed window shows it, else the style's title-bar height; so SM_CYFULLSCREEN
// + SM_CYCAPTION always adds up to the available (work-area) height of the
// primary monitor.
int GetSystemMetrics(int index);

// ---- cursor -------------------------------------------------------------------

// The cursor position in screen coordinates.
Point GetCursorPos();
// Moves the cursor (a warp on a real display; a stored position offscreen) and
// tells every cursor observer at once, on the GUI thread.
void SetCursorPos(Point pt);
// Observers of SetCursorPos calls.  The offscreen platform has no pointer of its
// own, so these calls are the only cursor motion there is.
using CursorObserver = std::function<void(Point)>;
int AddCursorObserver(CursorObserver observer);
void RemoveCursorObserver(int id);

// ---- messages -----------------------------------------------------------------

constexpr std::uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t WM_MOUSEWATCH = WM_USER + 0x101;

struct Message {
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::intptr_t result = 0;
};

// The event that carries a message to its window.
class MessageEvent : public QEvent {
public:
  explicit MessageEvent(const Message& m);
  static QEvent::Type EventType();
  Message message;
};

// Queues the message for the window; it is delivered on the GUI thread in order
// with other events.  Safe from any thread.  Returns false for the null handle;
// a handle that is stale by delivery time drops the message silently.
bool PostMessage(HWND h, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

// Delivers a message at once, bypassing the queue; returns the handler's result
// (0 when the window does not exist or does not handle it).
std::intptr_t SendMessage(HWND h, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

// Dispatches every pending event and message until the queue is empty.
void ProcessMessages();

// The application's activation.  Qt's application-state changes are forwarded
// here; SetApplicationActive lets a host without a window system (the offscreen
// platform) play them.  Each change sends WM_ACTIVATEAPP (wParam 1 or 0) to
// every top-level window of the process.
bool IsApplicationActive();
void SetApplicationActive(bool active);

// Which top-level windows count as the application's own when a window system
// tells which window has the focus (X11): by default the windows of this
// process.  A host that serves the windows of other processes (the bridge: the
// IDE's windows beside its own) installs its rule here; an empty function
// restores the default (and decides nothing: a host removes its rule as it
// goes).  Installing a rule decides the activation anew.
void SetActivationOwner(std::function<bool(HWND)> ownsWindow);
// True when the window counts as the application's own under the rule in force.
bool CountsAsOwnForActivation(HWND h);
// Decides the activation anew from the window that has the focus (after the
// rule's answers changed); a no-op where no window system tells.
void ReevaluateActivation();

// ---- directories and paths ------------------------------------------------------

// $WINDIR when set and not empty, else $XDG_CONFIG_HOME, else ~/.config.
std::string GetWindowsDirectory();
// The path of the running executable.
std::string GetModuleFileName();

}  // namespace platform
