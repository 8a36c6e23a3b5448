// Profile-string reads and a whole settings load, on files in a private folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

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

void BM_LoadTypicalSettings(benchmark::State& state) {
  const std::string path = Write("Edgetuck.ini", TypicalFile);
  TIniEditor ini;
  ini.SetFileName(path);
  ini.SetFileLocation(PathInFileName);
  tk::TTimer timer;
  timer.SetEnabled(false);
  for (auto _ : state) LoadSettingsFrom(ini, timer);
}
BENCHMARK(BM_LoadTypicalSettings);

void BM_LoadHundredThousandLines(benchmark::State& state) {
  std::string body = "[Filler]\n";
  for (int i = 0; i < 100'000; ++i) body += "key" + std::to_string(i) + "=value\n";
  body += TypicalFile;
  const std::string path = Write("long.ini", body);
  TIniEditor ini;
  ini.SetFileName(path);
  ini.SetFileLocation(PathInFileName);
  tk::TTimer timer;
  timer.SetEnabled(false);
  for (auto _ : state) LoadSettingsFrom(ini, timer);
}
BENCHMARK(BM_LoadHundredThousandLines)->Unit(benchmark::kMillisecond);

void BM_WriteOneValue(benchmark::State& state) {
  const std::string path = Write("write.ini", TypicalFile);
  int n = 0;
  for (auto _ : state)
    platform::WritePrivateProfileString("Edgetucker", "mgDelay", std::to_string(n++ % 1000).c_str(),
                                        path);
}
BENCHMARK(BM_WriteOneValue);

}  // namespace
