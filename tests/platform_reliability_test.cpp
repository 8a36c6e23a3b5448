// The profile-string layer where the world is unkind: files that are no files,
// folders that cannot be written, full disks, size limits, and writers killed
// in the middle of a write.  Whatever could block or kill a process runs in
// profile_probe (tests/tools), a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <random>
#include <regex>
#include <spawn.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/Profile.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/ProfileProbe.h"

extern char** environ;

namespace fs = std::filesystem;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

constexpr int kMountNotAllowed = 77;

struct ProbeRun {
  bool finished = false;  // false: still running at the deadline, then killed
  int exitCode = -1;      // -1 when ended by a signal
  int signal = 0;
  std::vector<std::string> lines;
};

// A started profile_probe whose output is read line by line.
class Probe {
public:
  explicit Probe(const std::vector<std::string>& steps) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<std::string> args{EDGETUCKER_PROFILE_PROBE};
    args.insert(args.end(), steps.begin(), steps.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_out = fds[0];
    if (m_pid > 0) m_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
  }
  ~Probe() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
    if (m_pidfd >= 0) ::close(m_pidfd);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  bool Started() const { return m_pid > 0 && m_pidfd >= 0; }

  // The next line of output, or nullopt at its end or after timeoutMs.
  std::optional<std::string> ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const std::size_t nl = m_buffer.find('\n');
      if (nl != std::string::npos) {
        std::string line = m_buffer.substr(0, nl);
        m_buffer.erase(0, nl + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      struct pollfd p {m_out, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
      char buf[4096];
      const ssize_t n = ::read(m_out, buf, sizeof buf);
      if (n <= 0) return {};
      m_buffer.append(buf, static_cast<std::size_t>(n));
    }
  }

  // Waits for the end of the process (killing it at the deadline) and collects
  // the rest of its output.
  ProbeRun Finish(int timeoutMs) {
    ProbeRun run;
    struct pollfd p {m_pidfd, POLLIN, 0};
    run.finished = ::poll(&p, 1, timeoutMs) == 1;
    if (!run.finished) ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    while (auto line = ReadLine(1000)) run.lines.push_back(*line);
    return run;
  }

  // Ends the process at once, as a crash or a power cut would.
  void Kill() {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

private:
  pid_t m_pid = -1;
  int m_pidfd = -1;
  int m_out = -1;
  std::string m_buffer;
};

ProbeRun RunProbe(const std::vector<std::string>& steps, int timeoutMs = 10000) {
  Probe probe(steps);
  EXPECT_TRUE(probe.Started());
  if (!probe.Started()) return {};
  return probe.Finish(timeoutMs);
}

class ProfileReliabilityTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::path(testing_support::WindowsDir()) / "reliability" / info->name();
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    // Rows that drop to another user must be able to reach the folder.
    for (fs::path p = m_dir; p != fs::path(testing_support::WindowsDir()).parent_path();
         p = p.parent_path())
      fs::permissions(p, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  std::vector<std::string> TemporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_dir))
      if (e.path().filename().string().find(".tmp-") != std::string::npos)
        names.push_back(e.path().filename());
    return names;
  }
  fs::path m_dir;
};

const std::string kSettings = "[Edgetucker]\nmgDelay=5\n";
const std::string kSettingsShown = "[Edgetucker]|mgDelay=5|";

