#include "engine/Tracking.h"

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Motion.h"
#include "expert/Product.h"
#include "forms/main.h"
#include "settings/Settings.h"

bool InspectorHidden = false;
bool MainHidden = false;
bool InMouseWatch = false;
bool FocusSuspended = false;
std::int32_t CursorX = 0;
std::int32_t CursorY = 0;

namespace {

platform::HWND PanelHandle() { return frmMain ? frmMain->Handle() : 0; }

// The wait timer is one-shot: enabling it while it runs keeps the first
// report's start, so the delay counts from the cursor's arrival on the strip.
void ArmWaitTimer() {
  if (frmMain) frmMain->timerWait->SetEnabled(true);
}

bool InInspectorRevealZone() {
  const THideGeometry& g = HideGeometry;
  return Settings.InspectorSide == 1 ? CursorX >= g.InspectorHiddenRect.left : CursorX <= g.InspectorHiddenRect.right;
}

bool InMainRevealZone() { return CursorY <= HideGeometry.MainHiddenRect.bottom; }

void HideInspectorNow() {
  MoveInspector(HideGeometry.InspectorHiddenRect, Settings.AnimateMoves, Settings.MoveInSound, false);
  InspectorHidden = true;
}

void HideMainNow() {
  MoveMainWindow(HideGeometry.MainHiddenRect, Settings.AnimateMoves, Settings.MoveInSound, false);
  MainHidden = true;
}

}  // namespace

void HideWindows() {
  if (Settings.HideInspector) HideInspectorNow();
  if (Settings.HideMainWindow) HideMainNow();
  StartWatching(PanelHandle());
}

void RestoreWindows() {
  if (InspectorHidden)
    MoveInspector(HideGeometry.InspectorHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, false);
  if (MainHidden) MoveMainWindow(HideGeometry.MainHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, false);
  MainHidden = false;
  InspectorHidden = false;
}

void StopHiding() {
  StopWatching();
  RestoreWindows();
  if (frmMain) frmMain->SetIdleButtons();
}

void OnMouseWatch(std::intptr_t lParam) {
  if (InMouseWatch) return;
  InMouseWatch = true;
  // Cleared on every way out: a guard stuck on would drop every later report.
  struct Clear {
    ~Clear() { InMouseWatch = false; }
  } clear;

  const auto bits = static_cast<std::uint32_t>(lParam);
  CursorX = static_cast<std::uint16_t>(bits & 0xFFFF);
  CursorY = static_cast<std::uint16_t>(bits >> 16);

  if (Settings.HideMainWindow) {
    if (MainHidden) {
      if (InMainRevealZone()) ArmWaitTimer();
    } else {
      const platform::HWND under = platform::WindowFromPoint(platform::Point{CursorX, CursorY});
      if (platform::GetParent(under) != MainWindow && CursorY > HideGeometry.MainShownRect.bottom) HideMainNow();
    }
  }

  if (Settings.HideInspector) {
    if (InspectorHidden) {
      if (InInspectorRevealZone()) ArmWaitTimer();
    } else if (Settings.InspectorSide == 1 ? CursorX < HideGeometry.InspectorShownRect.left
                                           : CursorX > HideGeometry.InspectorShownRect.right) {
      HideInspectorNow();
    }
  }
}

void WaitTimerTick() {
  RefindWindows();
  if (Settings.HideInspector && InInspectorRevealZone()) {
    MoveInspector(HideGeometry.InspectorShownRect, Settings.AnimateMoves, Settings.MoveOutSound, true);
    InspectorHidden = false;
  }
  if (Settings.HideMainWindow && InMainRevealZone()) {
    MoveMainWindow(HideGeometry.MainShownRect, Settings.AnimateMoves, Settings.MoveOutSound, true);
    MainHidden = false;
  }
  if (frmMain) frmMain->timerWait->SetEnabled(false);
}

void OnActivateApp(std::uintptr_t wParam) {
  if (!Settings.DisableOnFocusLoss) return;
  if (wParam == 0 && Watching) {
    if (frmMain) frmMain->SetCaption(QString::fromLatin1(ProductCaption) + QStringLiteral(" - Disabled"));
    FocusSuspended = true;
    StopWatching();
  }
  if (wParam == 1 && FocusSuspended) {
    if (frmMain) frmMain->SetCaption(QString::fromLatin1(ProductCaption));
    FocusSuspended = false;
    StartWatching(PanelHandle());
  }
}

void ResetEngineState() {
  StopWatching();
  InspectorHidden = MainHidden = InMouseWatch = FocusSuspended = false;
  CursorX = CursorY = 0;
  MainWindow = InspectorWindow = 0;
  HideGeometry = THideGeometry{};
}
