// The work area on a real X server, under whatever window manager runs
// (placement_run.sh starts Xvfb, 1280 x 800, and one window manager per run):
// a dock of another process reserving space at a screen edge shrinks the
// monitor's work area that platform::GetMonitors reports, and changing or
// ending the reservation is seen at the next call.  A window manager's own
// panel (icewm's task bar) reserves its space before the test begins: each
// expectation is the tighter of it and the dock's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <optional>

#include "platform/Screens.h"
#include "platform/backend/Backend.h"
#include "platform/backend/x11/X11Screens.h"

namespace {

using platform::Rect;

constexpr Rect kScreen{0, 0, 1280, 800};

const char* WmName() {
  const char* wm = std::getenv("EDGETUCKER_WM");
  return wm && *wm ? wm : "none";
}

bool X11ScreensInstalled() {
  return dynamic_cast<platform::x11::X11Screens*>(platform::CurrentBackends().screens) != nullptr;
}

Rect PrimaryWorkArea() {
  const std::optional<platform::Monitor> m = platform::PrimaryMonitor(platform::GetMonitors());
  return m ? m->workArea : Rect{};
}

// Lets events run until the primary monitor's work area is `want`, at most
// 5 s; returns the last one seen.
Rect WaitForWorkArea(const Rect& want) {
  QElapsedTimer t;
  t.start();
  Rect got = PrimaryWorkArea();
  while (got != want && t.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    got = PrimaryWorkArea();
  }
  return got;
}

std::string Text(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// The dock helper (tests/x11/dock.cpp), a process of its own; stopped when done.
class Dock {
public:
  explicit Dock(const QStringList& args) {
    proc_.start(QCoreApplication::applicationDirPath() + "/test_x11_dock", args);
    if (!proc_.waitForStarted(3000)) return;
    QElapsedTimer t;
    t.start();
    while (!proc_.canReadLine() && t.elapsed() < 10000) proc_.waitForReadyRead(100);
    const QByteArray line = proc_.readLine().trimmed();
    if (line.startsWith("ready ")) window_ = line.mid(6).toUInt();
  }
  ~Dock() { Stop(); }
  void Stop() {
    proc_.kill();
    proc_.waitForFinished(2000);
  }
  xcb_window_t Window() const { return window_; }

private:
  QProcess proc_;
  xcb_window_t window_ = 0;
};

// Sets a property on another process's window over a connection of the test's own.
void SetCardinals(xcb_window_t w, const char* name, const std::vector<std::uint32_t>& values) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  ASSERT_FALSE(xcb_connection_has_error(c));
  auto* a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                  nullptr);
  ASSERT_NE(a, nullptr);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, a->atom, XCB_ATOM_CARDINAL, 32,
                      static_cast<std::uint32_t>(values.size()), values.data());
  std::free(a);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  xcb_disconnect(c);
}

// The work area the reservations alone leave on the one monitor (no limit
// from Qt's).
Rect FromReservations() {
  auto* screens = dynamic_cast<platform::x11::X11Screens*>(platform::CurrentBackends().screens);
  return platform::x11::ApplyBands({platform::Monitor{kScreen, kScreen, true}}, screens->Reserved()).at(0).workArea;
}

