// The bridge's life with a real IDE: attaching, the project read from the
// title, the IDE going and coming back, windows put home, activation.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <utility>

#include "bridge/Bridge.h"
#include "tests/bridge_fake_desktop.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace bridge;
using bridge_test::FakeDesktop;
using platform::HWND;
using platform::Rect;

// A stand-in add-in: registers an expert and a notifier and records what it hears.
struct FakeAddIn {
  std::vector<Notification> heard;
  std::vector<std::string> projectsAsked;  // QueryProjectName at each notification
  int executed = 0;
  THostWindow parent = 0;
  THostServices* services = nullptr;
  bool terminated = false;
  std::function<void()> during;  // runs inside the next notification
};
FakeAddIn* g_addIn = nullptr;

class Expert : public TIExpert {
public:
  std::string GetName() override { return "Fake"; }
  std::string GetComment() override { return ""; }
  TExpertStyle GetStyle() override { return esStandard; }
  TExpertState GetState() override { return esEnabled; }
  std::string GetIDString() override { return "Fake.Expert"; }
  std::string GetMenuText() override { return "Fake 1.0"; }
  void Execute() override { ++g_addIn->executed; }
};

class Notifier : public TIAddInNotifier {
public:
  void HandleNotification(TFileNotification code, const std::string& file, bool&) override {
    g_addIn->heard.push_back(Notification{code, file});
    g_addIn->projectsAsked.push_back(g_addIn->services->QueryProjectName());
    if (auto during = std::exchange(g_addIn->during, nullptr)) during();
  }
};

void Terminate() { g_addIn->terminated = true; }

bool FakeInit(THostServices* services, TExpertRegisterProc reg, TExpertTerminateProc* terminate) {
  g_addIn->services = services;
  g_addIn->parent = services->QueryParentWindow();
  reg(new Expert);
  auto* n = new Notifier;
  services->AttachNotifier(n);
  n->Release();  // the host holds its own reference
  *terminate = &Terminate;
  return true;
}

IdeProfile FakeProfile(const std::string& name = "Fake") {
  IdeProfile p;
  p.name = name;
  p.main = WindowRule{"xterm", "XTerm", name + " main*"};
  p.inspector = WindowRule{"xterm", "XTerm", name + " inspector"};
  p.projectTitle = name + " main - {project}";
  return p;
}

class BridgeHost : public ::testing::Test {
protected:
  void SetUp() override {
    g_addIn = &addIn;
    statePath = testing_support::WindowsDir() + "/state-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/bridge.state";
  }
  void TearDown() override {
    bridge.reset();
    g_addIn = nullptr;
  }
  void MakeBridge(std::string ide = "") {
    Bridge::Options o;
    o.profiles = {FakeProfile("Other"), FakeProfile("Fake")};
    o.ide = std::move(ide);
    o.statePath = statePath;
    bridge = std::make_unique<Bridge>(desktop, o);
    bridge->loadAddIn = [](AddInHost& h, std::string&) { return h.Connect(&FakeInit); };
    bridge->setActive = [this](bool a) { activations.push_back(a); };
    bridge->say = [](const std::string&) {};
  }
  void StartIde(const std::string& title = "Fake main - p1") {
    main = desktop.Add(0x200 + 0x100 * starts, {title, "xterm", "XTerm", 20 + starts}, Rect{0, 0, 1024, 100});
    inspector =
        desktop.Add(0x210 + 0x100 * starts, {"Fake inspector", "xterm", "XTerm", 20 + starts}, Rect{10, 110, 210, 510});
    ++starts;
  }
  void QuitIde() {
    desktop.Remove(main);
    desktop.Remove(inspector);
  }
  // The bridge attached to a started IDE whose inspector the add-in has hidden.
  IdeWindowSystem& StartWithInspectorAt(const Rect& away) {
    MakeBridge();
    StartIde();
    bridge->Update();
    IdeWindowSystem& ws = bridge->Windows();
    ws.Move(kInspectorHandle, away);
    return ws;
  }

  FakeDesktop desktop;
  FakeAddIn addIn;
  std::unique_ptr<Bridge> bridge;
  std::vector<bool> activations;
  std::string statePath;
  HWND main = 0, inspector = 0;
  int starts = 0;
};

