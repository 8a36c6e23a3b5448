#include <QTest>
#include <QTimer>

#include "forms/oops.h"
#include "forms/options.h"
#include "controls/CDKROMem.h"

#include "settings/EasyINI.h"
#include "tests/support/PanelFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using platform::Rect;
using testing_support::PanelTest;
using testing_support::WriteFile;

std::string IniPath() { return testing_support::WindowsDir() + "/Edgetuck.ini"; }

class Panel : public PanelTest {
protected:
  void SetUp() override {
    std::remove(IniPath().c_str());
    PanelTest::SetUp();
  }
  void TearDown() override {
    PanelTest::TearDown();
    std::remove(IniPath().c_str());
  }
  // Clicks a button at its centre, as a user would.
  static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
};

TEST_F(Panel, FormLayout) {
  EXPECT_EQ(frmMain->size(), QSize(246, 112));
  EXPECT_EQ(frmMain->Caption(), QStringLiteral("Edgetucker 1.2d"));
  EXPECT_TRUE(frmMain->font().bold());
  EXPECT_EQ(frmMain->font().pointSize(), 8);
  EXPECT_FALSE(frmMain->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(frmMain->windowFlags() & Qt::WindowMinimizeButtonHint);
  struct Row {
    QWidget* w;
    const char* name;
    QRect geometry;
    const char* caption;
  };
  const Row rows[] = {
      {frmMain->Bevel1, "Bevel1", {2, 5, 161, 33}, nullptr},
      {frmMain->Bevel3, "Bevel3", {2, 41, 161, 33}, nullptr},
      {frmMain->Bevel2, "Bevel2", {2, 77, 161, 33}, nullptr},
      {frmMain->btnOptions, "btnOptions", {6, 8, 75, 27}, "Options"},
      {frmMain->btnStop, "btnStop", {84, 8, 75, 27}, "Stop"},
      {frmMain->btnHide, "btnHide", {6, 45, 153, 25}, "Hide"},
      {frmMain->btnHelp, "btnHelp", {6, 81, 75, 25}, "Help"},
      {frmMain->btnAbout, "btnAbout", {84, 81, 75, 25}, "About"},
      {frmMain->btnStart, "btnStart", {167, 5, 75, 104}, "Start"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.w->objectName(), QString::fromLatin1(r.name));
    EXPECT_EQ(r.w->geometry(), r.geometry);
    if (r.caption) {
      auto* b = static_cast<tk::TBitBtn*>(r.w);
      EXPECT_EQ(b->Caption(), QString::fromLatin1(r.caption));
      EXPECT_FALSE(b->Glyph().isNull()) << "every button has its picture";
    }
  }
  // Start's picture stands above its caption.
  EXPECT_LT(frmMain->btnStart->GlyphRect().bottom(), frmMain->btnStart->CaptionRect().top());
  EXPECT_EQ(frmMain->btnOptions->NumGlyphs(), 2);
  EXPECT_FALSE(frmMain->btnStop->isEnabled());
  EXPECT_EQ(frmMain->ini->FileName(), "Edgetuck.ini");
  EXPECT_EQ(frmMain->ini->FileLocation(), WindowsPath);
  EXPECT_EQ(frmMain->iniProj->FileLocation(), PathInFileName);
  EXPECT_FALSE(frmMain->timerWait->Enabled());
  EXPECT_FALSE(frmMain->timerMess->Enabled());
  EXPECT_EQ(frmMain->timerMess->Interval(), 250);
}

TEST_F(Panel, TabOrderAndActiveControl) {
  frmMain->show();
  QApplication::setActiveWindow(frmMain);
  ASSERT_TRUE(frmMain->focusWidget());
  EXPECT_EQ(frmMain->focusWidget()->objectName(), QStringLiteral("btnStart"));
  frmMain->SetRunningButtons();
  frmMain->SetIdleButtons();
  frmMain->btnStop->setEnabled(true);
  const QWidget* order[] = {frmMain->btnHelp, frmMain->btnAbout, frmMain->btnStart,
                            frmMain->btnStop, frmMain->btnOptions, frmMain->btnHide};
  auto nextTabStop = [](const QWidget* w) {
    QWidget* n = w->nextInFocusChain();
    while (!(n->focusPolicy() & Qt::TabFocus)) n = n->nextInFocusChain();
    return n;
  };
  for (int i = 0; i < 6; ++i) EXPECT_EQ(nextTabStop(order[i]), order[(i + 1) % 6]) << i;
}

TEST_F(Panel, ItsWindowIsCentredOnTheScreen) {
  frmMain->show();
  EXPECT_EQ(frmMain->frameGeometry().center(), QRect(0, 0, 1024, 768).center());
}

TEST_F(Panel, StartWithoutAProjectShowsACaptionMessageForOneInterval) {
  ide.services.project.clear();
  frmMain->show();
  Click(frmMain->btnStart);
  EXPECT_EQ(frmMain->Caption(), QStringLiteral("Please load a project first..."));
  EXPECT_TRUE(frmMain->timerMess->Enabled());
  EXPECT_FALSE(Watching);
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
  frmMain->timerMess->Tick();
  EXPECT_EQ(frmMain->Caption(), QStringLiteral("Edgetucker 1.2d"));
  EXPECT_FALSE(frmMain->timerMess->Enabled());
  // The real timer does the same by itself.
  Click(frmMain->btnStart);
  EXPECT_TRUE(testing_support::WaitFor([] { return frmMain->Caption() == QStringLiteral("Edgetucker 1.2d"); }));
}

TEST_F(Panel, FindLostWindowsRecoversTheWindowsEvenWithoutAProject) {
  WriteFile(IniPath(), "[HELP]\nFindLostWindows=1\n");
  ide.services.project.clear();
  ide.main->setGeometry(-2000, -2000, 500, 50);
  ide.inspector->setGeometry(5000, 10, 100, 100);
  MainHidden = InspectorHidden = true;
  frmMain->btnStartClick();
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 600, 106}));
  EXPECT_EQ(ide.InspectorRect(), (Rect{0, 0, 220, 450}));
  EXPECT_EQ(HideGeometry.MainHomeRect, (Rect{0, 0, 600, 106}));
  EXPECT_FALSE(MainHidden);
  EXPECT_FALSE(InspectorHidden);
  EXPECT_EQ(frmMain->Caption(), QStringLiteral("Please load a project first..."));
}

