// Window placement on a real X server, under whatever window manager runs
// (placement_run.sh starts Xvfb and one window manager per run).  Two framed
// windows laid out like an IDE's main bar and inspector are hidden (leaving a
// strip at the screen edge), revealed and brought home through the platform
// façade; every rectangle is read back from the X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <thread>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"
#include "platform/backend/x11/Placement.h"
#include "platform/backend/x11/X11WindowSystem.h"
#include "tests/support/XServer.h"

namespace {

using platform::Rect;

constexpr int kHang = 5;

platform::x11::X11WindowSystem* X11() {
  return dynamic_cast<platform::x11::X11WindowSystem*>(platform::CurrentBackends().windows);
}

const char* WmName() {
  const char* wm = std::getenv("EDGETUCKER_WM");
  return wm && *wm ? wm : "none";
}

Rect Frame(QWidget* w) {
  Rect r;
  platform::GetWindowRect(platform::HandleOf(w), r);
  return r;
}

Rect Frame(platform::HWND h) {
  Rect r;
  platform::GetWindowRect(h, r);
  return r;
}

// Lets Qt and the window manager run until the window's frame has stood still
// for a while (a window manager answers a map with several configures).
void Settle(platform::HWND h, int stillMs = 150, int timeoutMs = 3000) {
  QElapsedTimer total, still;
  total.start();
  still.start();
  Rect last = Frame(h);
  while (total.elapsed() < timeoutMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    const Rect now = Frame(h);
    if (now != last) {
      last = now;
      still.restart();
    } else if (still.elapsed() >= stillMs) {
      return;
    }
  }
}
void Settle(QWidget* w, int stillMs = 150, int timeoutMs = 3000) { Settle(platform::HandleOf(w), stillMs, timeoutMs); }

// Shows the widget and waits until the X server shows it (a window manager
// maps it once it has framed it; on a loaded machine that may come after a
// settling pause, and a window moved before would be framed around the
// frame asked for it), at most 10 s; then settles.
void ShowAndSettle(QWidget& w) {
  w.show();
  xcb_connection_t* c = X11()->Connection();
  const auto x = static_cast<xcb_window_t>(platform::HandleOf(&w));
  auto viewable = [&] {
    auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, x), nullptr);
    const bool v = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return v;
  };
  QElapsedTimer t;
  t.start();
  while (!viewable() && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  Settle(&w);
}

// Settles a window that was asked to stand at `want`: first lets Qt and the
// window manager run until the frame stands within a pixel of it (on a loaded
// machine a manager may pause longer than Settle's still time between its
// configures, and the pause must not pass for the end), at most 10 s; then
// settles as above, so that a manager that moves it on is still seen.
void SettleAt(platform::HWND h, const Rect& want) {
  auto there = [&] {
    const Rect f = Frame(h);
    return std::abs(f.left - want.left) <= 1 && std::abs(f.top - want.top) <= 1 &&
           std::abs(f.right - want.right) <= 1 && std::abs(f.bottom - want.bottom) <= 1;
  };
  QElapsedTimer total;
  total.start();
  while (!there() && total.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  Settle(h);
}
void SettleAt(QWidget* w, const Rect& want) { SettleAt(platform::HandleOf(w), want); }

// How much of the frame stands on the 1280 x 800 screen, across the hiding edge.
int OnScreen(const Rect& f) {
  if (f.top < 0) return std::max(0, f.bottom);
  if (f.left < 0) return std::max(0, f.right);
  return std::max(0, 1280 - f.left);
}

void ExpectNear(const Rect& got, const Rect& want, int tolerance, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_NEAR(got.left, want.left, tolerance);
  EXPECT_NEAR(got.top, want.top, tolerance);
  EXPECT_NEAR(got.right, want.right, tolerance);
  EXPECT_NEAR(got.bottom, want.bottom, tolerance);
}

// Asks for the frame at r through the platform façade, as the engine does.
void MoveTo(platform::HWND h, const Rect& r) { platform::MoveWindow(h, r.left, r.top, r.Width(), r.Height(), true); }

// The rectangle a slide passes through, step by step, as the engine moves it.
void Slide(platform::HWND h, const Rect& target, int steps) {
  Rect cur = Frame(h);
  const int dl = (target.left - cur.left) / steps, dr = (target.right - cur.right) / steps;
  const int dt = (target.top - cur.top) / steps, db = (target.bottom - cur.bottom) / steps;
  for (int i = 0; i < steps; ++i) {
    cur = Rect{cur.left + dl, cur.top + dt, cur.right + dr, cur.bottom + db};
    platform::MoveWindow(h, cur.left, cur.top, cur.Width(), cur.Height(), true);
  }
  platform::MoveWindow(h, target.left, target.top, target.Width(), target.Height(), true);
  QApplication::processEvents();
}
void Slide(QWidget* w, const Rect& target, int steps) { Slide(platform::HandleOf(w), target, steps); }

struct Case {
  const char* name;
  Rect home;                     // where the window's frame is asked to stand at first
  // From the home frame and the height the engine gives a side window (the
  // work area's, as SM_CYFULLSCREEN + SM_CYCAPTION add up to).
  Rect (*hidden)(const Rect&, int cy);
  Rect (*shown)(const Rect&, int cy);
};

class Placement : public ::testing::TestWithParam<Case> {
protected:
  void SetUp() override {
    if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  }
};

TEST_P(Placement, HideRevealAndComeHomeExactly) {
  const Case& c = GetParam();
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  QWidget w;
  w.setWindowTitle(c.name);
  ShowAndSettle(w);
  const platform::HWND h = platform::HandleOf(&w);
  platform::MoveWindow(h, c.home.left, c.home.top, c.home.Width(), c.home.Height(), true);
  SettleAt(&w, c.home);
  const Rect home = Frame(&w);
  const QRect homeClient = w.geometry();
  ExpectNear(home, c.home, 1, "home as asked");
  const bool wm = X11()->WmRunning();

  // Hidden: exactly the strip of the frame stays on the screen.
  const int cy = platform::GetSystemMetrics(platform::SM_CYFULLSCREEN) +
                 platform::GetSystemMetrics(platform::SM_CYCAPTION);
  const Rect hidden = c.hidden(home, cy);
  Slide(&w, hidden, 5);
  ExpectNear(Frame(&w), hidden, 1, "hidden");
  EXPECT_NEAR(OnScreen(Frame(&w)), kHang, 1) << "the strip left on the screen";
  std::cout << "[ strip ] " << WmName() << " " << c.name << ": frame " << Frame(&w).left << "," << Frame(&w).top
            << " .. " << Frame(&w).right << "," << Frame(&w).bottom << "; on screen: "
            << OnScreen(Frame(&w)) << " px" << std::endl;

  // Revealed: at the shown rectangle, framed and managed again.
  const Rect shown = c.shown(home, cy);
  Slide(&w, shown, 5);
  SettleAt(&w, shown);
  ExpectNear(Frame(&w), shown, 1, "revealed");
  EXPECT_FALSE(X11()->IsUnmanaged(h));
  if (wm) {
    EXPECT_NE(w.geometry().topLeft(), QPoint(Frame(&w).left, Frame(&w).top)) << "framed again";
  }

  // Hidden again, then home: frame and client exactly where they were.
  Slide(&w, hidden, 3);
  ExpectNear(Frame(&w), hidden, 1, "hidden again");
  Slide(&w, home, 3);
  SettleAt(&w, home);
  EXPECT_EQ(Frame(&w), home);
  EXPECT_EQ(w.geometry(), homeClient);
  EXPECT_FALSE(X11()->IsUnmanaged(h));
}

constexpr int kScreenW = 1280;

const Case kCases[] = {
    {"main bar, hidden off the top", Rect{0, 0, 1000, 120},
     [](const Rect& home, int) { return Rect{0, kHang - home.Height(), kScreenW, kHang}; },
     [](const Rect& home, int) { return Rect{0, 0, kScreenW, home.Height()}; }},
    {"inspector, hidden off the left", Rect{10, 110, 210, 700},
     [](const Rect& home, int cy) { return Rect{kHang - home.Width(), 0, kHang, cy}; },
     [](const Rect& home, int cy) { return Rect{0, 0, home.Width(), cy}; }},
    {"inspector, hidden off the right", Rect{1000, 110, 1200, 700},
     [](const Rect& home, int cy) { return Rect{kScreenW - kHang, 0, kScreenW - kHang + home.Width(), cy}; },
     [](const Rect& home, int cy) { return Rect{kScreenW - home.Width(), 0, kScreenW, cy}; }},
};

INSTANTIATE_TEST_SUITE_P(X11, Placement, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           return std::string(i.index == 0 ? "MainTop" : i.index == 1 ? "InspectorLeft" : "InspectorRight");
                         });

