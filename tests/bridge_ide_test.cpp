// The IDE's own word: the events of the IDE's package on the channel, the
// bridge taking them instead of the title, the command line that carries them,
// and installing the package into a Lazarus configuration.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <filesystem>
#include <thread>

#include "bridge/Bridge.h"
#include "bridge/CommandLine.h"
#include "bridge/IdeEvents.h"
#include "bridge/LazarusPackage.h"
#include "bridge/SingleInstance.h"
#include "tests/bridge_fake_desktop.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace bridge;
using bridge_test::FakeDesktop;
using platform::HWND;
using platform::Rect;

TEST(BridgeIdeEvents, LinesReadBackOrAreRefusedWhole) {
  const IdeEvent opened{kIdeProjectOpened, 4242, "my project", "/home/u/p/my project.lps"};
  EXPECT_EQ(ParseIdeEvent(FormatIdeEvent(opened)), opened);
  const IdeEvent messy{kIdeDesktopSaving, 7, "a\tb\nc", "x\ry"};
  EXPECT_EQ(ParseIdeEvent(FormatIdeEvent(messy)), (IdeEvent{kIdeDesktopSaving, 7, "a b c", "x y"}))
      << "tabs and line breaks in names become spaces";

  struct Row {
    const char* name;
    std::string line;
  } refused[] = {
      {"empty", ""},
      {"not ide", "idea\t1\t10\tp\tf"},
      {"four fields", "ide\t1\t10\tp"},
      {"six fields", "ide\t1\t10\tp\tf\tg"},
      {"unknown code", "ide\t1\t8\tp\tf"},
      {"code with text", "ide\t1\t10x\tp\tf"},
      {"zero pid", "ide\t0\t10\tp\tf"},
      {"negative pid", "ide\t-5\t10\tp\tf"},
      {"huge pid", "ide\t99999999999999999999999\t10\tp\tf"},
      {"opened without a project", "ide\t1\t10\t \tf"},
      {"too long", "ide\t1\t10\tp\t" + std::string(kIdeEventMaxLine, 'f')},
  };
  for (const Row& r : refused) EXPECT_FALSE(ParseIdeEvent(r.line)) << r.name;
  EXPECT_EQ(ParseIdeEvent("ide\t1\t5\t\t"), (IdeEvent{kIdeProjectClosing, 1, "", ""})) << "closing needs no names";
}

TEST(BridgeIdeEvents, CommandLineTable) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool ok;
  } rows[] = {
      {"event", {"--ide-event", "10", "--ide-pid", "12", "--project", "p", "--desktop", "/p.lps"}, true},
      {"closing without names", {"--ide-event=5", "--ide-pid=12"}, true},
      {"event without pid", {"--ide-event", "11"}, false},
      {"unknown code", {"--ide-event", "8", "--ide-pid", "12"}, false},
      {"opened without project", {"--ide-event", "10", "--ide-pid", "12"}, false},
      {"bad pid", {"--ide-event", "5", "--ide-pid", "x"}, false},
      {"event with panel", {"--ide-event", "5", "--ide-pid", "12", "--panel"}, false},
      {"panel with state", {"--panel", "--ide-pid", "12", "--project", "p"}, true},
      {"state without pid", {"--panel", "--project", "p"}, false},
      {"state alone", {"--project", "p"}, false},
      {"install", {"--install-lazarus-package"}, true},
      {"install into", {"--install-lazarus-package", "--pcp", "/tmp/cfg"}, true},
      {"uninstall", {"--uninstall-lazarus-package", "--pcp=/tmp/cfg"}, true},
      {"both", {"--install-lazarus-package", "--uninstall-lazarus-package"}, false},
      {"install and panel", {"--install-lazarus-package", "--panel"}, false},
      {"pcp alone", {"--pcp", "/tmp/cfg"}, false},
  };
  for (const Row& r : rows) {
    const BridgeCommand c = ParseCommandLine(r.args);
    EXPECT_EQ(c.error.empty(), r.ok) << r.name << ": " << c.error;
  }
  const BridgeCommand c = ParseCommandLine({"--ide-event", "10", "--ide-pid", "12", "--project", "p", "--desktop", "d"});
  EXPECT_EQ(c.ideEvent, 10);
  EXPECT_EQ(c.idePid, 12);
  EXPECT_EQ(c.project, "p");
  EXPECT_EQ(c.desktop, "d");
  EXPECT_NE(HelpText().find("--install-lazarus-package"), std::string::npos);
}