TEST_F(Panel, WithoutTheRecoveryKeyStartNeverMovesWindowsToFixedPlaces) {
  ide.services.project.clear();
  ide.main->setGeometry(-2000, -2000, 500, 50);
  frmMain->btnStartClick();
  EXPECT_EQ(ide.MainRect(), (Rect{-2000, -2000, -1500, -1950}));
}

// While a modal dialog of class `cls` runs, reads it and clicks its OK button.
struct ModalProbe {
  QString caption, text;
  bool ownedByPanel = false;
  bool seen = false;
  void Arm() {
    QTimer::singleShot(0, [this] {
      auto* oops = testing_support::FindTopLevel<TfrmOops>();
      if (!oops) return Arm();  // not shown yet: look again at the next turn
      seen = true;
      caption = oops->Caption();
      text = oops->memo->toPlainText();
      ownedByPanel = oops->parentWidget() == frmMain.data();
      QTest::mouseClick(oops->btnOk, Qt::LeftButton, {}, oops->btnOk->rect().center());
    });
  }
};

TEST_F(Panel, StartWithNoWindowChosenShowsTheMessageDialog) {
  Settings.HideInspector = Settings.HideMainWindow = false;
  frmMain->show();
  ModalProbe probe;
  probe.Arm();
  Click(frmMain->btnStart);
  ASSERT_TRUE(probe.seen);
  EXPECT_EQ(probe.caption, QStringLiteral("Oops!"));
  EXPECT_EQ(probe.text, QStringLiteral("No windows are set to be hidden.  Use the options button to "
                                       "choose which windows to hide."));
  EXPECT_TRUE(probe.ownedByPanel);
  EXPECT_EQ(testing_support::FindTopLevel<TfrmOops>(false), nullptr) << "destroyed after use";
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
  EXPECT_FALSE(frmMain->btnStop->isEnabled());
  EXPECT_TRUE(frmMain->isVisible());
}

TEST_F(Panel, StartAndStopSwapTheButtonStates) {
  frmMain->show();
  Click(frmMain->btnStart);
  EXPECT_FALSE(frmMain->btnStart->isEnabled());
  EXPECT_TRUE(frmMain->btnStop->isEnabled());
  EXPECT_FALSE(frmMain->btnOptions->isEnabled());
  EXPECT_FALSE(frmMain->isVisible());
  EXPECT_TRUE(MainHidden && InspectorHidden && Watching);
  frmMain->show();
  Click(frmMain->btnStop);
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
  EXPECT_FALSE(frmMain->btnStop->isEnabled());
  EXPECT_TRUE(frmMain->btnOptions->isEnabled());
  EXPECT_FALSE(Watching);
  EXPECT_EQ(ide.MainRect(), (Rect{0, 0, 1024, 100}));
}

