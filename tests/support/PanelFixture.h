// A control panel over the fake IDE, with sounds and boxes captured.
#pragma once

#include "expert/Expert.h"
#include "forms/main.h"
#include "platform/Help.h"
#include "tests/support/EngineFixture.h"
#include "toolkit/Dialogs.h"

namespace testing_support {

class PanelTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    frmMain->timerWait->SetInterval(200);
  }

  void ResetState() override {
    ResetExpertState();
    platform::ClearHelpRequests();
  }

  void MakePanel() override {
    ide.services.project = "Project1.dpr";
    PanelServices = &ide.services;
    frmMain = new TfrmMain(nullptr);
  }

  bool Armed() const { return frmMain->timerWait->Enabled(); }

  tk::BoxRecorder boxes;
};

}  // namespace testing_support
