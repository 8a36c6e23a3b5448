#include <gtest/gtest.h>

#include "engine/Geometry.h"
#include "engine/Tracking.h"
#include "settings/Settings.h"
#include "tests/support/FakeIde.h"

namespace {

using platform::Rect;

TEST(ComputeHideRects, WorkedExamples) {
  struct Row {
    const char* name;
    Rect main, inspector;
    std::uint8_t side, hang;
    THideGeometry want;
  };
  const int cy = 768;
  const Row rows[] = {
      {"main band and left inspector", {0, 0, 1024, 100}, {10, 90, 210, 500}, 0, 5,
       {{-195, 0, 5, cy}, {0, 0, 200, cy}, {10, 90, 210, 500}, {0, -95, 1024, 5}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
      {"right inspector", {0, 0, 1024, 100}, {10, 90, 210, 500}, 1, 5,
       {{1019, 0, 1219, cy}, {824, 0, 1024, cy}, {10, 90, 210, 500}, {0, -95, 1024, 5}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
      {"side 2 means left", {0, 0, 1024, 100}, {10, 90, 210, 500}, 2, 5,
       {{-195, 0, 5, cy}, {0, 0, 200, cy}, {10, 90, 210, 500}, {0, -95, 1024, 5}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
      {"no strip: wholly off screen", {300, 20, 900, 120}, {10, 90, 210, 500}, 1, 0,
       {{1024, 0, 1224, cy}, {824, 0, 1024, cy}, {10, 90, 210, 500}, {0, -100, 1024, 0}, {0, 0, 1024, 100}, {300, 20, 900, 120}}},
      {"widest strip", {0, 0, 1024, 100}, {10, 90, 210, 500}, 0, 255,
       {{55, 0, 255, cy}, {0, 0, 200, cy}, {10, 90, 210, 500}, {0, 155, 1024, 255}, {0, 0, 1024, 100}, {0, 0, 1024, 100}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ComputeHideRects(r.main, r.inspector, 1024, cy, r.side, r.hang), r.want);
  }
}

TEST(ComputeHideRects, SizesAreUnsigned16BitDifferences) {
  struct Row {
    const char* name;
    Rect main;
    std::int32_t wantHeight;
  };
  const Row rows[] = {
      {"taller than 32767 rows", {0, 0, 1024, 40000}, 40000},
      {"exactly 65536 rows wraps to 0", {0, 0, 1024, 65536}, 0},
      {"inverted rectangle wraps", {0, 100, 1024, 0}, 65436},
      {"odd coordinates whose low bits wrap", {0, 65530, 1024, 65546}, 16},
      {"negative top", {0, -95, 1024, 5}, 100},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const THideGeometry g = ComputeHideRects(r.main, r.main, 1024, 768, 0, 5);
    EXPECT_EQ(g.MainShownRect, (Rect{0, 0, 1024, r.wantHeight}));
    EXPECT_EQ(g.MainHiddenRect, (Rect{0, 5 - r.wantHeight, 1024, 5}));
    // The same rule holds for the inspector's width.
    const Rect turned{r.main.top, 0, r.main.bottom, 10};
    EXPECT_EQ(ComputeHideRects(r.main, turned, 1024, 768, 0, 5).InspectorShownRect.right, r.wantHeight);
  }
}

class GeometryWithWindows : public ::testing::Test {
protected:
  void SetUp() override {
    ResetEngineState();
    Settings = TSettings{};
    Settings.HangOutPixels = 5;
    Settings.InspectorSide = 0;
  }
  void TearDown() override { ResetEngineState(); }
  testing_support::FakeIde ide;
};

TEST_F(GeometryWithWindows, MeasuresTheWindowsAndTheScreen) {
  MainWindow = ide.MainHandle();
  InspectorWindow = ide.InspectorHandle();
  ide.main->setGeometry(300, 0, 724, 100);
  ComputeHideGeometry();
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{300, 0, 1024, 100}));
  EXPECT_EQ(HideGeometry.MainShownRect, (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(HideGeometry.InspectorHomeRect, (Rect{10, 110, 210, 510}));
  // A full-screen window's height: the whole 768 rows of the virtual screen.
  EXPECT_EQ(HideGeometry.InspectorShownRect, (Rect{0, 0, 200, 768}));
}

TEST_F(GeometryWithWindows, ALostWindowKeepsItsHome) {
  MainWindow = ide.MainHandle();
  InspectorWindow = ide.InspectorHandle();
  ComputeHideGeometry();
  const Rect home = HideGeometry.InspectorHomeRect;
  ide.inspector.reset();
  ComputeHideGeometry();
  EXPECT_EQ(HideGeometry.InspectorHomeRect, home);
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
}

TEST_F(GeometryWithWindows, RefindWindowsWorksOnlyBeforeTheFirstComputation) {
  // The inspector's search computes the geometry, which gives the main
  // window's shown rectangle the screen width: its own search is then skipped.
  MainWindow = ide.MainHandle();
  RefindWindows();
  EXPECT_EQ(InspectorWindow, ide.InspectorHandle());
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(HideGeometry.InspectorHomeRect, (Rect{10, 110, 210, 510}));

  // Computed once: a later refind leaves handles and geometry alone.
  MainWindow = 0;
  ide.main->setGeometry(0, 0, 1024, 50);
  RefindWindows();
  EXPECT_EQ(MainWindow, 0u);
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
}

TEST_F(GeometryWithWindows, RefindLooksForTheInspectorByTitle) {
  ide.inspector->setWindowTitle(QStringLiteral("Something else"));
  RefindWindows();
  EXPECT_EQ(InspectorWindow, 0u);
  EXPECT_EQ(MainWindow, 0u);
  EXPECT_EQ(HideGeometry.MainShownRect, (Rect{0, 0, 1024, 0}));
}

}  // namespace