// ---- windows of another process ----------------------------------------------
//
// An xterm is another process's window with its own size hints: resize
// increments, and a window gravity by its -geometry (NorthWest for +X+Y,
// NorthEast for -X+Y, SouthEast for -X-Y), which the window manager applies to
// every position that the client (or anyone for it) asks for.  Its frame must
// land where the engine asks whatever that gravity is.

std::vector<std::uint32_t> NormalHints(platform::HWND h) {
  xcb_connection_t* c = X11()->Connection();
  std::vector<std::uint32_t> out;
  auto* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, static_cast<xcb_window_t>(h), XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, 64),
      nullptr);
  if (r && r->format == 32) {
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    out.assign(v, v + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
  return out;
}

// The client window's own size, as the X server has it.
QSize ClientSize(platform::HWND h) {
  xcb_connection_t* c = X11()->Connection();
  auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, static_cast<xcb_window_t>(h)), nullptr);
  const QSize s = g ? QSize(g->width, g->height) : QSize();
  std::free(g);
  return s;
}

// A window of a process of its own (an xterm, the held bar), titled `title`;
// stops it when done.
class Foreign {
public:
  Foreign(const QString& program, const QStringList& args, const QString& title) {
    proc_.start(program, args);
    if (!proc_.waitForStarted(3000)) return;
    const std::string want = title.toStdString();
    WaitForWindow([&] {
      for (platform::HWND h : platform::CurrentBackends().windows->Stacking())
        if (auto id = platform::CurrentBackends().windows->Identify(h); id && id->title == want) handle_ = h;
      return handle_ != 0;
    });
  }
  ~Foreign() { End(); }
  bool Started() const { return proc_.state() != QProcess::NotRunning; }
  // Kills the process and waits for it (at most 2 s), then for the window
  // manager to let go of its window (at most 10 s): the next client gets the
  // same window ids, and a window manager still holding the old window under
  // that id takes the new one for it (on a loaded machine it framed the next
  // bar at the last one's size).
  void End() {
    if (proc_.state() == QProcess::NotRunning) return;
    proc_.kill();
    proc_.waitForFinished(2000);
    if (handle_ != 0) WaitForWindow([&] { return !Listed(handle_); });
  }
  platform::HWND Handle() const { return handle_; }
  // Waits (at most ms) until the process has printed `line`.
  bool Printed(const QByteArray& line, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      output_ += proc_.readAllStandardOutput();
      if (output_.contains(line + '\n')) return true;
      proc_.waitForReadyRead(20);
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return false;
  }

private:
  // True while the window manager lists the window among its clients.
  static bool Listed(platform::HWND h) {
    xcb_connection_t* c = X11()->Connection();
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 16, "_NET_CLIENT_LIST"), nullptr);
    if (!atom) return false;
    auto* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, X11()->Root(), atom->atom, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    std::free(atom);
    bool listed = false;
    if (r && r->format == 32) {
      const auto* v = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
      listed = std::find(v, v + xcb_get_property_value_length(r) / 4, static_cast<xcb_window_t>(h)) !=
               v + xcb_get_property_value_length(r) / 4;
    }
    std::free(r);
    return listed;
  }
  template <class Pred> static void WaitForWindow(Pred pred) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  QProcess proc_;
  platform::HWND handle_ = 0;
  QByteArray output_;
};

