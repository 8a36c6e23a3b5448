// How soon the IDE's windows answer the pointer at their screen edges, seen
// from outside the way a user sees them: the stand-in IDE (ide-host, with the
// add-in) runs as a child process on a real X server, this process moves the
// real pointer with XTest motion and reads the windows' frames back from the
// X server.
//
// On $DISPLAY when QT_QPA_PLATFORM=xcb names one (tests/x11/placement_run.sh
// starts Xvfb and a window manager per run, EDGETUCKER_WM naming it), else on
// an Xvfb of its own without a window manager; without Xvfb, or without
// ide-host beside this program, every row is skipped with a message.  Every
// window manager at once:
//
//   tests/x11/placement_run.sh build-bench/bin/bench_x11_edges none openbox icewm metacity xfwm4
//
// The IDE gets an Edgetuck.ini of its own: both windows hide (the main window
// at the top, the inspector at the right), open delay 100 ms, 5-pixel strips,
// animation off or on (5 steps).  Its script opens a project, presses Start,
// waits until both windows stand at their strips, prints those frames and
// holds until this process is done; then it presses Stop and quits.
//
//   BM_Edges/animate:A/window:W   (W 0: the main window, 1: the inspector)
//     100 rounds (so that the p99 is not simply the slowest), each: the
//     pointer comes onto the window's strip (one motion from where the last
//     hide left it) and rests there; the window reveals;
//     once it has stood still for 150 ms the pointer moves one step past its
//     inner edge (10 px beyond) and the window hides.  Counters, in ms, each
//     as _p50, _p99 and _max:
//       reveal     motion onto the strip -> the frame stands at its revealed
//                  place (within 1 px on each edge, as the placement tests
//                  allow a window manager)
//       timerlate  how late this process saw a timer of its own, due when
//                  the open delay ends (the machine's load, beside the IDE's
//                  own timer)
//       gone       motion past the inner edge -> the window is unmapped or
//                  its frame moved (a window manager's window is withdrawn
//                  before it goes to its strip: it vanishes first)
//       hidestart  motion past the inner edge -> the first frame that differs
//                  from the revealed one (the first visible step of the hide)
//       hidden     motion past the inner edge -> the frame is its strip again
//     and "failed", rounds in which a window did not get there within 5 s.
//
// Times run from just before the motion is sent (its round trip follows at
// once, so the server has moved the pointer when the watch begins) to the
// reply of the first frame read that shows the change.  Frames are read
// (client geometry, its place on the root and _NET_FRAME_EXTENTS, in one round
// trip) at once after every event the server sends about the windows and at
// least every millisecond.
//
// EDGETUCKER_X11_TRACE=1 passes through to the IDE: its X11 moves appear on
// standard error with their times.  EDGETUCKER_EDGES_ROUNDS sets the rounds.
#include <benchmark/benchmark.h>

#include <poll.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/x11/Xcb.h"
#include "support/Percentiles.h"
#include "support/Summary.h"
#include "support/XDisplay.h"
#include "tests/support/XServer.h"

