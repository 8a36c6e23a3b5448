#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <cstdio>
#include <set>

#include "engine/Tracking.h"
#include "host/Script.h"
#include "platform/Windows.h"
#include "tests/random/Session.h"
#include "toolkit/Timer.h"

namespace {

using namespace random_sessions;

// A fault put in from outside the add-in at one step.
struct Sabotage : StepHook {
  int atStep = -1;
  std::function<void()> act;
  void AfterCommand(const std::string&, int step) override {
    if (step == atStep && act) act();
  }
};

void Place(const char* cls, int l, int t, int r, int b) {
  QWidget* w = host::ScriptRunner::FindTopLevel(cls, true);
  ASSERT_NE(w, nullptr);
  platform::MoveWindow(platform::HandleOf(w), l, t, r - l, b - t, true);
}

void SetPanelButton(const char* name, bool enabled) {
  QWidget* panel = host::ScriptRunner::FindTopLevel("TfrmMain", true);
  ASSERT_NE(panel, nullptr);
  panel->findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(enabled);
}

// Both windows hide (the inspector on the right, 5-pixel strips), the cursor
// leaves the strips, Stop brings them home, the cursor moves on.
Session StartAndStop() {
  Session s;
  s.lines = {"cursor 512 384",          "open-project Project1.dpr", "menu Edgetucker 1.2d",
             "click TfrmMain btnStart", "cursor 500 400",            "menu Edgetucker 1.2d",
             "click TfrmMain btnStop",  "cursor 300 300",            "wait 5"};
  return s;
}
constexpr int kStartStep = 3, kRunningStep = 4, kStopStep = 6, kIdleStep = 7;

TEST(RandomSessionChecker, CatchesEachFaultPutInAndPassesWithoutOne) {
  struct Row {
    const char* name;
    int step;
    std::function<void()> act;
    const char* kind;  // nullptr: no violation
  };
  const Row rows[] = {
      {"no fault", -1, nullptr, nullptr},
      {"a window moves after Stop", kIdleStep, [] { Place("TAppBuilder", 5, 5, 1029, 105); }, "moved-while-idle"},
      {"a reveal after Stop", kIdleStep, [] { Place("TPropertyInspector", 824, 0, 1024, 768); }, "late-reveal"},
      {"Stop leaves a window short of home", kStopStep, [] { Place("TPropertyInspector", 900, 110, 1100, 510); },
       "home-after-stop"},
      {"a hidden window one row low", kRunningStep, [] { Place("TAppBuilder", 0, -94, 1024, 6); }, "strip"},
      {"a hidden window one column in", kStartStep, [] { Place("TPropertyInspector", 1018, 0, 1218, 768); },
       "strip"},
      {"a hidden window counted shown", kRunningStep, [] { MainHidden = false; }, "lost-hidden"},
      {"Start left enabled while hiding", kRunningStep, [] { SetPanelButton("btnStart", true); }, "panel-state"},
      {"Stop left enabled when idle", kIdleStep, [] { SetPanelButton("btnStop", true); }, "panel-state"},
      {"a suspension Stop did not end", kStopStep, [] { FocusSuspended = true; }, "suspended-after-stop"},
      {"suspended without saying so", kRunningStep, [] { FocusSuspended = true; }, "disabled-caption"},
      {"a window pushed off the screen", kIdleStep, [] { Place("TPropertyInspector", 1024, 0, 1224, 768); },
       "off-screen"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Sabotage sabotage;
    sabotage.atStep = row.step;
    sabotage.act = row.act;
    const Outcome o = Play(StartAndStop(), &sabotage);
    EXPECT_EQ(o.skipped, 0);
    if (!row.kind) {
      EXPECT_FALSE(o.violation) << o.violation->kind << ": " << o.violation->what;
      EXPECT_EQ(o.stepsRun, 9);
      continue;
    }
    ASSERT_TRUE(o.violation);
    EXPECT_EQ(o.violation->kind, row.kind) << o.violation->what;
    EXPECT_EQ(o.violation->step, row.step);
  }
}

TEST(RandomSessionGenerator, SameSeedSameSessionAndEveryEventKindOccurs) {
  const Session a = Generate(42, 3000), b = Generate(42, 3000), c = Generate(43, 3000);
  EXPECT_EQ(a.lines, b.lines);
  EXPECT_NE(a.lines, c.lines);
  ASSERT_EQ(a.lines.size(), 3000u);
  std::string text;
  for (const std::string& line : a.lines) text += line + "\n";
  const host::ScriptParseResult parsed = host::ParseScript(text);
  ASSERT_TRUE(parsed.ok) << parsed.expected << " / " << parsed.found;
  std::set<std::string> seen;
  for (const host::ScriptCommand& cmd : parsed.commands) {
    std::string what = cmd.name;
    if (cmd.name == "click" || cmd.name == "key" || cmd.name == "move") what += " " + cmd.args[cmd.name == "move" ? 0 : 1];
    if (cmd.name == "activate") what += " " + cmd.args[0];
    seen.insert(what);
  }
  for (const char* want :
       {"cursor", "wait", "menu", "click btnStart", "click btnStop", "click btnHide", "key Escape", "activate 0",
        "activate 1", "save-desktop", "close-project", "open-project", "move TAppBuilder", "move TPropertyInspector"})
    EXPECT_TRUE(seen.count(want)) << want;
}

TEST(RandomSessionGenerator, CursorReachesTheStripsAndTheirInnerEdges) {
  // Over many seeds every strip row of the main window and the row just past
  // it are visited, and waits fall on both sides of the open delay.
  bool rowAt[32] = {};
  bool shorter = false, longer = false;
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const Session s = Generate(seed, 300);
    if (s.settings.hang != 5 || s.settings.delay < 3) continue;
    for (const std::string& line : s.lines) {
      int x = 0, y = 0, ms = 0;
      if (std::sscanf(line.c_str(), "cursor %d %d", &x, &y) == 2 && y < 32) rowAt[y] = true;
      if (std::sscanf(line.c_str(), "wait %d", &ms) == 1) (ms < s.settings.delay ? shorter : longer) = true;
    }
  }
  for (int y = 0; y <= 6; ++y) EXPECT_TRUE(rowAt[y]) << "row " << y;
  EXPECT_TRUE(shorter);
  EXPECT_TRUE(longer);
}

TEST(RandomSessionShrink, KeepsOnlyTheStepsTheFailureNeeds) {
  // A fault that any "activate 0" sets off: the inspector is pushed off the
  // screen.
  struct OffOnDeactivate : StepHook {
    void AfterCommand(const std::string& line, int) override {
      if (line == "activate 0") Place("TPropertyInspector", -500, 0, -300, 400);
    }
  } hook;
  Session s = Generate(7, 120);
  bool hasDeactivate = false;
  for (const std::string& line : s.lines) hasDeactivate |= line == "activate 0";
  ASSERT_TRUE(hasDeactivate) << "pick a seed whose session deactivates";
  const Outcome o = Play(s, &hook);
  ASSERT_TRUE(o.violation);
  EXPECT_EQ(o.violation->kind, "off-screen");
  const Session shortest = Shrink(s, "off-screen", 200, &hook);
  EXPECT_EQ(shortest.lines, (std::vector<std::string>{"activate 0"}));
  EXPECT_EQ(shortest.seed, 7u);
}

// ---- the sessions themselves ----------------------------------------------------

struct SeedRow {
  std::uint64_t seed;
  int events;  // the session's length when it was found (a prefix of a longer one)
};

void PrintTo(const SeedRow& r, std::ostream* os) { *os << "seed " << r.seed << ", " << r.events << " events"; }

class RandomSessions : public ::testing::TestWithParam<SeedRow> {};

// A violation of a kind listed in KnownFaults.cpp ends its part of the
// session and the rest of the lines play on in a fresh IDE, so that every
// event of the seed is played; the test is then skipped with each known fault
// named.  Any other violation fails with the shortest script that still shows
// it.
TEST_P(RandomSessions, InvariantsHoldAfterEveryStep) {
  // A step that hangs or a crash names its seed and step before the process ends.
  InstallCrashAndHangReports(60);
  const std::uint64_t seed = GetParam().seed;
  const Session s = Generate(seed, GetParam().events);
  std::string knownFaults;
  for (std::size_t from = 0; from < s.lines.size();) {
    Session part = s;
    part.lines.assign(s.lines.begin() + static_cast<std::ptrdiff_t>(from), s.lines.end());
    const Outcome o = Play(part);
    if (!o.violation) break;
    const Violation& v = *o.violation;
    const std::size_t at = from + static_cast<std::size_t>(v.step);
    const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(at + 1) + " (\"" +
                              s.lines[at] + "\"): " + v.kind + ": " + v.what;
    if (const KnownFault* known = FindKnownFault(v.kind)) {
      knownFaults += "\n  known fault (" + std::string(known->reason) + ") in " + where;
      from = at + 1;
      continue;
    }
    const Session shortest = Shrink(part, v.kind, 150);
    std::string script;
    for (const std::string& line : shortest.lines) script += "  " + line + "\n";
    FAIL() << where << (from > 0 ? " (played from step " + std::to_string(from + 1) + " on)" : std::string())
           << "\nsettings:\n" << IniText(s.settings) << "shortest failing script:\n" << script;
  }
  if (!knownFaults.empty()) GTEST_SKIP() << knownFaults;
}

std::vector<SeedRow> FixedSeeds() {
  std::vector<SeedRow> rows;
  for (std::uint64_t seed = 1; seed <= 16; ++seed) rows.push_back({seed, 300});
  return rows;
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, RandomSessions, ::testing::ValuesIn(FixedSeeds()));

// Seeds that found faults, kept.  Their failures depended on timing: a wait
// timer's tick that a loaded machine delayed into the step of a Stop revealed
// a window just before the Stop, which left it at its revealed place.
INSTANTIATE_TEST_SUITE_P(FoundFaults, RandomSessions,
                         ::testing::Values(SeedRow{12, 170},  // Escape after a late tick, under ctest -j2
                                           SeedRow{3043390845593766736ull, 280}));  // Escape, 3 ms open delay

// The same fault without the timing: the tick that a loaded machine delays
// from the cursor's step into the next ones, run there by hand.
TEST(RandomSessionChecker, ATickDelayedIntoTheStepsBeforeAnEndingStillEndsWithTheWindowsHome) {
  struct Row {
    const char* name;
    std::vector<std::string> ending;  // the lines after the cursor rests on the inspector's strip
  };
  const Row rows[] = {
      {"Stop", {"menu Edgetucker 1.2d", "click TfrmMain btnStop"}},
      {"Escape", {"menu Edgetucker 1.2d", "key TfrmMain Escape"}},
      {"project close", {"menu Edgetucker 1.2d", "close-project"}},
      {"desktop save", {"menu Edgetucker 1.2d", "save-desktop"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Session s;
    s.settings.delay = 100000;  // the timer never ticks by itself here
    s.lines = {"cursor 512 384", "open-project Project1.dpr", "menu Edgetucker 1.2d", "click TfrmMain btnStart",
               "cursor 500 400", "cursor 1021 400"};
    s.lines.insert(s.lines.end(), r.ending.begin(), r.ending.end());
    s.lines.push_back("wait 5");
    Sabotage lateTick;
    lateTick.atStep = 6;  // the menu step: the panel shows, the tick comes
    lateTick.act = [] {
      QWidget* panel = host::ScriptRunner::FindTopLevel("TfrmMain", true);
      ASSERT_NE(panel, nullptr);
      ASSERT_TRUE(panel->findChild<tk::TTimer*>(QStringLiteral("timerWait"))->Enabled()) << "armed";
      panel->findChild<tk::TTimer*>(QStringLiteral("timerWait"))->Tick();
    };
    const Outcome o = Play(s, &lateTick);
    EXPECT_EQ(o.skipped, 0);
    EXPECT_FALSE(o.violation) << o.violation->kind << " after step " << o.violation->step + 1 << ": "
                              << o.violation->what;
  }
}

}  // namespace
