// The control panel: the add-in's one non-modal window.
//
// From it the user starts and stops auto-hiding, hides the panel, and opens
// the options dialog, the help and the About box.  It is also the home of the
// engine's window-level machinery: the mouse-watch reports are posted to its
// window, its wait timer drives the reveals, and its INI component `ini` is
// the only way the program touches its settings file.
//
// Layout (client pixels, left, top, width, height), client 246 x 112:
//   Bevel1 2,5,161,33   Bevel3 2,41,161,33   Bevel2 2,77,161,33
//   btnOptions 6,8,75,27   btnStop 84,8,75,27   btnHide 6,45,153,25
//   btnHelp 6,81,75,25     btnAbout 84,81,75,25 btnStart 167,5,75,104
// Tab order: Help, About, Start, Stop, Options, Hide.  Escape clicks Stop when
// it is enabled, else Options.
#pragma once

#include <QPointer>
#include <QString>

#include "engine/Panel.h"
#include "expert/HostIntf.h"
#include "toolkit/Buttons.h"
#include "toolkit/Form.h"
#include "toolkit/Timer.h"

class TIniEditor;

// The panel attaches itself to the engine (engine/Panel.h) for its whole life.
// Closing it while hiding runs only hides it, like Hide; destroying it while
// hiding runs (however that happens) first stops hiding, so that the windows
// are home and the watch never reports to a window that is gone.
class TfrmMain : public tk::TForm, public TEnginePanel {
  Q_OBJECT
public:
  explicit TfrmMain(QWidget* owner = nullptr);
  ~TfrmMain() override;

  // TEnginePanel
  platform::HWND WatchWindow() override { return Handle(); }
  void SetWaitTimer(bool armed) override;
  void ShowSuspended(bool suspended) override;
  void ShowCaptionMessage(const std::string& text) override;
  void ShowIdle() override { SetIdleButtons(); }

  tk::TBevel* Bevel1;
  tk::TBevel* Bevel3;
  tk::TBevel* Bevel2;
  tk::TBitBtn* btnOptions;
  tk::TBitBtn* btnStop;
  tk::TBitBtn* btnHide;
  tk::TBitBtn* btnHelp;
  tk::TBitBtn* btnAbout;
  tk::TBitBtn* btnStart;
  TIniEditor* ini;
  TIniEditor* iniProj;
  tk::TTimer* timerWait;  // its interval is the OpenDelay setting
  tk::TTimer* timerMess;

  void FormCreate();
  void btnStartClick();
  void btnStopClick();
  void btnHideClick();
  void btnOptionsClick();
  void btnAboutClick();
  void btnHelpClick();
  void timerMessTimer();
  void timerWaitTimer();

  // Shows a text in the modal message dialog owned by the panel.
  void ShowMessageDialog(const QString& text);

  // Idle: Start and Options enabled, Stop disabled.  Running: the reverse.
  void SetIdleButtons();
  void SetRunningButtons();

protected:
  void FormClose(tk::TCloseAction& action) override;
  void WndProc(platform::Message& msg) override;

private:
  bool m_ending = false;
};

// The IDE's services, which the panel asks for the project name; set by the
// expert when it shows the panel, null before.
extern THostServices* PanelServices;

// The one control panel, null until ShowControlPanel creates it.  It clears
// itself when the panel is destroyed, however that happens.
extern QPointer<TfrmMain> frmMain;

// LoadSettingsFrom (settings/Settings.h) with the panel's `ini` and wait
// timer; nothing happens while there is no panel.
void LoadSettings();

// The texts the panel shows.
inline constexpr const char* NoProjectCaption = "Please load a project first...";
inline constexpr const char* NoWindowsChosenText =
    "No windows are set to be hidden.  Use the options button to choose which windows to hide.";
inline constexpr const char* HelpFileName = "EDGETUCK.HLP";
inline constexpr const char* PanelHelpTopic = "Edgetucker_Window_Description";