namespace {

namespace x11 = platform::x11;
using Clock = std::chrono::steady_clock;

bench::XDisplay g_display(false);

using bench::WmName;

// With the IDE's trace on, each round says when its motions were sent, on
// the trace's clock (the steady clock's milliseconds, modulo 100 s).
bool Tracing() {
  const char* v = std::getenv("EDGETUCKER_X11_TRACE");
  return v && *v && *v != '0';
}

long long TraceMs(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 100000;
}

int Rounds() {
  const char* n = std::getenv("EDGETUCKER_EDGES_ROUNDS");
  const int v = n ? std::atoi(n) : 0;
  return v > 0 ? v : 100;
}

struct Frame {
  int left = 0, top = 0, right = 0, bottom = 0;
  // Rectangles alone; whether the window is mapped is read beside them.
  friend bool operator==(const Frame& a, const Frame& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  bool viewable = true;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // Every edge within `slack` pixels of the other's.
  bool Near(const Frame& o, int slack) const {
    return std::abs(left - o.left) <= slack && std::abs(top - o.top) <= slack && std::abs(right - o.right) <= slack &&
           std::abs(bottom - o.bottom) <= slack;
  }
};

std::string Text(const Frame& f) {
  std::ostringstream s;
  s << f.left << ' ' << f.top << ' ' << f.right << ' ' << f.bottom;
  return s.str();
}

constexpr int kOpenDelayMs = 100;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// This process's own view of the X server: the IDE's windows found by class
// and title, their frames read as the server reports them.
class Server {
public:
  Server() : m_c(x11::Connection::Open()) {
    if (!m_c) return;
    m_frameExtents = x11::Intern(m_c.get(), "_NET_FRAME_EXTENTS");
    m_netWmName = x11::Intern(m_c.get(), "_NET_WM_NAME");
    m_workArea = x11::Intern(m_c.get(), "_NET_WORKAREA");
    // Frames (or unmanaged clients) are the root's children: their
    // configures, maps and reparentings wake the watch.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_c.get(), m_c.Root(), XCB_CW_EVENT_MASK, &mask);
    x11::Sync(m_c.get());
  }
  bool Ok() const { return m_c && !m_c.Broken(); }

  // The screen less what panels reserve (the whole screen without a window
  // manager that says).
  Frame WorkArea() {
    const auto wa = x11::Cardinals(m_c.get(), m_c.Root(), m_workArea, XCB_ATOM_CARDINAL, 4);
    if (wa.size() >= 4)
      return Frame{int(wa[0]), int(wa[1]), int(wa[0] + wa[2]), int(wa[1] + wa[3])};
    auto g = x11::Answer(m_c.get(), &xcb_get_geometry_reply, xcb_get_geometry(m_c.get(), m_c.Root()));
    return g ? Frame{0, 0, g->width, g->height} : Frame{};
  }

  // The client window of class ide-host whose title `fits`, searched through
  // the root's children and the window manager's frames below them.
  xcb_window_t Find(bool (*fits)(const std::string& title)) {
    std::vector<xcb_window_t> level{m_c.Root()};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
      std::vector<xcb_window_t> next;
      for (xcb_window_t w : level) {
        auto tree = x11::Answer(m_c.get(), &xcb_query_tree_reply, xcb_query_tree(m_c.get(), w));
        if (!tree) continue;
        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
          const std::string cls = x11::Text(m_c.get(), kids[i], XCB_ATOM_WM_CLASS);
          std::string title = x11::Text(m_c.get(), kids[i], m_netWmName);
          if (title.empty()) title = x11::Text(m_c.get(), kids[i], XCB_ATOM_WM_NAME);
          if (cls.find("ide-host") != std::string::npos && fits(title)) {
            // Its own changes (synthetic configures, new frame extents) wake
            // the watch too.
            const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(m_c.get(), kids[i], XCB_CW_EVENT_MASK, &mask);
            xcb_flush(m_c.get());
            return kids[i];
          }
          next.push_back(kids[i]);
        }
      }
      level = std::move(next);
    }
    return XCB_WINDOW_NONE;
  }

  // The window's frame: the client's place on the root widened by
  // _NET_FRAME_EXTENTS (left, right, top, bottom), as the IDE's own scripts
  // read it, and whether it is mapped.  Four requests, one round trip.
  std::optional<Frame> Read(xcb_window_t w) {
    xcb_connection_t* c = m_c.get();
    const auto geoCookie = xcb_get_geometry(c, w);
    const auto posCookie = xcb_translate_coordinates(c, w, m_c.Root(), 0, 0);
    const auto extCookie = xcb_get_property(c, 0, w, m_frameExtents, XCB_ATOM_CARDINAL, 0, 4);
    const auto attrCookie = xcb_get_window_attributes(c, w);
    const auto geo = x11::Answer(c, &xcb_get_geometry_reply, geoCookie);
    const auto pos = x11::Answer(c, &xcb_translate_coordinates_reply, posCookie);
    const std::vector<std::uint32_t> ext = x11::Values(c, extCookie);
    const auto attr = x11::Answer(c, &xcb_get_window_attributes_reply, attrCookie);
    if (!geo || !pos || !attr) return std::nullopt;
    const int bw = geo->border_width;
    const int x = pos->dst_x - bw, y = pos->dst_y - bw;
    int l = 0, r = 0, t = 0, b = 0;
    if (ext.size() >= 4) l = int(ext[0]), r = int(ext[1]), t = int(ext[2]), b = int(ext[3]);
    return Frame{x - l, y - t, x + geo->width + 2 * bw + r, y + geo->height + 2 * bw + b,
                 attr->map_state == XCB_MAP_STATE_VIEWABLE};
  }

