#include <QApplication>
#include <QCloseEvent>

#include <stdexcept>

#include "settings/EasyINI.h"
#include "tests/support/PanelFixture.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Application.h"

namespace {

using platform::Rect;
using testing_support::FakeIde;
using testing_support::WriteFile;

std::vector<TIExpert*> g_registered;
bool Register(TIExpert* e) {
  g_registered.push_back(e);
  return true;
}

std::string IniPath() { return testing_support::WindowsDir() + "/Edgetuck.ini"; }

class Expert : public ::testing::Test {
protected:
  void SetUp() override {
    ResetExpertState();
    for (TIExpert* e : g_registered) e->Release();
    g_registered.clear();
    std::remove(IniPath().c_str());
    platform::SetSoundPlayer([](const std::string&, unsigned) { return platform::SoundOutcome::NoDevice; });
  }
  void TearDown() override {
    ResetExpertState();
    for (TIExpert* e : g_registered) e->Release();
    g_registered.clear();
    platform::SetSoundPlayer(nullptr);
    std::remove(IniPath().c_str());
  }
  bool Connect() { return INITEXPERT0016(&ide.services, &Register, &terminate); }

  FakeIde ide;
  TExpertTerminateProc terminate = nullptr;
  tk::BoxRecorder boxes;
};

TEST_F(Expert, TheEntryPointConnectsOnceAndRefusesLaterCalls) {
  ASSERT_TRUE(Connect());
  EXPECT_EQ(HostServices, &ide.services);
  EXPECT_EQ(terminate, &TerminateExpert);
  ASSERT_EQ(g_registered.size(), 1u);
  EXPECT_EQ(ide.services.notifiers.size(), 1u);
  ASSERT_TRUE(frmMain);
  EXPECT_FALSE(frmMain->isVisible()) << "created hidden";
  EXPECT_NE(frmMain->Handle(), 0u);
  EXPECT_EQ(tk::Application().Handle(), ide.MainHandle());
  EXPECT_EQ(frmMain->parentWidget(), ide.main.get()) << "owned by the IDE's window";
  EXPECT_EQ(MainWindow, ide.MainHandle());
  EXPECT_EQ(InspectorWindow, ide.InspectorHandle());

  TExpertTerminateProc again = nullptr;
  EXPECT_FALSE(INITEXPERT0016(&ide.services, &Register, &again));
  EXPECT_EQ(g_registered.size(), 1u);
  EXPECT_EQ(ide.services.notifiers.size(), 1u);
  EXPECT_EQ(again, nullptr);
}

TEST_F(Expert, ANullServicesObjectIsRefused) {
  EXPECT_FALSE(INITEXPERT0016(nullptr, &Register, &terminate));
  EXPECT_TRUE(g_registered.empty());
  EXPECT_EQ(terminate, nullptr);
  EXPECT_FALSE(frmMain);
  EXPECT_TRUE(Connect()) << "a later call with real services still connects";
}

TEST_F(Expert, ExpertMethodsAnswerAsTheIdeExpects) {
  ASSERT_TRUE(Connect());
  TIExpert* e = g_registered.at(0);
  EXPECT_EQ(e->GetName(), "Edgetucker 1.2d");
  EXPECT_EQ(e->GetComment(), "Makes Delphi and Object Inspector act like autohide taskbars.");
  EXPECT_EQ(e->GetStyle(), esStandard);
  EXPECT_EQ(e->GetState(), TExpertState{esEnabled});
  EXPECT_EQ(e->GetIDString(), "MarrowgateSotware.TEdgetuckerExpert12");
  EXPECT_EQ(e->GetMenuText(), "Edgetucker 1.2d");
  EXPECT_EQ(e->RefCount(), 1);
  EXPECT_EQ(e->GetVersion(), 2);
  e->ReservedSlot1();  // unnamed slots do nothing
  e->Execute();
  EXPECT_TRUE(frmMain->isVisible());
  EXPECT_TRUE(ide.services.errors.empty());
}

// An INI component whose reads fail, to make Execute throw from inside.
class FailingIni : public TIniEditor {
public:
  using TIniEditor::TIniEditor;
  std::string ReadStr(std::string_view, std::string_view, std::string_view) override {
    throw std::runtime_error("disk on fire");
  }
};

TEST_F(Expert, ExceptionsInExecuteAndTerminationGoToTheIdesErrorReport) {
  ASSERT_TRUE(Connect());
  frmMain->ini = new FailingIni(frmMain);
  g_registered.at(0)->Execute();
  EXPECT_EQ(ide.services.errors, (std::vector<std::string>{"disk on fire"}));

  struct Throwing : testing_support::FakeServices {
    bool DetachNotifier(TIAddInNotifier*) override { throw std::runtime_error("cannot detach"); }
  };
  // Route termination through services whose detach throws.
  Throwing throwing;
  throwing.AddRef();
  HostServices = &throwing;
  TerminateExpert();
  EXPECT_EQ(throwing.errors, (std::vector<std::string>{"cannot detach"}));
  HostServices = &ide.services;
}

TEST_F(Expert, ExecuteShowsRaisesRefindsAndReloads) {
  ASSERT_TRUE(Connect());
  WriteFile(IniPath(), "[Edgetucker]\nHangOutPixels=9\n");
  MainWindow = 0;
  g_registered.at(0)->Execute();
  EXPECT_TRUE(frmMain->isVisible());
  EXPECT_EQ(MainWindow, ide.MainHandle());
  EXPECT_EQ(Settings.HangOutPixels, 9);
}

TEST_F(Expert, NoMainWindowIsReportedAndTheSettingsAreNotLoaded) {
  WriteFile(IniPath(), "[Edgetucker]\nHangOutPixels=9\n");
  ide.main.reset();
  ide.services.parent = 0;
  ASSERT_TRUE(Connect());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Delphi could not be found."));
  EXPECT_EQ(Settings.HangOutPixels, 5) << "start value kept";
  ASSERT_TRUE(frmMain);
}

TEST_F(Expert, TerminationReleasesStopsAndDestroysThePanel) {
  ASSERT_TRUE(Connect());
  QPointer<TfrmMain> panel = frmMain.data();
  StartWatching(frmMain->Handle());
  TerminateExpert();
  EXPECT_TRUE(ide.services.notifiers.empty());
  EXPECT_EQ(AddInNotifier, nullptr);
  EXPECT_FALSE(Watching);
  EXPECT_FALSE(panel) << "destroyed before the IDE unloads the library";
  EXPECT_FALSE(PanelCreated);
}

TEST_F(Expert, APanelClosedByOtherMeansIsCreatedAgain) {
  ASSERT_TRUE(Connect());
  frmMain->Close();
  testing_support::WaitFor([] { return frmMain.isNull(); });
  EXPECT_FALSE(frmMain);
  ide.services.Notify(fnProjectClosing, "x.dpr");  // ignored, no crash
  g_registered.at(0)->Execute();
  ASSERT_TRUE(frmMain);
  EXPECT_TRUE(frmMain->isVisible());
}

TEST_F(Expert, NotificationsBeforeThePanelExistsAreIgnored) {
  auto* notifier = new TAddInNotifier;
  bool cancel = false;
  for (TFileNotification code : {0, 5, 8, 9, 10, 11, 255}) {
    SCOPED_TRACE(int(code));
    notifier->HandleNotification(code, "/p/Project1.dsk", cancel);
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(frmMain);
  }
  EXPECT_EQ(notifier->Release(), 0);  // created with one reference: gone now
}

class Notifications : public testing_support::PanelTest {
protected:
  void SetUp() override {
    PanelTest::SetUp();
    AddInNotifier = new TAddInNotifier;
  }
  void Notify(TFileNotification code, const std::string& file) {
    bool cancel = false;
    AddInNotifier->HandleNotification(code, file, cancel);
    EXPECT_FALSE(cancel);
  }
};

TEST_F(Notifications, ProjectCloseWhileNotHidingStillRunsStop) {
  frmMain->SetRunningButtons();  // even from an odd state, Stop's action runs
  Notify(fnProjectClosing, "Project1.dpr");
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
  EXPECT_FALSE(frmMain->btnStop->isEnabled());
  EXPECT_TRUE(frmMain->btnOptions->isEnabled());
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
}

TEST_F(Notifications, ProjectDesktopSaveRestoresButKeepsWatchingAndButtons) {
  frmMain->btnStartClick();
  ASSERT_TRUE(MainHidden);
  Notify(fnProjectDesktopSave, "/p/Project1.dsk");
  EXPECT_FALSE(MainHidden);
  EXPECT_TRUE(Watching);
  EXPECT_FALSE(frmMain->btnStart->isEnabled());
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
}

TEST_F(Notifications, DesktopLoads) {
  struct Row {
    const char* name;
    TFileNotification code;
    std::string file;
    bool autoStart;
    bool anyWindow;
    bool starts;
  };
  const Row rows[] = {
      {"project desktop with auto-start", fnProjectDesktopLoad, "/p/Project1.dsk", true, true, true},
      {"default desktop", fnDefaultDesktopLoad, "/w/DELPHI32.DSK", true, true, false},
      {"default desktop in lower case", fnProjectDesktopLoad, "/w/delphi32.dsk", true, true, false},
      {"default desktop in mixed case", fnProjectDesktopLoad, "C:\\W\\Delphi32.Dsk", true, true, false},
      {"a name that only ends like it", fnProjectDesktopLoad, "/w/XDELPHI32.DSK", true, true, true},
      {"auto-start off", fnProjectDesktopLoad, "/p/Project1.dsk", false, true, false},
      {"no window chosen", fnProjectDesktopLoad, "/p/Project1.dsk", true, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings.AutoStart = r.autoStart;
    Settings.HideMainWindow = Settings.HideInspector = r.anyWindow;
    HideGeometry = THideGeometry{};
    Notify(r.code, r.file);
    EXPECT_EQ(frmMain->iniProj->FileName(), r.file);
    EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100})) << "always recomputed";
    EXPECT_EQ(MainHidden, r.starts);
    EXPECT_EQ(Watching, r.starts);
    Notify(fnProjectClosing, "Project1.dpr");
  }
}

