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
//   BM_Monitors/fresh:1   every answer reads the reservations anew (a batch of
//                         requests per level of windows);
//   BM_Monitors/fresh:0   the answer as given, the reservations kept until the
//                         X server reports a change;
//   .../wm:1              with openbox framing the windows (each frame holds
//                         its client and a dozen windows of decoration, all
//                         asked); skipped when openbox is not installed.
//
// The console's "Time" is wall-clock time per answer (round trips included,
// and the X server's own work), the summary table's CPU time.  Measured on
// the 2-core build machine (RelWithDebInfo, other builds running): kept
// 0.35 us; read anew 0.2-0.35 ms wall (0.1-0.25 ms CPU) without a window
// manager, 0.6-0.8 ms wall (0.25-0.45 ms CPU) under openbox.
#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "support/Summary.h"
#include "platform/backend/qt/QtBackend.h"
#include "platform/backend/x11/X11Screens.h"
#include "tests/support/XServer.h"

namespace {

// Made before main(), so that the application the benchmark main creates
// runs on it.
struct Display {
  std::unique_ptr<testx::Xvfb> server;
  pid_t wm = -1;
  Display() {
    server = std::make_unique<testx::Xvfb>("1280x800x24");
    if (!server->Running()) return;
    ::setenv("DISPLAY", server->Display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  ~Display() {
    if (wm > 0) {
      ::kill(wm, SIGTERM);
      ::waitpid(wm, nullptr, 0);
    }
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

// The root's property `name` as 32-bit values.
std::vector<std::uint32_t> RootValues(xcb_connection_t* c, const char* name) {
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, root, Intern(c, name), XCB_ATOM_ANY, 0, 4096), nullptr);
  std::vector<std::uint32_t> out;
  if (r && r->format == 32) {
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    out.assign(v, v + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
  return out;
}

// Polls (this is set-up, not measured) until pred() holds, at most 10 s.
template <class Pred> bool WaitFor(Pred pred) {
  for (int i = 0; i < 500; ++i) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return pred();
}

// Starts openbox on the benchmark's display once; false when it cannot run.
bool StartWm() {
  if (g_display.wm > 0) return true;
  if (::system("command -v openbox >/dev/null 2>&1") != 0) return false;
  g_display.wm = ::fork();
  if (g_display.wm == 0) {
    ::setsid();
    ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (g_display.wm < 0) return false;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const bool up = WaitFor([&] { return !RootValues(c, "_NET_SUPPORTING_WM_CHECK").empty(); });
  xcb_disconnect(c);
  // It names itself a moment before it takes the windows mapped from then on.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return up;
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
      windows_.push_back(w);
    }
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
  }
  // Under a window manager: waits until it lists and frames them all (the
  // list may still name the windows of the last run for a moment).
  bool Framed() const {
    return WaitFor([&] {
      const std::vector<std::uint32_t> listed = RootValues(c_, "_NET_CLIENT_LIST");
      for (xcb_window_t w : windows_) {
        if (std::find(listed.begin(), listed.end(), w) == listed.end()) return false;
        auto* t = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
        const bool framed = t && t->parent != t->root;
        std::free(t);
        if (!framed) return false;
      }
      return true;
    });
  }
  ~Clients() {
    if (c_) xcb_disconnect(c_);
  }

private:
  xcb_connection_t* c_ = nullptr;
  std::vector<xcb_window_t> windows_;
};

void BM_Monitors(benchmark::State& state) {
  if (!g_display.server->Running()) {
    state.SkipWithError(("no X server: " + g_display.server->Why()).c_str());
    return;
  }
  const bool fresh = state.range(0) != 0;
  const int docks = static_cast<int>(state.range(1));
  const bool wm = state.range(2) != 0;
  if (wm && !StartWm()) {
    state.SkipWithError("openbox is not installed or did not start");
    return;
  }
  Clients clients(docks);
  if (wm && !clients.Framed()) {
    state.SkipWithError("openbox did not frame the windows");
    return;
  }
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
    ->ArgNames({"fresh", "clients", "wm"})
    ->Args({1, 20, 0})
    ->Args({0, 20, 0})
    ->Args({1, 20, 1})
    ->Args({0, 20, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

const bool rows = (bench::AddAbsoluteRow("monitors read anew, 20 docks", "BM_Monitors/fresh:1/clients:20/wm:0", 300e3),
                   bench::AddAbsoluteRow("monitors kept, 20 docks", "BM_Monitors/fresh:0/clients:20/wm:0", 20e3),
                   bench::AddAbsoluteRow("monitors read anew, 20 docks, openbox", "BM_Monitors/fresh:1/clients:20/wm:1",
                                         600e3),
                   bench::AddAbsoluteRow("monitors kept, 20 docks, openbox", "BM_Monitors/fresh:0/clients:20/wm:1",
                                         20e3),
                   true);

}  // namespace
