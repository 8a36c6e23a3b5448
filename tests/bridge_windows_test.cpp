// The add-in's class names answered with another program's windows.
#include <gtest/gtest.h>

#include "bridge/IdeWindows.h"
#include "tests/bridge_fake_desktop.h"

namespace {

using namespace bridge;
using bridge_test::FakeDesktop;
using platform::HWND;
using platform::Rect;

IdeProfile FakeProfile() {
  IdeProfile p;
  p.name = "Fake";
  p.main = WindowRule{"xterm", "XTerm", "FakeIDE main*"};
  p.inspector = WindowRule{"xterm", "XTerm", "FakeIDE inspector"};
  p.projectTitle = "FakeIDE main - {project}";
  return p;
}

class BridgeWindows : public ::testing::Test {
protected:
  void SetUp() override {
    desktop.Add(0x100, {"some terminal", "xterm", "XTerm", 10}, Rect{500, 500, 700, 600});
    main = desktop.Add(0x200, {"FakeIDE main - p1", "xterm", "XTerm", 20}, Rect{0, 0, 1024, 100});
    inspector = desktop.Add(0x300, {"FakeIDE inspector", "xterm", "XTerm", 20}, Rect{10, 110, 210, 510});
    ws.SetProfile(&profile);
  }
  FakeDesktop desktop;
  IdeProfile profile = FakeProfile();
  IdeWindowSystem ws{desktop};
  HWND main = 0, inspector = 0;
};

TEST_F(BridgeWindows, FindAnswersTheAddInsNamesWithRoleHandles) {
  EXPECT_EQ(ws.Current(), (IdeWindows{main, inspector, 20, 20}));
  EXPECT_EQ(ws.Find("TAppBuilder", nullptr), kMainHandle);
  EXPECT_EQ(ws.Find("TPropertyInspector", "Object Inspector"), kInspectorHandle) << "the profile decides, not the title";
  EXPECT_EQ(ws.Find("XTerm", "some terminal"), 0x100u) << "other names go through";
  EXPECT_EQ(ws.Real(kMainHandle), main);
  EXPECT_EQ(ws.RoleOf(main), IdeRole::Main);
  EXPECT_EQ(ws.RoleOf(kInspectorHandle), IdeRole::Inspector);
  EXPECT_FALSE(ws.RoleOf(0x100).has_value());
}

TEST_F(BridgeWindows, RoleHandlesReachTheRealWindows) {
  EXPECT_EQ(ws.FrameRect(kMainHandle), (Rect{0, 0, 1024, 100}));
  ws.Move(kInspectorHandle, Rect{-195, 0, 5, 700});
  EXPECT_EQ(desktop.windows.at(inspector).frame, (Rect{-195, 0, 5, 700}));
  ws.Raise(kMainHandle);
  EXPECT_EQ(desktop.raises.back(), main);
  EXPECT_EQ(ws.Identify(kMainHandle)->title, "FakeIDE main - p1");
  EXPECT_TRUE(ws.Exists(kMainHandle));
}

TEST_F(BridgeWindows, ResultsNameRoleWindowsByTheirRole) {
  const HWND menu = desktop.Add(0x400, {"menu", "xterm", "XTerm", 20}, Rect{0, 100, 100, 200});
  desktop.windows.at(menu).owner = main;
  EXPECT_EQ(ws.Owner(menu), kMainHandle) << "a menu of the main window is owned by the handle the add-in holds";
  const std::vector<HWND> stack = ws.Stacking();
  EXPECT_EQ(stack, (std::vector<HWND>{menu, kInspectorHandle, kMainHandle, 0x100}));
}

TEST_F(BridgeWindows, GoneWindowsMakeRoleHandlesStaleUntilTheyComeBack) {
  std::vector<std::pair<IdeRole, Rect>> seen;
  ws.onMove = [&](IdeRole r, const std::optional<Rect>&, const Rect& to) { seen.emplace_back(r, to); };
  desktop.Remove(main);
  desktop.Remove(inspector);
  ws.Refresh();
  EXPECT_FALSE(ws.Exists(kMainHandle));
  EXPECT_EQ(ws.Find("TAppBuilder", nullptr), 0u);
  EXPECT_FALSE(ws.FrameRect(kMainHandle).has_value());
  ws.Move(kMainHandle, Rect{0, 0, 10, 10});
  EXPECT_TRUE(desktop.moves.empty()) << "a stale handle moves nothing";
  EXPECT_TRUE(seen.empty());

  // The IDE starts again with new windows: the same role handles reach them,
  // and Find looks again by itself.
  const HWND main2 = desktop.Add(0x500, {"FakeIDE main", "xterm", "XTerm", 30}, Rect{0, 0, 800, 90});
  EXPECT_EQ(ws.Find("TAppBuilder", nullptr), kMainHandle);
  EXPECT_EQ(ws.Real(kMainHandle), main2);
  EXPECT_EQ(ws.Current().pid, 30);
  ws.Move(kMainHandle, Rect{0, -85, 800, 5});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, IdeRole::Main);
}

TEST_F(BridgeWindows, AFoundWindowKeepsItsRoleWhileUnlistedAndTheInspectorIsNeverTheMain) {
  desktop.windows.at(inspector).visible = false;  // taken out of the window manager's list while hidden
  ws.Refresh();
  EXPECT_EQ(ws.Current().inspector, inspector);
  // A window that stops satisfying the rule loses its role.
  desktop.SetTitle(inspector, "Something else");
  ws.Refresh();
  EXPECT_EQ(ws.Current().inspector, 0u);

  // A profile whose two rules both take any xterm: the main window is not also the inspector.
  IdeProfile loose = profile;
  loose.main.title = "";
  loose.inspector.title = "";
  IdeWindowSystem looseWs(desktop);
  looseWs.SetProfile(&loose);
  EXPECT_NE(looseWs.Current().main, looseWs.Current().inspector);
}

TEST_F(BridgeWindows, MovesAreReportedWithTheFrameBefore) {
  std::optional<Rect> before;
  Rect target;
  ws.onMove = [&](IdeRole, const std::optional<Rect>& b, const Rect& t) {
    before = b;
    target = t;
  };
  ws.Move(kMainHandle, Rect{0, -95, 1024, 5});
  EXPECT_EQ(before, (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(target, (Rect{0, -95, 1024, 5}));
  before.reset();
  ws.Move(0x100, Rect{0, 0, 5, 5});
  EXPECT_FALSE(before.has_value()) << "other windows' moves are not the IDE's";
}

TEST_F(BridgeWindows, NoProfileNoRoles) {
  ws.SetProfile(nullptr);
  EXPECT_EQ(ws.Find("TAppBuilder", nullptr), 0u);
  EXPECT_EQ(ws.Current(), IdeWindows{});
}

}  // namespace
