// What the mouse-watch hook costs.
//
// IdleWatch: the hook is set on a form while the cursor rests, and the event
// loop runs for a fixed time.  Reported: the process's CPU time as a share of
// one core ("cpu_pct"), the voluntary context switches per second
// ("wakeups_per_s", a measure of how often the idle loop is woken) and the
// reports that reached the form ("reports"; the goal is zero).  The run with
// hook=0 is the same loop without the hook, the baseline to subtract.
//
// ReportPath: one cursor move through the whole path: SetCursorPos, the hook's
// observer, the posted WM_MOUSEWATCH, the event loop and the form's WndProc.
//
// Offscreen by default; on a real X server:
//   xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb ./bench_mgwatch_idle
#include <benchmark/benchmark.h>

#include "bench/support/LoopCost.h"
#include "mgwatch/mgwatch.h"
#include "platform/Windows.h"
#include "toolkit/Form.h"

namespace {

class CountingForm : public tk::TForm {
public:
  int reports = 0;

protected:
  void WndProc(platform::Message& msg) override {
    if (msg.msg == platform::WM_MOUSEWATCH) ++reports;
    tk::TForm::WndProc(msg);
  }
};

void BM_IdleWatch(benchmark::State& state) {
  const bool hook = state.range(0) != 0;
  const int windowMs = static_cast<int>(state.range(1));
  CountingForm form;
  const platform::HWND wnd = form.Handle();
  // Settle whatever creating the window queued before measuring.
  platform::ProcessMessages();
  bench::RunLoopFor(50);

  bench::LoopCost cost;
  for (auto _ : state) {
    if (hook) SetHook(wnd);
    cost += bench::MeasureLoop(windowMs);
    if (hook) ResetHook();
  }
  state.counters["cpu_pct"] = 100.0 * cost.cpu / cost.wall;
  state.counters["wakeups_per_s"] = double(cost.switches) / cost.wall;
  state.counters["reports"] = form.reports;
}
BENCHMARK(BM_IdleWatch)
    ->ArgNames({"hook", "ms"})
    ->Args({0, 2000})
    ->Args({1, 2000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReportPath(benchmark::State& state) {
  CountingForm form;
  SetHook(form.Handle());
  platform::ProcessMessages();
  const int before = form.reports;
  // Alternate between two points: a report is posted only for a new position.
  const platform::Point a{200, 300}, b{201, 300};
  bool flip = false;
  for (auto _ : state) {
    platform::SetCursorPos((flip = !flip) ? a : b);
    platform::ProcessMessages();
  }
  ResetHook();
  const double moves = double(state.iterations());
  state.counters["reports_per_move"] = (form.reports - before) / moves;
}
BENCHMARK(BM_ReportPath)->Unit(benchmark::kMicrosecond);

}  // namespace
