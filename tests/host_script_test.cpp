#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <filesystem>
#include <sstream>

#include "host/Screenshot.h"
#include "host/Script.h"
#include "platform/Windows.h"
#include "tests/support/TestSupport.h"

// A panel with controls in every state a script can meet.
class TScriptProbe : public QWidget {
  Q_OBJECT
public:
  TScriptProbe() {
    setWindowTitle(QStringLiteral("probe"));
    auto* col = new QVBoxLayout(this);
    for (const char* name : {"btnGo", "btnOff", "btnHidden", "btnModal", "btnBusy"}) {
      auto* b = new QPushButton(QString::fromLatin1(name), this);
      b->setObjectName(QString::fromLatin1(name));
      col->addWidget(b);
    }
    edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("edit"));
    col->addWidget(edit);
    findChild<QPushButton*>(QStringLiteral("btnOff"))->setEnabled(false);
    findChild<QPushButton*>(QStringLiteral("btnHidden"))->hide();
    connect(findChild<QPushButton*>(QStringLiteral("btnGo")), &QPushButton::clicked, this, [this] { ++clicks; });
    connect(findChild<QPushButton*>(QStringLiteral("btnModal")), &QPushButton::clicked, this, [this] {
      OpenModal();
      // Work done after the dialog returns must be seen by the next command.
      setWindowTitle(QStringLiteral("after-modal"));
    });
    connect(findChild<QPushButton*>(QStringLiteral("btnBusy")), &QPushButton::clicked, this, [this] {
      // Lets messages through for a while, as an animation does between steps.
      QElapsedTimer t;
      t.start();
      while (t.elapsed() < 60) platform::ProcessMessages();
      setWindowTitle(QStringLiteral("busy-done"));
    });
    setMinimumSize(1, 1);
    setGeometry(300, 200, 200, 220);
  }
  void OpenModal();
  int clicks = 0;
  QLineEdit* edit = nullptr;
};

class TProbeDialog : public QDialog {
  Q_OBJECT
public:
  explicit TProbeDialog(QWidget* owner) : QDialog(owner) {
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    setGeometry(350, 250, 120, 60);
  }
};

void TScriptProbe::OpenModal() {
  TProbeDialog dialog(this);
  dialog.exec();
}

