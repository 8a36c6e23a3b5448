// A window manager that keeps a window on screen: Start notices, brings the
// window home, leaves it out of the run, and says so once.
#include <QEvent>
#include <algorithm>
#include <QPointer>
#include <functional>

#include "tests/support/TrackingFixture.h"

namespace {

using platform::Rect;
using testing_support::TrackingTest;

// Stands in for a window manager that answers every move of a window with a
// placement of its own, as some do with windows pushed off the screen.
class WindowManagerRule : public QObject {
public:
  WindowManagerRule(QWidget* window, std::function<QPoint(const QRect&)> rule)
      : m_window(window), m_rule(std::move(rule)) {
    window->installEventFilter(this);
  }
  ~WindowManagerRule() override {
    if (m_window) m_window->removeEventFilter(this);
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == m_window && e->type() == QEvent::Move && !m_placing) {
      const QPoint to = m_rule(m_window->frameGeometry());
      if (to != m_window->pos()) {
        m_placing = true;
        m_window->move(to);
        m_placing = false;
      }
    }
    return false;
  }

private:
  QPointer<QWidget> m_window;
  std::function<QPoint(const QRect&)> m_rule;
  bool m_placing = false;
};

// Keeps the whole frame on the 1024 x 768 screen.
QPoint KeepOnScreen(const QRect& f) {
  return {std::clamp(f.left(), 0, 1024 - f.width()), std::clamp(f.top(), 0, 768 - f.height())};
}

const Rect kMainHome{0, 0, 1024, 100};
const Rect kInspectorHome{10, 110, 210, 510};

class Landing : public TrackingTest {};

TEST_F(Landing, AnInspectorKeptOnScreenGoesHomeAndSitsOutTheRun) {
  WindowManagerRule wm(ide.inspector.get(), KeepOnScreen);
  Start();
  EXPECT_EQ(ide.InspectorRect(), kInspectorHome);
  EXPECT_FALSE(InspectorHidden);
  EXPECT_TRUE(MainHidden);
  EXPECT_EQ(ide.MainRect(), (Rect{0, -95, 1024, 5}));
  EXPECT_TRUE(Watching) << "the main window still hides";
  EXPECT_EQ(panel->messages, (std::vector<std::string>{"The window manager keeps the windows on screen"}));
  // Past the inspector's inner edge, then on its strip: it is left alone.
  Report(500, 400);
  Report(1021, 400);
  EXPECT_FALSE(Armed());
  EXPECT_EQ(ide.InspectorRect(), kInspectorHome);
  // The main window goes on as usual.
  Report(500, 2);
  EXPECT_TRUE(Armed());
  panel->timerWait->Tick();
  EXPECT_EQ(ide.MainRect(), kMainHome);
  EXPECT_EQ(panel->messages.size(), 1u) << "said once";
  StopHiding();
  EXPECT_EQ(ide.InspectorRect(), kInspectorHome);
}

TEST_F(Landing, WhenNoWindowLandsHidingDoesNotStart) {
  WindowManagerRule wmMain(ide.main.get(), KeepOnScreen);
  WindowManagerRule wmInspector(ide.inspector.get(), KeepOnScreen);
  ComputeHideGeometry();
  EXPECT_EQ(HideWindows(), THideStart::NotStarted);
  EXPECT_EQ(ide.MainRect(), kMainHome);
  EXPECT_EQ(ide.InspectorRect(), kInspectorHome);
  EXPECT_FALSE(MainHidden || InspectorHidden);
  EXPECT_FALSE(Watching);
  EXPECT_FALSE(HidingRuns());
  EXPECT_EQ(panel->messages.size(), 1u);
}

TEST_F(Landing, WithinOnePixelCountsAsLanded) {
  struct Row {
    const char* name;
    int dx, dy;
    bool lands;
  };
  const Row rows[] = {
      {"one column off", 1, 0, true},
      {"one row off", 0, -1, true},
      {"two columns off", -2, 0, false},
      {"two rows off", 0, 2, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    panel->messages.clear();
    {
      // Off by a little wherever the frame would leave the screen.
      WindowManagerRule wm(ide.inspector.get(), [&](const QRect& f) {
        const bool off = f.left() < 0 || f.left() + f.width() > 1024;
        return off ? f.topLeft() + QPoint(r.dx, r.dy) : f.topLeft();
      });
      Start();
    }
    EXPECT_EQ(InspectorHidden, r.lands);
    EXPECT_EQ(panel->messages.empty(), r.lands);
    if (!r.lands) {
      EXPECT_EQ(ide.InspectorRect(), kInspectorHome);
    }
    StopHiding();
    ide.inspector->setGeometry(kInspectorHome.ToQRect());
  }
}

TEST(SameOnScreen, OnlyWhatTheMonitorsShowCounts) {
  using platform::Monitor;
  const Monitor one{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 775}, true};
  const Monitor second{Rect{1280, 0, 2560, 800}, Rect{1280, 0, 2560, 800}, false};
  const Rect mainHidden{0, -107, 1280, 5};
  const struct {
    const char* name;
    Rect at;
    std::vector<Monitor> monitors;
    bool same;
  } rows[] = {
      {"exactly there", mainHidden, {one}, true},
      {"a client holding its height: shorter off the screen", Rect{0, -82, 1280, 5}, {one}, true},
      {"a pixel short of its strip", Rect{0, -82, 1280, 4}, {one}, true},
      {"two pixels short: a strip of three", Rect{0, -82, 1280, 3}, {one}, false},
      {"shrunk away from the edge: no strip at all", Rect{0, -107, 1280, -20}, {one}, false},
      {"kept on the screen by a window manager", Rect{0, 0, 1280, 112}, {one}, false},
      {"narrower on the screen", Rect{0, -107, 1200, 5}, {one}, false},
      {"on a second monitor where none was asked", Rect{0, -107, 1290, 5}, {one, second}, false},
      {"no monitors: the rectangles themselves", Rect{0, -82, 1280, 5}, {}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(SameOnScreen(r.at, mainHidden, r.monitors, 1), r.same);
  }
  // Both wholly off the monitors: nothing shows either way.
  EXPECT_TRUE(SameOnScreen(Rect{0, -200, 100, -100}, Rect{0, -300, 100, -150}, {one}, 1));
}

}  // namespace