struct ForeignCase {
  const char* name;
  const char* geometry;  // the xterm's -geometry: its size, place and gravity
  Rect (*hidden)(const Rect& home, int cy);
  Rect (*shown)(const Rect& home, int cy);
};

class ForeignPlacement : public ::testing::TestWithParam<ForeignCase> {
protected:
  void SetUp() override {
    if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  }
};

TEST_P(ForeignPlacement, AnotherProcesssWindowHidesRevealsAndComesHomeExactly) {
  const ForeignCase& c = GetParam();
  SCOPED_TRACE(std::string("window manager: ") + WmName() + ", xterm -geometry " + c.geometry);
  const QString title = QString("foreign %1").arg(c.name);
  Foreign xterm("xterm", {"-T", title, "-geometry", c.geometry, "-e", "sleep", "600"}, title);
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  const platform::HWND h = xterm.Handle();
  ASSERT_NE(h, 0u) << "the xterm's window did not appear";
  Settle(h);
  const Rect home = Frame(h);
  const QSize homeClient = ClientSize(h);
  const std::vector<std::uint32_t> ownHints = NormalHints(h);
  const int cy = platform::GetSystemMetrics(platform::SM_CYFULLSCREEN) +
                 platform::GetSystemMetrics(platform::SM_CYCAPTION);
  const Rect hidden = c.hidden(home, cy), shown = c.shown(home, cy);
  auto report = [&](const char* what) {
    const Rect f = Frame(h);
    std::cout << "[ xterm ] " << WmName() << " " << c.name << " " << what << ": frame " << f.left << "," << f.top
              << " .. " << f.right << "," << f.bottom << std::endl;
  };

  // Twice round, as a window hides and reveals again and again.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "first round" : "second round");
    Slide(h, hidden, 4);
    ExpectNear(Frame(h), hidden, 1, "hidden");
    EXPECT_NEAR(OnScreen(Frame(h)), kHang, 1) << "the strip left on the screen";
    if (round == 0) report("hidden");

    Slide(h, shown, 4);
    SettleAt(h, shown);
    ExpectNear(Frame(h), shown, 1, "given back at the shown rectangle");
    EXPECT_FALSE(X11()->IsUnmanaged(h));
    if (round == 0) report("shown");
  }

  Slide(h, hidden, 3);
  ExpectNear(Frame(h), hidden, 1, "hidden before Stop");
  platform::MoveWindow(h, home.left, home.top, home.Width(), home.Height(), true);
  SettleAt(h, home);
  report("home");
  EXPECT_EQ(Frame(h), home) << "Stop brings the frame home";
  EXPECT_EQ(ClientSize(h), homeClient) << "and the client at its own size";
  EXPECT_FALSE(X11()->IsUnmanaged(h));
  // By meaning: the xterm itself writes its size into the obsolete fields.
  EXPECT_EQ(platform::x11::Normalized(NormalHints(h)), platform::x11::Normalized(ownHints))
      << "the client's own size hints are its own again";

  // Home from the shown rectangle too (Stop while a window is revealed).
  Slide(h, shown, 2);
  platform::MoveWindow(h, home.left, home.top, home.Width(), home.Height(), true);
  SettleAt(h, home);
  EXPECT_EQ(Frame(h), home) << "Stop while revealed";
}

const ForeignCase kForeignCases[] = {
    {"main", "200x5+0+0",
     [](const Rect& home, int) { return Rect{0, kHang - home.Height(), kScreenW, kHang}; },
     [](const Rect& home, int) { return Rect{0, 0, kScreenW, home.Height()}; }},
    {"inspector-left", "30x30+10+110",
     [](const Rect& home, int cy) { return Rect{kHang - home.Width(), 0, kHang, cy}; },
     [](const Rect& home, int cy) { return Rect{0, 0, home.Width(), cy}; }},
    {"inspector-right", "30x30-80+110",
     [](const Rect& home, int cy) { return Rect{kScreenW - kHang, 0, kScreenW - kHang + home.Width(), cy}; },
     [](const Rect& home, int cy) { return Rect{kScreenW - home.Width(), 0, kScreenW, cy}; }},
    {"inspector-left-bottom-anchored", "30x20-600-100",
     [](const Rect& home, int cy) { return Rect{kHang - home.Width(), 0, kHang, cy}; },
     [](const Rect& home, int cy) { return Rect{0, 0, home.Width(), cy}; }},
    // At home against the screen's right edge: the first steps already hide it, so
    // it is shown again before the window manager ever moved it in the open
    // (nothing learned of how it reads a position for it).
    {"inspector-right-from-the-corner", "30x30-0+0",
     [](const Rect& home, int cy) { return Rect{kScreenW - kHang, 0, kScreenW - kHang + home.Width(), cy}; },
     [](const Rect& home, int cy) { return Rect{kScreenW - home.Width(), 0, kScreenW, cy}; }},
    {"inspector-right-bottom-anchored-from-the-edge", "30x20-0-40",
     [](const Rect& home, int cy) { return Rect{kScreenW - kHang, 0, kScreenW - kHang + home.Width(), cy}; },
     [](const Rect& home, int cy) { return Rect{kScreenW - home.Width(), 0, kScreenW, cy}; }},
};

INSTANTIATE_TEST_SUITE_P(X11, ForeignPlacement, ::testing::ValuesIn(kForeignCases),
                         [](const ::testing::TestParamInfo<ForeignCase>& i) {
                           std::string n;
                           for (const char* p = i.param.name; *p; ++p)
                             if (std::isalnum(static_cast<unsigned char>(*p))) n += *p;
                           return n;
                         });

