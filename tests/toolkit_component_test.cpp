#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/Component.h"
#include "toolkit/Timer.h"

namespace {

struct Probe : QObject, tk::TComponent {
  explicit Probe(std::vector<std::string>* log, std::string name, QObject* owner = nullptr)
      : QObject(owner), m_log(log), m_name(std::move(name)) {}
  void Loaded() override {
    m_log->push_back(m_name + (IsLoading() ? ":loading" : ":done"));
    TComponent::Loaded();
  }
  std::vector<std::string>* m_log;
  std::string m_name;
};

TEST(LoadingScope, ComponentsLoadInCreationOrderAfterTheScopeEnds) {
  std::vector<std::string> log;
  Probe outside(&log, "outside");
  EXPECT_FALSE(outside.IsLoading());
  {
    tk::LoadingScope scope;
    Probe a(&log, "a");
    auto* b = new Probe(&log, "b", &a);
    EXPECT_TRUE(a.IsLoading());
    EXPECT_TRUE(b->IsLoading());
    EXPECT_TRUE(log.empty());
    scope.End();
    EXPECT_FALSE(a.IsLoading());
    EXPECT_FALSE(b->IsLoading());
  }
  EXPECT_EQ(log, (std::vector<std::string>{"a:loading", "b:loading"}));
}

TEST(LoadingScope, AComponentDestroyedBeforeTheEndIsSkipped) {
  std::vector<std::string> log;
  tk::LoadingScope scope;
  auto* gone = new Probe(&log, "gone");
  Probe kept(&log, "kept");
  delete gone;
  scope.End();
  EXPECT_EQ(log, (std::vector<std::string>{"kept:loading"}));
}

TEST(Designing, SetsTheWholeTree) {
  std::vector<std::string> log;
  Probe root(&log, "root");
  auto* child = new Probe(&log, "child", &root);
  tk::SetDesigning(&root, true);
  EXPECT_TRUE(root.IsDesigning());
  EXPECT_TRUE(child->IsDesigning());
  tk::SetDesigning(&root, false);
  EXPECT_FALSE(child->IsDesigning());
}

TEST(Timer, EnablingAnEnabledTimerKeepsItsCountAndIntervalHoldsWhileDisabled) {
  tk::TTimer t;
  int ticks = 0;
  t.SetEnabled(false);
  t.SetInterval(250);
  t.SetOnTimer([&] { ++ticks; });
  EXPECT_FALSE(t.Running());
  EXPECT_EQ(t.Interval(), 250);
  t.SetEnabled(true);
  EXPECT_TRUE(t.Running());
  t.SetEnabled(true);
  EXPECT_TRUE(t.Running());
  t.Tick();
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, ZeroOrNegativeIntervalNeverRunsUnlessAskedToFireAtOnce) {
  struct Row { const char* name; int interval; bool atOnce; bool runs; };
  const Row rows[] = {
      {"zero", 0, false, false},
      {"negative", -5, false, false},
      {"zero at once", 0, true, true},
      {"negative at once", -5, true, true},
      {"positive", 10, false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    tk::TTimer t;
    t.SetInterval(r.interval);
    t.SetFireAtOnceWhenNotPositive(r.atOnce);
    t.SetOnTimer([] {});
    EXPECT_EQ(t.Running(), r.runs);
  }
}

}  // namespace
