// How long a move blocks the GUI thread on a real X server under a window
// manager, beside the physical limit: one configure of an override-redirect
// window, sent and flushed.
//
// On $DISPLAY when QT_QPA_PLATFORM=xcb names one (tests/x11/placement_run.sh
// starts Xvfb and a window manager per run, EDGETUCKER_WM naming it), else on
// an Xvfb of its own without a window manager; without Xvfb every row is
// skipped with a message.  Every window manager at once:
//
//   tests/x11/placement_run.sh build-bench/bin/bench_x11_moves none openbox icewm metacity xfwm4
//
//   BM_MoveBlocks/way:0   a bar like an IDE's main bar (1000 x 120 at the top)
//                         hidden off the top and revealed again in slides of
//                         10 steps, 20 slides: 200 moves through the platform
//                         façade, each timed from call to return (a move that
//                         waits for the window manager's answer blocks the
//                         GUI thread that long; between slides the event loop
//                         runs untimed until the frame stands where it was
//                         asked);
//   BM_MoveBlocks/way:1   200 configures of an override-redirect window of the
//                         same size on a connection of its own, sent and
//                         flushed: what a move cannot go below.
//
// Counters, in ms: block_p50, block_p99 and block_max of the calls (the goal:
// no move blocks the GUI thread more than 2 ms), for way:0 also split into
// hide_* (the slides off the screen; of them hide_framed_* the first steps,
// which stick out by no more than the frame's borders and stay framed, and
// hide_withdrawn_* the steps that withdraw the window or find it withdrawn)
// and reveal_* (back home); settle_p50,
// settle_p99 and settle_max, the time from a slide's first step until the
// frame stands where the last step asked (within a pixel, as the placement
// tests allow): how long a window takes to stand there, framed again after a
// reveal.
#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"
#include "platform/backend/x11/X11WindowSystem.h"
#include "platform/backend/x11/Xcb.h"
#include "support/Percentiles.h"
#include "support/Summary.h"
#include "support/XDisplay.h"

namespace {

using platform::Rect;

bench::XDisplay g_display(true);

platform::x11::X11WindowSystem* X11() {
  return dynamic_cast<platform::x11::X11WindowSystem*>(platform::CurrentBackends().windows);
}

using bench::WmName;

// Runs the event loop a while, for the window manager's last configures.
void Idle(int ms = 20) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// True when the frame stands within a pixel of r on every edge.
bool Near(platform::HWND h, const Rect& r) {
  Rect now;
  if (!platform::GetWindowRect(h, now)) return false;
  return std::abs(now.left - r.left) <= 1 && std::abs(now.top - r.top) <= 1 && std::abs(now.right - r.right) <= 1 &&
         std::abs(now.bottom - r.bottom) <= 1;
}

// One round trip on c: everything sent before has been handled by the server.
void Sync(xcb_connection_t* c) { platform::x11::Answer(c, &xcb_get_input_focus_reply, xcb_get_input_focus(c)); }

constexpr int kSlides = 20, kSteps = 10;

void BM_MoveBlocks(benchmark::State& state) {
  if (!g_display.ok) {
    state.SkipWithError(("no X server: " + g_display.why).c_str());
    return;
  }
  if (!X11()) {
    state.SkipWithError("the X11 backend is not in use");
    return;
  }
  const bool limit = state.range(0) != 0;
  const Rect home{0, 0, 1000, 120};
  const Rect hidden{0, 5 - home.Height(), home.right, 5};
  std::vector<double> calls, hides, hideFramed, hideWithdrawn, reveals, settles;

  platform::x11::Connection own = platform::x11::Connection::Open();
  xcb_window_t unmanaged = 0;
  QWidget bar;
  platform::HWND h = 0;
  if (limit) {
    xcb_connection_t* c = own.get();
    unmanaged = xcb_generate_id(c);
    const std::uint32_t on = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, unmanaged, own.Root(), 0, 0, 1000, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &on);
    xcb_map_window(c, unmanaged);
    Sync(c);
  } else {
    bar.setWindowTitle("bench bar");
    bar.setGeometry(0, 0, 1000, 100);
    bar.show();
    Idle(300);
    h = platform::HandleOf(&bar);
    X11()->Move(h, home);
    Idle(200);
  }

  for (auto _ : state) {
    for (int slide = 0; slide < kSlides; ++slide) {
      const Rect& from = slide % 2 == 0 ? home : hidden;
      const Rect& to = slide % 2 == 0 ? hidden : home;
      const auto start = std::chrono::steady_clock::now();
      for (int i = 1; i <= kSteps; ++i) {
        const int top = from.top + (to.top - from.top) * i / kSteps;
        const Rect step{from.left, top, from.right, top + from.Height()};
        const auto t0 = std::chrono::steady_clock::now();
        if (limit) {
          const std::uint32_t v[] = {static_cast<std::uint32_t>(step.left), static_cast<std::uint32_t>(step.top)};
          xcb_configure_window(own.get(), unmanaged, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, v);
          xcb_flush(own.get());
        } else {
          platform::MoveWindow(h, step.left, step.top, step.Width(), step.Height(), true);
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        calls.push_back(ms);
        (slide % 2 == 0 ? hides : reveals).push_back(ms);
        if (!limit && slide % 2 == 0) (X11()->IsUnmanaged(h) ? hideWithdrawn : hideFramed).push_back(ms);
      }
      state.PauseTiming();
      if (limit) {
        Sync(own.get());
      } else {
        QElapsedTimer t;
        t.start();
        while (!Near(h, to) && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 1);
        settles.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        Idle();
      }
      state.ResumeTiming();
    }
  }
  state.SetLabel(WmName());
  bench::SetPercentiles(state, "block", calls);
  if (!limit) {
    bench::SetPercentiles(state, "hide", hides);
    bench::SetPercentiles(state, "hide_framed", hideFramed);
    bench::SetPercentiles(state, "hide_withdrawn", hideWithdrawn);
    bench::SetPercentiles(state, "reveal", reveals);
    bench::SetPercentiles(state, "settle", settles);
    X11()->Move(h, home);
    Idle();
  }
}
BENCHMARK(BM_MoveBlocks)->ArgNames({"way"})->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

const bool rows =
    (bench::AddPercentileRow("a move blocks the GUI thread, ms (200 moves)", "BM_MoveBlocks/way:0", "block", 2.0),
     bench::AddPercentileRow("  of them the hides' (off the screen), ms", "BM_MoveBlocks/way:0", "hide", 2.0),
     bench::AddPercentileRow("    steps still framed (the first ones), ms", "BM_MoveBlocks/way:0", "hide_framed", 2.0),
     bench::AddPercentileRow("    steps withdrawn (the rest), ms", "BM_MoveBlocks/way:0", "hide_withdrawn", 2.0),
     bench::AddPercentileRow("  of them the reveals' (back home), ms", "BM_MoveBlocks/way:0", "reveal", 2.0),
     bench::AddPercentileRow("the limit: an override-redirect configure, ms", "BM_MoveBlocks/way:1", "block", -1),
     bench::AddPercentileRow("a slide of 10 moves until the frame stands there, ms", "BM_MoveBlocks/way:0", "settle",
                             -1),
     true);

}  // namespace
