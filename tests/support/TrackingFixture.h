// The engine over the fake IDE and a fake panel, with sounds captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Motion.h"
#include "engine/Tracking.h"
#include "mgwatch/mgwatch.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/FakeIde.h"
#include "tests/support/FakePanel.h"
#include "tests/support/TestSupport.h"

namespace testing_support {

class TrackingTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineState();
    Settings = TSettings{};
    platform::SetSoundPlayer([](const std::string&, unsigned) { return platform::SoundOutcome::Started; });
    platform::SetSoundObserver([this](const platform::SoundRequest& r) { sounds.push_back(r.name); });
    platform::SetApplicationActive(true);
    panel = std::make_unique<FakePanel>();
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
    panel.reset();
    ResetEngineState();
  }

  // A cursor report as the hook library posts it, handled at once.
  static void Report(int x, int y) { OnMouseWatch(MouseWatchLParam(x, y)); }

  void Start() {
    ComputeHideGeometry();
    HideWindows();
  }

  bool Armed() const { return panel->timerWait->Enabled(); }

  FakeIde ide;
  std::unique_ptr<FakePanel> panel;
  std::vector<std::string> sounds;
};

}  // namespace testing_support
