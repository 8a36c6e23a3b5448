// Window placement on a real X server, under whatever window manager runs
// (placement_run.sh starts Xvfb and one window manager per run).  Two framed
// windows laid out like an IDE's main bar and inspector are hidden (leaving a
// strip at the screen edge), revealed and brought home through the platform
// façade; every rectangle is read back from the X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "platform/Windows.h"
#include "platform/backend/Backend.h"
#include "platform/backend/x11/X11WindowSystem.h"

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

// Lets Qt and the window manager run until the window's frame has stood still
// for a while (a window manager answers a map with several configures).
void Settle(QWidget* w, int stillMs = 150, int timeoutMs = 3000) {
  QElapsedTimer total, still;
  total.start();
  still.start();
  Rect last = Frame(w);
  while (total.elapsed() < timeoutMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    const Rect now = Frame(w);
    if (now != last) {
      last = now;
      still.restart();
    } else if (still.elapsed() >= stillMs) {
      return;
    }
  }
}

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

// The rectangle a slide passes through, step by step, as the engine moves it.
void Slide(QWidget* w, const Rect& target, int steps) {
  const platform::HWND h = platform::HandleOf(w);
  Rect cur = Frame(w);
  const int dl = (target.left - cur.left) / steps, dr = (target.right - cur.right) / steps;
  const int dt = (target.top - cur.top) / steps, db = (target.bottom - cur.bottom) / steps;
  for (int i = 0; i < steps; ++i) {
    cur = Rect{cur.left + dl, cur.top + dt, cur.right + dr, cur.bottom + db};
    platform::MoveWindow(h, cur.left, cur.top, cur.Width(), cur.Height(), true);
  }
  platform::MoveWindow(h, target.left, target.top, target.Width(), target.Height(), true);
  QApplication::processEvents();
}

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
  w.show();
  Settle(&w);
  const platform::HWND h = platform::HandleOf(&w);
  platform::MoveWindow(h, c.home.left, c.home.top, c.home.Width(), c.home.Height(), true);
  Settle(&w);
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
  Settle(&w);
  ExpectNear(Frame(&w), shown, 1, "revealed");
  EXPECT_FALSE(X11()->IsUnmanaged(h));
  if (wm) {
    EXPECT_NE(w.geometry().topLeft(), QPoint(Frame(&w).left, Frame(&w).top)) << "framed again";
  }

  // Hidden again, then home: frame and client exactly where they were.
  Slide(&w, hidden, 3);
  ExpectNear(Frame(&w), hidden, 1, "hidden again");
  Slide(&w, home, 3);
  Settle(&w);
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

// A window of ours that had the focus hides itself (the panel at Start): that is
// no loss of activation, and without a window manager the focus goes back to
// the main window.  A window of another process taking the focus is one.
TEST(Activation, OurWindowHidingIsNoLossAnotherProcessTakingTheFocusIs) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  QWidget main, panel;
  main.setGeometry(0, 0, 600, 100);
  main.show();
  Settle(&main);
  panel.setGeometry(100, 200, 300, 200);
  panel.show();
  Settle(&panel);
  panel.activateWindow();
  X11()->Focus(platform::HandleOf(&panel));
  ASSERT_TRUE(WaitFor([&] { return panel.isActiveWindow(); }, 3000));
  ASSERT_TRUE(WaitFor([] { return platform::IsApplicationActive(); }, 3000));

  panel.hide();
  // Qt gives up on a lost focus after 400 ms: wait past that.
  WaitFor([] { return false; }, 1200);
  EXPECT_TRUE(platform::IsApplicationActive());
  if (!X11()->WmRunning()) {
    EXPECT_EQ(X11()->FocusedWindow(), platform::HandleOf(&main)) << "the focus went back to the main window";
  }

  QProcess xterm;
  xterm.start("xterm", {"-geometry", "40x10+700+300"});
  if (!xterm.waitForStarted(3000)) GTEST_SKIP() << "xterm is not installed";
  // Without a window manager nothing gives the new window the focus: the
  // pointer's click would; ask for it the way a window manager would.
  QElapsedTimer t;
  t.start();
  bool inactive = WaitFor(
      [&] {
        if (!X11()->WmRunning() && t.elapsed() > 500) {
          for (platform::HWND h : platform::CurrentBackends().windows->Stacking())
            if (auto id = platform::CurrentBackends().windows->Identify(h); id && id->cls == "XTerm") X11()->Focus(h);
        }
        return !platform::IsApplicationActive();
      },
      5000);
  EXPECT_TRUE(inactive) << "the focus went to another process";
  xterm.kill();
  xterm.waitForFinished(2000);
  platform::SetApplicationActive(true);
}

// Every window of ours leaves the screen while another application's window
// stands (the add-in at Start): the window manager's fallback to that window is
// no loss, and the X server has the focus in our main window, unmanaged at the
// edge; that application's window taking the focus afterwards is a loss.
TEST(Activation, HidingEveryWindowOfOursKeepsTheFocusWithUs) {
  if (!X11()) GTEST_SKIP() << "not on an X display with the X11 backend";
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  QProcess xterm;
  xterm.start("xterm", {"-geometry", "40x10+700+300"});
  if (!xterm.waitForStarted(3000)) GTEST_SKIP() << "xterm is not installed";
  platform::HWND other = 0;
  WaitFor(
      [&] {
        for (platform::HWND h : platform::CurrentBackends().windows->Stacking())
          if (auto id = platform::CurrentBackends().windows->Identify(h); id && id->cls == "XTerm") other = h;
        return other != 0;
      },
      5000);
  ASSERT_NE(other, 0u) << "the xterm did not come up";

  QWidget main, panel;
  main.setGeometry(0, 0, 600, 100);
  main.show();
  Settle(&main);
  panel.setGeometry(100, 200, 300, 200);
  panel.show();
  Settle(&panel);
  panel.activateWindow();
  X11()->Focus(platform::HandleOf(&panel));
  ASSERT_TRUE(WaitFor([&] { return panel.isActiveWindow(); }, 3000));
  ASSERT_TRUE(WaitFor([] { return platform::IsApplicationActive(); }, 3000));

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
  xterm.kill();
  xterm.waitForFinished(2000);
  platform::SetApplicationActive(true);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("DISPLAY")) {
    std::cout << "SKIP: no X display (run through placement_run.sh)" << std::endl;
    return 77;
  }
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