TEST_F(BridgeHost, WaitsThenAttachesLoadsAndTellsTheProject) {
  MakeBridge();
  bridge->Update();
  EXPECT_EQ(bridge->AttachedProfile(), nullptr);
  EXPECT_FALSE(bridge->Host().Loaded()) << "no add-in before the IDE is there";
  EXPECT_FALSE(bridge->ShowPanel());

  StartIde();
  bridge->Update();
  ASSERT_NE(bridge->AttachedProfile(), nullptr);
  EXPECT_EQ(bridge->AttachedProfile()->name, "Fake") << "the first profile whose windows are there";
  EXPECT_EQ(addIn.parent, main) << "QueryParentWindow is the real main window";
  EXPECT_EQ(addIn.heard, (std::vector<Notification>{{fnProjectDesktopLoad, "p1.dsk"}}));
  EXPECT_EQ(addIn.projectsAsked, (std::vector<std::string>{"p1"}));
  EXPECT_EQ(bridge->Host().MenuText(), "Fake 1.0");
  EXPECT_TRUE(bridge->ShowPanel());
  EXPECT_EQ(addIn.executed, 1);

  bridge->Update();
  EXPECT_EQ(addIn.heard.size(), 1u) << "nothing changed, nothing sent";
}

TEST_F(BridgeHost, TitleChangesBecomeProjectNotifications) {
  MakeBridge();
  StartIde("Fake main");  // no project open
  bridge->Update();
  EXPECT_TRUE(addIn.heard.empty());
  EXPECT_EQ(bridge->Project(), "");

  struct Step {
    const char* title;
    std::vector<Notification> sent;
    std::vector<std::string> asked;
  } steps[] = {
      {"Fake main - my project", {{fnProjectDesktopLoad, "my project.dsk"}}, {"my project"}},
      {"Fake main - my project", {}, {}},
      {"Fake main - other-one", {{fnProjectClosing, "my project"}, {fnProjectDesktopLoad, "other-one.dsk"}},
       {"my project", "other-one"}},
      {"Fake main", {{fnProjectClosing, "other-one"}}, {"other-one"}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.title);
    addIn.heard.clear();
    addIn.projectsAsked.clear();
    desktop.SetTitle(main, s.title);
    bridge->Update();
    EXPECT_EQ(addIn.heard, s.sent);
    EXPECT_EQ(addIn.projectsAsked, s.asked) << "the project service follows each step";
  }
}

TEST_F(BridgeHost, IdeGoingAwayClosesTheProjectAndComingBackAttachesAgain) {
  MakeBridge();
  StartIde();
  bridge->Update();
  addIn.heard.clear();

  QuitIde();
  bridge->Update();
  EXPECT_EQ(addIn.heard, (std::vector<Notification>{{fnProjectClosing, "p1"}}));
  EXPECT_EQ(bridge->AttachedProfile(), nullptr);
  EXPECT_EQ(addIn.services->QueryParentWindow(), 0u);
  EXPECT_EQ(addIn.services->QueryProjectName(), "");

  addIn.heard.clear();
  StartIde("Fake main - p2");
  bridge->Update();
  EXPECT_EQ(addIn.heard, (std::vector<Notification>{{fnProjectDesktopLoad, "p2.dsk"}}));
  EXPECT_EQ(addIn.services->QueryParentWindow(), main);
  EXPECT_EQ(bridge->Windows().Real(kMainHandle), main) << "the add-in's handle reaches the new window";
  EXPECT_FALSE(addIn.terminated) << "the add-in stays loaded across IDE restarts";
}

TEST_F(BridgeHost, ADesktopChangeDuringANotificationWaitsUntilItIsDone) {
  MakeBridge();
  StartIde();
  bridge->Update();
  addIn.heard.clear();
  // While the add-in handles the close of p1 it lets events run, and the
  // title changes once more: that change must not cut into this one.
  addIn.during = [&] {
    desktop.SetTitle(main, "Fake main - p3");
    bridge->Update();
  };
  desktop.SetTitle(main, "Fake main - p2");
  bridge->Update();
  EXPECT_TRUE(testing_support::WaitFor([&] { return addIn.heard.size() >= 4; }));
  EXPECT_EQ(addIn.heard, (std::vector<Notification>{{fnProjectClosing, "p1"},
                                                    {fnProjectDesktopLoad, "p2.dsk"},
                                                    {fnProjectClosing, "p2"},
                                                    {fnProjectDesktopLoad, "p3.dsk"}}));
  EXPECT_EQ(bridge->Project(), "p3");
}