// Each row: the settings file made unusable in one way.  The probe reads,
// writes and reads again; no step may block, the reads give the default (or the
// old value where the file itself is fine), the write is refused and the file,
// where there is one, keeps its bytes.
TEST_F(ProfileReliabilityTest, BadEnvironmentsReadDefaultsAndRefuseWrites) {
  struct Row {
    const char* name;
    std::function<std::string()> prepare;  // returns the settings file's path
    std::vector<std::string> before;       // probe steps ahead of the checks
    std::string readsAs;                   // what both reads give
    std::function<void(const std::string&)> after;
  };
  const std::string longValue(2000, 'v');
  auto isFifo = [](const std::string& p) { EXPECT_TRUE(fs::is_fifo(p)); };
  auto isDir = [](const std::string& p) { EXPECT_TRUE(fs::is_directory(p)); };
  auto isLink = [](const std::string& p) { EXPECT_TRUE(fs::is_symlink(p)); };
  auto unchanged = [](const std::string& p) { EXPECT_EQ(ReadFile(p), kSettings); };
  const bool root = ::geteuid() == 0;
  std::vector<Row> rows = {
      {"a folder", [&] { fs::create_directory(Path("Edgetuck.ini")); return Path("Edgetuck.ini"); },
       {}, "<def>", isDir},
      {"a named pipe",
       [&] {
         EXPECT_EQ(::mkfifo(Path("Edgetuck.ini").c_str(), 0644), 0);
         return Path("Edgetuck.ini");
       },
       {}, "<def>", isFifo},
      {"a symbolic link loop",
       [&] {
         fs::create_symlink(Path("b.ini"), Path("Edgetuck.ini"));
         fs::create_symlink(Path("Edgetuck.ini"), Path("b.ini"));
         return Path("Edgetuck.ini");
       },
       {}, "<def>", isLink},
      {"a link to an endless device",
       [&] {
         fs::create_symlink("/dev/zero", Path("Edgetuck.ini"));
         return Path("Edgetuck.ini");
       },
       {}, "<def>", isLink},
      {"a file nobody may read",
       [&] {
         const std::string p = WriteFile(Path("Edgetuck.ini"), kSettings);
         fs::permissions(p, fs::perms::none);
         return p;
       },
       root ? std::vector<std::string>{"as-nobody"} : std::vector<std::string>{}, "<def>",
       unchanged},
      {"a Windows folder that is missing",
       [&] { return Path("gone/Edgetuck.ini"); }, {}, "<def>",
       [&](const std::string&) { EXPECT_FALSE(fs::exists(Path("gone"))); }},
      {"a Windows folder that cannot be written",
       [&] {
         fs::create_directory(Path("ro"));
         const std::string p = WriteFile(Path("ro/Edgetuck.ini"), kSettings);
         if (root) {
           EXPECT_EQ(::chown(p.c_str(), 65534, 65534), 0);
         }
         fs::permissions(Path("ro"), fs::perms::owner_read | fs::perms::owner_exec |
                                         fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
         return p;
       },
       root ? std::vector<std::string>{"as-nobody"} : std::vector<std::string>{}, "5",
       unchanged},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = row.prepare();
    std::vector<std::string> steps = row.before;
    steps.insert(steps.end(), {"clock", "read", path, "Edgetucker", "mgDelay", "clock",
                               "write", path, "Edgetucker", "mgDelay", "9",
                               "write", path, "Edgetucker", "Other", longValue,
                               "read", path, "Edgetucker", "mgDelay"});
    const ProbeRun run = RunProbe(steps);
    ASSERT_TRUE(run.finished) << "the calls blocked";
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 6u);
    EXPECT_LT(std::stoll(run.lines[2]) - std::stoll(run.lines[0]), 1000) << "a read took a second";
    EXPECT_EQ(run.lines[1], row.readsAs);
    EXPECT_EQ(run.lines[3], "refused");
    EXPECT_EQ(run.lines[4], "refused");
    EXPECT_EQ(run.lines[5], row.readsAs);
    row.after(path);
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
    if (fs::exists(m_dir / "ro")) fs::permissions(m_dir / "ro", fs::perms::owner_all);
    EXPECT_TRUE(TemporaryFiles().empty());
    for (const auto& e : fs::directory_iterator(m_dir)) fs::remove_all(e.path());
  }
}

// File systems that refuse to grow: a full one and a read-only one, each a
// private tmpfs of the probe (where mounting is allowed).
TEST_F(ProfileReliabilityTest, FullOrReadOnlyFileSystemKeepsTheOldFile) {
  struct Row {
    const char* name;
    std::vector<std::string> spoil;
  };
  const std::string dir = Path("mnt");
  const std::string path = dir + "/Edgetuck.ini";
  fs::create_directory(dir);
  const std::vector<Row> rows = {
      {"full", {"fill", dir}},
      {"read-only", {"remount-ro", dir}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> steps = {"tmpfs", dir, "65536", "put", path, kSettings};
    steps.insert(steps.end(), row.spoil.begin(), row.spoil.end());
    steps.insert(steps.end(), {"write", path, "Edgetucker", "mgDelay", "9", "read", path,
                               "Edgetucker", "mgDelay", "cat", path});
    const ProbeRun run = RunProbe(steps);
    if (run.exitCode == kMountNotAllowed) GTEST_SKIP() << "no tmpfs may be mounted here";
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (std::vector<std::string>{"refused", "5", kSettingsShown}));
  }
}

// A write that would pass the file-size limit fails like any other failed
// write: no SIGXFSZ ends the process, the old file stays, no temporary file
// is left, and a later write within the limit works.
TEST_F(ProfileReliabilityTest, FileSizeLimitFailsTheWriteNotTheProcess) {
  const std::string path = WriteFile(Path("Edgetuck.ini"), kSettings);
  const std::string big(300, 'x');
  const ProbeRun run = RunProbe({"limit", "100", "write", path, "Edgetucker", "MoveInSound",
                                 big, "read", path, "Edgetucker", "mgDelay", "cat", path,
                                 "write", path, "Edgetucker", "mgDelay", "7"});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.signal, 0) << "killed by signal " << run.signal;
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"refused", "5", kSettingsShown, "written"}));
  EXPECT_EQ(ReadFile(path), "[Edgetucker]\nmgDelay=7\n");
  EXPECT_TRUE(TemporaryFiles().empty());
}