namespace {

struct RecordingActions : host::ScriptActions {
  std::vector<std::string> calls;
  void OpenProject(const std::string& p) override { calls.push_back("open " + p); }
  void SaveDesktop() override { calls.push_back("save"); }
  void CloseProject() override { calls.push_back("close"); }
  void Notify(int code, const std::string& p) override { calls.push_back("notify " + std::to_string(code) + " " + p); }
  bool ChooseMenu(const std::string& t) override {
    calls.push_back("menu " + t);
    return t == "Known Entry";
  }
};

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

RunResult PlayScript(const std::string& text, host::ScriptActions& actions) {
  RunResult r;
  const host::ScriptParseResult parsed = host::ParseScript(text);
  EXPECT_TRUE(parsed.ok) << parsed.expected << " / " << parsed.found;
  std::ostringstream out, err;
  host::ScriptRunner runner(parsed.commands, actions, out, err);
  // The host ends every event loop when a run ends; here the dialogs that a
  // run left open are closed instead, so the loops below them can return.
  runner.onFinished = [](int) {
    QTimer::singleShot(0, [] {
      while (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
  };
  runner.Start();
  EXPECT_TRUE(testing_support::WaitFor([&] { return runner.Finished(); }, 10000));
  r.status = runner.ExitStatus();
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(ScriptParse, LinesAreCheckedAgainstTheirCommand) {
  struct Row {
    const char* name;
    const char* text;
    bool ok;
    int errorLine;
    const char* expected;
  };
  const Row rows[] = {
      {"empty script", "", true, 0, ""},
      {"comments and blanks", "# note\n\n   \n  # indented\nquit\n", true, 0, ""},
      {"unknown command", "quit\nfrobnicate 1\n", false, 2, "a command"},
      {"command names are exact", "Quit\n", false, 1, "a command"},
      {"too few numbers", "move TAppBuilder 1 2 3\n", false, 1, "move CLASS L T R B"},
      {"too many words", "save-desktop now\n", false, 1, "save-desktop"},
      {"number that is not one", "cursor 10 x\n", false, 1, "cursor X Y"},
      {"number with junk", "cursor 10 5px\n", false, 1, "cursor X Y"},
      {"negative numbers are fine", "move TPropertyInspector -5 -95 1019 5\n", true, 0, ""},
      {"flag must be 0 or 1", "activate 2\n", false, 1, "activate 1|0"},
      {"visible flag", "expect-visible TfrmMain yes\n", false, 1, "expect-visible CLASS 0|1"},
      {"notification code above a byte", "notify 256 x.dsk\n", false, 1, "notify CODE PATH"},
      {"notify needs a path", "notify 5\n", false, 1, "notify CODE PATH"},
      {"wait must not be negative", "wait -1\n", false, 1, "wait MS"},
      {"wait is bounded", "wait 600001\n", false, 1, "wait MS"},
      {"unknown key", "key TfrmMain Escapee\n", false, 1, "key CLASS KEY"},
      {"alt with nothing", "key TfrmMain Alt+\n", false, 1, "key CLASS KEY"},
      {"click takes both or neither offset", "click TfrmMain btnStart 3\n", false, 1, "click CLASS NAME [X Y]"},
      {"click with an offset", "click TfrmMain btnStart 3 4\n", true, 0, ""},
      {"menu needs text", "menu   \n", false, 1, "menu TEXT"},
      {"empty caption is allowed", "expect-caption TfrmMain\n", true, 0, ""},
      {"error line counts skipped lines", "# a\n\nquit\n\nwait\n", false, 5, "wait MS"},
      {"windows line ends", "quit\r\nwait 5\r\n", true, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const host::ScriptParseResult r = host::ParseScript(row.text);
    EXPECT_EQ(r.ok, row.ok);
    if (!row.ok) {
      EXPECT_EQ(r.errorLine, row.errorLine);
      EXPECT_EQ(r.expected, row.expected);
      EXPECT_TRUE(r.commands.empty());
    }
  }
}

TEST(ScriptParse, TextArgumentsKeepInnerBlanksAndLineNumbers) {
  const host::ScriptParseResult r =
      host::ParseScript("# header\nopen-project  /tmp/my project/a b.dpr  \nmenu Edgetucker 1.2d\n"
                        "notify 10 /x y/p.dsk\nexpect-caption TfrmMain Please load a project first...\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.commands.size(), 4u);
  EXPECT_EQ(r.commands[0].line, 2);
  EXPECT_EQ(r.commands[0].args, (std::vector<std::string>{"/tmp/my project/a b.dpr"}));
  EXPECT_EQ(r.commands[1].args, (std::vector<std::string>{"Edgetucker 1.2d"}));
  EXPECT_EQ(r.commands[2].args, (std::vector<std::string>{"10", "/x y/p.dsk"}));
  EXPECT_EQ(r.commands[3].args, (std::vector<std::string>{"TfrmMain", "Please load a project first..."}));
}

TEST(ScriptKeys, NamesMapToKeysAndModifiers) {
  struct Row {
    const char* text;
    int key;
    Qt::KeyboardModifiers mods;
    const char* keyText;
  };
  const Row rows[] = {
      {"Escape", Qt::Key_Escape, {}, "\x1b"},
      {"Return", Qt::Key_Return, {}, "\r"},
      {"Tab", Qt::Key_Tab, {}, "\t"},
      {"Down", Qt::Key_Down, {}, ""},
      {"s", Qt::Key_S, {}, "s"},
      {"S", Qt::Key_S, Qt::ShiftModifier, "S"},
      {"Alt+S", Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier, "S"},
      {"Alt+o", Qt::Key_O, Qt::AltModifier, "o"},
      {"Ctrl+Alt+Left", Qt::Key_Left, Qt::AltModifier | Qt::ControlModifier, ""},
      {"Alt+F4", Qt::Key_F4, Qt::AltModifier, ""},
      {"5", Qt::Key_5, {}, "5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    int key = 0;
    Qt::KeyboardModifiers mods;
    QString text;
    ASSERT_TRUE(host::ParseKeyName(row.text, key, mods, text));
    EXPECT_EQ(key, row.key);
    EXPECT_EQ(mods, row.mods);
    EXPECT_EQ(text.toStdString(), row.keyText);
  }
  for (const char* bad : {"", "Alt+", "Esc", "ab", "\x7f"}) {
    SCOPED_TRACE(bad);
    int key = 0;
    Qt::KeyboardModifiers mods;
    QString text;
    EXPECT_FALSE(host::ParseKeyName(bad, key, mods, text));
  }
}

class ScriptRun : public ::testing::Test {
protected:
  void SetUp() override {
    probe = new TScriptProbe;
    probe->show();
    platform::ProcessMessages();
  }
  void TearDown() override { delete probe; }
  TScriptProbe* probe = nullptr;
  RecordingActions actions;
};

TEST_F(ScriptRun, FailingExpectationPrintsItsLineAndEndsTheRun) {
  const RunResult r = PlayScript("# first\nexpect-visible TScriptProbe 1\nexpect-rect TScriptProbe 0 0 10 10\n"
                          "print-rect TScriptProbe\n",
                          actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 3: TScriptProbe at 0 0 10 10 / 300 200 500 420\n");
  EXPECT_EQ(r.out, "");  // nothing after the failure ran
}

TEST_F(ScriptRun, PassingScriptEndsWithStatusZero) {
  const RunResult r = PlayScript("move TScriptProbe -20 -30 180 70\nexpect-rect TScriptProbe -20 -30 180 70\n"
                          "print-rect TScriptProbe\nprint-rect TNoSuchWindow\n"
                          "expect-visible TNoSuchWindow 0\nexpect-caption TScriptProbe probe\n",
                          actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "TScriptProbe -20 -30 180 70\nTNoSuchWindow none\n");
}

TEST_F(ScriptRun, WaitRectWaitsForTheWindowAndGivesUpAtItsLimit) {
  // The window gets there only after the script has started waiting.
  QTimer::singleShot(30, probe, [this] { probe->setGeometry(40, 50, 100, 60); });
  RunResult r = PlayScript("wait-rect TScriptProbe 40 50 140 110 5000\nprint-rect TScriptProbe\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "TScriptProbe 40 50 140 110\n");

  r = PlayScript("wait-rect TScriptProbe 0 0 10 10 20\n", actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 1: TScriptProbe at 0 0 10 10 within 20 ms / 40 50 140 110\n");
}

TEST_F(ScriptRun, WaitCaptionWaitsForTheCaptionAndGivesUpAtItsLimit) {
  QTimer::singleShot(30, probe, [this] { probe->setWindowTitle(QStringLiteral("probe - later")); });
  RunResult r = PlayScript("wait-caption TScriptProbe 5000 probe - later\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;

  r = PlayScript("wait-caption TScriptProbe 20 never\n", actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 1: caption \"never\" within 20 ms / \"probe - later\"\n");
}

TEST_F(ScriptRun, WaitVisibleWaitsForTheDisplayAndGivesUpAtItsLimit) {
  QTimer::singleShot(30, probe, [this] { probe->hide(); });
  RunResult r = PlayScript("wait-visible TScriptProbe 0 5000\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
  // Not only hidden: the platform has said it took the window away.
  EXPECT_FALSE(probe->windowHandle()->isExposed());

  r = PlayScript("wait-visible TScriptProbe 1 20\n", actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 1: TScriptProbe shown within 20 ms / hidden, not exposed\n");

  QTimer::singleShot(30, probe, [this] { probe->show(); });
  r = PlayScript("wait-visible TScriptProbe 1 5000\nwait-visible TNoSuchWindow 0 20\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(probe->windowHandle()->isExposed());
}

TEST_F(ScriptRun, WaitActiveWaitsForTheFocusAndGivesUpAtItsLimit) {
  QWidget other;
  other.show();
  other.activateWindow();
  QElapsedTimer t;
  t.start();
  while (QApplication::activeWindow() != &other && t.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_EQ(QApplication::activeWindow(), &other);
  QTimer::singleShot(30, probe, [this] { probe->activateWindow(); });
  RunResult r = PlayScript("wait-active TScriptProbe 5000\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(QApplication::activeWindow(), probe);

  r = PlayScript("wait-active TNoSuchWindow 20\n", actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 1: TNoSuchWindow active within 20 ms / TScriptProbe\n");
}

TEST_F(ScriptRun, ExpectationsReportWhatTheyFound) {
  struct Row {
    const char* name;
    const char* line;
    const char* err;
  };
  const Row rows[] = {
      {"visible window expected hidden", "expect-visible TScriptProbe 0",
       "FAIL line 1: TScriptProbe not visible / visible\n"},
      {"missing window expected visible", "expect-visible TNoSuchWindow 1",
       "FAIL line 1: TNoSuchWindow visible / no window\n"},
      {"caption", "expect-caption TScriptProbe other text",
       "FAIL line 1: caption \"other text\" / \"probe\"\n"},
      {"enabled state", "expect-enabled TScriptProbe btnOff 1", "FAIL line 1: btnOff enabled / disabled\n"},
      {"missing control", "expect-enabled TScriptProbe btnNone 1",
       "FAIL line 1: a control btnNone in TScriptProbe / none\n"},
      {"rect of a missing window", "expect-rect TNoSuchWindow 0 0 1 1",
       "FAIL line 1: TNoSuchWindow at 0 0 1 1 / no window\n"},
      {"unknown menu entry", "menu Unknown Entry", "FAIL line 1: a Tools entry \"Unknown Entry\" / none\n"},
      {"click on a disabled control", "click TScriptProbe btnOff",
       "FAIL line 1: an enabled control btnOff / disabled\n"},
      {"click on a hidden control", "click TScriptProbe btnHidden",
       "FAIL line 1: a visible control btnHidden / hidden\n"},
      {"click in a missing window", "click TNoSuchWindow btnGo", "FAIL line 1: a visible TNoSuchWindow window / none\n"},
      {"empty move", "move TScriptProbe 10 10 10 20", "FAIL line 1: a non-empty rectangle / 10 10 10 20\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RunResult r = PlayScript(row.line, actions);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, row.err);
  }
  EXPECT_EQ(probe->clicks, 0);
}

TEST_F(ScriptRun, ClickInAHiddenWindowFails) {
  probe->hide();
  const RunResult r = PlayScript("click TScriptProbe btnGo\n", actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 1: a visible TScriptProbe window / hidden\n");
  EXPECT_EQ(probe->clicks, 0);
}

TEST_F(ScriptRun, ClicksAndKeysReachTheControls) {
  const RunResult r = PlayScript("click TScriptProbe btnGo\nclick TScriptProbe btnGo 2 2\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(probe->clicks, 2);
  // A click takes the focus, as a user's would; typing goes where it is.
  EXPECT_EQ(probe->focusWidget()->objectName(), QStringLiteral("btnGo"));
  probe->edit->setFocus();
  const RunResult keys = PlayScript("key TScriptProbe a\nkey TScriptProbe B\nkey TScriptProbe Space\n", actions);
  EXPECT_EQ(keys.status, 0) << keys.err;
  EXPECT_EQ(probe->edit->text(), QStringLiteral("aB "));
}

TEST_F(ScriptRun, CommandsGoOnInsideAModalDialogAndWaitForItsCaller) {
  const RunResult r = PlayScript("click TScriptProbe btnModal\n"
                          "expect-visible TProbeDialog 1\n"
                          "click TScriptProbe btnGo\n",  // shut out by the dialog
                          actions);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "FAIL line 3: a usable TScriptProbe window / blocked by modal TProbeDialog\n");
  ASSERT_TRUE(testing_support::WaitFor([&] { return probe->windowTitle() == "after-modal"; }));

  probe->setWindowTitle(QStringLiteral("probe"));
  const RunResult ok = PlayScript("click TScriptProbe btnModal\n"
                           "expect-visible TProbeDialog 1\n"
                           "click TProbeDialog btnClose\n"
                           "expect-caption TScriptProbe after-modal\n"
                           "expect-visible TProbeDialog 0\n",
                           actions);
  EXPECT_EQ(ok.status, 0) << ok.err;
}

TEST_F(ScriptRun, ACommandThatProcessesMessagesFinishesBeforeTheNextStarts) {
  const RunResult r = PlayScript("click TScriptProbe btnBusy\nexpect-caption TScriptProbe busy-done\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(ScriptRun, QuitEndsTheRunAndIdeCommandsReachTheActions) {
  const RunResult r = PlayScript("open-project /p/a b.dpr\nsave-desktop\nnotify 8 /w/DELPHI32.DSK\nmenu Known Entry\n"
                          "close-project\nquit\nexpect-visible TScriptProbe 0\n",
                          actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(actions.calls, (std::vector<std::string>{"open /p/a b.dpr", "save", "notify 8 /w/DELPHI32.DSK",
                                                      "menu Known Entry", "close"}));
}

TEST_F(ScriptRun, ACommandOutsideTheTableFailsWhenRun) {
  // The parser keeps such lines out; a caller that builds commands itself
  // meets the same answer when one runs.
  std::ostringstream out, err;
  host::ScriptRunner runner({}, actions, out, err);
  host::ScriptCommand c;
  c.line = 7;
  c.name = "frobnicate";
  int waitMs = 5;
  EXPECT_FALSE(runner.Execute(c, waitMs));
  EXPECT_EQ(waitMs, 0);
  EXPECT_EQ(err.str(), "FAIL line 7: a command / \"frobnicate\"\n");
  EXPECT_TRUE(actions.calls.empty());
}

TEST_F(ScriptRun, WaitLetsTimersRun) {
  bool fired = false;
  QTimer::singleShot(30, [&] { fired = true; });
  const RunResult r = PlayScript("wait 80\n", actions);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fired);
}

TEST_F(ScriptRun, ClickAtHitsTheControlUnderAScreenPointOrFails) {
  probe->move(100, 100);
  platform::ProcessMessages();
  auto* go = probe->findChild<QPushButton*>(QStringLiteral("btnGo"));
  const QPoint at = go->mapToGlobal(go->rect().center());
  const std::string where = std::to_string(at.x()) + " " + std::to_string(at.y());
  const RunResult r = PlayScript("click-at " + where + "\n", actions);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(probe->clicks, 1);
  EXPECT_EQ(platform::GetCursorPos(), (platform::Point{at.x(), at.y()})) << "the pointer went there";

  const RunResult nothing = PlayScript("click-at 1020 765\n", actions);
  EXPECT_EQ(nothing.status, 1);
  EXPECT_EQ(nothing.err, "FAIL line 1: a window at 1020 765 / none\n");
}

TEST_F(ScriptRun, CursorAndActivationReachThePlatform) {
  const RunResult r = PlayScript("cursor 123 45\nactivate 0\n", actions);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(platform::GetCursorPos(), (platform::Point{123, 45}));
  EXPECT_FALSE(platform::IsApplicationActive());
  platform::SetApplicationActive(true);
}

TEST_F(ScriptRun, ShotComposesWindowsOverTheDesktopWithTheCursor) {
  const std::string file = testing_support::WindowsDir() + "/shot.png";
  const RunResult r = PlayScript("cursor 700 500\nshot " + file + "\n", actions);
  ASSERT_EQ(r.status, 0) << r.err;
  QImage image(QString::fromStdString(file));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(1024, 768));
  EXPECT_EQ(image.pixelColor(1000, 10), host::DesktopColour());
  EXPECT_EQ(image.pixelColor(600, 100), host::DesktopColour());
  // The probe's background where no control sits: its bottom margin.
  EXPECT_NE(image.pixelColor(302, 418), host::DesktopColour());
  // Inside the arrow, just below its tip; its outline at the tip.
  EXPECT_EQ(image.pixelColor(701, 505), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(700, 500), QColor(Qt::black));
  const RunResult bad = PlayScript("shot /nonexistent-folder/x.png\n", actions);
  EXPECT_EQ(bad.status, 1);
}

}  // namespace

#include "host_script_test.moc"
