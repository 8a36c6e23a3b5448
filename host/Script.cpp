#include "host/Script.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <functional>
#include <ostream>
#include <map>
#include <sstream>
#include <unistd.h>

#include "host/HostApplication.h"
#include "host/PointerPeer.h"
#include "host/Screenshot.h"
#include "host/XDesktop.h"
#include "platform/Help.h"
#include "platform/Screens.h"
#include "platform/Windows.h"

namespace host {
namespace {

enum class Arg { Word, Int, Flag, Code, Ms, Key, Text, OptText };

}  // namespace

// One command being run: its arguments, the runner's streams and actions, and
// the way to fail.  Handlers see nothing else of the runner.
struct ScriptRunner::Call {
  ScriptRunner& runner;
  const ScriptCommand& c;
  int& waitMs;  // the pause before the next command; 0 unless set

  const std::string& Arg(std::size_t i) const { return c.args.at(i); }
  int Int(std::size_t i) const;
  std::size_t ArgCount() const { return c.args.size(); }
  ScriptActions& Actions() const { return runner.m_actions; }
  std::ostream& Out() const { return runner.m_out; }
  bool Finished() const { return runner.m_finished; }
  void Quit() const { runner.Finish(0); }
  void Hold() const { runner.Hold(); }
  // Prints the FAIL line; returns false so that a handler can return it.
  bool Fail(const std::string& expected, const std::string& found) const {
    return runner.Fail(c, expected, found);
  }
};

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool ToInt(const std::string& s, int& out) {
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, out);
  return !s.empty() && ec == std::errc() && p == end;
}

// Takes the next blank-separated word from rest; false when none is left.
bool NextWord(std::string& rest, std::string& word) {
  rest = Trim(rest);
  if (rest.empty()) return false;
  const auto end = rest.find_first_of(" \t");
  word = rest.substr(0, end);
  rest = end == std::string::npos ? std::string() : rest.substr(end);
  return true;
}

bool ArgValid(Arg kind, const std::string& v) {
  int n = 0;
  switch (kind) {
    case Arg::Word:
    case Arg::Text:
    case Arg::OptText: return true;
    case Arg::Int: return ToInt(v, n);
    case Arg::Flag: return v == "0" || v == "1";
    case Arg::Code: return ToInt(v, n) && n >= 0 && n <= 255;
    case Arg::Ms: return ToInt(v, n) && n >= 0 && n <= 600000;
    case Arg::Key: {
      int key = 0;
      Qt::KeyboardModifiers mods;
      QString text;
      return ParseKeyName(v, key, mods, text);
    }
  }
  return false;
}

std::string RectText(const platform::Rect& r) {
  std::ostringstream s;
  s << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom;
  return s.str();
}

std::string Quoted(const QString& s) { return "\"" + s.toStdString() + "\""; }

// The window that a modal dialog currently keeps from user input, if any.
QWidget* BlockingModal(QWidget* window) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == window) return nullptr;
  // A window owned (directly or further up) by the modal one stays usable, and
  // so does a transient window of it.
  for (QWidget* w = window->parentWidget(); w; w = w->parentWidget())
    if (w->window() == modal) return nullptr;
  if (modal->windowHandle() && window->windowHandle() &&
      modal->windowHandle()->isAncestorOf(window->windowHandle(), QWindow::IncludeTransients))
    return nullptr;
  return modal;
}

// expect-usable CLASS: a visible window of the class takes input from the
// window system.  A pointer move over its middle goes the way a user's does,
// through Qt's window-system path, where a modal dialog that shuts the window
// out swallows it; a move must reach the window.  Returns what was found
// instead, or an empty text.
std::string CheckUsable(QWidget* window) {
  if (!window) return "no visible window";
  QWindow* handle = window->windowHandle();
  if (!handle) return "no native window";
  struct Arrivals : QObject {
    QWindow* target = nullptr;
    int count = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (o == target && e->type() == QEvent::MouseMove) ++count;
      return false;
    }
  } arrivals;
  arrivals.target = handle;
  qApp->installEventFilter(&arrivals);
  // Two points: Qt drops a move to where the pointer already is.
  const QPoint middle(handle->width() / 2, handle->height() / 2);
  QTest::mouseMove(handle, middle);
  QTest::mouseMove(handle, middle + QPoint(1, 1));
  qApp->removeEventFilter(&arrivals);
  if (arrivals.count > 0) return {};
  QWidget* modal = QApplication::activeModalWidget();
  return std::string("input shut out") + (modal ? std::string(" by modal ") + modal->metaObject()->className() : "");
}