// Without a layout to ask, whether a window stands in a tile is seen from a
// move a pixel aside.  Under dwm another program's ordinary window stands in
// a tile and is kept there, and a dialog floats: it moves, and is put back
// exactly.  Under a floating window manager (which frames its windows) and
// with none, nothing is a tile and nothing moves.
TEST(TilingNudge, ATileIsKeptAFloatingWindowIsPutBackExactly) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  const bool tiling = std::string(WmName()) == "dwm";
  Foreign xterm("xterm", {"-T", "tiled", "-geometry", "60x10+300+200", "-e", "sleep", "600"}, "tiled");
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  ASSERT_NE(xterm.Handle(), 0u);
  Settle(xterm.Handle());
  QWidget dialog(nullptr, Qt::Dialog);
  dialog.setWindowTitle("floating");
  dialog.resize(300, 200);
  ShowAndSettle(dialog);
  struct Row {
    const char* name;
    platform::HWND window;
    bool tiled;
  };
  const Row rows[] = {
      {"another program's window", xterm.Handle(), tiling},
      {"a dialog of ours", platform::HandleOf(&dialog), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Rect home = Frame(r.window);
    EXPECT_EQ(X11()->Tiled(r.window), r.tiled);
    EXPECT_EQ(Frame(r.window), home);
    EXPECT_FALSE(X11()->IsUnmanaged(r.window));
  }
}

// Moves the window's frame's top-left corner to (x, y) as a pager would
// (_NET_MOVERESIZE_WINDOW as a pager, x and y read north-west), so that
// the window manager keeps it managed wherever it lets it go; then settles.
void PagerMove(platform::HWND h, int x, int y) {
  xcb_connection_t* c = X11()->Connection();
  auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 22, "_NET_MOVERESIZE_WINDOW"), nullptr);
  ASSERT_NE(atom, nullptr);
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = static_cast<xcb_window_t>(h);
  ev.type = atom->atom;
  std::free(atom);
  ev.data.data32[0] = (1u << 8) | (1u << 9) | (2u << 12) | 1u;
  ev.data.data32[1] = static_cast<std::uint32_t>(x);
  ev.data.data32[2] = static_cast<std::uint32_t>(y);
  xcb_send_event(c, 0, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  xcb_flush(c);
  Settle(h);
}

// The window's top-level ancestor: its window manager's frame, or itself.
xcb_window_t TopLevel(platform::HWND h) {
  xcb_connection_t* c = X11()->Connection();
  auto w = static_cast<xcb_window_t>(h);
  for (int depth = 0; depth < 8; ++depth) {
    auto* t = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    const bool top = !t || t->parent == t->root;
    if (t && !top) w = t->parent;
    std::free(t);
    if (top) break;
  }
  return w;
}

// An IDE that saved a hidden place starts with its window there, framed and
// managed, partly off the screen (where the window manager lets it stand);
// the bridge then brings it home with an ordinary move.
TEST(ForeignOffScreen, AManagedWindowLeftPartlyOffTheScreenComesHome) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning()) GTEST_SKIP() << "without a window manager nothing is framed";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  const QString title = "foreign off";
  Foreign xterm("xterm", {"-T", title, "-geometry", "200x5+0+0", "-e", "sleep", "600"}, title);
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  const platform::HWND h = xterm.Handle();
  ASSERT_NE(h, 0u);
  Settle(h);
  const Rect home = Frame(h);
  // Where the IDE puts it: asked as a pager would, so that the window manager
  // keeps it managed wherever it lets it go.
  PagerMove(h, 0, kHang - home.Height());
  const Rect away = Frame(h);
  if (away.top > -home.Height() / 2) GTEST_SKIP() << "the window manager keeps the window on the screen";
  EXPECT_FALSE(X11()->IsUnmanaged(h));
  platform::MoveWindow(h, home.left, home.top, home.Width(), home.Height(), true);
  SettleAt(h, home);
  EXPECT_EQ(Frame(h), home) << "from " << away.left << "," << away.top;
}

// An IDE whose home stands partly above the screen, framed by the window
// manager (Lazarus puts its main bar's title bar there): hidden, revealed and
// hidden again, it comes home framed as it was, the window manager's again,
// not shown unmanaged at its home's rectangle.
TEST(ForeignOffScreen, AHomePartlyOffTheScreenIsFramedAgainAtStop) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning()) GTEST_SKIP() << "without a window manager nothing is framed";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  const QString title = "foreign home off";
  Foreign xterm("xterm", {"-T", title, "-geometry", "200x5+0+100", "-e", "sleep", "600"}, title);
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  const platform::HWND h = xterm.Handle();
  ASSERT_NE(h, 0u);
  Settle(h);
  // 60 rows above the screen: more than any window manager's borders.
  PagerMove(h, 0, -60);
  const Rect home = Frame(h);
  if (home.top > -50) GTEST_SKIP() << "the window manager keeps the window on the screen";
  const Rect hidden{home.left, kHang - home.Height(), home.right, kHang};
  const Rect shown{home.left, 0, home.right, home.Height()};
  Slide(h, hidden, 3);
  ExpectNear(Frame(h), hidden, 1, "hidden");
  Slide(h, shown, 3);
  SettleAt(h, shown);
  Slide(h, hidden, 3);
  platform::MoveWindow(h, home.left, home.top, home.Width(), home.Height(), true);
  SettleAt(h, home);
  EXPECT_EQ(Frame(h), home);
  EXPECT_FALSE(X11()->IsUnmanaged(h)) << "home, the window is the window manager's again";
  EXPECT_NE(TopLevel(h), static_cast<xcb_window_t>(h)) << "and framed";
}

// ---- a window manager that answers late ---------------------------------------
//
// On a loaded machine a window manager took well over half a second to handle
// a request.  Stopped a while (its process group), it answers late for sure: a
// move asked meanwhile must land exactly once it answers, not where
// corrections sent on top of the unanswered request put it, and nothing
// learned from that landing may send the next move astray.

// Stops the window manager's process group (placement_run.sh names it) at
// once, and lets it go on after `ms` from another thread: the move under test
// holds this one until the window manager answers.
class WmStall {
public:
  explicit WmStall(int ms) : group_(Group()) {
    if (group_ <= 0) return;
    ::kill(-group_, SIGSTOP);
    thread_ = std::thread([this, ms] {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      ::kill(-group_, SIGCONT);
    });
  }
  ~WmStall() {
    if (thread_.joinable()) thread_.join();
  }
  static pid_t Group() {
    const char* v = std::getenv("EDGETUCKER_WM_PGID");
    return v && *v ? static_cast<pid_t>(std::atoi(v)) : 0;
  }

private:
  pid_t group_;
  std::thread thread_;
};

