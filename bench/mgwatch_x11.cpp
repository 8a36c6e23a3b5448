// What watching the pointer costs on a real X server, the event-driven watch
// beside the 10 ms poll it replaces, in one run.
//
// The benchmark starts an Xvfb of its own (1280 x 800) before the application
// is made, and runs Qt's xcb platform on it; without Xvfb every row is skipped
// with a message.  The pointer moves by XTest motion from a second connection,
// as a mouse would move it.
//
// RestCost: 10 s with the pointer at rest.  "wakeups_per_s" counts the
// process's voluntary context switches (every thread's) less the one wake-up
// that ends the measuring window itself, "cpu_pct" its CPU time as a share of
// one core.
//   watch:none        the IDE with the add-in loaded, hiding off: the floor;
//   watch:xi|poll     the watch alone, reporting to a window;
//   hiding:1/watch:xi the add-in hiding both windows, as shipped;
//   hiding:1/watch:poll  the same plus the 10 ms poll reporting to the panel,
//                     which is what hiding cost before (the raw-motion watch
//                     adds nothing at rest, as its own row shows).
//
// MotionToReport: 100 XTest moves, each timed from the request to the moment
// the window handles the report of that position; "median_us" and "worst_us".
//
//   ./bench_mgwatch_x11                 (both together take about a minute)
#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "bench/support/LoopCost.h"
#include "engine/Hook.h"
#include "engine/Tracking.h"
#include "expert/Expert.h"
#include "forms/main.h"
#include "host/IdeHost.h"
#include "mgwatch/mgwatch.h"
#include "platform/Windows.h"
#include "platform/backend/x11/XiPointerWatch.h"
#include "tests/support/XServer.h"
#include "toolkit/Form.h"

