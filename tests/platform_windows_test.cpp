// The window façade: activation messages, the window under a point, and the
// backends behind the façade (installed fakes answer every call).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "mgwatch/mgwatch.h"
#include "platform/Screens.h"
#include "platform/Windows.h"
#include "platform/backend/Backend.h"
#include "tests/support/TestSupport.h"

// Freed memory is filled with garbage: a freed widget read inside Qt (which is
// not instrumented) then crashes at once instead of reading old, plausible
// values, so AddressSanitizer reports it.
extern "C" const char* __asan_default_options() { return "max_free_fill_size=4096:free_fill_byte=190"; }

namespace {

using platform::HWND;
using platform::Point;
using platform::Rect;

// A top-level window that records the messages it receives and may run an
// action on WM_ACTIVATEAPP.
class Probe : public QWidget {
public:
  std::vector<platform::Message> received;
  std::function<void()> onActivateApp;

protected:
  bool event(QEvent* e) override {
    if (e->type() != platform::MessageEvent::EventType()) return QWidget::event(e);
    const platform::Message& m = static_cast<platform::MessageEvent*>(e)->message;
    received.push_back(m);
    if (m.msg == platform::WM_ACTIVATEAPP && onActivateApp) onActivateApp();
    return true;
  }
};

int ActivateCount(const Probe& p) {
  int n = 0;
  for (const auto& m : p.received) n += m.msg == platform::WM_ACTIVATEAPP;
  return n;
}

// ---- activation ---------------------------------------------------------------

// The first window told of the change deletes every other one.  Whatever order
// the windows are told in, the deleted ones must never be reached (AddressSanitizer
// reports it if they are).
TEST(Activation, AHandlerThatDeletesOtherWindowsIsSafe) {
  platform::SetApplicationActive(true);
  std::vector<QPointer<Probe>> windows;
  for (int i = 0; i < 4; ++i) windows.emplace_back(new Probe);
  int handled = 0;
  for (auto& w : windows) {
    w->onActivateApp = [&windows, &handled, self = w.data()] {
      ++handled;
      for (auto& other : windows)
        if (other && other.data() != self) delete other.data();
    };
  }
  platform::SetApplicationActive(false);
  EXPECT_EQ(handled, 1);
  int alive = 0;
  for (auto& w : windows) {
    if (!w) continue;
    ++alive;
    EXPECT_EQ(ActivateCount(*w), 1);
    EXPECT_EQ(w->received.back().wParam, 0u);
    w->onActivateApp = nullptr;
  }
  EXPECT_EQ(alive, 1);
  platform::SetApplicationActive(true);
  for (auto& w : windows) delete w.data();
}

// Which windows count as the application's own: this process's by default, a
// host's rule once installed (asked with every window, the null one aside), the
// default again once removed; installing one has the backend decide anew.
TEST(Activation, OwnWindowsByDefaultOrByTheHostsRule) {
  Probe mine;
  const platform::HWND h = platform::HandleOf(&mine);
  constexpr platform::HWND kForeign = 0x4000012;
  EXPECT_TRUE(platform::CountsAsOwnForActivation(h));
  EXPECT_FALSE(platform::CountsAsOwnForActivation(kForeign));
  EXPECT_FALSE(platform::CountsAsOwnForActivation(0));

  int decided = 0;
  platform::SetActivationDecider([&] { ++decided; });
  std::vector<platform::HWND> asked;
  platform::SetActivationOwner([&](platform::HWND w) {
    asked.push_back(w);
    return w == kForeign;
  });
  EXPECT_EQ(decided, 1);
  EXPECT_TRUE(platform::CountsAsOwnForActivation(kForeign));
  EXPECT_FALSE(platform::CountsAsOwnForActivation(h)) << "the rule alone decides";
  EXPECT_FALSE(platform::CountsAsOwnForActivation(0));
  EXPECT_EQ(asked, (std::vector<platform::HWND>{kForeign, h}));
  platform::ReevaluateActivation();
  EXPECT_EQ(decided, 2);

  platform::SetActivationOwner({});
  EXPECT_EQ(decided, 2) << "removing a rule decides nothing";
  EXPECT_TRUE(platform::CountsAsOwnForActivation(h));
  EXPECT_FALSE(platform::CountsAsOwnForActivation(kForeign));
  platform::SetActivationDecider({});
  platform::ReevaluateActivation();  // no decider: nothing happens
}

TEST(Activation, OnlyChangesAreSentToEveryTopLevelWindowShownOrNot) {
  platform::SetApplicationActive(true);
  Probe shown, hidden;
  shown.show();
  platform::SetApplicationActive(true);  // no change, no message
  EXPECT_EQ(ActivateCount(shown), 0);
  platform::SetApplicationActive(false);
  EXPECT_FALSE(platform::IsApplicationActive());
  platform::SetApplicationActive(true);
  for (const Probe* p : {&shown, &hidden}) {
    ASSERT_EQ(ActivateCount(*p), 2);
    EXPECT_EQ(p->received[0].wParam, 0u);
    EXPECT_EQ(p->received[1].wParam, 1u);
  }
}

// ---- the window under a point ---------------------------------------------------

// Three overlapping top-level windows, each full of child widgets, in a known
// order: c above b above a.
class WindowFromPointTest : public ::testing::Test {
protected:
  static constexpr int kChildren = 300;
  std::unique_ptr<QWidget> a, b, c;
  // Where only a, a and b, all three, and none stand.
  const Point onlyA{20, 20}, aAndB{120, 120}, allThree{220, 220}, nowhere{900, 700};

