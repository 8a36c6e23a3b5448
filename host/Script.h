// Scripts: the stand-in IDE played by a text file, for end-to-end tests, demos
// and benchmarks.
//
// One command a line; blank lines and lines whose first non-blank character is
// "#" are skipped.  Words are separated by blanks; an argument written TEXT or
// PATH below is the rest of the line (blanks inside kept, outer blanks
// trimmed).  CLASS is the C++ class of a top-level window
// (metaObject()->className()), NAME the object name of a control inside it.
// Rectangles are L T R B in screen pixels, right and bottom exclusive.
//
//   open-project PATH         open a project (closing the open one first)
//   save-desktop              save the desktop (notification, then the file)
//   close-project             close the project (notification, then close)
//   notify CODE PATH          send a raw file notification, CODE 0 to 255
//   menu TEXT                 choose the Tools menu entry with that text
//   click CLASS NAME [X Y]    click the control at its centre (or at X, Y in
//                             its own coordinates) as a user would; fails when
//                             the window or the control is hidden or disabled
//   key CLASS KEY             press and release KEY in the window (at its focus
//                             widget): Escape, Return, Enter, Tab, Space, Left,
//                             Right, Up, Down, F1, F4, or one character; optionally
//                             prefixed "Alt+", "Ctrl+" or "Shift+"
//   move CLASS L T R B        place a window's frame, as a user's drag would
//   cursor X Y                move the mouse cursor to a screen point (on a
//                             real display: XTest motion, as a mouse moves it)
//   click-at X Y              click the first button at a screen point (on a
//                             real display a real click, which may give the
//                             focus to another application's window)
//   activate 1|0              the application gains (1) or loses (0) activation
//   wait MS                   let the event loop run MS milliseconds (0..600000)
//   wait-rect CLASS L T R B MS  let the event loop run until the window stands
//                             there; fail when it does not within MS
//   expect-rect CLASS L T R B
//   expect-visible CLASS 0|1  (0 also holds when no such window exists)
//   wait-visible CLASS 0|1 MS let the event loop run until the display shows
//                             the window (1) or has taken it away (0), as Qt
//                             has heard it; fail when not within MS.  (On X a
//                             window shown is mapped when the window manager
//                             gets to it: one hidden before then may still be
//                             mapped after the hide.)
//   wait-active CLASS MS      let the event loop run until the window is the
//                             application's active one (it holds the keyboard
//                             focus, as Qt has heard it); fail when not within MS
//   expect-caption CLASS TEXT (TEXT may be empty)
//   wait-caption CLASS MS TEXT  let the event loop run until the window's
//                             caption reads TEXT; fail when it does not within MS
//   expect-enabled CLASS NAME 0|1
//   expect-help TOPIC         the last help request named that topic
//   expect-usable CLASS       a pointer move sent the way a user's comes in
//                             reaches the window (no modal dialog shuts it out)
//   print-rect CLASS          prints "CLASS L T R B" (or "CLASS none")
//   remember-rect CLASS       keeps where the window's frame stands now
//   expect-remembered CLASS   the frame stands where remember-rect found it
//   shot FILE.png             saves the whole screen (see Screenshot.h)
//   hold                      let the event loop run until a line arrives on
//                             standard input or it ends, then go on (a process
//                             that started the IDE, a benchmark say, tells it
//                             when it is done with it)
//   quit                      ends the run now, successfully
//
// On a real X server, rectangles (expect-rect, wait-rect, print-rect,
// remember-rect, expect-remembered) are the
// frames as the server reports them, and wait-rect wakes on its configure
// notifications.
//
// When a command names a CLASS, the first visible window of that class is
// used, or, for the commands that also accept hidden windows (expect-rect,
// expect-caption, wait-caption, expect-enabled, print-rect, remember-rect,
// expect-remembered, move), the first one at all.
//
// A failing command prints "FAIL line N: <what was expected> / <what was
// found>" on standard error and ends the run with status 1.  A script that
// does not parse fails the same way before any command runs.  Reaching the
// end of the script, or quit, ends the run with status 0.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace host {

struct ScriptCommand {
  int line = 0;                    // 1-based line in the file
  std::string name;                // "click", "expect-rect", ...
  std::vector<std::string> args;   // checked against the command's signature
};

struct ScriptParseResult {
  bool ok = false;
  int errorLine = 0;
  std::string expected;  // the command's usage, or "a command"
  std::string found;     // the offending text
  std::vector<ScriptCommand> commands;
};

ScriptParseResult ParseScript(const std::string& text);

// The IDE operations that scripts reach.
class ScriptActions {
public:
  virtual ~ScriptActions() = default;
  virtual void OpenProject(const std::string& path) = 0;
  virtual void SaveDesktop() = 0;
  virtual void CloseProject() = 0;
  virtual void Notify(int code, const std::string& path) = 0;
  // False when the Tools menu has no entry with that text.
  virtual bool ChooseMenu(const std::string& text) = 0;
};

// Plays commands one at a time on the GUI thread, driven by a timer so that a
// command which opens a modal dialog does not stop the script: the dialog's
// own event loop runs the following commands.  A command never starts while
// an earlier one is still running outside such a nested loop (for example
// while it processes messages between the steps of an animation).
class ScriptRunner : public QObject {
public:
  ScriptRunner(std::vector<ScriptCommand> commands, ScriptActions& actions, std::ostream& out,
               std::ostream& err);
  ~ScriptRunner() override;

  // Called once with the exit status when the run ends.
  std::function<void(int)> onFinished;

  // Schedules the first command.
  void Start();
  bool Finished() const { return m_finished; }
  int ExitStatus() const { return m_status; }

  // Runs one command now.  Returns false (after printing the FAIL line) on
  // failure.  waitMs receives the pause the command asks for before the next.
  bool Execute(const ScriptCommand& c, int& waitMs);

  // The first visible top-level window of a class, else (when hiddenToo) the
  // first one at all; nullptr when none.
  static QWidget* FindTopLevel(const std::string& className, bool hiddenToo);

  // What a command's handler is given (Script.cpp keeps the table of commands,
  // each with its handler).
  struct Call;

private:
  void Step();
  bool CanRunNow() const;
  bool Fail(const ScriptCommand& c, const std::string& expected, const std::string& found);
  void Finish(int status);
  // Pauses the script until standard input gives a line or ends (hold).
  void Hold();

  struct Running {
    int loopLevel;
    QWidget* modalAtStart;
  };

  std::vector<ScriptCommand> m_commands;
  ScriptActions& m_actions;
  std::ostream& m_out;
  std::ostream& m_err;
  std::size_t m_next = 0;
  std::vector<Running> m_running;
  QTimer m_timer;
  std::unique_ptr<QSocketNotifier> m_input;  // while a hold waits
  bool m_finished = false;
  int m_status = 0;
};

// Key names of the key command: fills key and modifiers; false when unknown.
bool ParseKeyName(const std::string& text, int& key, Qt::KeyboardModifiers& modifiers,
                  QString& keyText);

}  // namespace host
