// A stand-in for the control panel, as the engine sees it (engine/Panel.h):
// a window that hands mouse-watch reports and activation changes to the
// engine, a wait timer, a caption and a count of idle calls.
#pragma once

#include <string>
#include <vector>

#include "engine/Panel.h"
#include "engine/Tracking.h"
#include "toolkit/Form.h"
#include "toolkit/Timer.h"

namespace testing_support {

inline constexpr const char* FakePanelCaption = "Edgetucker 1.2d";

class FakePanel : public tk::TForm, public TEnginePanel {
public:
  FakePanel() {
    SetCaption(QString::fromLatin1(FakePanelCaption));
    timerWait = new tk::TTimer(this);
    timerWait->SetEnabled(false);
    timerWait->SetInterval(200);
    timerWait->SetFireAtOnceWhenNotPositive(true);
    timerWait->SetOnTimer([] { WaitTimerTick(); });
    AttachPanel(this);
  }
  ~FakePanel() override { DetachPanel(this); }

  platform::HWND WatchWindow() override { return Handle(); }
  void SetWaitTimer(bool armed) override { timerWait->SetEnabled(armed); }
  void ShowSuspended(bool suspended) override {
    SetCaption(QString::fromLatin1(FakePanelCaption) + (suspended ? QStringLiteral(" - Disabled") : QString()));
  }
  void ShowCaptionMessage(const std::string& text) override { messages.push_back(text); }
  void ShowIdle() override { ++idleCalls; }

  tk::TTimer* timerWait;
  std::vector<std::string> messages;
  int idleCalls = 0;

protected:
  void WndProc(platform::Message& msg) override {
    if (msg.msg == platform::WM_MOUSEWATCH) OnMouseWatch(msg.lParam);
    if (msg.msg == platform::WM_ACTIVATEAPP) OnActivateApp(msg.wParam);
  }
};

}  // namespace testing_support
