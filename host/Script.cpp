#include "host/Script.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <charconv>
#include <ostream>
#include <sstream>

#include "host/HostApplication.h"
#include "host/Screenshot.h"
#include "host/XDesktop.h"
#include "platform/Help.h"
#include "platform/Windows.h"

namespace host {
namespace {

enum class Arg { Word, Int, Flag, Code, Ms, Key, Text, OptText };

struct Signature {
  const char* name;
  const char* usage;
  std::vector<Arg> args;
  std::size_t minArgs;  // a command may stop after this many; the rest come all or none
};

const std::vector<Signature>& Signatures() {
  static const std::vector<Signature> sigs = {
      {"open-project", "open-project PATH", {Arg::Text}, 1},
      {"save-desktop", "save-desktop", {}, 0},
      {"close-project", "close-project", {}, 0},
      {"notify", "notify CODE PATH", {Arg::Code, Arg::Text}, 2},
      {"menu", "menu TEXT", {Arg::Text}, 1},
      {"click", "click CLASS NAME [X Y]", {Arg::Word, Arg::Word, Arg::Int, Arg::Int}, 2},
      {"key", "key CLASS KEY", {Arg::Word, Arg::Key}, 2},
      {"move", "move CLASS L T R B", {Arg::Word, Arg::Int, Arg::Int, Arg::Int, Arg::Int}, 5},
      {"cursor", "cursor X Y", {Arg::Int, Arg::Int}, 2},
      {"click-at", "click-at X Y", {Arg::Int, Arg::Int}, 2},
      {"activate", "activate 1|0", {Arg::Flag}, 1},
      {"wait", "wait MS", {Arg::Ms}, 1},
      {"expect-rect", "expect-rect CLASS L T R B",
       {Arg::Word, Arg::Int, Arg::Int, Arg::Int, Arg::Int}, 5},
      {"wait-rect", "wait-rect CLASS L T R B MS",
       {Arg::Word, Arg::Int, Arg::Int, Arg::Int, Arg::Int, Arg::Ms}, 6},
      {"expect-visible", "expect-visible CLASS 0|1", {Arg::Word, Arg::Flag}, 2},
      {"expect-caption", "expect-caption CLASS TEXT", {Arg::Word, Arg::OptText}, 2},
      {"expect-enabled", "expect-enabled CLASS NAME 0|1", {Arg::Word, Arg::Word, Arg::Flag}, 3},
      {"expect-help", "expect-help TOPIC", {Arg::Text}, 1},
      {"expect-usable", "expect-usable CLASS", {Arg::Word}, 1},
      {"print-rect", "print-rect CLASS", {Arg::Word}, 1},
      {"shot", "shot FILE.png", {Arg::Text}, 1},
      {"quit", "quit", {}, 0},
  };
  return sigs;
}

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

int IntArg(const ScriptCommand& c, std::size_t i) {
  int v = 0;
  ToInt(c.args.at(i), v);  // checked when parsed
  return v;
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

// Lets the event loop run until the window of class `cls` stands at `want`
// or `limitMs` passes; `r` receives the last rectangle seen.  On a real display
// it wakes on the X server's configure notifications, else on any event.
bool WaitForFrameRect(const std::string& cls, const platform::Rect& want, int limitMs, platform::Rect& r,
                      const bool& finished) {
  auto there = [&] {
    return ReadFrameRect(ScriptRunner::FindTopLevel(cls, true), r) && r == want;
  };
  if (XDesktop* x = XDesktop::Get()) return x->WaitUntil([&] { return finished || there(); }, limitMs);
  QElapsedTimer clock;
  clock.start();
  while (!there()) {
    if (finished) return true;
    if (clock.elapsed() >= limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
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
    const Signature* sig = nullptr;
    for (const auto& s : Signatures())
      if (name == s.name) sig = &s;
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
  if (m_finished) return;
  m_timer.start(waitMs);
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
  const std::string& n = c.name;
  const std::string cls = c.args.empty() ? std::string() : c.args[0];

  // The window of CLASS that a user could reach: visible and not shut out by
  // someone else's modal dialog.
  auto usableWindow = [&](QWidget*& w) {
    w = FindTopLevel(cls, false);
    if (!w) {
      Fail(c, "a visible " + cls + " window", FindTopLevel(cls, true) ? "hidden" : "none");
      return false;
    }
    if (QWidget* modal = BlockingModal(w)) {
      Fail(c, "a usable " + cls + " window",
           std::string("blocked by modal ") + modal->metaObject()->className());
      return false;
    }
    return true;
  };
  auto findControl = [&](QWidget* w, const std::string& name) -> QWidget* {
    QWidget* control = w->findChild<QWidget*>(QString::fromStdString(name));
    if (!control) Fail(c, "a control " + name + " in " + cls, "none");
    return control;
  };

  if (n == "open-project") {
    m_actions.OpenProject(c.args[0]);
  } else if (n == "save-desktop") {
    m_actions.SaveDesktop();
  } else if (n == "close-project") {
    m_actions.CloseProject();
  } else if (n == "notify") {
    m_actions.Notify(IntArg(c, 0), c.args[1]);
  } else if (n == "menu") {
    if (!m_actions.ChooseMenu(c.args[0])) return Fail(c, "a Tools entry \"" + c.args[0] + "\"", "none");
  } else if (n == "click") {
    QWidget* w = nullptr;
    if (!usableWindow(w)) return false;
    QWidget* control = findControl(w, c.args[1]);
    if (!control) return false;
    if (!control->isVisible()) return Fail(c, "a visible control " + c.args[1], "hidden");
    if (!control->isEnabled()) return Fail(c, "an enabled control " + c.args[1], "disabled");
    const QPoint at = c.args.size() == 4 ? QPoint(IntArg(c, 2), IntArg(c, 3)) : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
  } else if (n == "key") {
    QWidget* w = nullptr;
    if (!usableWindow(w)) return false;
    int key = 0;
    Qt::KeyboardModifiers mods;
    QString text;
    ParseKeyName(c.args[1], key, mods, text);
    // Keys go to the window a user types into: the active one.
    if (!w->isActiveWindow()) {
      w->activateWindow();
      platform::ProcessMessages();
    }
    QWidget* target = w->focusWidget() ? w->focusWidget() : w;
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key(key), text, mods);
  } else if (n == "move") {
    QWidget* w = FindTopLevel(cls, true);
    if (!w) return Fail(c, "a " + cls + " window", "none");
    const int l = IntArg(c, 1), t = IntArg(c, 2), r = IntArg(c, 3), b = IntArg(c, 4);
    if (r <= l || b <= t) return Fail(c, "a non-empty rectangle", c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[4]);
    platform::MoveWindow(platform::HandleOf(w), l, t, r - l, b - t, true);
  } else if (n == "cursor") {
    MovePointer(IntArg(c, 0), IntArg(c, 1));
  } else if (n == "click-at") {
    if (!ClickAtScreenPoint(IntArg(c, 0), IntArg(c, 1)))
      return Fail(c, "a window at " + c.args[0] + " " + c.args[1], "none");
  } else if (n == "activate") {
    platform::SetApplicationActive(c.args[0] == "1");
  } else if (n == "wait") {
    waitMs = IntArg(c, 0);
  } else if (n == "expect-rect" || n == "print-rect") {
    platform::Rect r;
    const bool have = ReadFrameRect(FindTopLevel(cls, true), r);
    if (n == "print-rect") {
      m_out << cls << ' ' << (have ? RectText(r) : std::string("none")) << std::endl;
    } else {
      const platform::Rect want{IntArg(c, 1), IntArg(c, 2), IntArg(c, 3), IntArg(c, 4)};
      if (!have) return Fail(c, cls + " at " + RectText(want), "no window");
      if (!(r == want)) return Fail(c, cls + " at " + RectText(want), RectText(r));
    }
  } else if (n == "wait-rect") {
    // Waits for the window itself rather than for a guessed time.
    const platform::Rect want{IntArg(c, 1), IntArg(c, 2), IntArg(c, 3), IntArg(c, 4)};
    const int limit = IntArg(c, 5);
    platform::Rect r;
    if (!WaitForFrameRect(cls, want, limit, r, m_finished))
      return Fail(c, cls + " at " + RectText(want) + " within " + std::to_string(limit) + " ms", RectText(r));
  } else if (n == "expect-visible") {
    const bool want = c.args[1] == "1";
    const bool is = FindTopLevel(cls, false) != nullptr;
    if (want != is)
      return Fail(c, cls + (want ? " visible" : " not visible"),
                  is ? "visible" : FindTopLevel(cls, true) ? "hidden" : "no window");
  } else if (n == "expect-caption") {
    QWidget* w = FindTopLevel(cls, true);
    const QString want = QString::fromStdString(c.args[1]);
    if (!w) return Fail(c, "caption " + Quoted(want), "no window");
    if (w->windowTitle() != want) return Fail(c, "caption " + Quoted(want), Quoted(w->windowTitle()));
  } else if (n == "expect-enabled") {
    QWidget* w = FindTopLevel(cls, true);
    if (!w) return Fail(c, "a " + cls + " window", "none");
    QWidget* control = findControl(w, c.args[1]);
    if (!control) return false;
    const bool want = c.args[2] == "1";
    if (control->isEnabled() != want)
      return Fail(c, c.args[1] + (want ? " enabled" : " disabled"), want ? "disabled" : "enabled");
  } else if (n == "expect-help") {
    const auto& requests = platform::HelpRequests();
    const std::string found = requests.empty() ? "no help request" : "topic \"" + requests.back().topic + "\"";
    if (requests.empty() || requests.back().topic != c.args[0])
      return Fail(c, "topic \"" + c.args[0] + "\"", found);
  } else if (n == "expect-usable") {
    if (const std::string found = CheckUsable(FindTopLevel(cls, false)); !found.empty())
      return Fail(c, "a usable " + cls + " window", found);
  } else if (n == "shot") {
    if (!SaveScreenshot(QString::fromStdString(c.args[0])))
      return Fail(c, "a picture saved to " + c.args[0], "could not write it");
  } else if (n == "quit") {
    Finish(0);
  } else {
    return Fail(c, "a command", "\"" + n + "\"");
  }
  return true;
}

}  // namespace host
