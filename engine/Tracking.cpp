#include "engine/Tracking.h"

#include <algorithm>

#include "engine/Hook.h"
#include "engine/Motion.h"
#include "engine/Panel.h"
#include "platform/Screens.h"
#include "settings/Settings.h"

bool InspectorHidden = false;
bool MainHidden = false;
bool InMouseWatch = false;
bool FocusSuspended = false;
std::int32_t CursorX = 0;
std::int32_t CursorY = 0;

namespace {

TEnginePanel* g_panel = nullptr;

// Counts the stops and restores.  A slide compares it across the message pass
// before it: when a stop ran in that pass, the slide belongs to a run that has
// ended, and it is abandoned.
std::uint64_t g_stops = 0;

// Windows that did not land at their hidden places at this run's Start: they
// take no part in the run.
bool g_mainStays = false;
bool g_inspectorStays = false;

// Where each window's frame stood once its last reveal was done (zero while
// hidden, or not known).
Rect g_mainShownAt;
Rect g_inspectorShownAt;

Rect FrameNow(platform::HWND window) {
  Rect r;
  return platform::GetWindowRect(window, r) ? r : Rect{};
}

MoveProceed UnlessStopped() {
  return [before = g_stops] { return g_stops == before; };
}

platform::HWND PanelHandle() { return g_panel ? g_panel->WatchWindow() : 0; }

void SetWaitTimer(bool armed) {
  if (g_panel) g_panel->SetWaitTimer(armed);
}

// The state as it stands now.  The window under the cursor is looked up only
// when the decision will read it.
TTrackingState CurrentState() {
  TTrackingState s;
  s.Geometry = HideGeometry;
  s.Ranges = HideRanges;
  s.HideMainWindow = Settings.HideMainWindow && !g_mainStays;
  s.HideInspector = Settings.HideInspector && !g_inspectorStays;
  s.InspectorSide = Settings.InspectorSide;
  s.MainHidden = MainHidden;
  s.InspectorHidden = InspectorHidden;
  s.CursorX = CursorX;
  s.CursorY = CursorY;
  s.MainShownAt = g_mainShownAt;
  s.InspectorShownAt = g_inspectorShownAt;
  if (s.HideMainWindow && !s.MainHidden) {
    const platform::HWND under = platform::WindowFromPoint(platform::Point{CursorX, CursorY});
    s.OverMainOwned = platform::GetParent(under) == MainWindow;
  }
  return s;
}

// Each returns false, moving nothing, when a stop ran in the slide's message pass.
bool HideInspectorNow() {
  if (!MoveInspector(HideGeometry.InspectorHiddenRect, Settings.AnimateMoves, Settings.MoveInSound, false,
                     UnlessStopped()))
    return false;
  InspectorHidden = true;
  g_inspectorShownAt = Rect{};
  return true;
}

bool HideMainNow() {
  if (!MoveMainWindow(HideGeometry.MainHiddenRect, Settings.AnimateMoves, Settings.MoveInSound, false,
                      UnlessStopped()))
    return false;
  MainHidden = true;
  g_mainShownAt = Rect{};
  return true;
}

// A window manager may place a frame a pixel away from where it was asked.
// A window that is gone counts as landed: nothing keeps it on screen, and the
// run goes on as it would without the check.
bool Landed(platform::HWND window, const Rect& target) {
  Rect r;
  if (!platform::GetWindowRect(window, r)) return true;
  return SameOnScreen(r, target, platform::GetMonitors(), 1);
}

}  // namespace

void AttachPanel(TEnginePanel* panel) { g_panel = panel; }

void DetachPanel(TEnginePanel* panel) {
  if (g_panel == panel) g_panel = nullptr;
}

TEnginePanel* AttachedPanel() { return g_panel; }

bool InMainRevealZone(const TTrackingState& s) {
  return s.CursorY <= s.Geometry.MainHiddenRect.bottom && s.CursorY >= s.Ranges.MainTop &&
         s.Ranges.InMainColumns(s.CursorX);
}

bool InInspectorRevealZone(const TTrackingState& s) {
  const Rect& hidden = s.Geometry.InspectorHiddenRect;
  const bool inColumns = s.InspectorSide == 1 ? s.CursorX >= hidden.left : s.CursorX <= hidden.right;
  return inColumns && s.Ranges.InInspectorColumns(s.CursorX) && s.Ranges.InInspectorRows(s.CursorY);
}

TWatchDecision DecideMouseWatch(const TTrackingState& s) {
  TWatchDecision d;
  if (s.HideMainWindow) {
    if (s.MainHidden)
      d.ArmForMain = InMainRevealZone(s);
    else
      d.HideMain = !s.OverMainOwned &&
                   s.CursorY > std::max(s.Geometry.MainShownRect.bottom,
                                        s.MainShownAt.IsZero() ? INT32_MIN : s.MainShownAt.bottom) &&
                   s.Ranges.InMainColumns(s.CursorX);
  }
  if (s.HideInspector) {
    if (s.InspectorHidden) {
      d.ArmForInspector = InInspectorRevealZone(s);
    } else {
      const Rect& shown = s.Geometry.InspectorShownRect;
      const Rect& at = s.InspectorShownAt;
      const bool known = !at.IsZero();
      d.HideInspector = (s.InspectorSide == 1 ? s.CursorX < std::min(shown.left, known ? at.left : INT32_MAX)
                                              : s.CursorX > std::max(shown.right, known ? at.right : INT32_MIN)) &&
                        s.Ranges.InInspectorRows(s.CursorY);
    }
  }
  return d;
}