  // Reads the frame until `there` holds or `limitMs` passes from `from`: at
  // once, after every event, and at least every millisecond.  The time from
  // `from` to the reply that showed it; nothing on time-out.  `last` receives
  // the last frame read.
  //
  // With `peerMs`, this process keeps a timer of its own meanwhile, due
  // peerMs after `from`: `peerLate` receives how late this loop first saw it
  // due (what the machine's load does to a timer, beside the IDE's).
  template <class Pred>
  std::optional<double> WaitFor(xcb_window_t w, Clock::time_point from, int limitMs, Pred there, Frame& last,
                                int peerMs = -1, double* peerLate = nullptr) {
    const auto deadline = from + std::chrono::milliseconds(limitMs);
    const auto peerDue = from + std::chrono::milliseconds(peerMs);
    bool peerSeen = peerMs < 0;
    for (;;) {
      const auto before = Clock::now();
      if (!peerSeen && before >= peerDue) {
        peerSeen = true;
        if (peerLate) *peerLate = Ms(before - peerDue);
      }
      const std::optional<Frame> f = Read(w);
      const auto now = Clock::now();
      if (f) last = *f;
      if (f && there(*f)) return Ms(now - from);
      if (now >= deadline) return std::nullopt;
      // Events that came in with the replies are taken first; any of them
      // means a look at once.
      bool any = false;
      while (x11::NextEvent(m_c.get(), true)) any = true;
      if (any) continue;
      pollfd p{xcb_get_file_descriptor(m_c.get()), POLLIN, 0};
      ::poll(&p, 1, 1);
      while (x11::NextEvent(m_c.get())) {
      }
      if (m_c.Broken()) return std::nullopt;
    }
  }

  // Waits until the frame has not changed for `stillMs` (at most limitMs);
  // the frame it settled at.
  std::optional<Frame> Settle(xcb_window_t w, int stillMs, int limitMs) {
    const auto start = Clock::now();
    std::optional<Frame> seen = Read(w);
    auto since = Clock::now();
    while (seen && Clock::now() - start < std::chrono::milliseconds(limitMs)) {
      if (Clock::now() - since >= std::chrono::milliseconds(stillMs)) return seen;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      while (x11::NextEvent(m_c.get())) {
      }
      const std::optional<Frame> f = Read(w);
      if (!f) return std::nullopt;
      if (!(*f == *seen)) seen = f, since = Clock::now();
    }
    return std::nullopt;
  }

private:
  x11::Connection m_c;
  xcb_atom_t m_frameExtents = XCB_ATOM_NONE, m_netWmName = XCB_ATOM_NONE, m_workArea = XCB_ATOM_NONE;
};

bool IsMainTitle(const std::string& t) { return t.rfind("ide-host", 0) == 0; }
bool IsInspectorTitle(const std::string& t) { return t == "Object Inspector"; }

