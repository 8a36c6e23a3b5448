// Random sessions: seeded scripts of user events for the stand-in IDE with the
// add-in, played in this process with a check of invariants after every step.
//
// A session is a settings file ("Edgetuck.ini") and a script in the stand-in
// IDE's script language (host/Script.h), so any session, and in particular the
// shortest failing one, can also be played by `ide-host --script` with the
// settings beside it (tests/e2e/run-script.sh).
//
// The generator is a pure function of the seed: the same seed gives the same
// settings and the same lines.  Playing is not: steps run in real time, so
// whether the wait timer ticks before or after a step can differ between two
// plays of one script.  The checker never predicts timing; it checks
// invariants that hold whatever the timing:
//
//   home-after-stop   after Stop (button, Escape) or a project close, every
//                     window the run moved (hidden, or revealed by a tick)
//                     stands exactly where it stood when hiding started,
//                     unless it stands revealed at a shown place that is its
//                     home;
//   home-after-save   the same for a desktop save while hiding runs;
//   moved-while-idle  after Stop or a project close no window moves until the
//                     next Start, apart from the user's own moves;
//   late-reveal       no reveal armed before a Stop, a project close or a
//                     desktop save moves a window (a reveal is allowed again
//                     once the cursor has been on the strip of a hidden window
//                     since then);
//   strip             a hidden window (not moved by the user since the add-in
//                     placed it) shows exactly its strip: the HangOutPixels
//                     rows at the top edge (main window) or columns at its side
//                     edge (inspector), the inspector from the top of the
//                     screen down to the height of a full-screen window;
//   lost-hidden       a window showing only its strip while hiding runs is one
//                     the add-in counts as hidden (else no strip reveals it);
//   off-screen        no window ends fully off the screen;
//   panel-state       the panel's buttons show idle (Start and Options
//                     enabled, Stop disabled) exactly while neither the watch
//                     runs nor is suspended, its caption reads " - Disabled"
//                     only while suspended, and an idle add-in counts no
//                     window as hidden;
//   suspended-after-stop  the special case of panel-state where Stop left
//                     the watch suspended (the next activation restarts it);
//   disabled-caption  while the watch is suspended the caption reads
//                     "Edgetucker 1.2d - Disabled";
//   crash, hang       the process dies (a sanitizer report among others) or a
//                     step does not return within the watchdog's limit: both
//                     print the seed and the step and end the process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace random_sessions {

// The settings a session runs with (written as its Edgetuck.ini).
struct SessionSettings {
  bool hideMain = true;
  bool hideInspector = true;
  int side = 1;  // 1 right, 0 left
  int hang = 5;  // HangOutPixels
  int delay = 20;  // the open delay, ms
  bool animate = false;
  int steps = 5;
  bool autoStart = false;
  bool disableOnFocusLoss = true;
};

std::string IniText(const SessionSettings& s);
// Reads the keys IniText writes; keys that are missing keep their defaults.
SessionSettings ParseIni(const std::string& text);

struct Session {
  std::uint64_t seed = 0;
  SessionSettings settings;
  std::vector<std::string> lines;  // one script command each
  std::string file;                // the script file it was read from, if any
};

// `events` script lines from the seed.  The lines start with a cursor move to
// the middle of the screen and (mostly) opening a project.
Session Generate(std::uint64_t seed, int events);

// The lines as a script file's text, with a comment naming the seed.
std::string ScriptText(const Session& s);

struct Violation {
  std::string kind;  // one of the names above
  int step = 0;      // 0-based index of the line after which it was seen
  std::string what;  // what was expected and what was found
};

struct Outcome {
  int stepsRun = 0;
  int skipped = 0;  // user actions that were impossible then (a hidden button)
  std::optional<Violation> violation;
};

// Called after each step's command has run and before the check: tests put
// faults in through it to see the checker catch them.
class StepHook {
public:
  virtual ~StepHook() = default;
  virtual void AfterCommand(const std::string& line, int step) = 0;
};

// Plays a session in this process: a fresh IDE with the add-in connected, the
// settings written to the Windows directory, the current folder a fresh
// project folder below it.  Stops at the first violation.  Needs a
// QApplication on the 1024 x 768 offscreen screen.
Outcome Play(const Session& s, StepHook* hook = nullptr);

// Deletes steps from a failing session while a play still fails with the same
// kind, trying at most maxPlays plays.  Returns the shortest such session.
Session Shrink(const Session& failing, const std::string& kind, int maxPlays = 400, StepHook* hook = nullptr);

// Faults of today's add-in that sessions find, each with why it is known.
// Remove an entry when the add-in is mended; sessions that end on a listed
// kind are reported as known faults (the suite skips them) instead of failing.
struct KnownFault {
  const char* kind;
  const char* reason;
};
const KnownFault* FindKnownFault(const std::string& kind);

// The step being played, for the crash and hang reports: called before every
// step with the session and the step's index (-1 when no session runs).
void SetStepObserver(std::function<void(const Session*, int)> observer);

// Starts (once per process) a watchdog that reports the seed and step and
// aborts when one step runs longer than limitSeconds, and, in a sanitizer
// build, has a sanitizer report print the same.
void InstallCrashAndHangReports(int limitSeconds);

}  // namespace random_sessions
