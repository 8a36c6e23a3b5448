#include "engine/Tracking.h"

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

// Windows the run has slid away from home (hidden or revealed) and not yet
// brought back.
bool g_mainAway = false;
bool g_inspectorAway = false;

// True while RestoreWindows slides the windows home.
bool g_restoring = false;

MoveProceed UnlessStopped() {
  return [before = g_stops] { return g_stops == before; };
}

// For the watch's own slides (a report's hide, a tick's reveal): abandoned
// when a stop ran in the message pass, and when the watch was suspended there.
MoveProceed WhileWatchRuns() {
  return [before = g_stops] { return g_stops == before && Watching; };
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
  if (s.HideMainWindow && !s.MainHidden) {
    const platform::HWND under = platform::WindowFromPoint(platform::Point{CursorX, CursorY});
    s.OverMainOwned = platform::GetParent(under) == MainWindow;
  }
  return s;
}

// Each returns false, moving nothing, when `proceed` abandoned the slide.
bool HideInspectorNow(const MoveProceed& proceed) {
  if (!MoveInspector(HideGeometry.InspectorHiddenRect, Settings.AnimateMoves, Settings.MoveInSound, false, proceed))
    return false;
  InspectorHidden = g_inspectorAway = true;
  return true;
}

bool HideMainNow(const MoveProceed& proceed) {
  if (!MoveMainWindow(HideGeometry.MainHiddenRect, Settings.AnimateMoves, Settings.MoveInSound, false, proceed))
    return false;
  MainHidden = g_mainAway = true;
  return true;
}