// The running bridge answers only once it has acted: the IDE waits on that
// before it saves its windows' places.
TEST(BridgeIdeEvents, TheAnswerComesAfterTheCommandWasActedOn) {
  const QString name = InstanceName(QStringLiteral("ide-%1").arg(QCoreApplication::applicationPid()), 0);
  SingleInstance server(name);
  ASSERT_TRUE(server.Listen());
  std::atomic<bool> acted{false}, answered{false}, actedBeforeAnswer{false};
  QObject::connect(&server, &SingleInstance::commandReceived, [&](const QByteArray& c) {
    EXPECT_EQ(c, QByteArray::fromStdString(FormatIdeEvent({kIdeDesktopSaving, 3, "p", "d"})));
    testing_support::WaitFor([] { return false; }, 100);  // the add-in moving windows
    acted = true;
  });
  std::thread client([&] {
    SingleInstance sender(name);
    const bool ok = sender.Forward(QByteArray::fromStdString(FormatIdeEvent({kIdeDesktopSaving, 3, "p", "d"})), 5000);
    actedBeforeAnswer = acted.load();
    answered = ok;
  });
  EXPECT_TRUE(testing_support::WaitFor([&] { return answered.load(); }, 5000));
  client.join();
  EXPECT_TRUE(answered);
  EXPECT_TRUE(actedBeforeAnswer);
}

// ---- the bridge taking the IDE's word -------------------------------------------

struct Heard {
  std::vector<Notification> notes;
};
Heard* g_heard = nullptr;

class Notifier : public TIAddInNotifier {
public:
  void HandleNotification(TFileNotification code, const std::string& file, bool&) override {
    g_heard->notes.push_back(Notification{code, file});
  }
};
class Expert : public TIExpert {
public:
  std::string GetName() override { return "Fake"; }
  std::string GetComment() override { return ""; }
  TExpertStyle GetStyle() override { return esStandard; }
  TExpertState GetState() override { return esEnabled; }
  std::string GetIDString() override { return "Fake.Expert"; }
  std::string GetMenuText() override { return "Fake 1.0"; }
  void Execute() override {}
};
bool FakeInit(THostServices* services, TExpertRegisterProc reg, TExpertTerminateProc* terminate) {
  reg(new Expert);
  auto* n = new Notifier;
  services->AttachNotifier(n);
  n->Release();
  *terminate = [] {};
  return true;
}

class BridgeIdeWord : public ::testing::Test {
protected:
  void SetUp() override {
    g_heard = &heard;
    Bridge::Options o;
    IdeProfile p;
    p.name = "Fake";
    p.main = WindowRule{"xterm", "XTerm", "Fake main*"};
    p.inspector = WindowRule{"xterm", "XTerm", "Fake inspector"};
    p.projectTitle = "Fake main - {project}";
    o.profiles = {p};
    o.statePath = testing_support::WindowsDir() + "/ide-word/" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".state";
    bridge = std::make_unique<Bridge>(desktop, o);
    bridge->loadAddIn = [](AddInHost& h, std::string&) { return h.Connect(&FakeInit); };
    bridge->setActive = [](bool) {};
    bridge->say = [this](const std::string& line) { said.push_back(line); };
  }
  void TearDown() override {
    bridge.reset();
    g_heard = nullptr;
  }
  void StartIde(long long pid, const std::string& title) {
    main = desktop.Add(0x300 + pid, {title, "xterm", "XTerm", pid}, Rect{0, 0, 1024, 100});
    desktop.Add(0x400 + pid, {"Fake inspector", "xterm", "XTerm", pid}, Rect{10, 110, 210, 510});
  }
  std::vector<Notification> Take() { return std::exchange(heard.notes, {}); }

  FakeDesktop desktop;
  Heard heard;
  std::unique_ptr<Bridge> bridge;
  std::vector<std::string> said;
  HWND main = 0;
};

