// What asking for the monitors costs on a real X server, where the work areas
// come from the space docks and panels reserve (X11Screens): the engine asks
// at every ComputeHideGeometry.
//
// The benchmark starts an Xvfb of its own (1280 x 800) before the application
// is made, and runs Qt's xcb platform on it; without Xvfb every row is skipped
// with a message.  Another connection maps `clients` windows, each reserving a
// few pixels at an edge (_NET_WM_STRUT_PARTIAL), as docks would, beside as many
// plain windows.
//
//   BM_Monitors/fresh:1   every answer reads the reservations anew (one batch
//                         of requests, two round trips);
//   BM_Monitors/fresh:0   the answer as given, the reservations kept until the
//                         X server reports a change.
//
// The console's "Time" is wall-clock time per answer (round trips included),
// the summary table's CPU time.
#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/Summary.h"
#include "platform/backend/qt/QtBackend.h"
#include "platform/backend/x11/X11Screens.h"
#include "tests/support/XServer.h"

namespace {

// Made before main(), so that the application the benchmark main creates
// runs on it.
struct Display {
  std::unique_ptr<testx::Xvfb> server;
  Display() {
    server = std::make_unique<testx::Xvfb>("1280x800x24");
    if (!server->Running()) return;
    ::setenv("DISPLAY", server->Display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
};
Display g_display;

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                  nullptr);
  const xcb_atom_t a = r ? r->atom : 0;
  std::free(r);
  return a;
}

// `docks` windows reserving space and as many without, mapped on a connection
// of their own; gone with it.
class Clients {
public:
  explicit Clients(int docks) {
    c_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c_)) return;
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    const xcb_atom_t partial = Intern(c_, "_NET_WM_STRUT_PARTIAL");
    for (int i = 0; i < 2 * docks; ++i) {
      const xcb_window_t w = xcb_generate_id(c_);
      xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, s->root, static_cast<std::int16_t>(10 * i), 0, 40, 40, 0,
                        XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, 0, nullptr);
      if (i % 2 == 0) {
        std::uint32_t strut[12] = {};
        const int edge = (i / 2) % 4;
        strut[edge] = static_cast<std::uint32_t>(2 + i);
        strut[5 + 2 * edge] = edge < 2 ? 799 : 1279;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, partial, XCB_ATOM_CARDINAL, 32, 12, strut);
      }
      xcb_map_window(c_, w);
    }
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
  }
  ~Clients() {
    if (c_) xcb_disconnect(c_);
  }

private:
  xcb_connection_t* c_ = nullptr;
};

void BM_Monitors(benchmark::State& state) {
  if (!g_display.server->Running()) {
    state.SkipWithError(("no X server: " + g_display.server->Why()).c_str());
    return;
  }
  const bool fresh = state.range(0) != 0;
  const int docks = static_cast<int>(state.range(1));
  Clients clients(docks);
  platform::qt::QtScreens toolkit;
  platform::x11::X11Screens screens(&toolkit);
  if (!screens.Connected()) {
    state.SkipWithError("X11Screens did not connect");
    return;
  }
  const auto bands = screens.Reserved().size();
  if (bands != static_cast<std::size_t>(docks)) {
    state.SkipWithError("the reservations were not all read");
    return;
  }
  for (auto _ : state) {
    if (fresh) screens.Forget();
    benchmark::DoNotOptimize(screens.Monitors());
  }
  state.counters["bands"] = static_cast<double>(bands);
}
BENCHMARK(BM_Monitors)
    ->ArgNames({"fresh", "clients"})
    ->Args({1, 20})
    ->Args({0, 20})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

const bool rows = (bench::AddAbsoluteRow("monitors read anew, 20 docks", "BM_Monitors/fresh:1/clients:20/real_time",
                                         300e3),
                   bench::AddAbsoluteRow("monitors kept, 20 docks", "BM_Monitors/fresh:0/clients:20/real_time",
                                         20e3),
                   true);

}  // namespace