namespace {

// Made before main(), so that the application the benchmark main creates
// runs on it.
struct Display {
  std::unique_ptr<testx::Xvfb> server;
  std::filesystem::path windir;
  Display() {
    server = std::make_unique<testx::Xvfb>("1280x800x24");
    if (!server->Running()) return;
    ::setenv("DISPLAY", server->Display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The add-in's settings: both windows hide, and losing the focus (nothing
    // holds it without a window manager) does not pause the watch.
    windir = std::filesystem::temp_directory_path() / ("bench-x11-" + std::to_string(::getpid()));
    std::filesystem::create_directories(windir);
    std::ofstream(windir / "Edgetuck.ini") << "[Edgetucker]\nmgHideInspector=True\nmgSide=1\nmgHideDelphi=True\n"
                                              "mgAnimate=False\nmgDelay=200\nHangOutPixels=5\n"
                                              "mgDisableOnFocusLoss=False\nmgWindowSounds=False\n";
    ::setenv("WINDIR", windir.c_str(), 1);
  }
  ~Display() {
    std::error_code ec;
    if (!windir.empty()) std::filesystem::remove_all(windir, ec);
  }
};
Display g_display;

bool NeedDisplay(benchmark::State& state) {
  if (g_display.server->Running()) return true;
  state.SkipWithError(("no X server: " + g_display.server->Why()).c_str());
  return false;
}

// Today's poll, kept as the peer: a 10 ms timer asking for the position.
class PollWatch final : public platform::PointerWatch {
public:
  bool Start(std::function<void(platform::Point)> sink) override {
    m_sink = std::move(sink);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { m_sink(platform::GetCursorPos()); });
    m_timer.start(10);
    return true;
  }
  void Stop() override { m_timer.stop(); }

private:
  QTimer m_timer;
  std::function<void(platform::Point)> m_sink;
};

std::unique_ptr<platform::PointerWatch> MakeWatch(int kind) {
  if (kind == 1) return platform::x11::XiPointerWatch::Create();
  return std::make_unique<PollWatch>();
}

// Reports go to a window the way the hook library sends them: posted, one per
// new position.
std::function<void(platform::Point)> PostingSink(platform::HWND wnd) {
  return [wnd, last = platform::Point{-1, -1}](platform::Point p) mutable {
    if (p == last) return;
    last = p;
    platform::PostMessage(wnd, platform::WM_MOUSEWATCH, 0, MouseWatchLParam(p.x, p.y));
  };
}

class ReportForm : public tk::TForm {
public:
  std::function<void(platform::Point)> onReport;

protected:
  void WndProc(platform::Message& msg) override {
    if (msg.msg == platform::WM_MOUSEWATCH && onReport) {
      const auto bits = static_cast<std::uint32_t>(msg.lParam);
      onReport({int(bits & 0xFFFF), int(bits >> 16)});
    }
    tk::TForm::WndProc(msg);
  }
};

// The stand-in IDE with the add-in linked in, its windows shown on the X
// server, a project open and the panel raised.  One for the whole run: the
// add-in connects once per process, as in the IDE.
bool IdeReady() {
  static host::IdeHost* ide = nullptr;
  if (!ide) {
    ide = new host::IdeHost;  // left to the end of the process, like the IDE's
    ide->ShowWindows();
    ide->ConnectAddIn(&INITEXPERT0016, "edgetucker");
    ide->OpenProject("Project1.dpr");
    ide->ChooseMenu("Edgetucker 1.2d");
  }
  return frmMain != nullptr;
}

// range(0): hiding; range(1): 0 none, 1 the raw-motion watch, 2 the poll.
void BM_RestCost(benchmark::State& state) {
  if (!NeedDisplay(state)) return;
  const bool hiding = state.range(0) != 0;
  const int kind = static_cast<int>(state.range(1));
  testx::PointerMover mover(g_display.server->Display());
  mover.MoveTo(640, 400);
  if (!IdeReady()) {
    state.SkipWithError("the add-in did not connect");
    return;
  }
  ReportForm form;
  form.Handle();
  std::unique_ptr<platform::PointerWatch> watch;
  if (hiding) {
    frmMain->btnStartClick();
    if (!MainHidden || !Watching) {
      state.SkipWithError("hiding did not start");
      return;
    }
    if (kind == 2) (watch = MakeWatch(2))->Start(PostingSink(frmMain->Handle()));
  } else if (kind != 0) {
    watch = MakeWatch(kind);
    if (!watch) {
      state.SkipWithError("no XInput 2");
      return;
    }
    watch->Start(PostingSink(form.Handle()));
  }
  // Whatever showing and hiding queued settles first.
  bench::RunLoopFor(500);
  bench::LoopCost cost;
  for (auto _ : state) cost += bench::MeasureLoop(10000);
  if (watch) watch->Stop();
  if (hiding) frmMain->btnStopClick();
  const long windows = static_cast<long>(state.iterations());
  state.counters["wakeups_per_s"] = double(std::max(0L, cost.switches - windows)) / cost.wall;
  state.counters["cpu_pct"] = 100.0 * cost.cpu / cost.wall;
}
BENCHMARK(BM_RestCost)
    ->ArgNames({"hiding", "watch"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// range(0): 1 the raw-motion watch, 2 the poll.
void BM_MotionToReport(benchmark::State& state) {
  if (!NeedDisplay(state)) return;
  const int kind = static_cast<int>(state.range(0));
  testx::PointerMover mover(g_display.server->Display());
  mover.MoveTo(100, 100);
  ReportForm form;
  auto watch = MakeWatch(kind);
  if (!watch) {
    state.SkipWithError("no XInput 2");
    return;
  }
  watch->Start(PostingSink(form.Handle()));
  bench::RunLoopFor(100);
  std::vector<double> us;
  for (auto _ : state) {
    us.clear();
    for (int i = 0; i < 100; ++i) {
      const platform::Point to{200 + 3 * i, 300 + (i % 2) * 7};
      QEventLoop loop;
      form.onReport = [&](platform::Point p) {
        if (p == to) loop.quit();
      };
      QTimer::singleShot(1000, &loop, &QEventLoop::quit);
      const auto t0 = std::chrono::steady_clock::now();
      mover.MoveTo(to.x, to.y);
      loop.exec();
      us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
      // Starts of the next move fall anywhere in the poll's period.
      bench::RunLoopFor(3 + i % 7);
    }
  }
  form.onReport = nullptr;
  watch->Stop();
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["worst_us"] = us.back();
}
BENCHMARK(BM_MotionToReport)->ArgName("watch")->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