  std::unique_ptr<QWidget> Make(int x, int y) {
    auto w = std::make_unique<QWidget>();
    w->setGeometry(x, y, 300, 300);
    for (int i = 0; i < kChildren; ++i) {
      auto* child = new QWidget(w.get());
      child->setGeometry((i * 7) % 290, (i * 13) % 290, 10, 10);
    }
    w->show();
    return w;
  }
  // Windows other tests left on the screen would answer too: out of the way.
  std::vector<QPointer<QWidget>> others;
  void SetUp() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) others.emplace_back(w);
    for (auto& w : others) w->hide();
    a = Make(0, 0);
    b = Make(100, 100);
    c = Make(200, 200);
  }
  void TearDown() override {
    for (auto& w : others)
      if (w) w->show();
  }
};

TEST_F(WindowFromPointTest, TheTopmostWindowAnswersNeverAChild) {
  const struct {
    const char* name;
    Point at;
    QWidget* want;
  } rows[] = {
      {"only a", onlyA, a.get()},
      {"a and b: b is above", aAndB, b.get()},
      {"all three: c is above", allThree, c.get()},
      {"over no window", nowhere, nullptr},
      {"the right edge is exclusive", Point{300, 20}, nullptr},
      {"the left edge belongs to the window", Point{0, 0}, a.get()},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(platform::WindowFromPoint(r.at), platform::HandleOf(r.want));
  }
}

TEST_F(WindowFromPointTest, RaisingReordersAndHiddenOrDestroyedWindowsNeverAnswer) {
  platform::BringWindowToTop(platform::HandleOf(a.get()));
  EXPECT_EQ(platform::WindowFromPoint(allThree), platform::HandleOf(a.get()));
  EXPECT_EQ(platform::WindowFromPoint(aAndB), platform::HandleOf(a.get()));

  a->hide();
  EXPECT_EQ(platform::WindowFromPoint(allThree), platform::HandleOf(c.get()));
  EXPECT_EQ(platform::WindowFromPoint(onlyA), 0u);

  const HWND cHandle = platform::HandleOf(c.get());
  c.reset();
  EXPECT_FALSE(platform::IsWindow(cHandle));
  EXPECT_EQ(platform::WindowFromPoint(allThree), platform::HandleOf(b.get()));

  // Shown again, a window comes back on top.
  a->show();
  EXPECT_EQ(platform::WindowFromPoint(aAndB), platform::HandleOf(a.get()));
  const std::vector<QWidget*> order = platform::TopLevelZOrder();
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[0], a.get());
  EXPECT_EQ(order[1], b.get());
}

// ---- fake backends --------------------------------------------------------------