class WorkArea : public ::testing::Test {
protected:
  void SetUp() override {
    if (!X11ScreensInstalled()) GTEST_SKIP() << "not on an X display with the X11 screens backend";
    ASSERT_EQ(platform::GetMonitors().size(), 1u) << "run on one monitor";
    ASSERT_EQ(platform::PrimaryMonitor(platform::GetMonitors())->bounds, kScreen);
    base_ = PrimaryWorkArea();
  }
  // The docks of a test are gone by now; the window manager's work area
  // (which Qt reports) follows in its own time, and the next test starts
  // from it.
  void TearDown() override {
    if (!X11ScreensInstalled()) return;
    EXPECT_EQ(Text(WaitForWorkArea(base_)), Text(base_)) << "as before once the docks are gone";
    QElapsedTimer t;
    t.start();
    while (Rect::FromQRect(QGuiApplication::primaryScreen()->availableGeometry()) != base_ && t.elapsed() < 5000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  // The work area with the window manager's own panels and this reservation.
  Rect With(Rect r) const {
    return Rect{std::max(r.left, base_.left), std::max(r.top, base_.top), std::min(r.right, base_.right),
                std::min(r.bottom, base_.bottom)};
  }
  Rect base_;
};

// With one monitor Qt reports the window manager's _NET_WORKAREA: the
// reservations read here must come to the same (a window manager's own
// panel included), with and without a dock.
TEST_F(WorkArea, TheReservationsAgreeWithTheWindowManagersWorkArea) {
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  if (std::string(WmName()) == "none") GTEST_SKIP() << "no window manager publishes a work area";
  const auto qtWorkArea = [] { return Rect::FromQRect(QGuiApplication::primaryScreen()->availableGeometry()); };
  EXPECT_EQ(Text(FromReservations()), Text(qtWorkArea()));
  Dock dock({"bottom", "40"});
  ASSERT_NE(dock.Window(), 0u) << "the dock did not come up";
  const Rect want = With(Rect{0, 0, 1280, 760});
  EXPECT_EQ(Text(WaitForWorkArea(want)), Text(want));
  QElapsedTimer t;
  t.start();
  while (qtWorkArea() != want && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(Text(qtWorkArea()), Text(want)) << "the window manager counts the dock too";
  EXPECT_EQ(Text(FromReservations()), Text(qtWorkArea()));
}

TEST_F(WorkArea, ADockAtTheBottomShortensTheWorkAreaUntilItGoes) {
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  Dock dock({"bottom", "30"});
  ASSERT_NE(dock.Window(), 0u) << "the dock did not come up";
  const Rect shorter = With({0, 0, 1280, 770});
  EXPECT_EQ(Text(WaitForWorkArea(shorter)), Text(shorter));
  const std::optional<platform::Monitor> primary = platform::PrimaryMonitor(platform::GetMonitors());
  ASSERT_TRUE(primary);
  EXPECT_EQ(primary->bounds, kScreen) << "the bounds stay the monitor's";
  EXPECT_EQ(platform::GetSystemMetrics(platform::SM_CYFULLSCREEN),
            shorter.Height() - platform::GetSystemMetrics(platform::SM_CYCAPTION));

  // The dock reserves more: seen without anything else changing.
  SetCardinals(dock.Window(), "_NET_WM_STRUT_PARTIAL", {0, 0, 0, 60, 0, 0, 0, 0, 0, 0, 0, 1279});
  const Rect shorterStill = With({0, 0, 1280, 740});
  EXPECT_EQ(Text(WaitForWorkArea(shorterStill)), Text(shorterStill));

  dock.Stop();
  EXPECT_EQ(Text(WaitForWorkArea(base_)), Text(base_)) << "as before once the dock is gone";
}

TEST_F(WorkArea, TheOlderStrutPropertyAloneReservesItsEdge) {
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  Dock dock({"left", "48", "legacy"});
  ASSERT_NE(dock.Window(), 0u) << "the dock did not come up";
  const Rect narrower = With({48, 0, 1280, 800});
  EXPECT_EQ(Text(WaitForWorkArea(narrower)), Text(narrower));
}

TEST_F(WorkArea, TwoDocksOnDifferentEdges) {
  SCOPED_TRACE(std::string("window manager: ") + WmName());
  Dock top({"top", "24"});
  Dock right({"right", "64"});
  ASSERT_NE(top.Window(), 0u);
  ASSERT_NE(right.Window(), 0u);
  const Rect both = With({0, 24, 1216, 800});
  EXPECT_EQ(Text(WaitForWorkArea(both)), Text(both));
}

}  // namespace
