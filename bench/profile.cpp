// Profile-string reads and writes, and a whole settings load beside its peer
// (QSettings reading the same twelve keys from the same file), on files in a
// private folder.  The load rows carry x_QSettings, their cost as a multiple of
// the peer's row just above (the goal is 0.5 or less).
#include <benchmark/benchmark.h>

#include <QSettings>
#include <QString>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/Profile.h"
#include "settings/EasyINI.h"
#include "settings/Settings.h"
#include "toolkit/Timer.h"

namespace {

std::string BenchFolder() {
  static const std::string dir = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("edgetucker-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                      ("edgetucker-bench-" + std::to_string(::getpid())),
                                  ec);
    });
    return d.string();
  }();
  return dir;
}

std::string Write(const std::string& name, const std::string& text) {
  const std::string path = BenchFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path;
}

const char* const TypicalFile =
    "[Edgetucker]\n"
    "mgHideInspector=True\n"
    "mgSide=1\n"
    "mgHideDelphi=True\n"
    "mgAnimate=True\n"
    "mgWindowSounds=False\n"
    "mgDisableOnFocusLoss=True\n"
    "MoveOutSound=/usr/share/sounds/out.wav\n"
    "MoveInSound=/usr/share/sounds/in.wav\n"
    "mgAnimateSpeed=8\n"
    "mgDelay=250\n"
    "HangOutPixels=5\n"
    "mgUseAutoHide=False\n";

void BM_ReadOneValue(benchmark::State& state) {
  const std::string path = Write("small.ini", TypicalFile);
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::GetPrivateProfileString("Edgetucker", "mgDelay", "", path));
}
BENCHMARK(BM_ReadOneValue);

// The peer: Qt's own INI reader, asked for the same twelve keys of the same
// file.  QSettings keeps a parsed copy of a file it has read while the file's
// size and time stay, so each run opens the next of several identical copies
// (more than its cache holds) and parses it afresh, as a settings load must.
constexpr int kPeerCopies = 64;

std::vector<QString> PeerCopies(const std::string& name, const std::string& text) {
  std::vector<QString> paths;
  for (int i = 0; i < kPeerCopies; ++i)
    paths.push_back(QString::fromStdString(Write(name + "-peer-" + std::to_string(i), text)));
  return paths;
}

const char* const kKeys[] = {"mgHideInspector", "mgSide",         "mgHideDelphi",
                             "mgWindowSounds",  "MoveOutSound",   "MoveInSound",
                             "HangOutPixels",   "mgAnimate",      "mgAnimateSpeed",
                             "mgDelay",         "mgUseAutoHide",  "mgDisableOnFocusLoss"};

double ThreadCpuSeconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU seconds per run of each peer, for the ratio in the row after it.
std::map<std::string, double>& PeerCost() {
  static std::map<std::string, double> cost;
  return cost;
}

void RunPeer(benchmark::State& state, const std::string& name, const std::string& text) {
  const std::vector<QString> paths = PeerCopies(name, text);
  std::size_t next = 0;
  const double start = ThreadCpuSeconds();
  for (auto _ : state) {
    QSettings peer(paths[next++ % paths.size()], QSettings::IniFormat);
    peer.beginGroup("Edgetucker");
    for (const char* key : kKeys) benchmark::DoNotOptimize(peer.value(key));
  }
  PeerCost()[name] = (ThreadCpuSeconds() - start) / static_cast<double>(state.iterations());
}

void RunLoad(benchmark::State& state, const std::string& name, const std::string& text) {
  const std::string path = Write(name, text);
  TIniEditor ini;
  ini.SetFileName(path);
  ini.SetFileLocation(PathInFileName);
  tk::TTimer timer;
  timer.SetEnabled(false);
  const double start = ThreadCpuSeconds();
  for (auto _ : state) LoadSettingsFrom(ini, timer);
  const double ours = (ThreadCpuSeconds() - start) / static_cast<double>(state.iterations());
  // The goal is at most half the peer's cost.
  if (const auto peer = PeerCost().find(name); peer != PeerCost().end() && peer->second > 0)
    state.counters["x_QSettings"] = ours / peer->second;
}

std::string HundredThousandLines() {
  std::string body = "[Filler]\n";
  for (int i = 0; i < 100'000; ++i) body += "key" + std::to_string(i) + "=value\n";
  return body + TypicalFile;
}

void BM_LoadSettings13Lines_QSettingsPeer(benchmark::State& state) {
  RunPeer(state, "Edgetuck.ini", TypicalFile);
}
BENCHMARK(BM_LoadSettings13Lines_QSettingsPeer)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings13Lines(benchmark::State& state) {
  RunLoad(state, "Edgetuck.ini", TypicalFile);
}
BENCHMARK(BM_LoadSettings13Lines)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings100kLines_QSettingsPeer(benchmark::State& state) {
  RunPeer(state, "long.ini", HundredThousandLines());
}
BENCHMARK(BM_LoadSettings100kLines_QSettingsPeer)->Unit(benchmark::kMillisecond);

void BM_LoadSettings100kLines(benchmark::State& state) {
  RunLoad(state, "long.ini", HundredThousandLines());
}
BENCHMARK(BM_LoadSettings100kLines)->Unit(benchmark::kMillisecond);

void BM_WriteOneValue(benchmark::State& state) {
  const std::string path = Write("write.ini", TypicalFile);
  int n = 0;
  for (auto _ : state)
    platform::WritePrivateProfileString("Edgetucker", "mgDelay", std::to_string(n++ % 1000).c_str(),
                                        path);
}
BENCHMARK(BM_WriteOneValue);

}  // namespace