// The stand-in IDE as a child process, hiding both windows and holding until
// it is told to go on.
class Ide {
public:
  explicit Ide(bool animate) {
    if (!m_dir.isValid()) {
      m_why = "no temporary folder";
      return;
    }
    const QString host = QCoreApplication::applicationDirPath() + QStringLiteral("/ide-host");
    if (!QFileInfo::exists(host)) {
      m_why = "ide-host is not built beside this program";
      return;
    }
    Server s;
    if (!s.Ok()) {
      m_why = "cannot reach the X server";
      return;
    }
    const Frame wa = s.WorkArea();
    const std::string dir = m_dir.path().toStdString();
    for (const char* sub : {"/windows", "/home/.config", "/runtime"})
      QDir().mkpath(m_dir.path() + QString::fromLatin1(sub));
    // Qt wants its runtime folder private.
    QFile::setPermissions(m_dir.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    std::ofstream(dir + "/windows/Edgetuck.ini")
        << "[Edgetucker]\nmgHideInspector=True\nmgSide=1\nmgHideDelphi=True\nmgWindowSounds=False\n"
        << "mgAnimate=" << (animate ? "True" : "False") << "\nmgAnimateSpeed=5\nmgDelay=" << kOpenDelayMs << "\n"
        << "HangOutPixels=5\nmgUseAutoHide=False\nmgDisableOnFocusLoss=False\n";
    // The host's start places: the main window 100 px tall across the top of
    // the work area, the inspector 200 x 400 at the left; hidden, the main
    // window leaves 5 px at the top and the inspector 5 px at the right.
    const int t = wa.top, r = wa.right, b = wa.bottom;
    std::ofstream(dir + "/edges.script")
        << "open-project Project1.dpr\nmenu Edgetucker 1.2d\nclick TfrmMain btnStart\n"
        << "wait-rect TAppBuilder " << wa.left << ' ' << t - 95 << ' ' << r << ' ' << t + 5 << " 30000\n"
        << "wait-rect TPropertyInspector " << r - 5 << ' ' << t << ' ' << r + 195 << ' ' << b << " 30000\n"
        << "print-rect TAppBuilder\nprint-rect TPropertyInspector\nhold\n"
        << "menu Edgetucker 1.2d\nclick TfrmMain btnStop\n"
        << "wait-rect TAppBuilder " << wa.left << ' ' << t << ' ' << r << ' ' << t + 100 << " 30000\nquit\n";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("WINDIR", m_dir.path() + "/windows");
    env.insert("HOME", m_dir.path() + "/home");
    env.insert("XDG_CONFIG_HOME", m_dir.path() + "/home/.config");
    env.insert("XDG_RUNTIME_DIR", m_dir.path() + "/runtime");
    // As tests/x11/run-x11.sh: no session or accessibility bus, no OpenGL.
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    env.insert("NO_AT_BRIDGE", "1");
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "0");
    env.insert("QT_XCB_GL_INTEGRATION", "none");
    env.remove("WAYLAND_DISPLAY");
    m_p.setProcessEnvironment(env);
    m_p.setWorkingDirectory(m_dir.path());
    m_p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_p.start(host, {QStringLiteral("--script"), m_dir.path() + "/edges.script"});
    if (!m_p.waitForStarted(30000)) {
      m_why = "ide-host did not start";
      return;
    }
    // The two print-rect lines say that both windows stand at their strips.
    std::string out;
    while (std::count(out.begin(), out.end(), '\n') < 2) {
      if (!m_p.waitForReadyRead(60000)) {
        m_why = "ide-host did not hide its windows (status " + std::to_string(m_p.exitCode()) + ")";
        return;
      }
      out += m_p.readAllStandardOutput().toStdString();
    }
    std::istringstream lines(out);
    std::string name;
    lines >> name >> m_mainHidden.left >> m_mainHidden.top >> m_mainHidden.right >> m_mainHidden.bottom;
    lines >> name >> m_inspectorHidden.left >> m_inspectorHidden.top >> m_inspectorHidden.right >>
        m_inspectorHidden.bottom;
    m_workArea = wa;
    m_ok = true;
  }

  ~Ide() {
    if (m_p.state() == QProcess::NotRunning) return;
    // Go on: Stop, home, quit.
    m_p.write("done\n");
    m_p.closeWriteChannel();
    if (!m_p.waitForFinished(30000)) {
      m_p.kill();
      m_p.waitForFinished(5000);
    }
  }

  bool Ok() const { return m_ok; }
  const std::string& Why() const { return m_why; }
  const Frame& WorkArea() const { return m_workArea; }
  const Frame& Hidden(int window) const { return window == 0 ? m_mainHidden : m_inspectorHidden; }

private:
  QTemporaryDir m_dir;
  QProcess m_p;
  bool m_ok = false;
  std::string m_why;
  Frame m_workArea, m_mainHidden, m_inspectorHidden;
};

