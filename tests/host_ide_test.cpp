#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <filesystem>

#include "host/AppBuilder.h"
#include "host/CommandLine.h"
#include "host/Desktop.h"
#include "host/IdeHost.h"
#include "host/PropertyWindow.h"
#include "platform/Windows.h"
#include "toolkit/Form.h"
#include "tests/support/TestSupport.h"

namespace {

using platform::Rect;

Rect RectOf(QWidget* w) {
  Rect r;
  platform::GetWindowRect(platform::HandleOf(w), r);
  return r;
}

// ---- a small add-in living in the test executable ------------------------------

struct Seen {
  int code;
  std::string path;
  Rect mainAtThatTime;
};

struct FakeAddIn {
  THostServices* services = nullptr;
  std::vector<Seen> seen;
  int executed = 0;
  bool cancelCode = false;
  int codeToCancel = -1;
  // On 11, bring the main window "home" before the host writes the file.
  bool moveHomeOnSave = false;
  bool terminated = false;
  bool mainWindowAliveAtTermination = false;
  QPointer<QWidget> ownedWindow;  // a window owned by the host's main window
  class Notifier* notifier = nullptr;
};
FakeAddIn* g_fake = nullptr;

class FakeExpert : public TIExpert {
public:
  std::string GetName() override { return "Fake"; }
  std::string GetComment() override { return ""; }
  TExpertStyle GetStyle() override { return esStandard; }
  TExpertState GetState() override { return esEnabled; }
  std::string GetIDString() override { return "Test.Fake"; }
  std::string GetMenuText() override { return "Fake & Co"; }
  void Execute() override { ++g_fake->executed; }
};

class Notifier : public TIAddInNotifier {
public:
  void HandleNotification(TFileNotification code, const std::string& file, bool& cancel) override {
    QWidget* main = platform::WidgetFromHandle(g_fake->services->QueryParentWindow());
    g_fake->seen.push_back({code, file, main ? RectOf(main) : Rect{}});
    if (code == g_fake->codeToCancel) cancel = true;
    if (code == fnProjectDesktopSave && g_fake->moveHomeOnSave && main)
      platform::MoveWindow(platform::HandleOf(main), 0, 0, 600, 106, true);
  }
};

void FakeTerminate() {
  g_fake->terminated = true;
  g_fake->mainWindowAliveAtTermination = platform::FindWindow("TAppBuilder", nullptr) != 0;
  g_fake->services->DetachNotifier(g_fake->notifier);
  g_fake->notifier->Release();
}

bool FakeInit(THostServices* services, TExpertRegisterProc reg, TExpertTerminateProc* terminate) {
  g_fake->services = services;
  *terminate = &FakeTerminate;
  reg(new FakeExpert);
  g_fake->notifier = new Notifier;
  services->AttachNotifier(g_fake->notifier);
  auto* owned = new QWidget(platform::WidgetFromHandle(services->QueryParentWindow()), Qt::Window);
  owned->setObjectName(QStringLiteral("ownedByAddIn"));
  g_fake->ownedWindow = owned;
  return true;
}

class IdeHostTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_fake = &fake;
    ide = std::make_unique<host::IdeHost>();
    ide->showError = [this](const QString& t) { errors.push_back(t.toStdString()); };
    ide->ShowWindows();
    dir = testing_support::WindowsDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    ide.reset();
    g_fake = nullptr;
  }
  FakeAddIn fake;
  std::unique_ptr<host::IdeHost> ide;
  std::vector<std::string> errors;
  std::string dir;
};

TEST_F(IdeHostTest, WindowsStartAtTheirRectanglesAndTakeAnyRectangle) {
  EXPECT_EQ(RectOf(ide->MainWindow()), (Rect{0, 0, 1024, 100}));
  EXPECT_EQ(RectOf(ide->Inspector()), (Rect{10, 110, 210, 510}));
  EXPECT_EQ(ide->Inspector()->windowTitle(), QStringLiteral("Object Inspector"));
  EXPECT_EQ(ide->Inspector()->parentWidget(), nullptr);
  EXPECT_EQ(ide->MainWindow()->windowTitle(), QStringLiteral("ide-host"));
  struct Row {
    const char* name;
    Rect rect;
  };
  const Row rows[] = {
      {"small band", {0, 0, 600, 106}},
      {"inspector home", {0, 0, 220, 450}},
      {"hidden above the screen", {0, -95, 1024, 5}},
      {"hidden right of the screen", {1019, 0, 1239, 738}},
      {"one pixel", {5, 5, 6, 6}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (QWidget* w : {static_cast<QWidget*>(ide->MainWindow()), static_cast<QWidget*>(ide->Inspector())}) {
      platform::MoveWindow(platform::HandleOf(w), row.rect.left, row.rect.top, row.rect.Width(),
                           row.rect.Height(), true);
      EXPECT_EQ(RectOf(w), row.rect);
    }
  }
}

TEST_F(IdeHostTest, ServicesAnswerForTheHost) {
  ASSERT_TRUE(ide->ConnectAddIn(&FakeInit, "fake"));
  THostServices* s = fake.services;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->QueryParentWindow(), platform::HandleOf(ide->MainWindow()));
  EXPECT_EQ(s->QueryProjectName(), "");
  ide->OpenProject(dir + "/sub/../Demo.dpr");
  EXPECT_EQ(s->QueryProjectName(), dir + "/Demo.dpr");
  EXPECT_EQ(ide->MainWindow()->windowTitle(), QStringLiteral("ide-host - Demo"));
  s->ReportError("it broke");
  EXPECT_EQ(errors, (std::vector<std::string>{"it broke"}));
  EXPECT_EQ(ide->Notifiers().size(), 1u);
  EXPECT_FALSE(s->AttachNotifier(ide->Notifiers()[0]));  // no double entries
  EXPECT_FALSE(s->DetachNotifier(nullptr));
}