// ---- the desktop as the X server sees it, where there is one ----------------

// Where a window's frame stands: as the X server reports it on a real display,
// else as the platform layer knows it.
bool ReadFrameRect(QWidget* w, platform::Rect& r) {
  if (!w) return false;
  if (XDesktop* x = XDesktop::Get()) {
    const auto frame = x->FrameRect(platform::HandleOf(w));
    if (frame) r = *frame;
    return frame.has_value();
  }
  return platform::GetWindowRect(platform::HandleOf(w), r);
}

// A real pointer moves by motion (which the mouse watch sees as such); the
// virtual screen's only pointer is the platform's.
void MovePointer(int x, int y) {
  if (XDesktop* xd = XDesktop::Get())
    xd->MovePointer(x, y);
  else
    platform::SetCursorPos(platform::Point{x, y});
}

// A click of the first button at a screen point: a real one on a real display
// (the window manager sees it and may move the focus); offscreen, a click on
// the widget under the point.  False when offscreen nothing is there.
bool ClickAtScreenPoint(int x, int y) {
  if (XDesktop* xd = XDesktop::Get()) return xd->ClickAt(x, y);
  platform::SetCursorPos(platform::Point{x, y});
  QWidget* top = platform::WidgetFromHandle(platform::WindowFromPoint(platform::Point{x, y}));
  if (!top) return false;
  const QPoint local = top->mapFromGlobal(QPoint(x, y));
  QWidget* target = top->childAt(local);
  if (!target) target = top;
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFromGlobal(QPoint(x, y)));
  return true;
}

}  // namespace

bool ParseKeyName(const std::string& text, int& key, Qt::KeyboardModifiers& modifiers,
                  QString& keyText) {
  std::string rest = text;
  Qt::KeyboardModifiers mods;
  for (;;) {
    if (rest.size() > 4 && rest.rfind("Alt+", 0) == 0) {
      mods |= Qt::AltModifier;
      rest = rest.substr(4);
    } else if (rest.size() > 5 && rest.rfind("Ctrl+", 0) == 0) {
      mods |= Qt::ControlModifier;
      rest = rest.substr(5);
    } else if (rest.size() > 6 && rest.rfind("Shift+", 0) == 0) {
      mods |= Qt::ShiftModifier;
      rest = rest.substr(6);
    } else {
      break;
    }
  }
  static const std::vector<std::pair<std::string, int>> named = {
      {"Escape", Qt::Key_Escape}, {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter},
      {"Tab", Qt::Key_Tab},       {"Space", Qt::Key_Space},   {"Left", Qt::Key_Left},
      {"Right", Qt::Key_Right},   {"Up", Qt::Key_Up},         {"Down", Qt::Key_Down},
      {"F1", Qt::Key_F1},         {"F4", Qt::Key_F4},
  };
  for (const auto& [name, k] : named) {
    if (rest == name) {
      key = k;
      modifiers = mods;
      keyText = k == Qt::Key_Space ? QStringLiteral(" ") : k == Qt::Key_Tab ? QStringLiteral("\t")
                : (k == Qt::Key_Return || k == Qt::Key_Enter) ? QStringLiteral("\r")
                : k == Qt::Key_Escape ? QString(QChar(27)) : QString();
      return true;
    }
  }
  if (rest.size() != 1) return false;
  const unsigned char ch = static_cast<unsigned char>(rest[0]);
  if (ch <= ' ' || ch >= 127) return false;
  // Letters name their key; the text carries the case a user would type.
  key = (ch >= 'a' && ch <= 'z') ? Qt::Key_A + (ch - 'a') : int(ch);
  if (ch >= 'A' && ch <= 'Z') mods |= Qt::ShiftModifier;
  modifiers = mods;
  keyText = QString(QChar(ch));
  return true;
}

int ScriptRunner::Call::Int(std::size_t i) const {
  int v = 0;
  ToInt(c.args.at(i), v);  // checked when parsed
  return v;
}