TEST_F(BridgeHost, ChosenProfileOnly) {
  MakeBridge("Other");
  StartIde();  // a "Fake" IDE
  bridge->Update();
  EXPECT_EQ(bridge->AttachedProfile(), nullptr);
}

TEST_F(BridgeHost, HiddenWindowsAreNotedAndAnIdeRestartedWithOneThereGetsItHome) {
  MakeBridge();
  StartIde();
  bridge->Update();
  IdeWindowSystem& ws = bridge->Windows();
  // The add-in slides the inspector away in steps, and the main window too.
  ws.Move(kInspectorHandle, Rect{-100, 0, 100, 700});
  ws.Move(kInspectorHandle, Rect{-195, 0, 5, 700});
  ws.Move(kMainHandle, Rect{0, -95, 1024, 5});
  bridge->SaveNow();
  HomeBook onDisk = LoadHomeBook(statePath);
  EXPECT_EQ(onDisk.Note("Fake", IdeRole::Inspector), (AwayNote{Rect{10, 110, 210, 510}, Rect{-195, 0, 5, 700}}));
  EXPECT_EQ(onDisk.Note("Fake", IdeRole::Main), (AwayNote{Rect{0, 0, 1024, 100}, Rect{0, -95, 1024, 5}}));

  // The main window is revealed and hidden again: still one note, same home.
  ws.Move(kMainHandle, Rect{0, 0, 1024, 100});
  EXPECT_FALSE(bridge->Book().Note("Fake", IdeRole::Main).has_value()) << "home again: the note closes";
  ws.Move(kMainHandle, Rect{0, -95, 1024, 5});

  // The IDE exits while both are hidden, and saved those places; the bridge
  // goes too.  The next IDE starts with the inspector at its hidden place and
  // its main window put back on the screen by the IDE itself.
  QuitIde();
  bridge->Update();
  bridge.reset();
  addIn = FakeAddIn{};
  desktop.moves.clear();
  MakeBridge();
  StartIde();
  desktop.windows.at(inspector).frame = Rect{-190, 0, 10, 700};  // a window manager kept 5 px more
  desktop.windows.at(main).frame = Rect{0, 0, 1024, 100};
  std::vector<Rect> inspectorAtLoad;
  bridge->loadAddIn = [&](AddInHost& h, std::string&) {
    inspectorAtLoad.push_back(*desktop.FrameRect(inspector));
    return h.Connect(&FakeInit);
  };
  bridge->Update();
  ASSERT_EQ(desktop.moves.size(), 1u) << "only the window at its hidden place is moved";
  EXPECT_EQ(desktop.moves[0], (std::pair<HWND, Rect>{inspector, Rect{10, 110, 210, 510}}));
  EXPECT_EQ(inspectorAtLoad, (std::vector<Rect>{Rect{10, 110, 210, 510}})) << "home before the add-in comes";
  EXPECT_TRUE(LoadHomeBook(statePath).Empty()) << "both notes are done with";
}

TEST_F(BridgeHost, AWindowOutlivingTheMainWindowKeepsItsNote) {
  const Rect home{10, 110, 210, 510}, away{-195, 0, 5, 400};
  IdeWindowSystem& ws = StartWithInspectorAt(away);
  // The IDE closes its main window first; the add-in hears the project close
  // and brings the inspector, still there for a moment, home.
  addIn.during = [&] { ws.Move(kInspectorHandle, home); };
  desktop.Remove(main);
  bridge->Update();
  ASSERT_EQ(addIn.heard.back().code, fnProjectClosing);
  EXPECT_EQ(*desktop.FrameRect(inspector), home);
  desktop.Remove(inspector);
  EXPECT_EQ(bridge->Book().Note("Fake", IdeRole::Inspector), (AwayNote{home, away}))
      << "the IDE may have saved the hidden place before the move home";
}

