// random-sessions: plays many random sessions of the stand-in IDE with the
// add-in and checks the invariants of Session.h after every step.
//
//   random-sessions [--events N] [--seed S] [--session-events M] [--sessions K]
//                   [--shrink-plays P] [--jobs J]
//   random-sessions --replay FILE.script
//
// Sessions of M events (default 500) run until N events (default 1000000)
// have been played (a session that ends on a violation counts the events up
// to it), or K sessions when --sessions is given; their seeds are S, S+1, ...
// (S random unless given; it is printed first).  J processes (default 1) share
// the sessions; much of a session's time is spent waiting for timers, so a few
// jobs per core shorten a long run.
//
// Each failing session prints its seed, the step and what broke.  The first
// failure of each kind is shrunk (at most P plays, default 400; a known
// fault's only in the first job) and printed as the shortest script that still
// fails, with its settings, and saved as random-fail-SEED.script and
// random-fail-SEED.ini in the current folder:
// `tests/e2e/run-script.sh ide-host random-fail-SEED.script` plays it in the
// stand-in IDE (with its own timing), and `random-sessions --replay` plays it
// here with the checks (settings from the .ini beside the script).  A crash, a
// sanitizer report or a step that hangs prints the seed and the step and ends
// the run.  The exit status is 0 when no failure of an unknown kind was seen.
#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include "platform/Offscreen.h"
#include "tests/random/Session.h"

namespace {

using namespace random_sessions;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void PrintSession(const Session& s, std::ostream& out) {
  out << "--- Edgetuck.ini\n" << IniText(s.settings) << "--- script (" << s.lines.size() << " steps)\n";
  for (const std::string& line : s.lines) out << line << "\n";
  out << "---" << std::endl;
}

int Usage() {
  std::cerr << "usage: random-sessions [--events N] [--seed S] [--session-events M] [--sessions K] "
               "[--shrink-plays P] [--jobs J]\n       random-sessions --replay FILE.script\n";
  return 2;
}

int Replay(const std::string& scriptPath) {
  Session s;
  s.file = scriptPath;
  std::istringstream in(ReadAll(scriptPath));
  for (std::string line; std::getline(in, line);) {
    const auto b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos || line[b] == '#') continue;
    line.erase(line.find_last_not_of(" \t\r") + 1);
    s.lines.push_back(line.substr(b));
  }
  std::string ini = scriptPath;
  if (ini.size() > 7 && ini.compare(ini.size() - 7, 7, ".script") == 0) ini.resize(ini.size() - 7);
  ini += ".ini";
  if (std::filesystem::exists(ini)) s.settings = ParseIni(ReadAll(ini));
  const Outcome o = Play(s);
  if (!o.violation) {
    std::cout << "replay: " << o.stepsRun << " steps, no violation" << std::endl;
    return 0;
  }
  std::cout << "replay: FAIL " << o.violation->kind << " after step " << o.violation->step + 1 << " (\""
            << s.lines[static_cast<std::size_t>(o.violation->step)] << "\"): " << o.violation->what << std::endl;
  return 1;
}

struct Summary {
  long long sessions = 0, events = 0, skipped = 0, failures = 0;
  bool unknown = false;
  std::map<std::string, int> byKind;

  std::string Serialize() const {
    std::ostringstream o;
    o << sessions << ' ' << events << ' ' << skipped << ' ' << failures << ' ' << unknown;
    for (const auto& [kind, count] : byKind) o << ' ' << kind << ' ' << count;
    return o.str();
  }
  void Add(const std::string& text) {
    std::istringstream in(text);
    long long n[4] = {};
    bool u = false;
    if (!(in >> n[0] >> n[1] >> n[2] >> n[3] >> u)) return;
    sessions += n[0];
    events += n[1];
    skipped += n[2];
    failures += n[3];
    unknown = unknown || u;
    std::string kind;
    int count = 0;
    while (in >> kind >> count) byKind[kind] += count;
  }
};