TEST_F(IdeHostTest, ToolsMenuListsTheExpertAndRunsIt) {
  ide->ConnectAddIn(&FakeInit, "fake");
  ASSERT_EQ(ide->Experts().size(), 1u);
  QMenu* tools = ide->MainWindow()->ToolsMenu();
  emit tools->aboutToShow();
  ASSERT_EQ(tools->actions().size(), 1);
  QAction* entry = tools->actions()[0];
  EXPECT_EQ(entry->text(), QStringLiteral("Fake && Co"));  // shown literally, not as a mnemonic
  entry->trigger();
  EXPECT_EQ(fake.executed, 1);
  EXPECT_TRUE(ide->ChooseMenu("Fake & Co"));
  EXPECT_EQ(fake.executed, 2);
  EXPECT_FALSE(ide->ChooseMenu("Fake"));
  EXPECT_EQ(fake.executed, 2);
}

// File > Exit and the main window's close button end the IDE whatever window
// is shown: the main window itself and the add-in's forms decide their own
// closing and turn down the window manager's close, which must not keep the
// IDE running.
TEST_F(IdeHostTest, ExitEndsTheRunWithWindowsThatRefuseToClose) {
  ide->ConnectAddIn(&FakeInit, "fake");
  // A form, such as the add-in's panel: its closing is the add-in's to decide.
  tk::TForm form;
  form.show();
  for (const char* how : {"File > Exit", "the close button"}) {
    SCOPED_TRACE(how);
    QTimer::singleShot(0, ide->MainWindow(), [&] {
      if (std::string(how) == "File > Exit")
        emit ide->MainWindow()->exitRequested();
      else
        ide->MainWindow()->close();
    });
    // Ends a run that was not ended, with a status no exit gives.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(ide->MainWindow()->isVisible()) << "the host shuts down in order after the run";
  }
}

TEST_F(IdeHostTest, ProjectLifeSendsItsNotificationsInOrder) {
  ide->ConnectAddIn(&FakeInit, "fake");
  ide->LoadDefaultDesktop();
  const std::string project = dir + "/Project1.dpr";
  ide->OpenProject(project);
  ide->SaveDesktop();
  ide->CloseProject();
  ide->CloseProject();  // nothing open: nothing sent
  ASSERT_EQ(fake.seen.size(), 4u);
  const std::pair<int, std::string> want[] = {{8, testing_support::WindowsDir() + "/DELPHI32.DSK"},
                                              {10, dir + "/Project1.dsk"},
                                              {11, dir + "/Project1.dsk"},
                                              {5, project}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fake.seen[i].code, want[i].first);
    EXPECT_EQ(fake.seen[i].path, want[i].second);
  }
  EXPECT_EQ(ide->ProjectPath(), "");
  EXPECT_EQ(ide->MainWindow()->windowTitle(), QStringLiteral("ide-host"));
  EXPECT_TRUE(ide->Inspector()->Rows().empty());
}

TEST_F(IdeHostTest, OpeningASecondProjectClosesTheFirst) {
  ide->ConnectAddIn(&FakeInit, "fake");
  ide->OpenProject(dir + "/A.dpr");
  ide->OpenProject(dir + "/B");
  ASSERT_EQ(fake.seen.size(), 3u);
  EXPECT_EQ(fake.seen[1].code, 5);
  EXPECT_EQ(fake.seen[1].path, dir + "/A.dpr");
  EXPECT_EQ(fake.seen[2].code, 10);
  EXPECT_EQ(fake.seen[2].path, dir + "/B.dsk");
}