// Sets a flag for the length of a scope and puts back what it was (a restore
// can run inside another one's message pass).
class ScopedFlag {
public:
  explicit ScopedFlag(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
  ~ScopedFlag() { m_flag = m_was; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
  bool& m_flag;
  bool m_was;
};

TRestoreState CurrentRestoreState() {
  TRestoreState s;
  s.Geometry = HideGeometry;
  s.MainHidden = MainHidden;
  s.InspectorHidden = InspectorHidden;
  s.MainAway = g_mainAway;
  s.InspectorAway = g_inspectorAway;
  return s;
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
  return s.CursorY <= s.Geometry.MainHiddenRect.bottom && s.Ranges.InMainColumns(s.CursorX);
}

bool InInspectorRevealZone(const TTrackingState& s) {
  const Rect& hidden = s.Geometry.InspectorHiddenRect;
  const bool inColumns = s.InspectorSide == 1 ? s.CursorX >= hidden.left : s.CursorX <= hidden.right;
  return inColumns && s.Ranges.InInspectorRows(s.CursorY);
}

TWatchDecision DecideMouseWatch(const TTrackingState& s) {
  TWatchDecision d;
  if (s.HideMainWindow) {
    if (s.MainHidden)
      d.ArmForMain = InMainRevealZone(s);
    else
      d.HideMain = !s.OverMainOwned && s.CursorY > s.Geometry.MainShownRect.bottom &&
                   s.Ranges.InMainColumns(s.CursorX);
  }
  if (s.HideInspector) {
    if (s.InspectorHidden) {
      d.ArmForInspector = InInspectorRevealZone(s);
    } else {
      const Rect& shown = s.Geometry.InspectorShownRect;
      d.HideInspector = (s.InspectorSide == 1 ? s.CursorX < shown.left : s.CursorX > shown.right) &&
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

TRestoreDecision DecideRestore(const TRestoreState& s) {
  const THideGeometry& g = s.Geometry;
  TRestoreDecision d;
  d.RestoreInspector =
      s.InspectorHidden || (s.InspectorAway && !(g.InspectorShownRect == g.InspectorHomeRect));
  d.RestoreMain = s.MainHidden || (s.MainAway && !(g.MainShownRect == g.MainHomeRect));
  return d;
}

THideStart HideWindows() {
  g_mainStays = g_inspectorStays = false;
  if (!PanelHandle()) return THideStart::NotStarted;
  if (Settings.HideInspector) {
    if (!HideInspectorNow(UnlessStopped())) return THideStart::NotStarted;
    if (!Landed(InspectorWindow, HideGeometry.InspectorHiddenRect)) {
      PlaceWindow(InspectorWindow, HideGeometry.InspectorHomeRect);
      InspectorHidden = g_inspectorAway = false;
      g_inspectorStays = true;
    }
  }
  if (Settings.HideMainWindow) {
    if (!HideMainNow(UnlessStopped())) return THideStart::NotStarted;
    if (!Landed(MainWindow, HideGeometry.MainHiddenRect)) {
      PlaceWindow(MainWindow, HideGeometry.MainHomeRect);
      MainHidden = g_mainAway = false;
      g_mainStays = true;
    }
  }
  const bool refused = g_mainStays || g_inspectorStays;
  if (refused && g_panel) g_panel->ShowCaptionMessage(WindowsStayText);
  if (!MainHidden && !InspectorHidden) return THideStart::NotStarted;
  StartWatching(PanelHandle());
  return refused ? THideStart::StartedInPart : THideStart::Started;
}

void RestoreWindows() {
  ++g_stops;
  // A stop or another restore in one of the message passes below has brought
  // everything home already: what is left of this one is abandoned.
  const MoveProceed proceed = UnlessStopped();
  // A reveal armed before belongs to the windows as they stood then.
  SetWaitTimer(false);
  const ScopedFlag restoring(g_restoring);
  TRestoreDecision d = DecideRestore(CurrentRestoreState());
  if (d.RestoreInspector) {
    if (!MoveInspector(HideGeometry.InspectorHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, false, proceed))
      return;
    InspectorHidden = g_inspectorAway = false;
    d = DecideRestore(CurrentRestoreState());
  }
  if (d.RestoreMain &&
      !MoveMainWindow(HideGeometry.MainHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, false, proceed))
    return;
  MainHidden = InspectorHidden = false;
  g_mainAway = g_inspectorAway = false;
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

bool HidingRuns() {
  return Watching || FocusSuspended || MainHidden || InspectorHidden || g_mainAway || g_inspectorAway;
}

void OnMouseWatch(std::intptr_t lParam) {
  if (InMouseWatch) return;
  // The hook posts its reports; those still queued when the watch stopped or
  // was suspended describe a cursor that watch no longer answers to, and
  // those dispatched by a restore's slides were made against places that are
  // going away.
  if (!Watching || g_restoring) return;
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
    if (!HideMainNow(WhileWatchRuns())) return;
    d = DecideMouseWatch(CurrentState());
  }
  if (d.ArmForInspector) SetWaitTimer(true);
  if (d.HideInspector) HideInspectorNow(WhileWatchRuns());
}

void WaitTimerTick() {
  // A tick that comes due after a stop or a suspension (or one run by hand)
  // belongs to a watch that no longer runs.
  if (!Watching || g_restoring) {
    SetWaitTimer(false);
    return;
  }
  RefindWindows();
  TTickDecision d = DecideWaitTick(CurrentState());
  if (d.RevealInspector) {
    if (!MoveInspector(HideGeometry.InspectorShownRect, Settings.AnimateMoves, Settings.MoveOutSound, true,
                       WhileWatchRuns()))
      return;
    InspectorHidden = false;
    g_inspectorAway = true;
    d = DecideWaitTick(CurrentState());
  }
  if (d.RevealMain) {
    if (!MoveMainWindow(HideGeometry.MainShownRect, Settings.AnimateMoves, Settings.MoveOutSound, true,
                        WhileWatchRuns()))
      return;
    MainHidden = false;
    g_mainAway = true;
  }
  SetWaitTimer(false);
}

void OnActivateApp(std::uintptr_t wParam) {
  if (!Settings.DisableOnFocusLoss) return;
  if (wParam == 0 && Watching) {
    if (g_panel) g_panel->ShowSuspended(true);
    FocusSuspended = true;
    StopWatching();
    // The reveal armed before belonged to the watch that just stopped.
    SetWaitTimer(false);
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
  g_mainAway = g_inspectorAway = g_restoring = false;
}
