#include "forms/main.h"

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Motion.h"
#include "engine/Tracking.h"
#include "expert/Product.h"
#include "forms/about.h"
#include "forms/oops.h"
#include "forms/options.h"
#include "settings/EasyINI.h"
#include "settings/Settings.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Resources.h"

THostServices* PanelServices = nullptr;
QPointer<TfrmMain> frmMain;

namespace {

template <typename T>
T* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new T(parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(left, top, width, height);
  return w;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* owner) : tk::TForm(owner) {
  setObjectName(QStringLiteral("frmMain"));
  {
    // Built as if read from its stored layout: properties first, Loaded() after.
    tk::LoadingScope loading;
    SetCaption(QString::fromLatin1(ProductCaption));
    SetBorderStyle(tk::TBorderStyle::bsSingleNoIcons);
    SetClientSize(246, 112);
    SetPositionScreenCenter(true);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    f.setBold(true);
    setFont(f);
    // Black captions while enabled; disabled ones keep the style's grey.
    QPalette pal = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
      pal.setColor(g, QPalette::WindowText, Qt::black);
      pal.setColor(g, QPalette::ButtonText, Qt::black);
    }
    setPalette(pal);

    Bevel1 = Make<tk::TBevel>(this, "Bevel1", 2, 5, 161, 33);
    Bevel3 = Make<tk::TBevel>(this, "Bevel3", 2, 41, 161, 33);
    Bevel2 = Make<tk::TBevel>(this, "Bevel2", 2, 77, 161, 33);

    btnOptions = Make<tk::TBitBtn>(this, "btnOptions", 6, 8, 75, 27);
    btnOptions->SetCaption(QStringLiteral("Options"));
    btnOptions->SetGlyph(tk::LoadResourceBitmap(QStringLiteral("BTN_OPTIONS")), 2);

    btnStop = Make<tk::TBitBtn>(this, "btnStop", 84, 8, 75, 27);
    btnStop->SetCaption(QStringLiteral("Stop"));
    btnStop->SetGlyph(tk::LoadResourceBitmap(QStringLiteral("BTN_STOP")));
    btnStop->setEnabled(false);

    btnHide = Make<tk::TBitBtn>(this, "btnHide", 6, 45, 153, 25);
    btnHide->SetCaption(QStringLiteral("Hide"));
    btnHide->SetGlyph(tk::LoadResourceBitmap(QStringLiteral("BTN_HIDE")));

    btnHelp = Make<tk::TBitBtn>(this, "btnHelp", 6, 81, 75, 25);
    btnHelp->SetCaption(QStringLiteral("Help"));
    btnHelp->SetGlyph(tk::TBitBtn::StandardGlyph(tk::TBitBtnKind::bkHelp));

    btnAbout = Make<tk::TBitBtn>(this, "btnAbout", 84, 81, 75, 25);
    btnAbout->SetCaption(QStringLiteral("About"));
    btnAbout->SetGlyph(tk::LoadResourceBitmap(QStringLiteral("BTN_ABOUT")));

    btnStart = Make<tk::TBitBtn>(this, "btnStart", 167, 5, 75, 104);
    btnStart->SetCaption(QStringLiteral("Start"));
    btnStart->SetGlyph(tk::LoadResourceBitmap(QStringLiteral("BTN_START")));
    btnStart->SetLayout(tk::TButtonLayout::blGlyphTop);

    ini = new TIniEditor(this);
    ini->setObjectName(QStringLiteral("ini"));
    ini->SetFileName(std::string(IniLayout::FileName));
    ini->SetFileLocation(WindowsPath);

    iniProj = new TIniEditor(this);
    iniProj->setObjectName(QStringLiteral("iniProj"));
    iniProj->SetFileLocation(PathInFileName);

    timerWait = new tk::TTimer(this);
    timerWait->setObjectName(QStringLiteral("timerWait"));
    timerWait->SetEnabled(false);
    timerWait->SetInterval(250);
    // An open delay of 0 reveals at the next turn of the message loop, and so
    // does a negative one (only a hand edit makes it): a timer that never runs
    // would leave a hidden window lost for good.
    timerWait->SetFireAtOnceWhenNotPositive(true);
    timerWait->SetOnTimer([this] { timerWaitTimer(); });

    timerMess = new tk::TTimer(this);
    timerMess->setObjectName(QStringLiteral("timerMess"));
    timerMess->SetEnabled(false);
    timerMess->SetInterval(250);
    timerMess->SetOnTimer([this] { timerMessTimer(); });

    setTabOrder(btnHelp, btnAbout);
    setTabOrder(btnAbout, btnStart);
    setTabOrder(btnStart, btnStop);
    setTabOrder(btnStop, btnOptions);
    setTabOrder(btnOptions, btnHide);
    // Escape: Stop while hiding runs, Options while idle.
    AddCancelButton(btnStop);
    AddCancelButton(btnOptions);
    SetActiveControl(btnStart);

    connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(btnStop, &QPushButton::clicked, this, [this] { btnStopClick(); });
    connect(btnHide, &QPushButton::clicked, this, [this] { btnHideClick(); });
    connect(btnOptions, &QPushButton::clicked, this, [this] { btnOptionsClick(); });
    connect(btnAbout, &QPushButton::clicked, this, [this] { btnAboutClick(); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
  }
  FormCreate();
  AttachPanel(this);
}

TfrmMain::~TfrmMain() {
  // However the panel goes (a close, its owner's destruction, the add-in's
  // shutdown), the windows must not stay hidden behind it: the watch would
  // report to a window that is gone, and the next panel would start idle and
  // take the hidden places for home.
  m_ending = true;
  DetachPanel(this);
  if (HidingRuns()) StopHiding();
}

void TfrmMain::SetWaitTimer(bool armed) { timerWait->SetEnabled(armed); }

void TfrmMain::ShowSuspended(bool suspended) {
  SetCaption(QString::fromLatin1(ProductCaption) + (suspended ? QStringLiteral(" - Disabled") : QString()));
}

void TfrmMain::ShowCaptionMessage(const std::string& text) {
  SetCaption(QString::fromStdString(text));
  timerMess->SetEnabled(true);
}

void TfrmMain::FormCreate() {
  tk::Application().SetHelpFile(HelpFileName);
  Settings.MoveOutSound.clear();
  Settings.MoveInSound.clear();
  Settings.AnimationSteps = 5;
  Settings.HangOutPixels = 5;
  Settings.DisableOnFocusLoss = true;
  FocusSuspended = false;
  Watching = false;
}

void TfrmMain::SetIdleButtons() {
  btnStart->setEnabled(true);
  btnStop->setEnabled(false);
  btnOptions->setEnabled(true);
}

void TfrmMain::SetRunningButtons() {
  btnStart->setEnabled(false);
  btnStop->setEnabled(true);
  btnOptions->setEnabled(false);
}

void TfrmMain::btnStartClick() {
  if (ini->ReadBool("HELP", "FindLostWindows", false)) {
    // Windows lost off the screen come back to fixed places first.
    HideGeometry.MainHomeRect = Rect{0, 0, 600, 106};
    HideGeometry.InspectorHomeRect = Rect{0, 0, 220, 450};
    MoveInspector(HideGeometry.InspectorHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, true);
    MoveMainWindow(HideGeometry.MainHomeRect, Settings.AnimateMoves, Settings.MoveOutSound, true);
    InspectorHidden = false;
    MainHidden = false;
  }
  const std::string project = PanelServices ? PanelServices->QueryProjectName() : std::string();
  if (project.empty()) {
    ShowCaptionMessage(NoProjectCaption);
    return;
  }
  if (!Settings.HideInspector && !Settings.HideMainWindow) {
    ShowMessageDialog(QString::fromLatin1(NoWindowsChosenText));
    return;
  }
  ComputeHideGeometry();
  // A stop during the slides (a project close) leaves the panel idle; a window
  // kept on screen leaves the panel up for its message.
  const THideStart started = HideWindows();
  if (started == THideStart::NotStarted) return;
  SetRunningButtons();
  if (started == THideStart::Started) hide();
}

void TfrmMain::btnStopClick() { StopHiding(); }

void TfrmMain::btnHideClick() { hide(); }

void TfrmMain::btnOptionsClick() {
  {
    struct Guard {
      QPointer<TfrmOptions> dialog;
      ~Guard() { delete dialog.data(); }
    } guard{new TfrmOptions(tk::Application().OwnerWidget())};
    guard.dialog->ShowModal();
  }
  // Accepted or not, the in-memory settings follow the file again.
  LoadSettings();
}

void TfrmMain::btnAboutClick() { ShowAboutBox(); }

void TfrmMain::btnHelpClick() { tk::Application().HelpJump(PanelHelpTopic); }

void TfrmMain::timerMessTimer() {
  SetCaption(QString::fromLatin1(ProductCaption));
  timerMess->SetEnabled(false);
}

void TfrmMain::timerWaitTimer() { WaitTimerTick(); }

void TfrmMain::ShowMessageDialog(const QString& text) { ShowOopsDialog(this, text); }

void TfrmMain::FormClose(tk::TCloseAction& action) {
  // The panel has no close box, but a window manager offers close anyway.
  // While hiding runs the panel is the only way to Stop: it is hidden, like
  // Hide, and the menu entry brings it back.
  action = HidingRuns() ? tk::TCloseAction::caHide : tk::TCloseAction::caFree;
}

void TfrmMain::WndProc(platform::Message& msg) {
  // Reports still queued while the panel is being destroyed belong to nobody.
  if (m_ending) return;
  switch (msg.msg) {
    case platform::WM_MOUSEWATCH:
      OnMouseWatch(msg.lParam);
      break;
    case platform::WM_ACTIVATEAPP:
      OnActivateApp(msg.wParam);
      break;
    default:
      break;
  }
}

void LoadSettings() {
  if (frmMain) LoadSettingsFrom(*frmMain->ini, *frmMain->timerWait);
}