TEST_F(IdeHostTest, DesktopMovesTheWindowsBeforeTheNotification) {
  ide->ConnectAddIn(&FakeInit, "fake");
  testing_support::WriteFile(dir + "/P.dsk",
                             "[Desktop]\nTAppBuilder=0,0,600,106\nTPropertyInspector=0,120,220,570\n");
  ide->OpenProject(dir + "/P.dpr");
  ASSERT_EQ(fake.seen.size(), 1u);
  EXPECT_EQ(fake.seen[0].mainAtThatTime, (Rect{0, 0, 600, 106}));
  EXPECT_EQ(RectOf(ide->Inspector()), (Rect{0, 120, 220, 570}));
}

TEST_F(IdeHostTest, SavingWritesTheRectanglesAsTheyStandAfterTheNotification) {
  ide->ConnectAddIn(&FakeInit, "fake");
  ide->OpenProject(dir + "/S.dpr");
  platform::MoveWindow(platform::HandleOf(ide->MainWindow()), 0, -95, 1024, 100, true);
  fake.moveHomeOnSave = true;
  ide->SaveDesktop();
  ASSERT_EQ(fake.seen.back().code, 11);
  EXPECT_EQ(fake.seen.back().mainAtThatTime, (Rect{0, -95, 1024, 5}));
  host::DesktopLayout saved;
  ASSERT_TRUE(host::ReadDesktop(dir + "/S.dsk", saved));
  EXPECT_EQ(saved["TAppBuilder"], (Rect{0, 0, 600, 106}));
  EXPECT_EQ(saved["TPropertyInspector"], (Rect{10, 110, 210, 510}));
}

TEST_F(IdeHostTest, ACancelledNotificationStopsTheHost) {
  ide->ConnectAddIn(&FakeInit, "fake");
  ide->OpenProject(dir + "/C.dpr");
  fake.codeToCancel = fnProjectClosing;
  ide->CloseProject();
  EXPECT_EQ(ide->ProjectPath(), dir + "/C.dpr");
  fake.codeToCancel = fnProjectDesktopSave;
  ide->SaveDesktop();
  EXPECT_FALSE(std::filesystem::exists(dir + "/C.dsk"));
}

TEST_F(IdeHostTest, ShutdownTerminatesBeforeTheWindowsGo) {
  ide->ConnectAddIn(&FakeInit, "fake");
  ASSERT_TRUE(fake.ownedWindow);
  TIAddInNotifier* n = fake.notifier;
  n->AddRef();  // keep it for the check below
  ide->Shutdown();
  EXPECT_TRUE(fake.terminated);
  EXPECT_TRUE(fake.mainWindowAliveAtTermination);
  EXPECT_FALSE(fake.ownedWindow);  // gone with its owner
  EXPECT_EQ(n->RefCount(), 1);     // host and add-in both let go
  n->Release();
  EXPECT_EQ(platform::FindWindow("TAppBuilder", nullptr), 0u);
  EXPECT_TRUE(ide->Notifiers().empty());
  EXPECT_TRUE(ide->Experts().empty());
  ide->OpenProject(dir + "/late.dpr");  // after shut-down: ignored
  EXPECT_EQ(ide->ProjectPath(), "");
}

