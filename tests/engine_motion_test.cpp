#include <gtest/gtest.h>

#include "engine/Geometry.h"
#include "engine/Motion.h"
#include "engine/Tracking.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/FakeIde.h"

namespace {

using platform::Rect;

TEST(StepDelta, TruncatesTowardZeroSoTheFinalPlacementClosesTheGap) {
  struct Row {
    const char* name;
    std::int32_t a, b;
    std::uint8_t n;
    std::int32_t want;
  };
  const Row rows[] = {
      {"0 to -195 in 5", 0, -195, 5, -39},
      {"0 to -196 in 5", 0, -196, 5, -39},
      {"0 to 3 in 5", 0, 3, 5, 0},
      {"equal", 7, 7, 5, 0},
      {"upward", -195, 5, 5, 40},
      {"one step", 10, 1000, 1, 990},
      {"no steps", 0, 100, 0, 0},
      {"far apart", -2000000000, 2000000000, 200, 20000000},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(StepDelta(r.a, r.b, r.n), r.want);
  }
}

class Motion : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineState();
    Settings = TSettings{};
    Settings.AnimationSteps = 5;
    Settings.PlaySounds = true;
    MainWindow = ide.MainHandle();
    InspectorWindow = ide.InspectorHandle();
    SetPlacementObserver([this](platform::HWND h, const Rect& r) {
      placements.push_back(r);
      windows.push_back(h);
      // What the sound layer had been asked when this placement happened.
      soundsAtPlacement.push_back(sounds.size());
    });
    platform::SetSoundPlayer([](const std::string&, unsigned) { return platform::SoundOutcome::Started; });
    platform::SetSoundObserver([this](const platform::SoundRequest& r) { sounds.push_back(r); });
  }
  void TearDown() override {
    SetPlacementObserver(nullptr);
    platform::SetSoundPlayer(nullptr);
    platform::SetSoundObserver(nullptr);
    ResetEngineState();
  }
  testing_support::FakeIde ide;
  std::vector<Rect> placements;
  std::vector<platform::HWND> windows;
  std::vector<std::size_t> soundsAtPlacement;
  std::vector<platform::SoundRequest> sounds;
};

TEST_F(Motion, AnimatedSlideMakesNPlusOnePlacementsEndingExactly) {
  Settings.AnimateMoves = 1;
  ide.inspector->setGeometry(0, 0, 200, 768);
  MoveInspector(Rect{-196, 0, 4, 768}, 1, "in.wav", false);
  ASSERT_EQ(placements.size(), 6u);
  const std::int32_t lefts[] = {-39, -78, -117, -156, -195, -196};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(placements[i].left, lefts[i]) << "placement " << i;
  EXPECT_EQ(ide.InspectorRect(), (Rect{-196, 0, 4, 768}));
  for (platform::HWND h : windows) EXPECT_EQ(h, ide.InspectorHandle());
}

TEST_F(Motion, PlacementCountsByAnimateFlagAndSetting) {
  struct Row {
    const char* name;
    std::uint8_t settingAnimate;
    std::uint8_t flag;
    std::int32_t steps;
    std::size_t want;
  };
  const Row rows[] = {
      {"animation off", 0, 0, 5, 1},
      {"flag 1, setting on", 1, 1, 5, 6},
      {"flag 1, 30 steps", 1, 1, 30, 31},
      {"flag 1 but setting off", 0, 1, 5, 1},
      {"flag 2 moves nothing", 1, 2, 5, 0},
      {"flag 255 moves nothing", 1, 255, 5, 0},
      {"low 8 bits of 258 steps", 1, 1, 258, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    placements.clear();
    Settings.AnimateMoves = r.settingAnimate;
    Settings.AnimationSteps = r.steps;
    MoveMainWindow(Rect{0, -95, 1024, 5}, r.flag, "", false);
    EXPECT_EQ(placements.size(), r.want);
    MoveMainWindow(Rect{0, 0, 1024, 100}, 0, "", false);
  }
}

TEST_F(Motion, TheSoundStartsBeforeTheFirstPlacementEvenWhenAlreadyThere) {
  Settings.AnimateMoves = 1;
  const Rect here = ide.MainRect();
  MoveMainWindow(here, 1, "out.wav", false);
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0].name, "out.wav");
  EXPECT_EQ(sounds[0].flags, 0x13u);
  ASSERT_EQ(placements.size(), 6u);
  EXPECT_EQ(soundsAtPlacement.front(), 1u);
  for (const Rect& r : placements) EXPECT_EQ(r, here);
}

TEST_F(Motion, SoundRules) {
  struct Row {
    const char* name;
    bool play;
    std::string sound;
    std::size_t want;
  };
  const std::string longName = "/tmp/" + std::string(300, 'x') + ".wav";
  const Row rows[] = {
      {"sounds off", false, "a.wav", 0},
      {"empty name", true, "", 0},
      {"played", true, "a.wav", 1},
      {"a name longer than 99 characters is passed whole", true, longName, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    sounds.clear();
    placements.clear();
    Settings.PlaySounds = r.play;
    MoveMainWindow(Rect{0, -95, 1024, 5}, 0, r.sound, false);
    ASSERT_EQ(sounds.size(), r.want);
    if (r.want) {
      EXPECT_EQ(sounds[0].name, r.sound);
    }
    EXPECT_EQ(placements.size(), 1u) << "the move happens regardless";
  }
}

TEST_F(Motion, ALostInspectorIsFoundAgainByClassAndTitle) {
  InspectorWindow = 12345;  // stale
  MoveInspector(Rect{0, 0, 200, 768}, 0, "", false);
  EXPECT_EQ(InspectorWindow, ide.InspectorHandle());
  EXPECT_EQ(ide.InspectorRect(), (Rect{0, 0, 200, 768}));

  ide.inspector.reset();
  MoveInspector(Rect{0, 0, 200, 768}, 0, "", false);
  EXPECT_EQ(InspectorWindow, 0u) << "replaced even when nothing is found";
}

TEST_F(Motion, AMissingMainWindowMovesNothingAndDoesNotCrash) {
  MainWindow = 999999;
  MoveMainWindow(Rect{0, -95, 1024, 5}, 0, "", true);
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
}

TEST_F(Motion, BringToTopRaisesTheWindowAboveOthers) {
  // The inspector overlaps the main window at (50, 50) once moved there.
  platform::BringWindowToTop(ide.MainHandle());
  MoveInspector(Rect{0, 0, 200, 768}, 0, "", true);
  EXPECT_EQ(platform::WindowFromPoint({50, 50}), ide.InspectorHandle());
  MoveMainWindow(Rect{0, 0, 1024, 100}, 0, "", true);
  EXPECT_EQ(platform::WindowFromPoint({50, 50}), ide.MainHandle());
}

}  // namespace