TEST_F(BridgeIdeWord, TheWordSpokenBeforeTheWindowShowsIsTakenAtAttachAndTheTitleIsNoLongerRead) {
  bridge->IdeSays({kIdeProjectOpened, 21, "real", "/p/real.lps"});
  EXPECT_TRUE(Take().empty()) << "no IDE window yet: nothing to tell";
  StartIde(21, "Fake main - stale title");
  bridge->Update();
  EXPECT_TRUE(bridge->TakesIdesWord());
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectDesktopLoad, "/p/real.lps"}})) << "the IDE's desktop file";
  EXPECT_EQ(bridge->Project(), "real");

  desktop.SetTitle(main, "Fake main - something else");
  bridge->Update();
  EXPECT_TRUE(Take().empty()) << "titles no longer count";

  bridge->IdeSays({kIdeProjectClosing, 21, "real", ""});
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectClosing, "real"}}));
  bridge->IdeSays({kIdeProjectOpened, 21, "next", "/p/next.lps"});
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectDesktopLoad, "/p/next.lps"}}));
  EXPECT_NE(said.back().find("(the IDE's word)"), std::string::npos) << said.back();
}

TEST_F(BridgeIdeWord, SavingBringsTheAddInCodeElevenAndKeepsTheProject) {
  StartIde(21, "Fake main - p1");
  bridge->Update();
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectDesktopLoad, "p1.dsk"}})) << "read from the title";
  EXPECT_FALSE(bridge->TakesIdesWord());

  // A bridge started after the project opened learns it from the first event.
  bridge->IdeSays({kIdeDesktopSaving, 21, "p1", "/cfg/environmentoptions.xml"});
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectDesktopSave, "/cfg/environmentoptions.xml"}}));
  EXPECT_TRUE(bridge->TakesIdesWord());
  EXPECT_EQ(bridge->Project(), "p1");
}

TEST_F(BridgeIdeWord, AnotherProcessesWordDoesNotCountAndARestartedIdeIsReadFromItsTitle) {
  StartIde(21, "Fake main - p1");
  bridge->Update();
  Take();
  bridge->IdeSays({kIdeProjectClosing, 99, "", ""});
  EXPECT_TRUE(Take().empty()) << "not the attached IDE's process";
  EXPECT_FALSE(bridge->TakesIdesWord());

  bridge->IdeSays({kIdeProjectOpened, 21, "p1", "/p1.lps"});
  EXPECT_TRUE(bridge->TakesIdesWord());
  EXPECT_TRUE(Take().empty()) << "the same project: nothing changes for the add-in";

  desktop.Remove(main);
  desktop.Remove(0x400 + 21);
  bridge->Update();
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectClosing, "p1"}}));
  StartIde(22, "Fake main - p2");  // started again, its package has not spoken yet
  bridge->Update();
  EXPECT_FALSE(bridge->TakesIdesWord());
  EXPECT_EQ(Take(), (std::vector<Notification>{{fnProjectDesktopLoad, "p2.dsk"}}));
}

// ---- installing the package ---------------------------------------------------

TEST(BridgeLazarusPackage, InstalledListLosesOnlyOurPackage) {
  const std::string xml =
      "<CONFIG>\n"
      "    <BuildLazarusOptions>\n"
      "      <StaticAutoInstallPackages Count=\"3\">\n"
      "        <Item1 Value=\"syneditdsgn\"/>\n"
      "        <Item2 Value=\"Edgetucker_IDE\"/>\n"
      "        <Item3 Value=\"anchordockingdsgn\"/>\n"
      "      </StaticAutoInstallPackages>\n"
      "    </BuildLazarusOptions>\n"
      "</CONFIG>\n";
  EXPECT_EQ(WithoutInstalledPackage(xml, kLazarusPackageName),
            "<CONFIG>\n"
            "    <BuildLazarusOptions>\n"
            "      <StaticAutoInstallPackages Count=\"2\">\n"
            "        <Item1 Value=\"syneditdsgn\"/>\n"
            "        <Item2 Value=\"anchordockingdsgn\"/>\n"
            "      </StaticAutoInstallPackages>\n"
            "    </BuildLazarusOptions>\n"
            "</CONFIG>\n");
  EXPECT_EQ(WithoutInstalledPackage("<a><StaticAutoInstallPackages Count=\"1\"><Item1 Value=\"edgetucker_ide\"/>"
                                    "</StaticAutoInstallPackages></a>",
                                    kLazarusPackageName),
            "<a><StaticAutoInstallPackages/></a>");
  EXPECT_FALSE(WithoutInstalledPackage("<a><StaticAutoInstallPackages Count=\"1\"><Item1 Value=\"edgetucker_ide2\"/>"
                                       "</StaticAutoInstallPackages></a>",
                                       kLazarusPackageName));
  EXPECT_FALSE(WithoutInstalledPackage("<a/>", kLazarusPackageName));
  EXPECT_EQ(BridgeProgramInclude("/opt/it's/edgetucker-bridge").find("'/opt/it''s/edgetucker-bridge'") !=
                std::string::npos,
            true)
      << "a quote in the path is doubled";
}