namespace {

using Call = ScriptRunner::Call;

// ---- helpers of the handlers ----------------------------------------------------

// The window of the command's CLASS (its first argument) that a user could
// reach: visible and not shut out by someone else's modal dialog.
QWidget* UsableWindow(const Call& x) {
  const std::string& cls = x.Arg(0);
  QWidget* w = ScriptRunner::FindTopLevel(cls, false);
  if (!w) {
    x.Fail("a visible " + cls + " window", ScriptRunner::FindTopLevel(cls, true) ? "hidden" : "none");
    return nullptr;
  }
  if (QWidget* modal = BlockingModal(w)) {
    x.Fail("a usable " + cls + " window", std::string("blocked by modal ") + modal->metaObject()->className());
    return nullptr;
  }
  return w;
}

QWidget* FindControl(const Call& x, QWidget* w, const std::string& name) {
  QWidget* control = w->findChild<QWidget*>(QString::fromStdString(name));
  if (!control) x.Fail("a control " + name + " in " + x.Arg(0), "none");
  return control;
}

// The rectangle of the first window of CLASS, hidden ones too.
bool WindowRect(const std::string& cls, platform::Rect& r) {
  return ReadFrameRect(ScriptRunner::FindTopLevel(cls, true), r);
}

// Lets the event loop run until `there` holds or `limitMs` passes.  On a real
// display it wakes on the X server's events too, else on any event.
bool WaitUntil(const std::function<bool()>& there, int limitMs, const Call& x) {
  if (XDesktop* xd = XDesktop::Get()) return xd->WaitUntil([&] { return x.Finished() || there(); }, limitMs);
  QElapsedTimer clock;
  clock.start();
  while (!there()) {
    if (x.Finished()) return true;
    if (clock.elapsed() >= limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

// Lets the event loop run until the window of class `cls` stands at `want`
// or `limitMs` passes; `r` receives the last rectangle seen.  On a real display
// it wakes on the X server's configure notifications, else on any event.
bool WaitForFrameRect(const std::string& cls, const platform::Rect& want, int limitMs, platform::Rect& r,
                      const Call& x) {
  return WaitUntil([&] { return WindowRect(cls, r) && r == want; }, limitMs, x);
}

// Arguments first..first+3 as a rectangle L T R B.
platform::Rect RectArgs(const Call& x, std::size_t first) {
  return platform::Rect{x.Int(first), x.Int(first + 1), x.Int(first + 2), x.Int(first + 3)};
}

// ---- the handlers, one a command ------------------------------------------------

bool RunOpenProject(Call& x) {
  x.Actions().OpenProject(x.Arg(0));
  return true;
}

bool RunSaveDesktop(Call& x) {
  x.Actions().SaveDesktop();
  return true;
}

bool RunCloseProject(Call& x) {
  x.Actions().CloseProject();
  return true;
}

bool RunNotify(Call& x) {
  x.Actions().Notify(x.Int(0), x.Arg(1));
  return true;
}

bool RunMenu(Call& x) {
  if (!x.Actions().ChooseMenu(x.Arg(0))) return x.Fail("a Tools entry \"" + x.Arg(0) + "\"", "none");
  return true;
}

bool RunClick(Call& x) {
  QWidget* w = UsableWindow(x);
  if (!w) return false;
  QWidget* control = FindControl(x, w, x.Arg(1));
  if (!control) return false;
  if (!control->isVisible()) return x.Fail("a visible control " + x.Arg(1), "hidden");
  if (!control->isEnabled()) return x.Fail("an enabled control " + x.Arg(1), "disabled");
  const QPoint at = x.ArgCount() == 4 ? QPoint(x.Int(2), x.Int(3)) : control->rect().center();
  QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
  return true;
}

bool RunKey(Call& x) {
  QWidget* w = UsableWindow(x);
  if (!w) return false;
  int key = 0;
  Qt::KeyboardModifiers mods;
  QString text;
  ParseKeyName(x.Arg(1), key, mods, text);
  // Keys go to the window a user types into: the active one.
  if (!w->isActiveWindow()) {
    w->activateWindow();
    platform::ProcessMessages();
  }
  QWidget* target = w->focusWidget() ? w->focusWidget() : w;
  QTest::sendKeyEvent(QTest::Click, target, Qt::Key(key), text, mods);
  return true;
}

bool RunMove(Call& x) {
  QWidget* w = ScriptRunner::FindTopLevel(x.Arg(0), true);
  if (!w) return x.Fail("a " + x.Arg(0) + " window", "none");
  const platform::Rect r = RectArgs(x, 1);
  if (r.right <= r.left || r.bottom <= r.top) return x.Fail("a non-empty rectangle", RectText(r));
  platform::MoveWindow(platform::HandleOf(w), r.left, r.top, r.Width(), r.Height(), true);
  return true;
}

bool RunCursor(Call& x) {
  MovePointer(x.Int(0), x.Int(1));
  return true;
}

bool RunClickAt(Call& x) {
  if (!ClickAtScreenPoint(x.Int(0), x.Int(1))) return x.Fail("a window at " + x.Arg(0) + " " + x.Arg(1), "none");
  return true;
}

bool RunPeer(Call& x) {
  PointerPeer* peer = PointerPeer::Get();
  if (!peer) return x.Fail("a pointer peer (EDGETUCKER_POINTER_PEER)", "none");
  std::string answer;
  if (!peer->Ask(x.Arg(0), answer)) return x.Fail("ok from the peer to \"" + x.Arg(0) + "\"", answer);
  return true;
}

bool RunActivate(Call& x) {
  platform::SetApplicationActive(x.Arg(0) == "1");
  return true;
}

bool RunWait(Call& x) {
  x.waitMs = x.Int(0);
  return true;
}

bool RunExpectRect(Call& x) {
  const std::string& cls = x.Arg(0);
  const platform::Rect want = RectArgs(x, 1);
  platform::Rect r;
  if (!WindowRect(cls, r)) return x.Fail(cls + " at " + RectText(want), "no window");
  if (!(r == want)) return x.Fail(cls + " at " + RectText(want), RectText(r));
  return true;
}

// The frames remember-rect kept, by class, for expect-remembered.
std::map<std::string, platform::Rect>& Remembered() {
  static std::map<std::string, platform::Rect> kept;
  return kept;
}

bool RunRememberRect(Call& x) {
  platform::Rect r;
  if (!WindowRect(x.Arg(0), r)) return x.Fail(x.Arg(0) + " to remember", "no window");
  Remembered()[x.Arg(0)] = r;
  return true;
}

bool RunExpectRemembered(Call& x) {
  const std::string& cls = x.Arg(0);
  const auto kept = Remembered().find(cls);
  if (kept == Remembered().end()) return x.Fail(cls + " remembered", "no remember-rect before");
  platform::Rect r;
  if (!WindowRect(cls, r)) return x.Fail(cls + " at " + RectText(kept->second), "no window");
  if (!(r == kept->second)) return x.Fail(cls + " at " + RectText(kept->second), RectText(r));
  return true;
}

bool RunPrintRect(Call& x) {
  platform::Rect r;
  const bool have = WindowRect(x.Arg(0), r);
  x.Out() << x.Arg(0) << ' ' << (have ? RectText(r) : std::string("none")) << std::endl;
  return true;
}

// Waits for the window itself rather than for a guessed time.
bool RunWaitRect(Call& x) {
  const std::string& cls = x.Arg(0);
  const platform::Rect want = RectArgs(x, 1);
  const int limit = x.Int(5);
  platform::Rect r;
  if (!WaitForFrameRect(cls, want, limit, r, x))
    return x.Fail(cls + " at " + RectText(want) + " within " + std::to_string(limit) + " ms", RectText(r));
  return true;
}

bool RunExpectOnScreen(Call& x) {
  const std::string& cls = x.Arg(0);
  platform::Rect r;
  if (!WindowRect(cls, r)) return x.Fail(cls + " wholly on a monitor", "no window");
  for (const platform::Monitor& m : platform::GetMonitors())
    if (r.left >= m.bounds.left && r.top >= m.bounds.top && r.right <= m.bounds.right && r.bottom <= m.bounds.bottom)
      return true;
  return x.Fail(cls + " wholly on a monitor", RectText(r));
}

bool RunExpectVisible(Call& x) {
  const std::string& cls = x.Arg(0);
  const bool want = x.Arg(1) == "1";
  const bool is = ScriptRunner::FindTopLevel(cls, false) != nullptr;
  if (want != is)
    return x.Fail(cls + (want ? " visible" : " not visible"),
                  is ? "visible" : ScriptRunner::FindTopLevel(cls, true) ? "hidden" : "no window");
  return true;
}

bool RunWaitVisible(Call& x) {
  const bool want = x.Arg(1) == "1";
  const int limit = x.Int(2);
  std::string seen = "no window";
  // Exposure is the display's word as Qt has heard it: a window hidden stays
  // exposed until Qt has read that the window is unmapped.
  const bool ok = WaitUntil(
      [&] {
        QWidget* w = ScriptRunner::FindTopLevel(x.Arg(0), true);
        if (!w) return !want;
        const bool visible = w->isVisible(), exposed = w->windowHandle() && w->windowHandle()->isExposed();
        seen = std::string(visible ? "visible" : "hidden") + (exposed ? ", exposed" : ", not exposed");
        return visible == want && exposed == want;
      },
      limit, x);
  if (!ok)
    return x.Fail(x.Arg(0) + (want ? " shown" : " taken off the display") + " within " + std::to_string(limit) + " ms",
                  seen);
  return true;
}

bool RunWaitActive(Call& x) {
  const int limit = x.Int(1);
  std::string seen = "none";
  // Qt's word: the window that holds the keyboard focus, once the window
  // manager (or compositor) has given it and Qt has read that.
  const bool ok = WaitUntil(
      [&] {
        QWidget* w = ScriptRunner::FindTopLevel(x.Arg(0), true);
        QWidget* active = QApplication::activeWindow();
        seen = active ? active->metaObject()->className() : "none";
        return w && w == active;
      },
      limit, x);
  if (!ok) return x.Fail(x.Arg(0) + " active within " + std::to_string(limit) + " ms", seen);
  return true;
}

bool RunExpectCaption(Call& x) {
  QWidget* w = ScriptRunner::FindTopLevel(x.Arg(0), true);
  const QString want = QString::fromStdString(x.Arg(1));
  if (!w) return x.Fail("caption " + Quoted(want), "no window");
  if (w->windowTitle() != want) return x.Fail("caption " + Quoted(want), Quoted(w->windowTitle()));
  return true;
}

bool RunWaitCaption(Call& x) {
  const QString want = QString::fromStdString(x.Arg(2));
  const int limit = x.Int(1);
  std::string seen = "no window";
  const bool ok = WaitUntil(
      [&] {
        QWidget* w = ScriptRunner::FindTopLevel(x.Arg(0), true);
        if (w) seen = Quoted(w->windowTitle());
        return w && w->windowTitle() == want;
      },
      limit, x);
  if (!ok) return x.Fail("caption " + Quoted(want) + " within " + std::to_string(limit) + " ms", seen);
  return true;
}

bool RunExpectEnabled(Call& x) {
  QWidget* w = ScriptRunner::FindTopLevel(x.Arg(0), true);
  if (!w) return x.Fail("a " + x.Arg(0) + " window", "none");
  QWidget* control = FindControl(x, w, x.Arg(1));
  if (!control) return false;
  const bool want = x.Arg(2) == "1";
  if (control->isEnabled() != want)
    return x.Fail(x.Arg(1) + (want ? " enabled" : " disabled"), want ? "disabled" : "enabled");
  return true;
}

bool RunExpectHelp(Call& x) {
  const auto& requests = platform::HelpRequests();
  const std::string found = requests.empty() ? "no help request" : "topic \"" + requests.back().topic + "\"";
  if (requests.empty() || requests.back().topic != x.Arg(0)) return x.Fail("topic \"" + x.Arg(0) + "\"", found);
  return true;
}

bool RunExpectUsable(Call& x) {
  if (const std::string found = CheckUsable(ScriptRunner::FindTopLevel(x.Arg(0), false)); !found.empty())
    return x.Fail("a usable " + x.Arg(0) + " window", found);
  return true;
}

bool RunShot(Call& x) {
  if (!SaveScreenshot(QString::fromStdString(x.Arg(0))))
    return x.Fail("a picture saved to " + x.Arg(0), "could not write it");
  return true;
}

bool RunHold(Call& x) {
  x.Hold();
  return true;
}

bool RunQuit(Call& x) {
  x.Quit();
  return true;
}

// ---- the command table ------------------------------------------------------------

// A command: its name, its usage (shown when a line does not parse), the kinds
// of its arguments, how many of them it may stop after (the rest come all or
// none), and its handler.  Adding a command is one row here and one handler
// above.
struct CommandSpec {
  const char* name;
  const char* usage;
  std::vector<Arg> args;
  std::size_t minArgs;
  bool (*run)(Call&);
};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> table = {
      {"open-project", "open-project PATH", {Arg::Text}, 1, &RunOpenProject},
      {"save-desktop", "save-desktop", {}, 0, &RunSaveDesktop},
      {"close-project", "close-project", {}, 0, &RunCloseProject},
      {"notify", "notify CODE PATH", {Arg::Code, Arg::Text}, 2, &RunNotify},
      {"menu", "menu TEXT", {Arg::Text}, 1, &RunMenu},
      {"click", "click CLASS NAME [X Y]", {Arg::Word, Arg::Word, Arg::Int, Arg::Int}, 2, &RunClick},
      {"key", "key CLASS KEY", {Arg::Word, Arg::Key}, 2, &RunKey},
      {"move", "move CLASS L T R B", {Arg::Word, Arg::Int, Arg::Int, Arg::Int, Arg::Int}, 5, &RunMove},
      {"cursor", "cursor X Y", {Arg::Int, Arg::Int}, 2, &RunCursor},
      {"click-at", "click-at X Y", {Arg::Int, Arg::Int}, 2, &RunClickAt},
      {"activate", "activate 1|0", {Arg::Flag}, 1, &RunActivate},
      {"peer", "peer LINE", {Arg::Text}, 1, &RunPeer},
      {"wait", "wait MS", {Arg::Ms}, 1, &RunWait},
      {"expect-rect", "expect-rect CLASS L T R B", {Arg::Word, Arg::Int, Arg::Int, Arg::Int, Arg::Int}, 5,
       &RunExpectRect},
      {"wait-rect", "wait-rect CLASS L T R B MS",
       {Arg::Word, Arg::Int, Arg::Int, Arg::Int, Arg::Int, Arg::Ms}, 6, &RunWaitRect},
      {"expect-visible", "expect-visible CLASS 0|1", {Arg::Word, Arg::Flag}, 2, &RunExpectVisible},
      {"wait-visible", "wait-visible CLASS 0|1 MS", {Arg::Word, Arg::Flag, Arg::Ms}, 3, &RunWaitVisible},
      {"wait-active", "wait-active CLASS MS", {Arg::Word, Arg::Ms}, 2, &RunWaitActive},
      {"expect-on-screen", "expect-on-screen CLASS", {Arg::Word}, 1, &RunExpectOnScreen},
      {"expect-caption", "expect-caption CLASS TEXT", {Arg::Word, Arg::OptText}, 2, &RunExpectCaption},
      {"wait-caption", "wait-caption CLASS MS TEXT", {Arg::Word, Arg::Ms, Arg::OptText}, 2, &RunWaitCaption},
      {"expect-enabled", "expect-enabled CLASS NAME 0|1", {Arg::Word, Arg::Word, Arg::Flag}, 3,
       &RunExpectEnabled},
      {"expect-help", "expect-help TOPIC", {Arg::Text}, 1, &RunExpectHelp},
      {"expect-usable", "expect-usable CLASS", {Arg::Word}, 1, &RunExpectUsable},
      {"print-rect", "print-rect CLASS", {Arg::Word}, 1, &RunPrintRect},
      {"remember-rect", "remember-rect CLASS", {Arg::Word}, 1, &RunRememberRect},
      {"expect-remembered", "expect-remembered CLASS", {Arg::Word}, 1, &RunExpectRemembered},
      {"shot", "shot FILE.png", {Arg::Text}, 1, &RunShot},
      {"hold", "hold", {}, 0, &RunHold},
      {"quit", "quit", {}, 0, &RunQuit},
  };
  return table;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& row : Commands())
    if (name == row.name) return &row;
  return nullptr;
}

}  // namespace

ScriptParseResult ParseScript(const std::string& text) {
  ScriptParseResult r;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    std::string rest = line;
    std::string name;
    NextWord(rest, name);
    const CommandSpec* sig = FindCommand(name);
    auto fail = [&](std::string expected) {
      r.ok = false;
      r.errorLine = lineNo;
      r.expected = std::move(expected);
      r.found = "\"" + line + "\"";
      r.commands.clear();
      return r;
    };
    if (!sig) return fail("a command");
    ScriptCommand c;
    c.line = lineNo;
    c.name = name;
    for (std::size_t i = 0; i < sig->args.size(); ++i) {
      const Arg kind = sig->args[i];
      std::string value;
      if (kind == Arg::Text || kind == Arg::OptText) {
        value = Trim(rest);
        rest.clear();
        if (value.empty() && kind == Arg::Text) return fail(sig->usage);
      } else if (!NextWord(rest, value)) {
        if (i >= sig->minArgs) break;
        return fail(sig->usage);
      }
      if (!ArgValid(kind, value)) return fail(sig->usage);
      c.args.push_back(value);
    }
    if (!Trim(rest).empty()) return fail(sig->usage);
    if (c.args.size() != sig->minArgs && c.args.size() != sig->args.size()) return fail(sig->usage);
    r.commands.push_back(std::move(c));
  }
  r.ok = true;
  return r;
}

