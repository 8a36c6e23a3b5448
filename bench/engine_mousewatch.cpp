// The cost of one cursor report that moves nothing: the common case while the
// cursor wanders over the IDE with both windows hidden or shown.
//
// Over the shown main window the report looks up the window under the
// cursor; a real IDE holds thousands of widgets, so that report is measured
// with the process holding 69 widgets in all (the stand-in IDE), 1,000 and
// 10,000 (the extra ones children of a window that is never shown).  Goal:
// at most 1 us at every size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <memory>

#include "engine/Geometry.h"
#include "engine/Tracking.h"
#include "forms/main.h"
#include "mgwatch/mgwatch.h"
#include "settings/Settings.h"
#include "support/Summary.h"

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
  // Widgets up to the wanted number in the process, in a window of their own
  // that is never shown.
  auto others = std::make_unique<QWidget>();
  const int wanted = static_cast<int>(state.range(0));
  for (int n = static_cast<int>(QApplication::allWidgets().size()); n < wanted; ++n) new QWidget(others.get());
  state.counters["widgets"] = static_cast<double>(QApplication::allWidgets().size());
  MainHidden = false;
  InspectorHidden = true;
  int i = 0;
  for (auto _ : state) {
    OnMouseWatch(MouseWatchLParam(400 + (i & 63), 20 + (i & 31)));
    ++i;
  }
}
BENCHMARK(BM_ReportOverShownMainWindow)->ArgName("widgets")->Arg(69)->Arg(1000)->Arg(10000);

const bool kRows =
    (bench::AddAbsoluteRow("OnMouseWatch report over the shown main window, 69 widgets",
                           "BM_ReportOverShownMainWindow/widgets:69", 1000),
     bench::AddAbsoluteRow("  the same, 1,000 widgets", "BM_ReportOverShownMainWindow/widgets:1000", 1000),
     bench::AddAbsoluteRow("  the same, 10,000 widgets", "BM_ReportOverShownMainWindow/widgets:10000", 1000), true);

}  // namespace