// Writes a block of text in one call, so that the reports of parallel jobs do
// not interleave within a block.
void Say(const std::string& text) {
  std::cout.flush();
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(1, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
}

// Plays the sessions k = job, job + jobs, ... below `sessions` (when it is not
// negative), else until this job has played `events` events.
Summary RunSessions(std::uint64_t seed, long long sessions, long long events, int sessionEvents, int shrinkPlays,
                    int job, int jobs) {
  Summary sum;
  for (long long k = job; sessions >= 0 ? k < sessions : sum.events < events; k += jobs) {
    const std::uint64_t sessionSeed = seed + static_cast<std::uint64_t>(k);
    const Session s = Generate(sessionSeed, sessionEvents);
    const Outcome o = Play(s);
    ++sum.sessions;
    sum.events += o.stepsRun;
    sum.skipped += o.skipped;
    if (job == 0 && sum.sessions % 100 == 0)
      Say("... job 0: " + std::to_string(sum.sessions) + " sessions, " + std::to_string(sum.events) + " events\n");
    if (!o.violation) continue;
    ++sum.failures;
    const Violation& v = *o.violation;
    const KnownFault* known = FindKnownFault(v.kind);
    if (!known) sum.unknown = true;
    std::ostringstream report;
    report << "FAIL seed " << sessionSeed << " step " << v.step + 1 << " (\""
           << s.lines[static_cast<std::size_t>(v.step)] << "\"): " << v.kind << ": " << v.what
           << (known ? " [known fault]" : "") << "\n";
    // The first failure of each kind is shrunk; a known fault's only in the
    // first job, as shrinking costs many plays and it is known already.
    if (sum.byKind[v.kind]++ == 0 && (!known || job == 0)) {
      const Session shortest = Shrink(s, v.kind, shrinkPlays);
      report << "shortest script that still fails with " << v.kind << " (seed " << sessionSeed << "):\n";
      PrintSession(shortest, report);
      const std::string base = "random-fail-" + std::to_string(sessionSeed);
      std::ofstream(base + ".script") << ScriptText(shortest);
      std::ofstream(base + ".ini") << IniText(shortest.settings);
    }
    Say(report.str());
  }
  return sum;
}

// The stand-in IDE's world for this process: a 1024 x 768 virtual screen and
// a Windows directory of its own.  Returns the directory.
std::filesystem::path SetUpWorld() {
  if (!std::getenv("QT_QPA_PLATFORM")) platform::UseOffscreenScreen(1024, 768);
  const std::filesystem::path windows =
      std::filesystem::temp_directory_path() / ("edgetucker-random-" + std::to_string(::getpid()));
  std::filesystem::create_directories(windows);
  ::setenv("WINDIR", windows.c_str(), 1);
  return windows;
}

}  // namespace

int main(int argc, char** argv) {
  long long events = 1000000;
  long long sessions = -1;
  int sessionEvents = 500;
  int shrinkPlays = 400;
  int jobs = 1;
  std::uint64_t seed = std::random_device{}() ^ (std::uint64_t{std::random_device{}()} << 32);
  std::string replay;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string v = argv[++i];
    if (a == "--events") events = std::atoll(v.c_str());
    else if (a == "--sessions") sessions = std::atoll(v.c_str());
    else if (a == "--session-events") sessionEvents = std::atoi(v.c_str());
    else if (a == "--seed") seed = std::strtoull(v.c_str(), nullptr, 10);
    else if (a == "--shrink-plays") shrinkPlays = std::atoi(v.c_str());
    else if (a == "--jobs") jobs = std::atoi(v.c_str());
    else if (a == "--replay") replay = v;
    else return Usage();
  }
  if (sessionEvents < 1 || events < 1 || jobs < 1 || jobs > 64) return Usage();

  if (!replay.empty()) {
    const auto windows = SetUpWorld();
    int status = 0;
    {
      QApplication app(argc, argv);
      QApplication::setQuitOnLastWindowClosed(false);
      InstallCrashAndHangReports(60);
      status = Replay(replay);
    }
    std::error_code ec;
    std::filesystem::remove_all(windows, ec);
    return status;
  }

  Say("random sessions: seed " + std::to_string(seed) + ", " +
      (sessions >= 0 ? std::to_string(sessions) + " sessions" : std::to_string(events) + " events") +
      " in sessions of " + std::to_string(sessionEvents) + " events, " + std::to_string(jobs) + " jobs\n");
  const auto started = std::chrono::steady_clock::now();

  // Each job is a process of its own, forked before Qt starts, that reports
  // its summary through a pipe.
  struct Job {
    pid_t pid;
    int fd;
  };
  std::vector<Job> running;
  for (int j = 0; j < jobs; ++j) {
    int fds[2];
    if (::pipe(fds) != 0) return 1;
    const pid_t pid = ::fork();
    if (pid < 0) return 1;
    if (pid == 0) {
      // A job does not outlive the run it belongs to.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      ::close(fds[0]);
      const auto windows = SetUpWorld();
      Summary sum;
      {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        InstallCrashAndHangReports(60);
        sum = RunSessions(seed, sessions, (events + jobs - 1) / jobs, sessionEvents, shrinkPlays, j, jobs);
      }
      const std::string text = sum.Serialize();
      const ssize_t ignored = ::write(fds[1], text.data(), text.size());
      (void)ignored;
      ::close(fds[1]);
      std::error_code ec;
      std::filesystem::remove_all(windows, ec);
      std::_Exit(0);
    }
    ::close(fds[1]);
    running.push_back({pid, fds[0]});
  }

  Summary total;
  int status = 0;
  for (const Job& job : running) {
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = ::read(job.fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    ::close(job.fd);
    int ws = 0;
    ::waitpid(job.pid, &ws, 0);
    if (!WIFEXITED(ws) || WEXITSTATUS(ws) != 0) {
      Say("random sessions: a job died (its report is above); the run failed\n");
      status = 1;
    }
    total.Add(text);
  }
  if (total.unknown) status = 1;

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::ostringstream o;
  o << "random sessions: seed " << seed << ": " << total.events << " events in " << total.sessions
    << " sessions, " << static_cast<long long>(seconds) << " s; " << total.skipped
    << " impossible user actions skipped; " << total.failures << " failing sessions\n";
  for (const auto& [kind, count] : total.byKind) {
    const KnownFault* known = FindKnownFault(kind);
    o << "  " << kind << ": " << count << (known ? std::string(" (known fault: ") + known->reason + ")" : "") << "\n";
  }
  Say(o.str());
  return status;
}