TEST(BridgeLazarusPackage, PackageLinksLoseOnlyTheLinkToOurCopy) {
  const std::string ours = "/home/u/.lazarus/edgetucker_ide/edgetucker_ide.lpk";
  const std::string global =
      "  <GlobalPkgLinks Version=\"3\" Count=\"1\">\n"
      "    <Item1>\n      <Name Value=\"lcl\"/>\n    </Item1>\n"
      "  </GlobalPkgLinks>\n"
      "</CONFIG>\n";
  const auto link = [](int n, const std::string& name, const std::string& file) {
    return "    <Item" + std::to_string(n) + ">\n      <Name Value=\"" + name +
           "\"/>\n      <Version Major=\"1\" Minor=\"2\"/>\n      <Filename Value=\"" + file +
           "\"/>\n      <LastUsed Value=\"2026/12/07 18:59:30\"/>\n    </Item" + std::to_string(n) + ">\n";
  };
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CONFIG>\n";

  struct Row {
    const char* name;
    std::string xml;
    std::optional<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"the only link: the list keeps its version, without a count (as Lazarus writes it)",
       head + "  <UserPkgLinks Version=\"3\" Count=\"1\">\n" + link(1, "edgetucker_ide", ours) +
           "  </UserPkgLinks>\n" + global,
       head + "  <UserPkgLinks Version=\"3\"/>\n" + global},
      {"between two others, in another letter case and written unnormalised: the rest renumbered",
       head + "  <UserPkgLinks Version=\"3\" Count=\"3\">\n" + link(1, "anchordocking", "/src/ad.lpk") +
           link(2, "EdgeTucker_IDE", "/home/u/.lazarus/./edgetucker_ide/edgetucker_ide.lpk") +
           link(3, "zeos", "/src/zeos & co/zeos.lpk") + "  </UserPkgLinks>\n" + global,
       head + "  <UserPkgLinks Version=\"3\" Count=\"2\">\n" + link(1, "anchordocking", "/src/ad.lpk") +
           link(2, "zeos", "/src/zeos & co/zeos.lpk") + "  </UserPkgLinks>\n" + global},
      {"a path with an escaped character, not ours (ours is checked below)", head + "  <UserPkgLinks Version=\"3\" Count=\"1\">\n" +
                              link(1, "edgetucker_ide", "/home/u&amp;v/.lazarus/edgetucker_ide/edgetucker_ide.lpk") +
                              "  </UserPkgLinks>\n" + global,
       std::nullopt},  // checked below with its own path
      {"the same name for the user's own copy elsewhere stays",
       head + "  <UserPkgLinks Version=\"3\" Count=\"1\">\n" + link(1, "edgetucker_ide", "/src/edgetucker_ide.lpk") +
           "  </UserPkgLinks>\n" + global,
       std::nullopt},
      {"no user links at all", head + "  <UserPkgLinks Version=\"3\"/>\n" + global, std::nullopt},
      {"not a links file", "<CONFIG/>", std::nullopt},
      {"an unfinished file", head + "  <UserPkgLinks Version=\"3\" Count=\"1\">\n" + link(1, "edgetucker_ide", ours),
       std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(WithoutPackageLink(row.xml, kLazarusPackageName, ours), row.expected) << row.name;

  const std::string escaped = rows[2].xml;
  EXPECT_EQ(WithoutPackageLink(escaped, kLazarusPackageName, "/home/u&v/.lazarus/edgetucker_ide/edgetucker_ide.lpk"),
            head + "  <UserPkgLinks Version=\"3\"/>\n" + global)
      << "the file's name is compared unescaped";
}

TEST(BridgeLazarusPackage, InstallCopiesAddsRebuildsAndUninstallUndoes) {
  namespace fs = std::filesystem;
  const std::string root = testing_support::WindowsDir() + "/lazpkg";
  const std::string source = root + "/source";
  fs::create_directories(source);
  fs::create_directories(root + "/config");
  for (const char* f : {"edgetucker_ide.lpk", "edgetucker_ide.pas", "edgetuckeride.pas"})
    testing_support::WriteFile(source + "/" + f, f);
  std::vector<std::vector<std::string>> ran;
  int failAt = -1;
  const std::string linked = "<CONFIG>\n  <UserPkgLinks Version=\"3\" Count=\"1\">\n    <Item1>\n"
                             "      <Name Value=\"edgetucker_ide\"/>\n      <Filename Value=\"" +
                             root + "/config/edgetucker_ide/edgetucker_ide.lpk\"/>\n    </Item1>\n"
                             "  </UserPkgLinks>\n</CONFIG>\n";
  LazarusSetup s;
  s.config = root + "/config";
  s.packageSource = FindPackageSource(root + "/nowhere", source);
  s.bridge = "/usr/bin/edgetucker-bridge";
  s.lazbuild = "/fake/lazbuild";
  s.say = [](const std::string&) {};
  s.run = [&](const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> call{program};
    call.insert(call.end(), args.begin(), args.end());
    ran.push_back(call);
    if (args.size() > 1 && args[1] == "--add-package") {  // what lazbuild writes
      testing_support::WriteFile(s.config + "/miscellaneousoptions.xml",
                                 "<StaticAutoInstallPackages Count=\"1\">\n  <Item1 Value=\"edgetucker_ide\"/>\n"
                                 "</StaticAutoInstallPackages>\n");
      testing_support::WriteFile(s.config + "/packagefiles.xml", linked);
    }
    return static_cast<int>(ran.size()) - 1 == failAt ? 2 : 0;
  };
  ASSERT_EQ(s.packageSource, source);

  ASSERT_EQ(InstallLazarusPackage(s), 0);
  const std::string dest = s.config + "/edgetucker_ide";
  EXPECT_EQ(testing_support::ReadFile(dest + "/edgetuckeride.pas"), "edgetuckeride.pas");
  EXPECT_NE(testing_support::ReadFile(dest + "/bridgeprogram.inc").find("'/usr/bin/edgetucker-bridge'"),
            std::string::npos);
  EXPECT_EQ(ran, (std::vector<std::vector<std::string>>{
                     {"/fake/lazbuild", "--pcp=" + s.config, "--add-package", dest + "/edgetucker_ide.lpk"},
                     {"/fake/lazbuild", "--pcp=" + s.config, "--build-ide="}}));

  // A rebuild that fails keeps the package's files, so that it can be tried again.
  ran.clear();
  failAt = 0;
  EXPECT_EQ(UninstallLazarusPackage(s), 1);
  EXPECT_TRUE(fs::exists(dest));
  EXPECT_EQ(testing_support::ReadFile(s.config + "/packagefiles.xml"), linked) << "the link stays with the files";

  ran.clear();
  failAt = -1;
  testing_support::WriteFile(s.config + "/miscellaneousoptions.xml",
                             "<StaticAutoInstallPackages Count=\"1\">\n  <Item1 Value=\"edgetucker_ide\"/>\n"
                             "</StaticAutoInstallPackages>\n");
  EXPECT_EQ(UninstallLazarusPackage(s), 0);
  EXPECT_EQ(ran, (std::vector<std::vector<std::string>>{{"/fake/lazbuild", "--pcp=" + s.config, "--build-ide="}}));
  EXPECT_EQ(testing_support::ReadFile(s.config + "/miscellaneousoptions.xml"), "<StaticAutoInstallPackages/>\n");
  EXPECT_EQ(testing_support::ReadFile(s.config + "/packagefiles.xml"),
            "<CONFIG>\n  <UserPkgLinks Version=\"3\"/>\n</CONFIG>\n");
  EXPECT_FALSE(fs::exists(dest));

  ran.clear();
  EXPECT_EQ(UninstallLazarusPackage(s), 0) << "nothing to take out: nothing rebuilt";
  EXPECT_TRUE(ran.empty());

  // Taken off the IDE's list by hand (its own dialog leaves the link): the
  // link and the copy still go, with no rebuild.
  fs::create_directories(dest);
  testing_support::WriteFile(s.config + "/packagefiles.xml", linked);
  EXPECT_EQ(UninstallLazarusPackage(s), 0);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(testing_support::ReadFile(s.config + "/packagefiles.xml"),
            "<CONFIG>\n  <UserPkgLinks Version=\"3\"/>\n</CONFIG>\n");
  EXPECT_FALSE(fs::exists(dest));

  s.packageSource.clear();
  EXPECT_EQ(InstallLazarusPackage(s), 3) << "without the sources nothing is run";
  EXPECT_TRUE(ran.empty());
}

}  // namespace