ScriptRunner::ScriptRunner(std::vector<ScriptCommand> commands, ScriptActions& actions,
                           std::ostream& out, std::ostream& err)
    : m_commands(std::move(commands)), m_actions(actions), m_out(out), m_err(err) {
  m_timer.setSingleShot(true);
  connect(&m_timer, &QTimer::timeout, this, &ScriptRunner::Step);
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::Start() { m_timer.start(0); }

QWidget* ScriptRunner::FindTopLevel(const std::string& className, bool hiddenToo) {
  for (QWidget* w : platform::TopLevelZOrder())
    if (className == w->metaObject()->className()) return w;
  if (!hiddenToo) return nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (className == w->metaObject()->className()) return w;
  return nullptr;
}

bool ScriptRunner::CanRunNow() const {
  if (m_running.empty()) {
    // Each event loop delivers at depth equal to its level; deeper means a
    // handler (a window slide, say) is pumping events and must finish first.
    // A modal dialog that something opened from such a handler still takes
    // commands, or nothing could close it.
    const int depth = HostApplication::DeliveryDepth();
    return depth <= QThread::currentThread()->loopLevel() || QApplication::activeModalWidget();
  }
  // Inside a running command: only a modal dialog that it opened, running its
  // own event loop, may take the following commands.
  const Running& top = m_running.back();
  QWidget* modal = QApplication::activeModalWidget();
  return QThread::currentThread()->loopLevel() > top.loopLevel && modal && modal != top.modalAtStart;
}

void ScriptRunner::Step() {
  if (m_finished) return;
  if (!CanRunNow()) {
    // Look again soon: either the running command ends (and schedules the next
    // one itself) or it opens a dialog whose loop should carry on.
    m_timer.start(2);
    return;
  }
  if (m_next >= m_commands.size()) {
    Finish(0);
    return;
  }
  const ScriptCommand c = m_commands[m_next++];
  m_running.push_back({QThread::currentThread()->loopLevel(), QApplication::activeModalWidget()});
  // A modal dialog opened by this command must find the next step scheduled.
  m_timer.start(2);
  int waitMs = 0;
  const bool ok = Execute(c, waitMs);
  m_running.pop_back();
  // The look-again timer was for a dialog this command might open.  Now that
  // it is over, the messages below must not start the next command: a dialog
  // the command has just closed is still the active modal one until its loop
  // returns, and the next command would run inside it.
  m_timer.stop();
  if (m_finished) return;
  if (!ok) {
    Finish(1);
    return;
  }
  // The messages the command left behind still belong to it: on a real
  // display the pointer motion it made comes back as a report only now, and
  // the slide that report starts must not let the next command in.
  m_running.push_back({QThread::currentThread()->loopLevel(), QApplication::activeModalWidget()});
  platform::ProcessMessages();
  m_running.pop_back();
  if (m_finished || m_input) return;
  m_timer.start(waitMs);
}

void ScriptRunner::Hold() {
  // Standard input is open (main sees to that: /dev/null when it was closed,
  // which ends at once).
  m_input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
  connect(m_input.get(), &QSocketNotifier::activated, this, [this] {
    char buf[256];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    // A whole line, the end of the input, or an input that cannot be read.
    if (n > 0 && std::find(buf, buf + n, '\n') == buf + n) return;
    m_input->setEnabled(false);
    m_input.release()->deleteLater();  // we are inside its signal
    if (!m_finished) m_timer.start(0);
  });
}

bool ScriptRunner::Fail(const ScriptCommand& c, const std::string& expected, const std::string& found) {
  m_err << "FAIL line " << c.line << ": " << expected << " / " << found << std::endl;
  return false;
}

void ScriptRunner::Finish(int status) {
  if (m_finished) return;
  m_finished = true;
  m_status = status;
  m_timer.stop();
  if (onFinished) onFinished(status);
}

bool ScriptRunner::Execute(const ScriptCommand& c, int& waitMs) {
  waitMs = 0;
  const CommandSpec* row = FindCommand(c.name);
  if (!row) return Fail(c, "a command", "\"" + c.name + "\"");
  Call call{*this, c, waitMs};
  return row->run(call);
}

}  // namespace host