TEST_F(BridgeHost, AnInspectorTheAddInHidBeforeTheBridgeSawItStaysHidden) {
  const Rect home{10, 110, 210, 510}, away{-195, 0, 5, 400};
  IdeWindowSystem& ws = StartWithInspectorAt(away);
  QuitIde();
  bridge->Update();
  ASSERT_TRUE(bridge->Book().Note("Fake", IdeRole::Inspector).has_value());
  // The IDE comes back at home; its main window shows first, and the add-in
  // hides the inspector as soon as it is there, before the bridge looks again.
  main = desktop.Add(0x900, {"Fake main - p2", "xterm", "XTerm", 40}, Rect{0, 0, 1024, 100});
  bridge->Update();
  inspector = desktop.Add(0x910, {"Fake inspector", "xterm", "XTerm", 40}, home);
  ws.Refresh();  // the add-in looks for it by its class name
  ws.Move(kInspectorHandle, away);
  desktop.moves.clear();
  bridge->Update();
  EXPECT_TRUE(desktop.moves.empty()) << "not brought home behind the add-in's back";
  EXPECT_EQ(*desktop.FrameRect(inspector), away);
  EXPECT_EQ(bridge->Book().Note("Fake", IdeRole::Inspector), (AwayNote{home, away}));
}

TEST_F(BridgeHost, RecoveryWaitsForTheWindowToLand) {
  MakeBridge();
  StartIde();
  bridge->Update();
  bridge->Windows().Move(kInspectorHandle, Rect{-195, 0, 5, 700});
  QuitIde();
  bridge->Update();
  bridge.reset();
  addIn = FakeAddIn{};
  MakeBridge();
  StartIde();
  desktop.windows.at(inspector).frame = Rect{-195, 0, 5, 700};
  desktop.windows.at(inspector).sticks = true;  // the move is answered later
  bridge->Update();
  EXPECT_TRUE(bridge->Recovering());
  EXPECT_FALSE(bridge->Host().Loaded()) << "nothing else happens before the window is home";
  bridge->FramesMoved();
  EXPECT_TRUE(bridge->Recovering()) << "a frame elsewhere moved; ours has not landed";
  desktop.windows.at(inspector).frame = Rect{10, 110, 210, 510};
  bridge->FramesMoved();
  EXPECT_FALSE(bridge->Recovering());
  EXPECT_TRUE(bridge->Host().Loaded());
  EXPECT_EQ(addIn.heard, (std::vector<Notification>{{fnProjectDesktopLoad, "p1.dsk"}}));
}

TEST_F(BridgeHost, RecoveryGivesUpAfterItsWait) {
  MakeBridge();
  StartIde();
  bridge->Update();
  bridge->Windows().Move(kMainHandle, Rect{0, -95, 1024, 5});
  QuitIde();
  bridge->Update();
  bridge.reset();
  addIn = FakeAddIn{};
  MakeBridge();
  StartIde();
  desktop.windows.at(main).frame = Rect{0, -95, 1024, 5};
  desktop.windows.at(main).sticks = true;  // a window manager that never lets it move
  bridge->Update();
  EXPECT_TRUE(bridge->Recovering());
  EXPECT_TRUE(testing_support::WaitFor([&] { return !bridge->Recovering(); }, 5000));
  EXPECT_TRUE(bridge->Host().Loaded()) << "the bridge goes on after the wait";
}

TEST_F(BridgeHost, QuitTellsTheAddInTheProjectClosed) {
  MakeBridge();
  StartIde();
  bridge->Update();
  addIn.heard.clear();
  bridge->Quit();
  EXPECT_EQ(addIn.heard, (std::vector<Notification>{{fnProjectClosing, "p1"}}));
  bridge.reset();
  EXPECT_TRUE(addIn.terminated);
}