TEST_F(Notifications, ADesktopLoadMeasuresTheWindowsWhereTheyStandNow) {
  ide.main->setGeometry(300, 40, 600, 120);
  Notify(fnProjectDesktopLoad, "/p/Project1.dsk");
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{300, 40, 900, 160}));
  EXPECT_EQ(HideGeometry.MainShownRect, (Rect{0, 0, 1024, 120}));
  EXPECT_EQ(HideGeometry.MainHiddenRect, (Rect{0, -115, 1024, 5}));

  // Shown across the full width after a reveal, back at x = 300 after Stop.
  frmMain->btnStartClick();
  Report(500, 0);
  frmMain->timerWait->Tick();
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 120}));
  frmMain->btnStopClick();
  EXPECT_EQ(ide.MainRect(), (Rect{300, 40, 900, 160}));
}

// Stop, a project close and a desktop save bring home a window that stands
// revealed, whichever window, side and animation.  The main window stands away
// from its full-width shown place, so each window's revealed place differs
// from its home.
TEST_F(Notifications, EveryEndingBringsARevealedWindowHome) {
  const Rect mainHome{100, 0, 700, 100}, inspectorHome{10, 110, 210, 510};
  struct Ending {
    const char* name;
    TFileNotification code;  // 0: the Stop button
    bool keepsWatching;
  };
  const Ending endings[] = {
      {"Stop", 0, false}, {"project close", fnProjectClosing, false}, {"desktop save", fnProjectDesktopSave, true}};
  struct Reveal {
    const char* name;
    bool main;
    std::uint8_t side;
    int x, y;  // on the window's strip
  };
  const Reveal reveals[] = {{"main window", true, 1, 500, 2},
                            {"inspector on the right", false, 1, 1021, 400},
                            {"inspector on the left", false, 0, 2, 400}};
  ide.main->setGeometry(100, 0, 600, 100);
  for (const Ending& e : endings)
    for (const Reveal& r : reveals)
      for (std::uint8_t animate : {0, 1}) {
        SCOPED_TRACE(std::string(e.name) + ", " + r.name + (animate ? ", animated" : ", in one move"));
        Settings.InspectorSide = r.side;
        Settings.AnimateMoves = animate;
        frmMain->btnStartClick();
        ASSERT_TRUE(MainHidden && InspectorHidden && Watching);
        Report(r.x, r.y);
        frmMain->timerWait->Tick();
        ASSERT_EQ(r.main ? ide.MainRect() : ide.InspectorRect(),
                  r.main ? HideGeometry.MainShownRect : HideGeometry.InspectorShownRect);
        if (e.code == 0)
          frmMain->btnStopClick();
        else
          Notify(e.code, "/p/Project1.dpr");
        EXPECT_EQ(ide.MainRect(), mainHome);
        EXPECT_EQ(ide.InspectorRect(), inspectorHome);
        EXPECT_FALSE(MainHidden || InspectorHidden);
        EXPECT_EQ(Watching, e.keepsWatching);
        EXPECT_FALSE(Armed());
        frmMain->btnStopClick();
        EXPECT_EQ(ide.MainRect(), mainHome) << "a Stop after a save has nothing left to move";
      }
}

