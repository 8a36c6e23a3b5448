#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Sound.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::SoundOutcome;
using testing_support::WindowsDir;
using testing_support::WriteFile;

constexpr unsigned kSlideFlags = platform::SND_ASYNC | platform::SND_NODEFAULT | platform::SND_NOSTOP;

std::string Le32(std::uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}
std::string Le16(std::uint16_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }

std::string Chunk(const std::string& id, const std::string& body) {
  std::string c = id + Le32(static_cast<std::uint32_t>(body.size())) + body;
  if (body.size() & 1) c += '\0';
  return c;
}
std::string Fmt(std::uint16_t channels = 1, std::uint32_t rate = 8000, std::uint16_t bits = 16) {
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  return Le16(1) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}
std::string Riff(const std::string& chunks, std::optional<std::uint32_t> size = {}) {
  return "RIFF" + Le32(size.value_or(static_cast<std::uint32_t>(4 + chunks.size()))) + "WAVE" + chunks;
}
// One second of silence: 8000 Hz, mono, 16 bits.
std::string Wave(std::size_t dataBytes = 16000) {
  return Riff(Chunk("fmt ", Fmt()) + Chunk("data", std::string(dataBytes, '\0')));
}

std::string Path(const std::string& name) { return (fs::path(WindowsDir()) / name).string(); }

// A service that records what reaches it and plays for as long as told.
struct FakeService : platform::SoundService {
  struct Log {
    std::vector<std::string> played;
    int stops = 0;
    std::vector<int> waits;
    bool playing = false;
    SoundOutcome answer = SoundOutcome::Started;
  };
  explicit FakeService(Log* log) : log(log) {}
  SoundOutcome Play(const std::string& path) override {
    log->played.push_back(path);
    if (log->answer == SoundOutcome::Started) log->playing = true;
    return log->answer;
  }
  bool Playing() override { return log->playing; }
  void Stop() override {
    ++log->stops;
    log->playing = false;
  }
  void Wait(int timeoutMs) override { log->waits.push_back(timeoutMs); }
  Log* log;
};

class SoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::SetSoundService(std::make_unique<FakeService>(&log));
    platform::SetSoundObserver([this](const platform::SoundRequest& r) { seen.push_back(r); });
  }
  void TearDown() override {
    platform::SetSoundObserver(nullptr);
    platform::SetSoundPlayer(nullptr);
    platform::SetSoundService(nullptr);
  }
  FakeService::Log log;
  std::vector<platform::SoundRequest> seen;
};

TEST_F(SoundTest, OnlyWellFormedWaveFilesReachTheService) {
  const std::string tooBigData = Riff(Chunk("fmt ", Fmt()) + "data" + Le32(1000000) + std::string(10, '\0'));
  struct Row {
    const char* name;
    std::optional<std::string> bytes;  // nullopt: no file at all
    bool playable;
  };
  const std::vector<Row> rows = {
      {"plain", Wave(), true},
      {"empty data", Wave(0), true},
      {"list chunk before data", Riff(Chunk("fmt ", Fmt()) + Chunk("LIST", "abc") + Chunk("data", "xx")), true},
      {"data cut short by the file end", tooBigData, true},
      {"riff size beyond the file", Riff(Chunk("fmt ", Fmt()) + Chunk("data", "xx"), 999999), true},
      {"missing", std::nullopt, false},
      {"empty file", std::string(), false},
      {"text", std::string("this is not a sound at all"), false},
      {"riff of another kind", "RIFF" + Le32(4) + "AVI ", false},
      {"header only", Riff(""), false},
      {"no format chunk", Riff(Chunk("data", "xxxx")), false},
      {"data before format", Riff(Chunk("data", "xx") + Chunk("fmt ", Fmt())), false},
      {"short format chunk", Riff(Chunk("fmt ", Fmt().substr(0, 14)) + Chunk("data", "xx")), false},
      {"zero channels", Riff(Chunk("fmt ", Fmt(0)) + Chunk("data", "xx")), false},
      {"zero rate", Riff(Chunk("fmt ", Fmt(1, 0)) + Chunk("data", "xx")), false},
      {"format chunk past the end", Riff("fmt " + Le32(400) + Fmt()), false},
      {"chunk size wraps", Riff(Chunk("fmt ", Fmt()) + "JUNK" + Le32(0xFFFFFFF0u) + Chunk("data", "xx")), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = Path(std::string("check-") + row.name + ".wav");
    if (row.bytes) WriteFile(path, *row.bytes);
    EXPECT_EQ(platform::IsPlayableWaveFile(path), row.playable);
    log = {};
    const bool started = platform::sndPlaySound(path, kSlideFlags);
    EXPECT_EQ(started, row.playable);
    EXPECT_EQ(log.played.size(), row.playable ? 1u : 0u);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().outcome, row.playable ? SoundOutcome::Started : SoundOutcome::NotPlayable);
  }
}