// The next write removes what writers that are gone left behind, and nothing
// else: not another file's leftovers, not the file of a process that still
// runs, not a file whose lock is held.
TEST_F(ProfileReliabilityTest, LeftoverTemporaryFilesOfGoneWritersAreRemoved) {
  // The id of a process that has ended (and was not yet given to another).
  const pid_t deadPid = ::fork();
  if (deadPid == 0) ::_exit(0);
  ASSERT_GT(deadPid, 0);
  ::waitpid(deadPid, nullptr, 0);
  const std::string dead = std::to_string(deadPid);
  const std::vector<std::string> removed = {".Edgetuck.ini.tmp-" + dead + "-0",
                                            ".Edgetuck.ini.tmp-" + dead + "-17"};
  const std::vector<std::string> kept = {
      ".Edgetuck.ini.tmp-1-3",             // its process runs
      ".Other.ini.tmp-" + dead + "-0",     // another file's
      "Edgetuck.ini.tmp-" + dead + "-0",   // not our name
      ".Edgetuck.ini.tmp-" + dead + "-x",  // not our name
      ".Edgetuck.ini.tmp-" + dead + "-9",  // locked by a writer at work
  };
  struct Row {
    const char* name;
    const char* key;
    const char* value;
    std::string after;
  };
  const std::vector<Row> rows = {
      {"a write that changes the file", "mgDelay", "6", "[Edgetucker]\nmgDelay=6\n"},
      {"a write that changes nothing", "mgDelay", "5", kSettings},
      {"a deletion of a missing key", "mgSide", nullptr, kSettings},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = WriteFile(Path("Edgetuck.ini"), kSettings);
    for (const auto& n : removed) WriteFile(Path(n), "[Edgetucker]\nmgDel");
    for (const auto& n : kept) WriteFile(Path(n), "half");
    const int locked = ::open(Path(kept.back()).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(locked, 0);
    ASSERT_EQ(::flock(locked, LOCK_EX), 0);

    ASSERT_TRUE(WritePrivateProfileString("Edgetucker", row.key, row.value, path));
    ::close(locked);
    for (const auto& n : removed) EXPECT_FALSE(fs::exists(Path(n))) << n;
    for (const auto& n : kept) EXPECT_TRUE(fs::exists(Path(n))) << n;
    EXPECT_EQ(ReadFile(path), row.after);
  }
}

// The file the write loop of profile_probe keeps rewriting.
std::string LoopFile(const std::string& delay, const std::string& extra) {
  std::string text =
      "; Edgetucker settings\r\n"
      "[Other]\r\n"
      "Path = C:\\keep\\me ; not a comment\r\n"
      "\r\n"
      "; about the next section\r\n"
      "[Edgetucker]\r\n"
      "mgHideInspector=True\r\n"
      "; between the keys\r\n"
      "mgDelay=" + delay + "\r\n"
      "HangOutPixels=7\r\n";
  if (!extra.empty()) text += "Extra=" + extra + "\r\n";
  return text + "[HELP]\r\nFindLostWindows=1\r\n";
}

// A writer killed at a random moment, again and again: every time the file is
// whole, either as it was or with a later write complete, every other line
// kept.  The leftovers of the killed writers go with the next write.
// EDGETUCKER_KILLS=N asks for N kills instead of 100, for a longer run.
TEST_F(ProfileReliabilityTest, AWriterKilledAtAnyMomentLeavesTheFileWhole) {
  const char* asked = std::getenv("EDGETUCKER_KILLS");
  const int kKills = asked && std::atoi(asked) > 0 ? std::atoi(asked) : 100;
  const std::string path = WriteFile(Path("Edgetuck.ini"), LoopFile("0", ""));
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> pause(0, 4000);  // microseconds
  const std::regex shape(
      "[\\s\\S]*\r\nmgDelay=([0-9]+)\r\n[\\s\\S]*?(?:Extra=(x*)\r\n)?\\[HELP\\][\\s\\S]*");
  int leftovers = 0;
  std::size_t mostLeftovers = 0;
  unsigned lastDelay = 0;
  for (int i = 0; i < kKills; ++i) {
    SCOPED_TRACE("kill " + std::to_string(i));
    Probe writer({"ready", "loop", path});
    ASSERT_TRUE(writer.Started());
    ASSERT_EQ(writer.ReadLine(10000), "ready");
    std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    writer.Kill();
    const std::string text = ReadFile(path);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, shape)) << text;
    ASSERT_EQ(text, LoopFile(m[1], m[2])) << "lines outside the two keys changed";
    const unsigned delay = static_cast<unsigned>(std::stoul(m[1]));
    // The extra key belongs to the same round as the delay, or to the one before.
    const std::string extra = m[2];
    EXPECT_TRUE(delay == 0 || extra == WriteLoopStepFor(delay).extra ||
                extra == WriteLoopStepFor(delay - 1).extra)
        << delay << " " << extra;
    EXPECT_GE(delay, lastDelay) << "a completed write was lost";
    lastDelay = std::max(lastDelay, delay);
    const std::size_t left = TemporaryFiles().size();
    leftovers += static_cast<int>(left > 0);
    mostLeftovers = std::max(mostLeftovers, left);
  }
  ASSERT_TRUE(WritePrivateProfileString("Other", "Path", "C:\\keep\\me ; not a comment", path));
  EXPECT_TRUE(TemporaryFiles().empty());
  EXPECT_LE(mostLeftovers, 3u) << "leftovers pile up";
  std::printf("%d kills, %d left a temporary file (at most %zu at once), %u rounds written\n",
              kKills, leftovers, mostLeftovers, lastDelay);
}

}  // namespace
