// The engine over the fake IDE, with sounds captured: what the panel and
// tracking fixtures share.  A derived fixture says how its state is reset and
// makes the panel the engine reports to.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Motion.h"
#include "engine/Tracking.h"
#include "mgwatch/mgwatch.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/FakeIde.h"
#include "tests/support/TestSupport.h"

namespace testing_support {

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetState();
    Settings = TSettings{};
    platform::SetSoundPlayer([](const std::string&, unsigned) { return platform::SoundOutcome::Started; });
    platform::SetSoundObserver([this](const platform::SoundRequest& r) { sounds.push_back(r.name); });
    platform::SetApplicationActive(true);
    MakePanel();
    MainWindow = ide.MainHandle();
    InspectorWindow = ide.InspectorHandle();
    // Both windows chosen, no animation, right-hand inspector, 5-pixel strips.
    Settings.HideInspector = true;
    Settings.HideMainWindow = true;
    Settings.InspectorSide = 1;
    Settings.HangOutPixels = 5;
    Settings.AnimationSteps = 5;
    Settings.DisableOnFocusLoss = true;
  }

  void TearDown() override {
    platform::SetSoundPlayer(nullptr);
    platform::SetSoundObserver(nullptr);
    platform::SetApplicationActive(true);
    ResetState();
  }

  // Puts the engine (and whatever the fixture adds) back to its state at
  // start; first thing in SetUp, last in TearDown.
  virtual void ResetState() = 0;
  // Makes the panel, before the IDE's windows are chosen.
  virtual void MakePanel() = 0;

  // A cursor report as the hook library posts it, handled at once.
  static void Report(int x, int y) { OnMouseWatch(MouseWatchLParam(x, y)); }

  void Start() {
    ComputeHideGeometry();
    HideWindows();
  }

  FakeIde ide;
  std::vector<std::string> sounds;
};

}  // namespace testing_support
