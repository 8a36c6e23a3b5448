#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/EasyINI.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Timer.h"

namespace fs = std::filesystem;
using testing_support::WriteFile;

namespace {

// Values no load produces, so a test sees which fields a load has set.
TSettings Sentinels() {
  TSettings s;
  s.HideInspector = true;
  s.InspectorSide = 99;
  s.HideMainWindow = true;
  s.AnimateMoves = 77;
  s.AnimationSteps = 777;
  s.PlaySounds = true;
  s.MoveInSound = "old-in";
  s.MoveOutSound = "old-out";
  s.HangOutPixels = 88;
  s.AutoStart = true;
  s.DisableOnFocusLoss = true;  // its fallback on a failed read is false
  return s;
}
constexpr int SentinelDelay = 4321;

// Records the keys it is asked for and throws on one of them.
class ProbeIni : public TIniEditor {
public:
  std::string throwOn;
  std::vector<std::string> asked;
  std::function<void(std::string_view key)> beforeRead;
  std::string ReadStr(std::string_view section, std::string_view key,
                      std::string_view defaultValue) override {
    asked.emplace_back(key);
    if (beforeRead) beforeRead(key);
    if (key == throwOn) throw std::runtime_error("read failed");
    return TIniEditor::ReadStr(section, key, defaultValue);
  }
};

class LoadSettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ini.SetFileName(std::string(IniLayout::FileName));
    ini.SetFileLocation(WindowsPath);
    fs::remove(ini.FullPath());
    Settings = Sentinels();
    timer.SetEnabled(false);
    timer.SetInterval(SentinelDelay);
  }
  void TearDown() override { Settings = TSettings{}; }
  void Store(const std::string& body) { WriteFile(ini.FullPath(), body); }
  void Load() { LoadSettingsFrom(ini, timer); }

  void ExpectDefaults() {
    EXPECT_FALSE(Settings.HideInspector);
    EXPECT_EQ(Settings.InspectorSide, 1);
    EXPECT_FALSE(Settings.HideMainWindow);
    EXPECT_FALSE(Settings.PlaySounds);
    EXPECT_EQ(Settings.MoveOutSound, "");
    EXPECT_EQ(Settings.MoveInSound, "");
    EXPECT_EQ(Settings.HangOutPixels, 5);
    EXPECT_EQ(Settings.AnimateMoves, 0);
    EXPECT_EQ(Settings.AnimationSteps, 5);
    EXPECT_EQ(timer.Interval(), 200);
    EXPECT_FALSE(Settings.AutoStart);
    EXPECT_TRUE(Settings.DisableOnFocusLoss);
  }

  ProbeIni ini;
  tk::TTimer timer;
};