TEST_F(Panel, EscapeOpensOptionsWhenIdleAndStopsWhenRunning) {
  WriteFile(IniPath(), "[Edgetucker]\nHangOutPixels=7\nmgHideDelphi=1\nmgHideInspector=1\n");
  frmMain->show();
  // The options dialog runs modally: close it as soon as it shows.
  bool optionsShown = false;
  std::function<void()> closeOptions = [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dlg = qobject_cast<TfrmOptions*>(w); dlg && dlg->isVisible()) {
        optionsShown = true;
        dlg->Close();
        return;
      }
    }
    QTimer::singleShot(0, closeOptions);
  };
  QTimer::singleShot(0, closeOptions);
  QTest::keyClick(frmMain, Qt::Key_Escape);
  EXPECT_TRUE(optionsShown);
  EXPECT_EQ(Settings.HangOutPixels, 7) << "Options reloads the settings";
  Click(frmMain->btnStart);
  ASSERT_TRUE(Watching);
  frmMain->show();
  QTest::keyClick(frmMain, Qt::Key_Escape);
  EXPECT_FALSE(Watching);
  EXPECT_TRUE(frmMain->btnStart->isEnabled());
}

TEST_F(Panel, HideLeavesHidingRunning) {
  frmMain->btnStartClick();
  frmMain->show();
  Click(frmMain->btnHide);
  EXPECT_FALSE(frmMain->isVisible());
  EXPECT_TRUE(Watching);
}

TEST_F(Panel, HelpOpensThePanelsTopic) {
  frmMain->show();
  Click(frmMain->btnHelp);
  ASSERT_FALSE(platform::HelpRequests().empty());
  EXPECT_EQ(platform::HelpRequests().back().file, "EDGETUCK.HLP");
  EXPECT_EQ(platform::HelpRequests().back().topic, "Edgetucker_Window_Description");
}

TEST_F(Panel, MessagesReachTheirHandlers) {
  Start();
  platform::PostMessage(frmMain->Handle(), platform::WM_MOUSEWATCH, 0, MouseWatchLParam(1022, 300));
  platform::ProcessMessages();
  EXPECT_EQ(CursorX, 1022);
  EXPECT_TRUE(Armed());
  platform::SendMessage(frmMain->Handle(), platform::WM_ACTIVATEAPP, 0, 0);
  EXPECT_TRUE(FocusSuspended);
  platform::SendMessage(frmMain->Handle(), platform::WM_ACTIVATEAPP, 1, 0);
  EXPECT_FALSE(FocusSuspended);
}

TEST_F(Panel, ClosingDestroysThePanel) {
  frmMain->Close();
  EXPECT_TRUE(testing_support::WaitFor([] { return frmMain.isNull(); }));
}

TEST_F(Panel, AWindowKeptOnScreenIsReportedOnTheShownPanel) {
  // A window manager that puts the inspector back fully on screen at once.
  struct KeepOnScreen : QObject {
    bool eventFilter(QObject* o, QEvent* e) override {
      auto* w = static_cast<QWidget*>(o);
      if (e->type() == QEvent::Move && w->x() + w->width() > 1024) w->move(1024 - w->width(), w->y());
      return false;
    }
  } wm;
  ide.inspector->installEventFilter(&wm);
  frmMain->show();
  Click(frmMain->btnStart);
  ide.inspector->removeEventFilter(&wm);
  EXPECT_EQ(frmMain->Caption(), QStringLiteral("The window manager keeps the windows on screen"));
  EXPECT_TRUE(frmMain->isVisible()) << "left up for its message";
  EXPECT_TRUE(frmMain->btnStop->isEnabled()) << "the main window hides";
  EXPECT_EQ(ide.InspectorRect(), (Rect{10, 110, 210, 510}));
  EXPECT_FALSE(InspectorHidden);
  EXPECT_TRUE(MainHidden);
  frmMain->timerMess->Tick();
  EXPECT_EQ(frmMain->Caption(), QStringLiteral("Edgetucker 1.2d"));
}

}  // namespace
