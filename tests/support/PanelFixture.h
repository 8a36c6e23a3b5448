// A control panel over the fake IDE, with sounds and boxes captured.
#pragma once

#include <gtest/gtest.h>

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Motion.h"
#include "engine/Tracking.h"
#include "expert/Expert.h"
#include "forms/main.h"
#include "mgwatch/mgwatch.h"
#include "platform/Help.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/FakeIde.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Dialogs.h"

namespace testing_support {

class PanelTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetExpertState();
    Settings = TSettings{};
    platform::SetSoundPlayer([](const std::string&, unsigned) { return platform::SoundOutcome::Started; });
    platform::SetSoundObserver([this](const platform::SoundRequest& r) { sounds.push_back(r.name); });
    platform::ClearHelpRequests();
    platform::SetApplicationActive(true);
    ide.services.project = "Project1.dpr";
    PanelServices = &ide.services;
    frmMain = new TfrmMain(nullptr);
    MainWindow = ide.MainHandle();
    InspectorWindow = ide.InspectorHandle();
    // Both windows chosen, no animation, right-hand inspector, 5-pixel strips.
    Settings.HideInspector = true;
    Settings.HideMainWindow = true;
    Settings.InspectorSide = 1;
    Settings.HangOutPixels = 5;
    Settings.AnimationSteps = 5;
    Settings.DisableOnFocusLoss = true;
    frmMain->timerWait->SetInterval(200);
  }

  void TearDown() override {
    platform::SetSoundPlayer(nullptr);
    platform::SetSoundObserver(nullptr);
    platform::SetApplicationActive(true);
    ResetExpertState();
  }

  // A cursor report as the hook library posts it, handled at once.
  static void Report(int x, int y) { OnMouseWatch(MouseWatchLParam(x, y)); }

  void Start() {
    ComputeHideGeometry();
    HideWindows();
  }

  bool Armed() const { return frmMain->timerWait->Enabled(); }

  FakeIde ide;
  tk::BoxRecorder boxes;
  std::vector<std::string> sounds;
};

}  // namespace testing_support