using bench::SetPercentiles;

// One IDE per animation setting, kept for both windows' rows; the last one
// is told to finish while the application still exists (its process object
// needs it).
std::unique_ptr<Ide> g_ide;
Ide* IdeFor(bool animate) {
  static int kind = -1;
  if (kind != int(animate)) {
    if (kind == -1) qAddPostRoutine([] { g_ide.reset(); });
    g_ide.reset();
    g_ide = std::make_unique<Ide>(animate);
    kind = int(animate);
  }
  return g_ide.get();
}

void BM_Edges(benchmark::State& state) {
  if (!g_display.ok) {
    state.SkipWithError(("no X server: " + g_display.why).c_str());
    return;
  }
  const bool animate = state.range(0) != 0;
  const int window = static_cast<int>(state.range(1));
  Ide* ide = IdeFor(animate);
  if (!ide->Ok()) {
    state.SkipWithError(ide->Why().c_str());
    return;
  }
  Server server;
  const xcb_window_t w = server.Find(window == 0 ? &IsMainTitle : &IsInspectorTitle);
  if (!w) {
    state.SkipWithError("the IDE's window is not on the X server");
    return;
  }
  testx::PointerMover mover(std::getenv("DISPLAY"));
  if (!mover.Ok()) {
    state.SkipWithError("no XTest");
    return;
  }
  // Where the window is revealed: its strip moved wholly into the work area.
  // Where the pointer goes: onto the strip 2 px from the screen edge, and one
  // step 10 px past the revealed window's inner edge.
  const Frame wa = ide->WorkArea();
  const Frame hidden = ide->Hidden(window);
  Frame revealed = hidden;
  const int midX = (wa.left + wa.right) / 2, midY = (wa.top + wa.bottom) / 2;
  struct Point {
    int x, y;
  } onStrip{}, pastEdge{};
  if (window == 0) {
    revealed.top = wa.top, revealed.bottom = wa.top + hidden.Height();
    onStrip = {midX, hidden.bottom - 3};
    pastEdge = {midX, revealed.bottom + 10};
  } else {
    revealed.right = wa.right, revealed.left = wa.right - hidden.Width();
    onStrip = {hidden.left + 3, midY};
    pastEdge = {revealed.left - 10, midY};
  }
  int xi = 0, yi = 0;
  auto move = [&](Point p) {
    const auto t0 = Clock::now();
    mover.MoveTo(p.x, p.y);
    mover.Where(xi, yi);  // the round trip: the server has moved the pointer
    return t0;
  };
  move(pastEdge);

  std::vector<double> reveal, peerLate, gone, hideStart, hiddenAt;
  int failed = 0;
  Frame last;
  const int rounds = Rounds();
  for (auto _ : state) {
    for (int round = 0; round < rounds; ++round) {
      if (!server.Settle(w, 100, 5000) || !server.WaitFor(w, Clock::now(), 5000, [&](const Frame& f) { return f == hidden; }, last)) {
        state.SkipWithError(("the window does not stand at its strip " + Text(hidden) + " but at " + Text(last)).c_str());
        return;
      }
      // Arrivals fall anywhere in the IDE's timers' periods.
      std::this_thread::sleep_for(std::chrono::milliseconds(20 + (round * 7) % 30));
      const auto t0 = move(onStrip);
      double late = -1;
      const auto a = server.WaitFor(
          w, t0, 5000, [&](const Frame& f) { return f.viewable && f.Near(revealed, 1); }, last, kOpenDelayMs, &late);
      if (!a) {
        std::fprintf(stderr, "round %d: not revealed within 5 s: %s, not %s\n", round, Text(last).c_str(),
                     Text(revealed).c_str());
        ++failed;
        move(pastEdge);
        continue;
      }
      reveal.push_back(*a);
      if (late >= 0) peerLate.push_back(late);
      const std::optional<Frame> shown = server.Settle(w, 150, 5000);
      if (!shown) {
        ++failed;
        move(pastEdge);
        continue;
      }
      const auto t1 = move(pastEdge);
      const auto g = server.WaitFor(w, t1, 5000, [&](const Frame& f) { return !f.viewable || !(f == *shown); }, last);
      const auto b = server.WaitFor(w, t1, 5000, [&](const Frame& f) { return !(f == *shown); }, last);
      const auto c = server.WaitFor(w, t1, 5000, [&](const Frame& f) { return f == hidden; }, last);
      if (!g || !b || !c) {
        std::fprintf(stderr, "round %d: not hidden within 5 s: %s, not %s\n", round, Text(last).c_str(),
                     Text(hidden).c_str());
        ++failed;
        continue;
      }
      gone.push_back(*g);
      hideStart.push_back(*b);
      hiddenAt.push_back(*c);
      if (Tracing())
        std::fprintf(stderr,
                     "edges %lld round %d: strip at %lld revealed +%.1f (own timer late %.1f); past edge at %lld "
                     "unmapped or moved +%.1f moved +%.1f hidden +%.1f\n",
                     TraceMs(Clock::now()), round, TraceMs(t0), *a, late, TraceMs(t1), *g, *b, *c);
    }
  }
  state.SetLabel(std::string(WmName()) + (window == 0 ? " main window" : " inspector"));
  SetPercentiles(state, "reveal", reveal);
  SetPercentiles(state, "timerlate", peerLate);
  SetPercentiles(state, "gone", gone);
  SetPercentiles(state, "hidestart", hideStart);
  SetPercentiles(state, "hidden", hiddenAt);
  state.counters["failed"] = failed;
}
BENCHMARK(BM_Edges)
    ->ArgNames({"animate", "window"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(1)
    ->Repetitions(1)  // the rounds are the repetitions: ./run-bench's 5 would take minutes
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The open delay is 100 ms: a reveal may take 16 ms more; the hide's first
// step 16 ms (one frame at 60 Hz).
constexpr double kRevealGoal = kOpenDelayMs + 16, kHideGoal = 16, kNone = -1;
const bool rows =
    (bench::AddPercentileRow("main: strip reached -> revealed, no animation", "BM_Edges/animate:0/window:0",
                             "reveal", kRevealGoal),
     bench::AddPercentileRow("inspector: strip reached -> revealed, no animation", "BM_Edges/animate:0/window:1",
                             "reveal", kRevealGoal),
     bench::AddPercentileRow("main: strip reached -> revealed, animation", "BM_Edges/animate:1/window:0", "reveal",
                             kNone),
     bench::AddPercentileRow("inspector: strip reached -> revealed, animation", "BM_Edges/animate:1/window:1",
                             "reveal", kNone),
     bench::AddPercentileRow("main: inner edge crossed -> hide begins, no animation", "BM_Edges/animate:0/window:0",
                             "hidestart", kNone),
     bench::AddPercentileRow("inspector: inner edge crossed -> hide begins, no animation",
                             "BM_Edges/animate:0/window:1", "hidestart", kNone),
     bench::AddPercentileRow("main: inner edge crossed -> hide begins, animation", "BM_Edges/animate:1/window:0",
                             "hidestart", kHideGoal),
     bench::AddPercentileRow("inspector: inner edge crossed -> hide begins, animation",
                             "BM_Edges/animate:1/window:1", "hidestart", kHideGoal),
     bench::AddPercentileRow("main: a 100 ms timer of this process, how late", "BM_Edges/animate:0/window:0",
                             "timerlate", kNone),
     bench::AddPercentileRow("main: inner edge crossed -> unmapped or moved, animation", "BM_Edges/animate:1/window:0",
                             "gone", kNone),
     bench::AddPercentileRow("inspector: inner edge crossed -> unmapped or moved, animation",
                             "BM_Edges/animate:1/window:1", "gone", kNone),
     bench::AddPercentileRow("main: inner edge crossed -> hidden, animation", "BM_Edges/animate:1/window:0", "hidden",
                             kNone),
     bench::AddPercentileRow("inspector: inner edge crossed -> hidden, animation", "BM_Edges/animate:1/window:1",
                             "hidden", kNone),
     true);

}  // namespace