TEST(LateWm, AMoveAnsweredLateLandsExactly) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning() || WmStall::Group() <= 0) GTEST_SKIP() << "no window manager of the test's own to stop";
  // Those that do not tell when they have handled a request are watched a
  // while only (fluxbox, kwin_x11).
  const std::string wm = WmName();
  if (wm != "openbox" && wm != "xfwm4" && wm != "icewm" && wm != "metacity")
    GTEST_SKIP() << wm << " is not known to tell when it has handled a request";
  SCOPED_TRACE("window manager: " + wm);
  // Its first answer may come late on a loaded machine.
  QElapsedTimer told;
  told.start();
  while (!X11()->WmTellsWhenDone() && told.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_TRUE(X11()->WmTellsWhenDone()) << "it tells when it has handled a request";
  const int cy = platform::GetSystemMetrics(platform::SM_CYFULLSCREEN) +
                 platform::GetSystemMetrics(platform::SM_CYCAPTION);
  const struct {
    const char* name;
    Rect from;  // where it stands before the window manager stops
    Rect to;    // asked while it is stopped
  } rows[] = {
      {"a move on the screen", Rect{100, 100, 500, 400}, Rect{137, 123, 537, 423}},
      {"a move by a pixel", Rect{100, 100, 500, 400}, Rect{99, 100, 499, 400}},
      {"a resize", Rect{100, 100, 500, 400}, Rect{100, 100, 560, 470}},
      // Given back to the window manager while it is stopped: it frames the
      // window late, and the move after the map waits for that too.
      {"a reveal from the strip", Rect{kHang - 200, 0, kHang, cy}, Rect{0, 0, 200, cy}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget w;
    w.setWindowTitle(row.name);
    ShowAndSettle(w);
    const platform::HWND h = platform::HandleOf(&w);
    platform::MoveWindow(h, 300, 200, 400, 300, true);
    SettleAt(h, Rect{300, 200, 700, 500});
    platform::MoveWindow(h, row.from.left, row.from.top, row.from.Width(), row.from.Height(), true);
    SettleAt(h, row.from);
    ASSERT_EQ(Frame(h), row.from) << "in place before the window manager stops";
    {
      WmStall stall(1000);
      platform::MoveWindow(h, row.to.left, row.to.top, row.to.Width(), row.to.Height(), true);
    }
    SettleAt(h, row.to);
    EXPECT_EQ(Frame(h), row.to) << "landed once the window manager answered";
    // Nothing wrong learned on the way.
    const Rect next{250, 150, 650, 450};
    platform::MoveWindow(h, next.left, next.top, next.Width(), next.Height(), true);
    SettleAt(h, next);
    EXPECT_EQ(Frame(h), next) << "the next move";
  }
}

// A hide does not wait for the window manager to let go of the window: with
// the window manager stopped, each move off the screen returns with the
// window still being withdrawn, and the window stands exactly where the last
// of them asked once the window manager has let go.  A move back home before
// that waits for it, and lands home framed.
TEST(LateWm, AHideNeverWaitsForTheWindowManagerToLetGo) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning() || WmStall::Group() <= 0) GTEST_SKIP() << "no window manager of the test's own to stop";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  const Rect home{300, 200, 700, 500};
  const Rect hidden{kHang - home.Width(), home.top, kHang, home.bottom};
  const struct {
    const char* name;
    std::vector<Rect> off;  // asked while the window manager is stopped
    bool backHome;          // and then home, still while it is stopped
  } rows[] = {
      {"a jump off the screen", {hidden}, false},
      {"a slide's last steps, the last one kept",
       {Rect{hidden.left + 40, home.top, hidden.right + 40, home.bottom},
        Rect{hidden.left + 20, home.top, hidden.right + 20, home.bottom}, hidden},
       false},
      {"off and straight back home", {hidden}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget w;
    w.setWindowTitle(row.name);
    ShowAndSettle(w);
    const platform::HWND h = platform::HandleOf(&w);
    MoveTo(h, home);
    SettleAt(h, home);
    ASSERT_EQ(Frame(h), home) << "in place before the window manager stops";
    {
      WmStall stall(1000);
      for (const Rect& r : row.off) {
        MoveTo(h, r);
        EXPECT_TRUE(X11()->IsWithdrawing(h)) << "the move returned before the window manager let go";
      }
      if (row.backHome) MoveTo(h, home);
    }
    if (row.backHome) {
      SettleAt(h, home);
      EXPECT_EQ(Frame(h), home) << "home once the window manager answered";
      EXPECT_FALSE(X11()->IsUnmanaged(h)) << "framed again";
      continue;
    }
    QElapsedTimer t;
    t.start();
    while (X11()->IsWithdrawing(h) && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(X11()->IsWithdrawing(h)) << "the window manager's answer came as an event";
    EXPECT_EQ(Frame(h), row.off.back()) << "where the last move asked";
    EXPECT_TRUE(X11()->IsUnmanaged(h));
    Slide(h, home, 3);
    SettleAt(h, home);
    EXPECT_EQ(Frame(h), home) << "home again";
  }
}

// A bar of another process that holds its height (min = max in its hints,
// and it configures itself back to it): unframed while hidden it cannot take
// the frame's height, and must still leave its strip, not shrink away from
// the screen edge; revealed and at home it stands framed as before, even
// where its frame sticks out past the screen by its borders.  One whose
// height follows its width takes another height a moment after each move to
// another width, and must be kept at its strip all the same.
TEST(HeldSize, ABarHoldingItsHeightLeavesItsStripAndComesHome) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  const QString helper = QCoreApplication::applicationDirPath() + "/test_x11_heldbar";
  const struct {
    const char* name;
    int width;        // at home
    int height;       // at that width
    int otherHeight;  // at any other width
    bool jump;        // hidden in one move (no steps for the client to answer in between)
  } rows[] = {
      // As wide as the screen: framed, it sticks out by its side borders at
      // home (10 px under xfwm4) and must still come home framed.
      {"screen-wide, one height", kScreenW, 60, 60, false},
      {"height follows width", 1000, 60, 40, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Foreign bar(helper,
                {"held bar", QString::number(r.width), QString::number(r.height), "0", "0",
                 QString::number(r.otherHeight)},
                "held bar");
    ASSERT_TRUE(bar.Started()) << helper.toStdString();
    const platform::HWND h = bar.Handle();
    ASSERT_NE(h, 0u) << "the bar's window did not appear";
    // The bar answers the width it is framed at with its height, in its own
    // time: on a loaded machine after more than a settling pause.
    QElapsedTimer sized;
    sized.start();
    while (ClientSize(h).height() != r.height && sized.elapsed() < 10000)
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    Settle(h);
    const Rect home = Frame(h);
    ASSERT_EQ(ClientSize(h).height(), r.height)
        << "client " << ClientSize(h).width() << " x " << ClientSize(h).height() << ", frame " << home.left << ","
        << home.top << " .. " << home.right << "," << home.bottom;
    const Rect hidden{0, kHang - home.Height(), kScreenW, kHang};
    const Rect shown{0, 0, kScreenW, home.Height()};

    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round == 0 ? "first round" : "second round");
      if (r.jump)
        platform::MoveWindow(h, hidden.left, hidden.top, hidden.Width(), hidden.Height(), true);
      else
        Slide(h, hidden, 4);
      Settle(h);
      const Rect f = Frame(h);
      EXPECT_NEAR(f.bottom, kHang, 1) << "the bottom edge stays where it was asked";
      EXPECT_NEAR(OnScreen(f), kHang, 1) << "the strip left on the screen";
      EXPECT_EQ(ClientSize(h).height(), r.width == kScreenW ? r.height : r.otherHeight) << "at its own height";
      EXPECT_EQ(f.left, 0);
      EXPECT_EQ(f.right, kScreenW);

      Slide(h, shown, 4);
      Settle(h);
      if (r.height == r.otherHeight) {
        ExpectNear(Frame(h), shown, 1, "given back at the shown rectangle");
      } else {
        // Its own height, whatever was asked: the corner and width are ours.
        const Rect g = Frame(h);
        ExpectNear(Rect{g.left, g.top, g.right, g.top + shown.Height()}, shown, 1, "given back at the shown place");
      }
      EXPECT_FALSE(X11()->IsUnmanaged(h));
    }
    Slide(h, hidden, 3);
    platform::MoveWindow(h, home.left, home.top, home.Width(), home.Height(), true);
    SettleAt(h, home);
    EXPECT_EQ(Frame(h), home) << "Stop brings the frame home";
    EXPECT_FALSE(X11()->IsUnmanaged(h));
  }
}