class FakeWindows : public platform::WindowSystem {
public:
  std::map<HWND, Rect> frames;
  std::vector<HWND> stacking;  // topmost first
  std::map<HWND, HWND> owners;
  std::vector<std::pair<HWND, Rect>> moves;
  std::vector<HWND> raised;

  bool Exists(HWND h) const override { return frames.count(h) != 0; }
  HWND Find(std::string_view cls, const char* title) const override {
    return cls == "Main" && !title ? 101 : cls == "Tool" && title && std::string(title) == "Inspector" ? 102 : 0;
  }
  std::optional<Rect> FrameRect(HWND h) const override {
    auto it = frames.find(h);
    if (it == frames.end()) return std::nullopt;
    return it->second;
  }
  void Move(HWND h, const Rect& frame) override {
    moves.emplace_back(h, frame);
    frames[h] = frame;
  }
  void Raise(HWND h) override { raised.push_back(h); }
  std::vector<HWND> Stacking() const override { return stacking; }
  HWND Owner(HWND h) const override {
    auto it = owners.find(h);
    return it == owners.end() ? 0 : it->second;
  }
  std::optional<platform::WindowIdentity> Identify(HWND h) const override {
    if (!Exists(h)) return std::nullopt;
    return platform::WindowIdentity{"t", "i", "c", 1};
  }
};

class FakeScreens : public platform::Screens {
public:
  std::vector<platform::Monitor> monitors;
  int caption = 20;
  std::vector<platform::Monitor> Monitors() const override { return monitors; }
  int CaptionHeight() const override { return caption; }
};

class FakePointer : public platform::PointerWatch {
public:
  std::function<void(Point)> sink;
  int starts = 0, stops = 0;
  bool Start(std::function<void(Point)> s) override {
    ++starts;
    sink = std::move(s);
    return true;
  }
  void Stop() override {
    ++stops;
    sink = nullptr;
  }
};

class FakeBackendTest : public ::testing::Test {
protected:
  FakeWindows windows;
  FakeScreens screens;
  FakePointer pointer;
  void SetUp() override {
    windows.frames = {{101, Rect{0, 0, 1024, 100}}, {102, Rect{0, 110, 200, 700}}};
    windows.stacking = {102, 101};
    windows.owners = {{102, 101}};
    platform::InstallBackends({&windows, &screens, &pointer});
  }
  void TearDown() override { platform::RestoreDefaultBackends(); }
};

TEST_F(FakeBackendTest, TheFacadeAsksTheInstalledWindowSystem) {
  EXPECT_EQ(platform::FindWindow("Main", nullptr), 101u);
  EXPECT_EQ(platform::FindWindow("Tool", "Inspector"), 102u);
  EXPECT_EQ(platform::FindWindow(nullptr, nullptr), 0u);
  EXPECT_TRUE(platform::IsWindow(102));
  EXPECT_FALSE(platform::IsWindow(103));
  EXPECT_FALSE(platform::IsWindow(0));

  Rect r{1, 2, 3, 4};
  EXPECT_FALSE(platform::GetWindowRect(103, r));
  EXPECT_EQ(r, (Rect{1, 2, 3, 4})) << "a stale handle leaves the rectangle alone";
  ASSERT_TRUE(platform::GetWindowRect(102, r));
  EXPECT_EQ(r, (Rect{0, 110, 200, 700}));

  platform::MoveWindow(102, -195, 110, 200, 590, true);
  platform::MoveWindow(103, 0, 0, 10, 10, true);  // stale: nothing asked
  ASSERT_EQ(windows.moves.size(), 1u);
  EXPECT_EQ(windows.moves[0].second, (Rect{-195, 110, 5, 700}));

  platform::BringWindowToTop(101);
  platform::BringWindowToTop(0);
  EXPECT_EQ(windows.raised, (std::vector<HWND>{101}));

  EXPECT_EQ(platform::GetParent(102), 101u);
  EXPECT_EQ(platform::GetParent(0), 0u);
}

