// Panels and tiling window managers, through the engine on the offscreen
// platform: a panel at the edge a window hides at (monitors whose work area
// leaves it room), a window manager that stands a revealed window elsewhere
// than asked, and one that tiles a window.
#include <QEvent>
#include <QPointer>
#include <functional>
#include <set>

#include "platform/Screens.h"
#include "tests/support/TrackingFixture.h"

namespace {

using platform::HWND;
using platform::Monitor;
using platform::Rect;
using testing_support::TrackingTest;

// The offscreen screen (1024 x 768) with the work area a panel leaves.
class PanelScreens : public platform::Screens {
public:
  explicit PanelScreens(Rect workArea) : m_workArea(workArea) {}
  std::vector<Monitor> Monitors() const override { return {Monitor{{0, 0, 1024, 768}, m_workArea, true}}; }
  int CaptionHeight() const override { return 0; }

private:
  Rect m_workArea;
};

// The platform's windows, with some of them held in tiles.
class TilingWindows : public platform::WindowSystem {
public:
  explicit TilingWindows(platform::WindowSystem& inner) : m_inner(inner) {}
  std::set<HWND> tiled;
  bool Exists(HWND h) const override { return m_inner.Exists(h); }
  HWND Find(std::string_view cls, const char* title) const override { return m_inner.Find(cls, title); }
  std::optional<Rect> FrameRect(HWND h) const override { return m_inner.FrameRect(h); }
  void Move(HWND h, const Rect& frame) override { m_inner.Move(h, frame); }
  void Raise(HWND h) override { m_inner.Raise(h); }
  std::vector<HWND> Stacking() const override { return m_inner.Stacking(); }
  HWND Owner(HWND h) const override { return m_inner.Owner(h); }
  std::optional<platform::WindowIdentity> Identify(HWND h) const override { return m_inner.Identify(h); }
  HWND WindowAt(platform::Point pt) const override { return m_inner.WindowAt(pt); }
  bool Tiled(HWND h) override { return tiled.count(h) != 0; }

private:
  platform::WindowSystem& m_inner;
};

// Stands in for a window manager that keeps frames wholly on the screen out
// of the top `rows` rows (a panel it knows of and the engine does not).
class KeepBelow : public QObject {
public:
  KeepBelow(QWidget* window, int rows) : m_window(window), m_rows(rows) { window->installEventFilter(this); }
  ~KeepBelow() override {
    if (m_window) m_window->removeEventFilter(this);
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == m_window && e->type() == QEvent::Move && m_window->y() >= 0 && m_window->y() < m_rows)
      m_window->move(m_window->x(), m_rows);
    return false;
  }

private:
  QPointer<QWidget> m_window;
  int m_rows;
};

class Panels : public TrackingTest {
protected:
  void TearDown() override {
    platform::RestoreDefaultBackends();
    TrackingTest::TearDown();
  }
  void UseWorkArea(Rect workArea) {
    screens = std::make_unique<PanelScreens>(workArea);
    platform::InstallBackends(platform::Backends{nullptr, screens.get(), nullptr});
  }
  std::unique_ptr<PanelScreens> screens;
};

TEST_F(Panels, ATopPanelLeavesTheMainWindowsStripReachableAndItsShownPlaceSafe) {
  Settings.HideInspector = false;
  UseWorkArea({0, 27, 1024, 768});
  Start();
  EXPECT_EQ(ide.MainRect(), (Rect{0, -68, 1024, 32})) << "the strip just below the panel";
  Report(500, 10);  // on the panel
  EXPECT_FALSE(Armed());
  Report(500, 29);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.MainRect(), (Rect{0, 27, 1024, 127}));
  // Resting anywhere on it, or on the panel above, keeps it shown.
  for (int y : {0, 27, 100, 126, 127}) {
    Report(500, y);
    EXPECT_FALSE(MainHidden) << "pointer at row " << y;
  }
  Report(500, 128);
  EXPECT_TRUE(MainHidden);
  StopHiding();
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
}