// A client that resizes itself a moment after the window manager has framed
// it again (a toolkit re-applying a size it laid itself out at before) is
// asked for the given-back frame again: Stop leaves it home, whether the
// resize comes before the hand-back's own move has landed or after, and
// after a slide that handed it back on the way and moved it on managed.
TEST(LateSize, AClientResizingItselfAfterTheHandBackIsPutBackHome) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning()) GTEST_SKIP() << "without a window manager nothing is handed back";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  const QString helper = QCoreApplication::applicationDirPath() + "/test_x11_latesize";
  const struct {
    const char* name;
    int delayMs;
    int steps;  // 1: Stop's jump home
  } rows[] = {
      {"as soon as it is framed", 0, 1},
      {"after the landing", 400, 1},
      {"after a slide home", 400, 6},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Foreign app(helper, {"late size", "400", "200", "300", "200", QString::number(r.delayMs), "400", "237"},
                "late size");
    ASSERT_TRUE(app.Started()) << helper.toStdString();
    const platform::HWND h = app.Handle();
    ASSERT_NE(h, 0u) << "the window did not appear";
    Settle(h);
    const Rect home = Frame(h);
    const QSize ownSize = ClientSize(h);
    const Rect hidden{home.left, kHang - home.Height(), home.right, kHang};
    platform::MoveWindow(h, hidden.left, hidden.top, hidden.Width(), hidden.Height(), true);
    SettleAt(h, hidden);
    if (!X11()->IsUnmanaged(h)) GTEST_SKIP() << "the window manager keeps the window on the screen";

    if (r.steps == 1)
      platform::MoveWindow(h, home.left, home.top, home.Width(), home.Height(), true);
    else
      Slide(h, home, r.steps);
    // Once the window manager has made it the client's size, the frame must
    // come home again.
    ASSERT_TRUE(app.Printed("resized", 10000)) << "the client did not resize itself after the hand-back";
    SettleAt(h, home);
    EXPECT_EQ(Frame(h), home) << "home after the client's own late resize";
    EXPECT_EQ(ClientSize(h), ownSize);
    EXPECT_FALSE(X11()->IsUnmanaged(h));
  }
}

// Moving a window nobody shows, on or off the screen, must not show it.
TEST(PlacementHidden, MovingAHiddenWindowKeepsItHidden) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  QWidget w;
  w.setGeometry(100, 100, 200, 200);
  const platform::HWND h = platform::HandleOf(&w);  // a native window, never mapped
  for (const Rect r : {Rect{-195, 0, 5, 600}, Rect{10, 10, 210, 210}}) {
    platform::MoveWindow(h, r.left, r.top, r.Width(), r.Height(), true);
    QApplication::processEvents();
    const auto stacking = platform::CurrentBackends().windows->Stacking();
    EXPECT_EQ(std::count(stacking.begin(), stacking.end(), h), 0);
    EXPECT_NE(platform::WindowFromPoint({r.left + 10, r.top + 10}), h);
    EXPECT_FALSE(X11()->IsUnmanaged(h));
  }
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// A host's rule that counts another process's windows (the xterms standing
// in for the IDE's) as the application's own, beside this process's.
bool OursAndXTerms(platform::HWND h) {
  auto id = platform::CurrentBackends().windows->Identify(h);
  return platform::WidgetFromHandle(h) != nullptr || (id && id->cls == "XTerm");
}

