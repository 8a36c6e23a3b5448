// The engine over the fake IDE and a fake panel, with sounds captured.
#pragma once

#include <memory>

#include "tests/support/EngineFixture.h"
#include "tests/support/FakePanel.h"

namespace testing_support {

class TrackingTest : public EngineTest {
protected:
  void ResetState() override {
    panel.reset();
    ResetEngineState();
  }

  void MakePanel() override { panel = std::make_unique<FakePanel>(); }

  bool Armed() const { return panel->timerWait->Enabled(); }

  std::unique_ptr<FakePanel> panel;
};

}  // namespace testing_support