TEST_F(SoundTest, NamesThatAreNotFilesPlayNothing) {
  fs::create_directories(Path("folder.wav"));
  const std::string withNul = Path("x.wav") + std::string(1, '\0') + "tail";
  WriteFile(Path("x.wav"), Wave());
  for (const std::string& name : {std::string(), Path("folder.wav"), withNul}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(platform::sndPlaySound(name, kSlideFlags));
  }
  EXPECT_TRUE(log.played.empty());
}

TEST_F(SoundTest, NoStopLeavesAPlayingSoundAloneAndOtherwiseReplacesIt) {
  WriteFile(Path("in.wav"), Wave());
  WriteFile(Path("out.wav"), Wave());
  ASSERT_TRUE(platform::sndPlaySound(Path("in.wav"), kSlideFlags));
  EXPECT_TRUE(platform::SoundPlaying());

  EXPECT_FALSE(platform::sndPlaySound(Path("out.wav"), kSlideFlags));
  EXPECT_EQ(seen.back().outcome, SoundOutcome::Busy);
  EXPECT_EQ(log.played, (std::vector<std::string>{Path("in.wav")}));
  EXPECT_EQ(log.stops, 0);

  EXPECT_TRUE(platform::sndPlaySound(Path("out.wav"), platform::SND_ASYNC));
  EXPECT_EQ(log.stops, 1);
  EXPECT_EQ(log.played.back(), Path("out.wav"));

  log.playing = false;  // the sound ends
  EXPECT_TRUE(platform::sndPlaySound(Path("in.wav"), kSlideFlags));
  EXPECT_EQ(log.played.size(), 3u);
}

TEST_F(SoundTest, ServiceOutcomesArePassedOn) {
  WriteFile(Path("s.wav"), Wave());
  for (SoundOutcome answer : {SoundOutcome::NoDevice, SoundOutcome::NotPlayable, SoundOutcome::Started}) {
    SCOPED_TRACE(static_cast<int>(answer));
    log.answer = answer;
    EXPECT_EQ(platform::sndPlaySound(Path("s.wav"), kSlideFlags), answer == SoundOutcome::Started);
    EXPECT_EQ(seen.back().outcome, answer);
  }
}

TEST_F(SoundTest, WithoutAsyncTheCallWaitsForTheSoundsLength) {
  WriteFile(Path("one-second.wav"), Wave(16000));
  EXPECT_TRUE(platform::sndPlaySound(Path("one-second.wav"), platform::SND_NODEFAULT));
  EXPECT_EQ(log.waits, (std::vector<int>{1000 + 2000}));
  EXPECT_TRUE(platform::sndPlaySound(Path("one-second.wav"), kSlideFlags & ~platform::SND_NOSTOP));
  EXPECT_EQ(log.waits.size(), 1u);
}

TEST_F(SoundTest, RelativeNamesAreFoundInTheWindowsDirectory) {
  WriteFile(Path("chimes-here.wav"), Wave());
  EXPECT_TRUE(platform::sndPlaySound("chimes-here.wav", kSlideFlags));
  ASSERT_EQ(log.played.size(), 1u);
  EXPECT_EQ(fs::path(log.played[0]), fs::path(Path("chimes-here.wav")));
  EXPECT_EQ(seen.back().name, "chimes-here.wav");
}

TEST_F(SoundTest, LongNamesArePassedWhole) {
  // Well past any 100-character buffer: a deep folder and a long file name.
  fs::path dir = WindowsDir();
  for (int i = 0; i < 4; ++i) dir /= std::string(60, char('a' + i));
  fs::create_directories(dir);
  const std::string name = (dir / (std::string(120, 'w') + ".wav")).string();
  ASSERT_GT(name.size(), 360u);
  WriteFile(name, Wave());
  EXPECT_TRUE(platform::sndPlaySound(name, kSlideFlags));
  EXPECT_EQ(log.played, (std::vector<std::string>{name}));
  EXPECT_EQ(seen.back().name, name);
}