// Our main window and a panel, as the add-in's windows stand when Start is
// pressed: both shown and settled, the panel active with the X focus.
void ShowWithPanelActive(QWidget& main, QWidget& panel) {
  main.setGeometry(0, 0, 600, 100);
  ShowAndSettle(main);
  panel.setGeometry(100, 200, 300, 200);
  ShowAndSettle(panel);
  panel.activateWindow();
  X11()->Focus(platform::HandleOf(&panel));
  ASSERT_TRUE(WaitFor([&] { return panel.isActiveWindow(); }, 3000));
  ASSERT_TRUE(WaitFor([] { return platform::IsApplicationActive(); }, 3000));
}

// A window of ours that had the focus hides itself (the panel at Start): that is
// no loss of activation, and without a window manager the focus goes back to
// the main window.  A window of another process taking the focus is one.
TEST(Activation, OurWindowHidingIsNoLossAnotherProcessTakingTheFocusIs) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  QWidget main, panel;
  ASSERT_NO_FATAL_FAILURE(ShowWithPanelActive(main, panel));

  panel.hide();
  // Qt gives up on a lost focus after 400 ms: wait past that.
  WaitFor([] { return false; }, 1200);
  EXPECT_TRUE(platform::IsApplicationActive());
  if (!X11()->WmRunning()) {
    EXPECT_EQ(X11()->FocusedWindow(), platform::HandleOf(&main)) << "the focus went back to the main window";
  }

  Foreign xterm("xterm", {"-T", "another process", "-geometry", "40x10+700+300"}, "another process");
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  ASSERT_NE(xterm.Handle(), 0u) << "the xterm did not come up";
  // Without a window manager nothing gives the new window the focus: the
  // pointer's click would; ask for it the way a window manager would.
  QElapsedTimer t;
  t.start();
  bool inactive = WaitFor(
      [&] {
        if (!X11()->WmRunning() && t.elapsed() > 500) X11()->Focus(xterm.Handle());
        return !platform::IsApplicationActive();
      },
      5000);
  EXPECT_TRUE(inactive) << "the focus went to another process";

  // A host that serves that process's windows counts them as its own: with
  // its rule installed the same focus is the application's again.
  const platform::HWND focused = X11()->FocusedWindow();
  platform::SetActivationOwner(OursAndXTerms);
  EXPECT_TRUE(platform::IsApplicationActive()) << "installing the rule decides anew";
  EXPECT_TRUE(platform::CountsAsOwnForActivation(focused));
  platform::SetActivationOwner({});
  EXPECT_FALSE(platform::CountsAsOwnForActivation(focused)) << "the default again: only this process's windows";
  xterm.End();
  platform::SetApplicationActive(true);
}

// The activation taken while the X focus stays in a window of ours (KWin,
// counting a native window active, leaves the X focus where it was): a click
// on a window of ours brings it back, though neither the X focus nor the
// window manager's active window changes.  A second click soon after the
// first comes as a double click alone.
TEST(Activation, AClickOnAWindowOfOursDecidesAgain) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  QWidget main, panel;
  ASSERT_NO_FATAL_FAILURE(ShowWithPanelActive(main, panel));
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick}) {
    SCOPED_TRACE(type == QEvent::MouseButtonPress ? "a press" : "a double click");
    platform::SetApplicationActive(false);
    const QPointF at(20, 20);
    QMouseEvent click(type, at, panel.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel, &click);
    EXPECT_TRUE(WaitFor([] { return platform::IsApplicationActive(); }, 3000));
  }
}

// A window of ours in another process (the IDE's, where the host's rule counts
// it ours), hidden at an edge where no window manager manages it: Qt hears
// nothing of a click on it, only the X server's raw press tells.  The click
// gives it the X focus and decides the activation again, as a click on one
// of our widgets does; the activation taken beforehand stands for a
// compositor's word of a native window's focus, which nothing else would take
// back while the X focus stays with us.
TEST(Activation, AClickOnAnotherProcesssWindowOfOursDecidesAgain) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning()) GTEST_SKIP() << "without a window manager the X focus alone decides";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  testx::PointerMover mouse(qgetenv("DISPLAY").toStdString());
  if (!mouse.Ok()) GTEST_SKIP() << "the X server has no XTest";
  Foreign xterm("xterm", {"-T", "the IDE", "-geometry", "40x10+700+300"}, "the IDE");
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  const platform::HWND ide = xterm.Handle();
  ASSERT_NE(ide, 0u) << "the xterm did not come up";
  Settle(ide);
  QWidget main, panel;
  ASSERT_NO_FATAL_FAILURE(ShowWithPanelActive(main, panel));
  platform::SetActivationOwner(OursAndXTerms);

  const Rect home = Frame(ide);
  const Rect hidden{home.left, kHang - home.Height(), home.right, kHang};
  X11()->Move(ide, hidden);
  ASSERT_TRUE(X11()->IsUnmanaged(ide)) << "hidden at the top, out of the window manager's hands";
  // Past Qt's 400 ms of grace for a focus lost with the unmapping.
  WaitFor([] { return false; }, 1200);
  platform::SetApplicationActive(false);

  // A real click in the middle of its strip.
  mouse.MoveTo((hidden.left + hidden.right) / 2, kHang / 2);
  mouse.Click();
  EXPECT_TRUE(WaitFor([] { return platform::IsApplicationActive(); }, 5000)) << "the click decided again";
  EXPECT_EQ(X11()->FocusedWindow(), ide) << "the click gave the hidden window the X focus";

  X11()->Move(ide, home);
  platform::SetActivationOwner({});
  xterm.End();
  platform::SetApplicationActive(true);
}