TEST_F(Panels, ABottomPanelNeitherRevealsNorHidesTheInspector) {
  Settings.HideMainWindow = false;
  Settings.InspectorSide = 0;
  UseWorkArea({0, 0, 1024, 738});
  Start();
  EXPECT_EQ(ide.InspectorRect(), (Rect{-195, 0, 5, 738}));
  Report(2, 750);  // the panel's corner
  EXPECT_FALSE(Armed());
  Report(2, 737);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.InspectorRect(), (Rect{0, 0, 200, 738}));
  Report(600, 750);  // on the panel, past the inspector's edge
  EXPECT_FALSE(InspectorHidden);
  Report(600, 700);
  EXPECT_TRUE(InspectorHidden);
  StopHiding();
}

TEST_F(Panels, ASidePanelTakesTheInspectorsEdge) {
  Settings.HideMainWindow = false;
  Settings.InspectorSide = 1;
  UseWorkArea({0, 0, 976, 768});
  Start();
  EXPECT_EQ(ide.InspectorRect(), (Rect{971, 0, 1171, 768}));
  Report(1000, 400);  // on the panel
  EXPECT_FALSE(Armed());
  Report(972, 400);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.InspectorRect(), (Rect{776, 0, 976, 768}));
  Report(776, 400);
  EXPECT_FALSE(InspectorHidden);
  Report(775, 400);
  EXPECT_TRUE(InspectorHidden);
  StopHiding();
}

TEST_F(Panels, AWindowStoodLowerThanAskedHidesOnlyPastWhereItStands) {
  // No panel the engine knows of; the window manager keeps 30 rows free.
  Settings.HideInspector = false;
  Start();
  KeepBelow wm(ide.main.get(), 30);
  Report(500, 2);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  ASSERT_EQ(ide.MainRect(), (Rect{0, 30, 1024, 130}));
  Report(500, 129);
  EXPECT_FALSE(MainHidden) << "the pointer rests on the window";
  Report(500, 131);
  EXPECT_TRUE(MainHidden);
  // Revealed again where it was asked to stand, the usual edge holds again.
  StopHiding();
}

class Tiling : public TrackingTest {
protected:
  void SetUp() override {
    TrackingTest::SetUp();
    windows = std::make_unique<TilingWindows>(*platform::CurrentBackends().windows);
    platform::InstallBackends(platform::Backends{windows.get(), nullptr, nullptr});
    SetPlacementObserver([this](HWND h, const Rect&) { moved.push_back(h); });
  }
  void TearDown() override {
    SetPlacementObserver({});
    platform::RestoreDefaultBackends();
    TrackingTest::TearDown();
  }
  std::unique_ptr<TilingWindows> windows;
  std::vector<HWND> moved;
};

TEST_F(Tiling, TiledWindowsStayHomeUntouchedAndThePanelSaysSo) {
  windows->tiled = {ide.MainHandle(), ide.InspectorHandle()};
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::NotStarted);
  EXPECT_TRUE(moved.empty()) << "nothing moves";
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
  EXPECT_FALSE(Watching);
  EXPECT_EQ(panel->messages, (std::vector<std::string>{WindowsTiledText}));
}

TEST_F(Tiling, AFloatingWindowHidesBesideATiledOne) {
  windows->tiled = {ide.MainHandle()};
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::StartedInPart);
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{1019, 0, 1219, 768}));
  for (HWND h : moved) EXPECT_NE(h, ide.MainHandle());
  Report(500, 2);  // the tiled window's edge: nothing
  EXPECT_FALSE(Armed());
  Report(1020, 400);
  ASSERT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.InspectorRect(), (Rect{824, 0, 1024, 768}));
  Report(700, 400);
  EXPECT_TRUE(InspectorHidden);
  StopHiding();
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
  EXPECT_EQ(panel->messages, (std::vector<std::string>{WindowsTiledText}));
}

}  // namespace