TEST_F(FakeBackendTest, WindowFromPointFollowsTheBackendsStacking) {
  EXPECT_EQ(platform::WindowFromPoint({10, 50}), 101u);
  windows.frames[102] = Rect{0, 0, 200, 700};
  EXPECT_EQ(platform::WindowFromPoint({10, 50}), 102u) << "the inspector is above the main window";
  windows.stacking = {101, 102};
  EXPECT_EQ(platform::WindowFromPoint({10, 50}), 101u);
  windows.stacking = {103, 101};  // a stale handle in the list answers nothing
  EXPECT_EQ(platform::WindowFromPoint({10, 150}), 0u);
}

TEST_F(FakeBackendTest, SystemMetricsComeFromThePrimaryMonitor) {
  const platform::Monitor left{Rect{0, 0, 1024, 768}, Rect{0, 0, 1024, 740}, false};
  const platform::Monitor right{Rect{1024, 0, 2304, 1024}, Rect{1024, 30, 2304, 1024}, true};
  const struct {
    const char* name;
    std::vector<platform::Monitor> monitors;
    int cx, cy, fullscreen;
  } rows[] = {
      {"one monitor", {left}, 1024, 768, 740 - 20},
      {"primary second in the list", {left, right}, 1280, 1024, 994 - 20},
      {"no primary flagged: the first", {left, platform::Monitor{right.bounds, right.workArea, false}}, 1024, 768, 720},
      {"no monitors: all zero", {}, 0, 0, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    screens.monitors = r.monitors;
    EXPECT_EQ(platform::GetMonitors(), r.monitors);
    EXPECT_EQ(platform::GetSystemMetrics(platform::SM_CXSCREEN), r.cx);
    EXPECT_EQ(platform::GetSystemMetrics(platform::SM_CYSCREEN), r.cy);
    EXPECT_EQ(platform::GetSystemMetrics(platform::SM_CYCAPTION), r.monitors.empty() ? 0 : 20);
    EXPECT_EQ(platform::GetSystemMetrics(platform::SM_CYFULLSCREEN), r.fullscreen);
    EXPECT_EQ(platform::GetSystemMetrics(99), 0);
  }
}

TEST_F(FakeBackendTest, TheHookLibraryRunsTheInstalledPointerWatch) {
  Probe target;
  platform::SetCursorPos({10, 10});
  ASSERT_TRUE(SetHook(platform::HandleOf(&target)));
  ASSERT_TRUE(SetHook(platform::HandleOf(&target)));
  EXPECT_EQ(pointer.starts, 1) << "re-targeting does not start a second watch";
  ASSERT_TRUE(pointer.sink);
  pointer.sink({70000, 5});
  pointer.sink({70000, 5});  // unchanged: no second report
  pointer.sink({10, 10});
  platform::ProcessMessages();
  ASSERT_EQ(target.received.size(), 2u);
  EXPECT_EQ(target.received[0].lParam, MouseWatchLParam(70000, 5));
  EXPECT_EQ(target.received[1].lParam, MouseWatchLParam(10, 10));
  // The watch that was started is the one stopped, even once it is replaced.
  platform::RestoreDefaultBackends();
  EXPECT_TRUE(ResetHook());
  EXPECT_EQ(pointer.stops, 1);
}

TEST(Backends, RestoringPutsTheChosenOnesBack) {
  const platform::Backends chosen = platform::CurrentBackends();
  ASSERT_NE(chosen.windows, nullptr);
  ASSERT_NE(chosen.screens, nullptr);
  ASSERT_NE(chosen.pointer, nullptr);
  FakeScreens screens;
  platform::InstallBackends({nullptr, &screens, nullptr});
  EXPECT_EQ(platform::CurrentBackends().windows, chosen.windows) << "null members keep the current one";
  EXPECT_EQ(platform::CurrentBackends().screens, &screens);
  platform::RestoreDefaultBackends();
  EXPECT_EQ(platform::CurrentBackends().screens, chosen.screens);
  // The offscreen screen of the tests, through the Qt backend.
  const std::vector<platform::Monitor> monitors = platform::GetMonitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_TRUE(monitors[0].primary);
  EXPECT_EQ(monitors[0].bounds, (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(platform::GetSystemMetrics(platform::SM_CXSCREEN), 1024);
}

}  // namespace