TTickDecision DecideWaitTick(const TTrackingState& s) {
  TTickDecision d;
  d.RevealInspector = s.HideInspector && InInspectorRevealZone(s);
  d.RevealMain = s.HideMainWindow && InMainRevealZone(s);
  return d;
}

THideStart HideWindows() {
  g_mainStays = g_inspectorStays = false;
  if (!PanelHandle()) return THideStart::NotStarted;
  // A tiled window is not moved at all: taking it out of its tile would
  // rearrange the user's layout, and it would come back as a new tile.
  bool tiled = false;
  if (Settings.HideInspector && platform::IsWindowTiled(InspectorWindow)) tiled = g_inspectorStays = true;
  if (Settings.HideMainWindow && platform::IsWindowTiled(MainWindow)) tiled = g_mainStays = true;
  if (Settings.HideInspector && !g_inspectorStays) {
    if (!HideInspectorNow()) return THideStart::NotStarted;
    if (!Landed(InspectorWindow, HideGeometry.InspectorHiddenRect)) {
      PlaceWindow(InspectorWindow, HideGeometry.InspectorHomeRect);
      InspectorHidden = false;
      g_inspectorStays = true;
    }
  }
  if (Settings.HideMainWindow && !g_mainStays) {
    if (!HideMainNow()) return THideStart::NotStarted;
    if (!Landed(MainWindow, HideGeometry.MainHiddenRect)) {
      PlaceWindow(MainWindow, HideGeometry.MainHomeRect);
      MainHidden = false;
      g_mainStays = true;
    }
  }
  const bool refused = g_mainStays || g_inspectorStays;
  if (refused && g_panel) g_panel->ShowCaptionMessage(tiled ? WindowsTiledText : WindowsStayText);
  if (!MainHidden && !InspectorHidden) return THideStart::NotStarted;
  StartWatching(PanelHandle());
  return refused ? THideStart::StartedInPart : THideStart::Started;
}

void RestoreWindows() {
  ++g_stops;
  // A reveal armed before belongs to the windows as they stood then.
  SetWaitTimer(false);
  if (InspectorHidden)
    MoveInspector(HideGeometry.InspectorHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, false);
  if (MainHidden) MoveMainWindow(HideGeometry.MainHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, false);
  MainHidden = false;
  InspectorHidden = false;
  g_mainShownAt = g_inspectorShownAt = Rect{};
}

void StopHiding() {
  StopWatching();
  // A suspended watch is stopped too: no later activation may start it again.
  if (FocusSuspended) {
    FocusSuspended = false;
    if (g_panel) g_panel->ShowSuspended(false);
  }
  RestoreWindows();
  if (g_panel) g_panel->ShowIdle();
}

bool HidingRuns() { return Watching || FocusSuspended || MainHidden || InspectorHidden; }

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

  TWatchDecision d = DecideMouseWatch(CurrentState());
  if (d.ArmForMain) SetWaitTimer(true);
  if (d.HideMain) {
    if (!HideMainNow()) return;
    d = DecideMouseWatch(CurrentState());
  }
  if (d.ArmForInspector) SetWaitTimer(true);
  if (d.HideInspector) HideInspectorNow();
}

void WaitTimerTick() {
  RefindWindows();
  TTickDecision d = DecideWaitTick(CurrentState());
  if (d.RevealInspector) {
    if (!MoveInspector(HideGeometry.InspectorShownRect, Settings.AnimateMoves, Settings.MoveOutSound, true,
                       UnlessStopped()))
      return;
    InspectorHidden = false;
    g_inspectorShownAt = FrameNow(InspectorWindow);
    d = DecideWaitTick(CurrentState());
  }
  if (d.RevealMain) {
    if (!MoveMainWindow(HideGeometry.MainShownRect, Settings.AnimateMoves, Settings.MoveOutSound, true,
                        UnlessStopped()))
      return;
    MainHidden = false;
    g_mainShownAt = FrameNow(MainWindow);
  }
  SetWaitTimer(false);
}

void OnActivateApp(std::uintptr_t wParam) {
  if (!Settings.DisableOnFocusLoss) return;
  if (wParam == 0 && Watching) {
    if (g_panel) g_panel->ShowSuspended(true);
    FocusSuspended = true;
    StopWatching();
  }
  if (wParam == 1 && FocusSuspended) {
    if (g_panel) g_panel->ShowSuspended(false);
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
  HideRanges = THideRanges{};
  g_mainStays = g_inspectorStays = false;
  g_mainShownAt = g_inspectorShownAt = Rect{};
}