TEST_F(Notifications, ARevealedWindowWhoseShownPlaceIsHomeDoesNotMove) {
  // The main window at home spans the screen's width at the top: its shown place.
  struct Row {
    const char* name;
    TFileNotification code;
  };
  const Row rows[] = {{"Stop", 0}, {"desktop save", fnProjectDesktopSave}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    frmMain->btnStartClick();
    Report(500, 2);
    frmMain->timerWait->Tick();
    ASSERT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
    int mainPlacements = 0;
    SetPlacementObserver([&](platform::HWND w, const Rect&) { mainPlacements += w == ide.MainHandle(); });
    if (r.code == 0)
      frmMain->btnStopClick();
    else
      Notify(r.code, "/p/Project1.dpr");
    SetPlacementObserver({});
    EXPECT_EQ(mainPlacements, 0);
    EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
    EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510})) << "the hidden inspector comes home";
    frmMain->btnStopClick();
  }
}

}  // namespace

namespace {

using platform::Rect;

// Closing or destroying the panel while hiding runs never loses a window.
class PanelEnds : public Expert {
protected:
  void SetUp() override {
    Expert::SetUp();
    ide.services.project = "Project1.dpr";
    // Both windows, the inspector on the right, reveals at once.
    WriteFile(IniPath(), "[Edgetucker]\nmgHideInspector=1\nmgHideDelphi=1\nmgSide=1\nmgDelay=0\n");
    ASSERT_TRUE(Connect());
    frmMain->show();
    frmMain->btnStartClick();
    ASSERT_TRUE(MainHidden && InspectorHidden && Watching);
  }
  void ExpectHome() {
    EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
    EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
    EXPECT_FALSE(MainHidden || InspectorHidden);
    EXPECT_FALSE(Watching);
  }
  static void MoveCursor(int x, int y) {
    platform::SetCursorPos({x, y});
    platform::ProcessMessages();
  }
};

TEST_F(PanelEnds, ACloseRequestWhileHidingHidesThePanelLikeHide) {
  QPointer<TfrmMain> panel = frmMain.data();
  frmMain->show();
  QCloseEvent close;
  QApplication::sendEvent(frmMain, &close);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  platform::ProcessMessages();
  ASSERT_TRUE(panel) << "kept, only hidden";
  EXPECT_FALSE(panel->isVisible());
  EXPECT_TRUE(Watching);
  // The strips still reveal.
  MoveCursor(500, 2);
  EXPECT_TRUE(testing_support::WaitFor([] { return !MainHidden; }, 1000));
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
  MoveCursor(500, 400);
  ASSERT_TRUE(MainHidden);
  // The menu entry shows the same panel, still running; Stop brings all home.
  g_registered.at(0)->Execute();
  EXPECT_EQ(frmMain.data(), panel.data());
  EXPECT_TRUE(frmMain->btnStop->isEnabled());
  frmMain->btnStopClick();
  ExpectHome();
}

TEST_F(PanelEnds, DestroyingThePanelWhileHidingBringsTheWindowsHome) {
  const platform::HWND gone = frmMain->Handle();
  delete frmMain.data();
  ExpectHome();
  // Reports would go nowhere: the watch is off, and nothing is posted to the
  // destroyed panel's handle.
  EXPECT_FALSE(platform::IsWindow(gone));
  MoveCursor(500, 2);
  MoveCursor(500, 400);
  ExpectHome();
  // The next panel from the menu is idle, and its Start measures the windows
  // at home.
  g_registered.at(0)->Execute();
  ASSERT_TRUE(frmMain);
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
  frmMain->btnStartClick();
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 1024, 100}));
  frmMain->btnStopClick();
  ExpectHome();
}

TEST_F(PanelEnds, TerminationWhileHidingBringsTheWindowsHomeFirst) {
  TerminateExpert();
  EXPECT_FALSE(frmMain);
  ExpectHome();
}

TEST_F(PanelEnds, TerminationWhileSuspendedBringsTheWindowsHomeToo) {
  platform::SetApplicationActive(false);
  ASSERT_TRUE(FocusSuspended);
  TerminateExpert();
  platform::SetApplicationActive(true);
  ExpectHome();
  EXPECT_FALSE(FocusSuspended);
}

TEST_F(PanelEnds, AProjectCloseDuringStartsSlideLeavesThePanelIdle) {
  frmMain->btnStopClick();
  frmMain->show();
  QMetaObject::invokeMethod(
      qApp, [this] { ide.services.Notify(fnProjectClosing, "Project1.dpr"); }, Qt::QueuedConnection);
  frmMain->btnStartClick();
  platform::ProcessMessages();
  ExpectHome();
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
  EXPECT_FALSE(frmMain->btnStop->isEnabled());
  EXPECT_TRUE(frmMain->btnOptions->isEnabled());
}

}  // namespace