TEST_F(BridgeHost, ActivationFollowsTheIdesProcessAndOurOwnWindows) {
  MakeBridge();
  StartIde();
  desktop.windows.at(inspector).id.pid = 77;  // an IDE of two processes
  bridge->Update();
  const HWND stranger = desktop.Add(0x900, {"editor", "gedit", "Gedit", 99}, Rect{0, 0, 10, 10});
  const HWND mine = desktop.Add(0x901, {"panel", "b", "B", static_cast<long long>(::getpid())}, Rect{0, 0, 10, 10});
  bridge->ActiveWindowChanged(inspector);
  bridge->ActiveWindowChanged(stranger);
  bridge->ActiveWindowChanged(main);
  bridge->ActiveWindowChanged(mine);
  bridge->ActiveWindowChanged(0x999);  // gone already: not the IDE
  EXPECT_EQ(activations, (std::vector<bool>{true, false, true, true, false}));

  struct Row {
    const char* name;
    std::optional<platform::WindowIdentity> id;
    std::vector<long long> ide;
    bool own;
    bool active;
  } rows[] = {
      {"own window, unknown", std::nullopt, {20}, true, true},
      {"pid unknown", platform::WindowIdentity{"t", "i", "c", 0}, {}, false, false},
      {"no IDE attached", platform::WindowIdentity{"t", "i", "c", 20}, {}, false, false},
      {"the IDE", platform::WindowIdentity{"t", "i", "c", 20}, {20}, false, true},
      {"the IDE's second process", platform::WindowIdentity{"t", "i", "c", 21}, {20, 21}, false, true},
      {"our own process", platform::WindowIdentity{"t", "i", "c", 1234}, {20}, false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(IdeIsActive(r.id, r.ide, 1234, r.own), r.active);
  }
}

TEST(BridgeAddInHost, LibrariesThatCannotServeAreReportedNotFatal) {
  AddInHost host;
  std::string why;
  EXPECT_FALSE(host.Load("/no/such/libedgetucker.so", &why));
  EXPECT_NE(why.find("cannot load"), std::string::npos) << why;
  // A real library without the entry point: the hook library beside the tests.
  const std::string hook = QCoreApplication::applicationDirPath().toStdString() + "/libmgwatch1.so";
  why.clear();
  EXPECT_FALSE(host.Load(hook, &why));
  EXPECT_NE(why.find("has no entry point INITEXPERT0016"), std::string::npos) << why;
  EXPECT_FALSE(host.Loaded());
  EXPECT_FALSE(host.RunMenu());
  EXPECT_EQ(host.MenuText(), "");
  EXPECT_FALSE(host.Notify(fnProjectClosing, "p")) << "no notifier, nothing cancelled";
}

TEST(BridgeAddInHost, ServicesOutliveTheHostWithNeutralAnswers) {
  FakeAddIn local;
  g_addIn = &local;
  THostServices* kept = nullptr;
  {
    AddInHost host;
    host.parentWindow = [] { return THostWindow{42}; };
    host.projectName = [] { return std::string("p"); };
    ASSERT_TRUE(host.Connect(&FakeInit));
    EXPECT_FALSE(host.Connect(&FakeInit)) << "one add-in per host";
    EXPECT_EQ(local.parent, 42u);
    kept = host.Services();
    kept->AddRef();  // an add-in that holds on to the services past the end
    host.Shutdown();
    EXPECT_TRUE(local.terminated);
    EXPECT_EQ(host.NotifierCount(), 0u);
  }
  EXPECT_EQ(kept->QueryParentWindow(), 0u);
  EXPECT_EQ(kept->QueryProjectName(), "");
  EXPECT_FALSE(kept->AttachNotifier(nullptr));
  kept->Release();
  g_addIn = nullptr;
}

TEST(BridgeProjectChange, Table) {
  struct Row {
    const char* before;
    const char* after;
    std::vector<Notification> sent;
  } rows[] = {
      {"", "", {}},
      {"", "a", {{fnProjectDesktopLoad, "a.dsk"}}},
      {"a", "", {{fnProjectClosing, "a"}}},
      {"a", "b", {{fnProjectClosing, "a"}, {fnProjectDesktopLoad, "b.dsk"}}},
      {"a", "a", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.before) + " -> " + r.after);
    EXPECT_EQ(ProjectChange(r.before, r.after), r.sent);
  }
}

}  // namespace
