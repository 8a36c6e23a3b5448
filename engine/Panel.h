// The engine's view of the control panel.
//
// The engine needs four things from whatever window the user controls it with:
// a window for the mouse-watch reports, a one-shot wait timer, a caption that
// shows when the watch is suspended or a short message, and buttons that go
// back to idle when hiding stops.  The panel attaches itself when it is created
// and detaches when it is destroyed; while no panel is attached, every one of
// these effects is skipped, and HideWindows refuses to start (the watch would
// have no window to report to).
//
// The engine never includes the forms: the dependency runs from the panel to
// the engine only.
#pragma once

#include <string>

#include "platform/Windows.h"

class TEnginePanel {
public:
  // The window the mouse-watch reports are posted to and WM_ACTIVATEAPP
  // reaches; its handler passes them to OnMouseWatch and OnActivateApp.
  virtual platform::HWND WatchWindow() = 0;
  // Arms (true) or disarms the one-shot wait timer whose tick calls
  // WaitTimerTick.  Arming an armed timer keeps its first start, so the open
  // delay counts from the cursor's arrival on a strip.
  virtual void SetWaitTimer(bool armed) = 0;
  // The caption while the watch is suspended by a loss of activation (true),
  // and the product caption again (false).
  virtual void ShowSuspended(bool suspended) = 0;
  // Shows a short text in the caption for one message interval, then the
  // product caption again.
  virtual void ShowCaptionMessage(const std::string& text) = 0;
  // Start and Options enabled, Stop disabled.
  virtual void ShowIdle() = 0;

protected:
  ~TEnginePanel() = default;
};

// Makes `panel` the panel the engine talks to (replacing any other).
void AttachPanel(TEnginePanel* panel);
// Forgets `panel` if it is the attached one; another panel stays attached.
void DetachPanel(TEnginePanel* panel);
// The attached panel, or null.
TEnginePanel* AttachedPanel();
