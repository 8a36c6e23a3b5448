// The cost of one cursor report that moves nothing: the common case while the
// cursor wanders over the IDE with both windows hidden or shown.
#include <benchmark/benchmark.h>

#include <QWidget>

#include "engine/Geometry.h"
#include "engine/Tracking.h"
#include "forms/main.h"
#include "mgwatch/mgwatch.h"
#include "settings/Settings.h"

namespace {

struct Scene {
  Scene() {
    main.setGeometry(0, 0, 1024, 100);
    main.show();
    frmMain = new TfrmMain(nullptr);
    MainWindow = platform::HandleOf(&main);
    Settings.HideMainWindow = true;
    Settings.HideInspector = true;
    Settings.InspectorSide = 1;
    Settings.HangOutPixels = 5;
    ComputeHideGeometry();
  }
  ~Scene() {
    delete frmMain.data();
    ResetEngineState();
  }
  QWidget main;
};

// Both windows hidden, the cursor in the middle of the screen: no strip, no move.
void BM_ReportWhileHidden(benchmark::State& state) {
  Scene scene;
  MainHidden = InspectorHidden = true;
  int i = 0;
  for (auto _ : state) {
    OnMouseWatch(MouseWatchLParam(400 + (i & 63), 300 + (i & 31)));
    ++i;
  }
}
BENCHMARK(BM_ReportWhileHidden);

// The main window shown and the cursor over it: the window under the cursor is
// looked up, and nothing moves.
void BM_ReportOverShownMainWindow(benchmark::State& state) {
  Scene scene;
  MainHidden = false;
  InspectorHidden = true;
  int i = 0;
  for (auto _ : state) {
    OnMouseWatch(MouseWatchLParam(400 + (i & 63), 20 + (i & 31)));
    ++i;
  }
}
BENCHMARK(BM_ReportOverShownMainWindow);

}  // namespace