TEST_F(LoadSettingsTest, FilesWithoutSettingsGiveTheDefaults) {
  struct Row {
    const char* name;
    std::string content;  // "<none>": no file
  };
  std::string otherKeys = "[Other]\n";
  for (int i = 0; i < 1000; ++i) otherKeys += "mgSide=3\n";
  const std::vector<Row> rows = {
      {"no file", "<none>"},
      {"empty file", ""},
      {"binary file", std::string("[Edgetucker]\nmgSide=0\nmgDelay=7\n\0\0\xff", 35)},
      {"other sections only", otherKeys},
      {"keys before any section", "mgSide=0\nmgDelay=7\n[Edgetucker]\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(ini.FullPath());
    if (row.content != "<none>") Store(row.content);
    Settings = Sentinels();
    timer.SetInterval(SentinelDelay);
    Load();
    ExpectDefaults();
  }
}

TEST_F(LoadSettingsTest, KeysAreReadInTheirOrder) {
  Load();
  EXPECT_EQ(ini.asked, (std::vector<std::string>{
                           "mgHideInspector", "mgSide", "mgHideDelphi", "mgWindowSounds",
                           "MoveOutSound", "MoveInSound", "HangOutPixels", "mgAnimate",
                           "mgAnimateSpeed", "mgDelay", "mgUseAutoHide", "mgDisableOnFocusLoss"}));
}

TEST_F(LoadSettingsTest, ATypicalFileLoadsWhole) {
  Store(
      "[Edgetucker]\n"
      "mgHideInspector=True\n"
      "mgSide=0\n"
      "mgHideDelphi=True\n"
      "mgAnimate=True\n"
      "mgWindowSounds=True\n"
      "mgDisableOnFocusLoss=False\n"
      "MoveOutSound=/snd/out.wav\n"
      "MoveInSound=/snd/in.wav\n"
      "mgAnimateSpeed=12\n"
      "mgDelay=400\n"
      "HangOutPixels=3\n"
      "mgUseAutoHide=True\n"
      "[HELP]\n"
      "FindLostWindows=1\n");
  Load();
  EXPECT_TRUE(Settings.HideInspector);
  EXPECT_EQ(Settings.InspectorSide, 0);
  EXPECT_TRUE(Settings.HideMainWindow);
  EXPECT_EQ(Settings.AnimateMoves, 1);
  EXPECT_TRUE(Settings.PlaySounds);
  EXPECT_FALSE(Settings.DisableOnFocusLoss);
  EXPECT_EQ(Settings.MoveOutSound, "/snd/out.wav");
  EXPECT_EQ(Settings.MoveInSound, "/snd/in.wav");
  EXPECT_EQ(Settings.AnimationSteps, 12);
  EXPECT_EQ(timer.Interval(), 400);
  EXPECT_EQ(Settings.HangOutPixels, 3);
  EXPECT_TRUE(Settings.AutoStart);
  EXPECT_TRUE(ini.ReadBool(IniLayout::HelpSection, IniLayout::FindLostWindows, false));
}

TEST_F(LoadSettingsTest, ValuesAreCorrectedAsTheyLoad) {
  struct Row {
    const char* line;
    std::function<int()> field;
    int expected;
  };
  auto steps = [] { return Settings.AnimationSteps; };
  auto delay = [this] { return timer.Interval(); };
  auto hang = [] { return int{Settings.HangOutPixels}; };
  auto side = [] { return int{Settings.InspectorSide}; };
  auto animate = [] { return int{Settings.AnimateMoves}; };
  const std::vector<Row> rows = {
      {"mgAnimateSpeed=1", steps, 5},     {"mgAnimateSpeed=2", steps, 2},
      {"mgAnimateSpeed=30", steps, 30},   {"mgAnimateSpeed=31", steps, 5},
      {"mgAnimateSpeed=-4", steps, 5},    {"mgAnimateSpeed=abc", steps, 5},
      {"mgDelay=1000", delay, 1000},      {"mgDelay=1001", delay, 200},
      {"mgDelay=0", delay, 0},            {"mgDelay=-50", delay, -50},
      {"mgDelay=2147483647", delay, 200}, {"mgDelay=250.9", delay, 250},
      {"HangOutPixels=300", hang, 44},    {"HangOutPixels=-1", hang, 255},
      {"HangOutPixels=0", hang, 0},       {"mgSide=2", side, 2},
      {"mgSide=1", side, 1},              {"mgSide=-1", side, 255},
      {"mgSide=256", side, 0},            {"mgAnimate=yes", animate, 1},
      {"mgAnimate=1", animate, 1},        {"mgAnimate=False", animate, 0},
      {"mgAnimate=2", animate, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    Store(std::string("[Edgetucker]\n") + row.line + "\n");
    Load();
    EXPECT_EQ(row.field(), row.expected);
  }
}

TEST_F(LoadSettingsTest, AnEmptySoundPathLoadsEmpty) {
  Store("[Edgetucker]\nMoveInSound=/a.wav\nMoveOutSound=/b.wav\n");
  ini.WriteStr(IniLayout::Section, IniLayout::MoveInSound, "");
  Load();
  EXPECT_EQ(Settings.MoveInSound, "");
  EXPECT_EQ(Settings.MoveOutSound, "/b.wav");
}

TEST_F(LoadSettingsTest, AFailedReadSetsItsFallbackAndStopsTheLoad) {
  struct Row {
    const char* key;
    std::function<void()> check;  // after the failed read
  };
  Store(
      "[Edgetucker]\nmgHideInspector=True\nmgSide=0\nmgHideDelphi=True\nmgWindowSounds=True\n"
      "mgAnimate=True\nmgUseAutoHide=True\nmgDisableOnFocusLoss=True\nmgDelay=300\n");
  const std::vector<Row> rows = {
      {"mgHideInspector",
       [] {
         EXPECT_FALSE(Settings.HideInspector);
         EXPECT_EQ(Settings.InspectorSide, 99) << "later fields keep their values";
       }},
      {"mgSide",
       [] {
         EXPECT_TRUE(Settings.HideInspector);
         EXPECT_EQ(Settings.InspectorSide, 1);
         EXPECT_TRUE(Settings.HideMainWindow);
         EXPECT_EQ(Settings.MoveOutSound, "old-out");
       }},
      {"mgHideDelphi", [] { EXPECT_FALSE(Settings.HideMainWindow); }},
      {"mgWindowSounds",
       [] {
         EXPECT_FALSE(Settings.PlaySounds);
         EXPECT_EQ(Settings.MoveOutSound, "old-out");
       }},
      {"mgAnimate",
       [this] {
         EXPECT_EQ(Settings.AnimateMoves, 0);
         EXPECT_EQ(Settings.AnimationSteps, 777);
         EXPECT_EQ(timer.Interval(), SentinelDelay);
         EXPECT_EQ(Settings.HangOutPixels, 5) << "earlier fields are loaded";
       }},
      {"mgUseAutoHide",
       [this] {
         EXPECT_FALSE(Settings.AutoStart);
         EXPECT_EQ(timer.Interval(), 300);
         EXPECT_TRUE(Settings.DisableOnFocusLoss);
       }},
      {"mgDisableOnFocusLoss",
       [] {
         EXPECT_TRUE(Settings.AutoStart);
         EXPECT_FALSE(Settings.DisableOnFocusLoss) << "its fallback is false, not the default";
       }},
      {"MoveInSound",
       [] {
         EXPECT_EQ(Settings.MoveOutSound, "");
         EXPECT_EQ(Settings.MoveInSound, "old-in") << "unguarded reads have no fallback";
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key);
    Settings = Sentinels();
    timer.SetInterval(SentinelDelay);
    ini.throwOn = row.key;
    EXPECT_THROW(Load(), std::runtime_error);
    row.check();
  }
}

TEST_F(LoadSettingsTest, AHundredThousandLineFileLoads) {
  std::string body = "; a long file\n[Filler]\n";
  body.reserve(4'000'000);
  for (int i = 0; i < 50'000; ++i) body += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  body += "[Edgetucker]\n";
  for (int i = 0; i < 50'000; ++i) body += "; note " + std::to_string(i) + "\n";
  body += "mgSide=0\nmgDelay=900\nHangOutPixels=9\nmgHideDelphi=yes\n";
  Store(body);
  Load();
  EXPECT_EQ(Settings.InspectorSide, 0);
  EXPECT_EQ(timer.Interval(), 900);
  EXPECT_EQ(Settings.HangOutPixels, 9);
  EXPECT_TRUE(Settings.HideMainWindow);
  EXPECT_EQ(Settings.AnimationSteps, 5);
}

TEST_F(LoadSettingsTest, EachLoadSeesHandEdits) {
  Store("[Edgetucker]\nmgAnimateSpeed=10\n");
  Load();
  EXPECT_EQ(Settings.AnimationSteps, 10);
  Store("[EDGETUCKER]\r\n  MGANIMATESPEED = 20 \r\n");
  Load();
  EXPECT_EQ(Settings.AnimationSteps, 20);
}

// Between two loads the file changes in ways a cache keyed on the file's size
// and modification time would miss; every load must still see the change.
TEST_F(LoadSettingsTest, EveryLoadSeesTheFileAsItStandsOnDisk) {
  struct Row {
    const char* name;
    std::function<void(const std::string& path, const std::string& text)> change;
  };
  // Puts back the size and both times the file had, to the nanosecond.
  auto sameTimes = [](const std::string& path, const struct stat& st) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  const std::vector<Row> rows = {
      {"rewritten in place, same size and times",
       [&](const std::string& path, const std::string& text) {
         struct stat st {};
         ASSERT_EQ(::stat(path.c_str(), &st), 0);
         const int fd = ::open(path.c_str(), O_WRONLY);
         ASSERT_GE(fd, 0);
         ASSERT_EQ(::pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
         ::close(fd);
         sameTimes(path, st);
       }},
      {"replaced by another file, same size and times",
       [&](const std::string& path, const std::string& text) {
         struct stat st {};
         ASSERT_EQ(::stat(path.c_str(), &st), 0);
         WriteFile(path + ".new", text);
         sameTimes(path + ".new", st);
         fs::rename(path + ".new", path);
       }},
      {"written through the component",
       [&](const std::string&, const std::string&) {
         ini.WriteInt(IniLayout::Section, IniLayout::AnimationSteps, 20);
         ini.WriteInt(IniLayout::Section, IniLayout::OpenDelay, 600);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Store("[Edgetucker]\nmgAnimateSpeed=10\nmgDelay=300\n");
    Load();
    ASSERT_EQ(Settings.AnimationSteps, 10);
    ASSERT_EQ(timer.Interval(), 300);
    row.change(ini.FullPath(), "[Edgetucker]\nmgAnimateSpeed=20\nmgDelay=600\n");
    Load();
    EXPECT_EQ(Settings.AnimationSteps, 20);
    EXPECT_EQ(timer.Interval(), 600);
  }
  fs::remove(ini.FullPath());
  Load();
  ExpectDefaults();
}

// A load takes its twelve values from one state of the file: a change in the
// middle of it shows only at the next load.
TEST_F(LoadSettingsTest, OneLoadReadsOneStateOfTheFile) {
  Store("[Edgetucker]\nmgSide=0\nmgAnimateSpeed=10\nmgUseAutoHide=True\n");
  ini.beforeRead = [this](std::string_view key) {
    if (key == IniLayout::HideMainWindow)
      Store("[Edgetucker]\nmgSide=1\nmgAnimateSpeed=20\nmgUseAutoHide=False\n");
  };
  Load();
  EXPECT_EQ(Settings.InspectorSide, 0);
  EXPECT_EQ(Settings.AnimationSteps, 10);
  EXPECT_TRUE(Settings.AutoStart);
  ini.beforeRead = nullptr;
  Load();
  EXPECT_EQ(Settings.InspectorSide, 1);
  EXPECT_EQ(Settings.AnimationSteps, 20);
  EXPECT_FALSE(Settings.AutoStart);
}

// Inside a batch a write through the component, or a new file name, is seen by
// the reads after it; after the batch every read looks at the file again.
TEST_F(LoadSettingsTest, ABatchSeesItsOwnWritesAndEndsWithItsScope) {
  const std::string s(IniLayout::Section);
  Store("[Edgetucker]\nmgDelay=1\n");
  const std::string other = testing_support::WindowsDir() + "/Other.ini";
  WriteFile(other, "[Edgetucker]\nmgDelay=3\n");
  {
    const TIniEditor::BatchRead outer(ini);
    EXPECT_EQ(ini.ReadInt(s, "mgDelay", 0), 1);
    Store("[Edgetucker]\nmgDelay=2\n");
    {
      const TIniEditor::BatchRead inner(ini);
      EXPECT_EQ(ini.ReadInt(s, "mgDelay", 0), 1) << "the outer batch's look counts";
    }
    EXPECT_EQ(ini.ReadInt(s, "mgDelay", 0), 1);
    ini.WriteInt(s, "mgAnimateSpeed", 7);
    EXPECT_EQ(ini.ReadInt(s, "mgAnimateSpeed", 0), 7);
    EXPECT_EQ(ini.ReadInt(s, "mgDelay", 0), 2);
    ini.SetFileName(other);
    ini.SetFileLocation(PathInFileName);
    EXPECT_EQ(ini.ReadInt(s, "mgDelay", 0), 3);
    ini.SetFileName(std::string(IniLayout::FileName));
    ini.SetFileLocation(WindowsPath);
  }
  Store("[Edgetucker]\nmgDelay=4\n");
  EXPECT_EQ(ini.ReadInt(s, "mgDelay", 0), 4);
}

}  // namespace