TEST_F(SoundTest, APlayerOverrideDecidesAndNothingReachesTheService) {
  std::vector<std::string> asked;
  platform::SetSoundPlayer([&](const std::string& name, unsigned flags) {
    asked.push_back(name);
    EXPECT_EQ(flags, kSlideFlags);
    return name == "busy" ? SoundOutcome::Busy : SoundOutcome::Started;
  });
  EXPECT_TRUE(platform::sndPlaySound("no-such-file.wav", kSlideFlags));
  EXPECT_FALSE(platform::sndPlaySound("busy", kSlideFlags));
  EXPECT_EQ(asked, (std::vector<std::string>{"no-such-file.wav", "busy"}));
  EXPECT_TRUE(log.played.empty());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].outcome, SoundOutcome::Busy);
}

TEST_F(SoundTest, AnObserverMayStartAnotherSound) {
  WriteFile(Path("a.wav"), Wave());
  int nested = 0;
  platform::SetSoundObserver([&](const platform::SoundRequest&) {
    if (nested++ == 0) platform::sndPlaySound(Path("a.wav"), kSlideFlags);
  });
  EXPECT_TRUE(platform::sndPlaySound(Path("a.wav"), kSlideFlags));
  EXPECT_EQ(nested, 2);
}

// ---- the library itself ------------------------------------------------------

class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_old) ::setenv(m_name, m_old->c_str(), 1);
    else ::unsetenv(m_name);
  }

private:
  const char* m_name;
  std::optional<std::string> m_old;
};

bool MachineHasSoundConfiguration() {
  std::error_code ec;
  if (fs::exists("/etc/asound.conf", ec)) return true;
  for (fs::directory_iterator it("/dev/snd", ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().starts_with("pcmC")) return true;
  }
  return false;
}

TEST(SoundLibrary, PlaysThroughTheNullDeviceAndEndsOnItsOwn) {
  ScopedEnv device("CANBERRA_DEVICE", "null");
  platform::SetSoundService(nullptr);  // a fresh service reads the device now
  const std::string wav = Path("library.wav");
  WriteFile(wav, Wave(1600));
  std::vector<SoundOutcome> outcomes;
  platform::SetSoundObserver([&](const platform::SoundRequest& r) { outcomes.push_back(r.outcome); });

  EXPECT_TRUE(platform::sndPlaySound(wav, kSlideFlags));
  EXPECT_TRUE(testing_support::WaitFor([] { return !platform::SoundPlaying(); }));
  EXPECT_TRUE(platform::sndPlaySound(wav, kSlideFlags));
  EXPECT_FALSE(platform::sndPlaySound(Path("library-missing.wav"), kSlideFlags));
  // Synchronous: returns only when the sound is over.
  EXPECT_TRUE(platform::sndPlaySound(wav, platform::SND_NODEFAULT));
  EXPECT_FALSE(platform::SoundPlaying());

  platform::SetSoundObserver(nullptr);
  platform::SetSoundService(nullptr);
  EXPECT_EQ(outcomes, (std::vector<SoundOutcome>{SoundOutcome::Started, SoundOutcome::Started,
                                                  SoundOutcome::NotPlayable, SoundOutcome::Started}));
}

TEST(SoundLibrary, WithoutAnyDeviceNothingIsPlayedOrPrinted) {
  if (MachineHasSoundConfiguration()) GTEST_SKIP() << "this machine has a sound device";
  const std::string empty = Path("no-sound-home");
  fs::create_directories(empty);
  ScopedEnv device("CANBERRA_DEVICE", nullptr), driver("CANBERRA_DRIVER", nullptr),
      alsa("ALSA_CONFIG_PATH", nullptr), pulse("PULSE_SERVER", nullptr), home("HOME", empty.c_str()),
      run("XDG_RUNTIME_DIR", empty.c_str());
  platform::SetSoundService(nullptr);
  const std::string wav = Path("nodevice.wav");
  WriteFile(wav, Wave(1600));
  std::vector<SoundOutcome> outcomes;
  platform::SetSoundObserver([&](const platform::SoundRequest& r) { outcomes.push_back(r.outcome); });

  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(platform::sndPlaySound(wav, kSlideFlags));
  EXPECT_FALSE(platform::sndPlaySound(wav, kSlideFlags));
  const std::string printed = ::testing::internal::GetCapturedStderr();

  platform::SetSoundObserver(nullptr);
  platform::SetSoundService(nullptr);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(outcomes, (std::vector<SoundOutcome>{SoundOutcome::NoDevice, SoundOutcome::NoDevice}));
}

}  // namespace