TEST_F(IdeHostTest, ABrokenLibraryIsReportedAndTheIdeRunsOn) {
  struct Row {
    const char* name;
    std::string path;
    const char* says;
  };
  const Row rows[] = {
      {"missing file", dir + "/nothing-here.so", "cannot load add-in"},
      {"not a library", testing_support::WriteFile(dir + "/junk.so", "not an ELF file"), "cannot load add-in"},
      {"library without entry point", QCoreApplication::applicationDirPath().toStdString() + "/libplatform.so",
       "has no entry point INITEXPERT0016"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ide->LoadAddIn(row.path));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(row.says), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  ide->OpenProject(dir + "/still.dpr");
  EXPECT_EQ(ide->ProjectPath(), dir + "/still.dpr");
}

TEST_F(IdeHostTest, PaletteChoiceShowsTheComponentInTheInspector) {
  ide->OpenProject(dir + "/Pal.dpr");
  EXPECT_EQ(ide->Inspector()->ComponentName(), QStringLiteral("Form1"));
  emit ide->MainWindow()->componentChosen(QStringLiteral("TButton"));
  EXPECT_EQ(ide->Inspector()->ComponentName(), QStringLiteral("Button1"));
  const auto rows = ide->Inspector()->Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_NE(std::find(rows.begin(), rows.end(), std::make_pair(QStringLiteral("Name"), QStringLiteral("Button1"))),
            rows.end());
}

// ---- desktop files -------------------------------------------------------------

TEST(DesktopFile, ProjectPathsMapToDesktopPaths) {
  const std::pair<const char*, const char*> rows[] = {
      {"/p/Project1.dpr", "/p/Project1.dsk"}, {"/p/Project1", "/p/Project1.dsk"},
      {"/p.d/Project1", "/p.d/Project1.dsk"}, {"/p/a.b.dpr", "/p/a.b.dsk"},
      {"/p/.hidden", "/p/.hidden.dsk"},       {"rel.dpr", "rel.dsk"},
  };
  for (const auto& [project, desktop] : rows) {
    SCOPED_TRACE(project);
    EXPECT_EQ(host::DesktopPathFor(project), desktop);
  }
}

TEST(DesktopFile, DamagedLinesAreSkipped) {
  struct Row {
    const char* name;
    const char* text;
    bool hasMain;
    Rect main;
  };
  const Row rows[] = {
      {"plain", "[Desktop]\nTAppBuilder=0,-95,1024,5\n", true, {0, -95, 1024, 5}},
      {"blanks and line ends", "[Desktop]\r\n TAppBuilder = 1 , 2 , 3 , 4 \r\n", true, {1, 2, 3, 4}},
      {"outside the section", "TAppBuilder=0,0,10,10\n", false, {}},
      {"other section", "[Other]\nTAppBuilder=0,0,10,10\n", false, {}},
      {"three numbers", "[Desktop]\nTAppBuilder=0,0,10\n", false, {}},
      {"junk after", "[Desktop]\nTAppBuilder=0,0,10,10x\n", false, {}},
      {"empty rectangle", "[Desktop]\nTAppBuilder=10,10,10,20\n", false, {}},
      {"upside down", "[Desktop]\nTAppBuilder=10,10,0,0\n", false, {}},
      {"huge", "[Desktop]\nTAppBuilder=-32767,0,32767,10\n", false, {}},
      {"overflow", "[Desktop]\nTAppBuilder=0,0,99999999999,10\n", false, {}},
      {"first wins", "[Desktop]\nTAppBuilder=0,0,10,10\nTAppBuilder=5,5,6,6\n", true, {0, 0, 10, 10}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const host::DesktopLayout l = host::ParseDesktop(row.text);
    ASSERT_EQ(l.count("TAppBuilder") == 1, row.hasMain);
    if (row.hasMain) {
      EXPECT_EQ(l.at("TAppBuilder"), row.main);
    }
  }
}

TEST(DesktopFile, WrittenLayoutReadsBack) {
  const std::string path = testing_support::WindowsDir() + "/round.dsk";
  const host::DesktopLayout layout{{"TAppBuilder", {0, -95, 1024, 5}}, {"TPropertyInspector", {1019, 0, 1239, 738}}};
  ASSERT_TRUE(host::WriteDesktop(path, layout));
  host::DesktopLayout back;
  ASSERT_TRUE(host::ReadDesktop(path, back));
  EXPECT_EQ(back, layout);
  EXPECT_FALSE(host::ReadDesktop(path + ".missing", back));
  EXPECT_TRUE(back.empty());
  EXPECT_FALSE(host::WriteDesktop("/nonexistent-folder/x.dsk", layout));
}

// ---- command line --------------------------------------------------------------

TEST(CommandLine, OptionsAndErrors) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool ok;
    const char* error;  // a part of it
  };
  const Row rows[] = {
      {"nothing", {}, true, ""},
      {"everything", {"--offscreen", "1024x768", "--script", "a.script", "--project=p.dpr", "--addin", "x.so"}, true, ""},
      {"unknown", {"--frob"}, false, "unknown argument"},
      {"missing value", {"--script"}, false, "needs a value"},
      {"empty value", {"--project="}, false, "non-empty"},
      {"bad size", {"--offscreen", "1024*768"}, false, "WIDTHxHEIGHT"},
      {"zero size", {"--offscreen", "0x768"}, false, "WIDTHxHEIGHT"},
      {"addin and none", {"--addin", "a.so", "--no-addin"}, false, "exclude"},
      {"value on a flag", {"--no-addin=yes"}, false, "takes no value"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const host::CommandLineResult r = host::ParseCommandLine(row.args);
    EXPECT_EQ(r.ok, row.ok);
    EXPECT_NE(r.error.find(row.error), std::string::npos) << r.error;
  }
  const host::CommandLineResult r =
      host::ParseCommandLine({"--offscreen", "800x600", "--addin", "a.so", "--addin", "b.so", "--project", "p q.dpr"});
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.options.offscreen);
  EXPECT_EQ(r.options.screenWidth, 800);
  EXPECT_EQ(r.options.screenHeight, 600);
  EXPECT_FALSE(r.options.useDefaultAddIn);
  EXPECT_EQ(r.options.addIns, (std::vector<std::string>{"a.so", "b.so"}));
  EXPECT_EQ(r.options.project, "p q.dpr");
  EXPECT_FALSE(host::ParseCommandLine({"--no-addin"}).options.useDefaultAddIn);
  EXPECT_TRUE(host::ParseCommandLine({}).options.useDefaultAddIn);
}

}  // namespace