// Every window of ours leaves the screen while another application's window
// stands (the add-in at Start): the window manager's fallback to that window is
// no loss, and the X server has the focus in our main window, unmanaged at the
// edge; that application's window taking the focus afterwards is a loss.
TEST(Activation, HidingEveryWindowOfOursKeepsTheFocusWithUs) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  Foreign xterm("xterm", {"-T", "another process", "-geometry", "40x10+700+300"}, "another process");
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  const platform::HWND other = xterm.Handle();
  ASSERT_NE(other, 0u) << "the xterm did not come up";

  QWidget main, panel;
  ASSERT_NO_FATAL_FAILURE(ShowWithPanelActive(main, panel));

  const Rect home = Frame(&main);
  X11()->Move(platform::HandleOf(&main), Rect{home.left, kHang - home.Height(), home.right, kHang});
  panel.hide();
  // Past Qt's 400 ms of grace for a lost focus.
  WaitFor([] { return false; }, 1200);
  EXPECT_TRUE(platform::IsApplicationActive());
  auto* f = xcb_get_input_focus_reply(X11()->Connection(), xcb_get_input_focus(X11()->Connection()), nullptr);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(platform::HWND{f->focus}, platform::HandleOf(&main)) << "the X server has the focus in our main window";
  std::free(f);
  EXPECT_EQ(X11()->FocusedWindow(), platform::HandleOf(&main));

  X11()->Focus(other);
  EXPECT_TRUE(WaitFor([] { return !platform::IsApplicationActive(); }, 5000)) << "the focus went to another process";
  X11()->Move(platform::HandleOf(&main), home);
  xterm.End();
  platform::SetApplicationActive(true);
}

// The same with a window manager that hands on the focus only after the
// application stopped waiting for it (stopped a while, as a loaded machine
// had openbox): its late fallback to the other application's window is no
// loss either, and the focus comes back to our main window.  A click on that
// window afterwards is a loss as ever.
TEST(Activation, AWindowManagersLateFallbackIsNoLoss) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (!X11()->WmRunning() || WmStall::Group() <= 0) GTEST_SKIP() << "no window manager of the test's own to stop";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  Foreign xterm("xterm", {"-T", "another process", "-geometry", "40x10+700+300"}, "another process");
  if (!xterm.Started()) GTEST_SKIP() << "xterm is not installed";
  const platform::HWND other = xterm.Handle();
  ASSERT_NE(other, 0u) << "the xterm did not come up";
  testx::PointerMover mouse(qgetenv("DISPLAY").toStdString());
  if (!mouse.Ok()) GTEST_SKIP() << "the X server has no XTest";

  QWidget main, panel;
  ASSERT_NO_FATAL_FAILURE(ShowWithPanelActive(main, panel));
  const Rect home = Frame(&main);
  X11()->Move(platform::HandleOf(&main), Rect{home.left, kHang - home.Height(), home.right, kHang});
  {
    // Longer than the application waits for the unmap to be answered and
    // for the focus to be handed on (half a second and a quarter).
    WmStall stall(1500);
    panel.hide();
  }
  // The window manager goes on: its fallback comes now, and must not count.
  EXPECT_FALSE(WaitFor([] { return !platform::IsApplicationActive(); }, 2000)) << "the late fallback was a loss";
  EXPECT_TRUE(WaitFor([&] { return X11()->FocusedWindow() == platform::HandleOf(&main); }, 5000))
      << "the focus came back to our main window";

  // The user's click on the other application's window is a loss.
  const Rect r = Frame(other);
  mouse.MoveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  mouse.Click();
  EXPECT_TRUE(WaitFor([] { return !platform::IsApplicationActive(); }, 5000)) << "the click took the focus";
  X11()->Move(platform::HandleOf(&main), home);
  xterm.End();
  platform::SetApplicationActive(true);
}

}  // namespace

namespace {

// A window manager that answers nothing (it holds the redirect and drops
// every request) leaves each moved window at a defined place: a managed
// move is given up where the window stands, a hidden window stands exactly
// at its strip (nobody holds a window that leaves), and one brought home is
// shown there unmanaged, since no frame came, rather than left unmapped.
TEST(StubWindowManager, AWindowManagerThatNeverAnswersLeavesEveryWindowSomewhereDefined) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  if (X11()->WmRunning()) GTEST_SKIP() << "the stub needs a display without a window manager";
  QWidget w;
  w.setWindowTitle("stub");
  w.setGeometry(100, 100, 400, 120);
  ShowAndSettle(w);
  const platform::HWND h = platform::HandleOf(&w);
  const Rect home = Frame(h);

  QProcess stub;
  stub.start(QCoreApplication::applicationDirPath() + "/test_x11_stubwm", {});
  ASSERT_TRUE(stub.waitForReadyRead(10000)) << "the stub window manager did not start";
  QElapsedTimer t;
  t.start();
  while (!X11()->WmRunning() && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_TRUE(X11()->WmRunning());

  auto move = [&](const Rect& r) {
    MoveTo(h, r);
    QElapsedTimer idle;
    idle.start();
    while (X11()->IsWithdrawing(h) && idle.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  };
  const Rect aside{home.left + 50, home.top + 50, home.right + 50, home.bottom + 50};
  move(aside);
  EXPECT_EQ(Frame(h), home) << "a request nobody answers leaves the window where it stands";

  const Rect hidden{home.left, kHang - home.Height(), home.right, kHang};
  move(hidden);
  EXPECT_EQ(Frame(h), hidden) << "hidden exactly";
  EXPECT_TRUE(X11()->IsUnmanaged(h));

  move(home);
  EXPECT_EQ(Frame(h), home) << "shown at home";
  EXPECT_TRUE(X11()->IsUnmanaged(h)) << "unmanaged: no frame came";
  xcb_connection_t* c = X11()->Connection();
  auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, static_cast<xcb_window_t>(h)), nullptr);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->map_state, XCB_MAP_STATE_VIEWABLE) << "not left unmapped";
  std::free(a);
  stub.kill();
  stub.waitForFinished(5000);
}

}  // namespace
