// The add-in's connection to the IDE: its entry point, its expert (a menu
// entry that raises the control panel), its notifier (project and desktop
// events) and its termination.
//
// Lifecycle: loaded (nothing exists) -> connected (first entry-point call:
// expert and notifier registered, the panel created hidden, settings loaded if
// the IDE main window was found) -> panel shown (any number of times, by the
// menu entry) -> terminated (notifier released, hiding stopped, panel closed).
//
// Choices where the IDE's contract leaves room:
//  * A null services object is refused: the entry point returns false and
//    registers nothing, because every later step needs the services (the
//    project name, the notifier list, error reports).  A later call with real
//    services still connects.
//  * A panel destroyed other than by TerminateExpert (a close keystroke while
//    idle): the panel reference clears itself when the panel is destroyed, and
//    the next ShowControlPanel creates a new panel.  A destruction while hiding
//    runs first stops hiding (forms/main.h).
//  * Host calls of the expert's unnamed slots do nothing.
#pragma once

#include <string>

#include "expert/HostIntf.h"

// The IDE's services, as given to the entry point; null until then.
extern THostServices* HostServices;
// PanelServices, the same object as the panel sees it, is declared with the
// panel (forms/main.h); ShowControlPanel sets it.
// The one notifier, between the entry point and TerminateExpert.
class TAddInNotifier;
extern TAddInNotifier* AddInNotifier;
// True from the panel's creation by ShowControlPanel until TerminateExpert.
extern bool PanelCreated;

class TEdgetuckerExpert : public TIExpert {
public:
  std::string GetName() override;
  std::string GetComment() override;
  TExpertStyle GetStyle() override;
  TExpertState GetState() override;
  std::string GetIDString() override;
  std::string GetMenuText() override;
  void Execute() override;
};

class TAddInNotifier : public TIAddInNotifier {
public:
  // 5: project closing -> Stop; 8, 10: desktop loaded -> DesktopLoaded;
  // 11: project desktop saved -> RestoreWindows; others: nothing.  Ignored
  // while no panel exists.  `cancel` is never changed.
  void HandleNotification(TFileNotification code, const std::string& fileName, bool& cancel) override;
};

// Creates the panel hidden (first time) or shows and raises it, finds the IDE
// windows afresh and reloads the settings; shows "Delphi could not be found."
// instead of loading when there is no main window.
void ShowControlPanel(THostServices* services);

// A desktop file was loaded: remember it in iniProj, recompute the geometry,
// and with AutoStart and a chosen window start hiding, unless the file is the
// IDE's default desktop (its name, after the last "/", "\" or ":", is
// "DELPHI32.DSK" in any letter case).
void DesktopLoaded(const std::string& fileName);

// Handed to the IDE; undoes the connection.  While hiding runs it first stops
// hiding, so the windows are home when the IDE saves them.
void TerminateExpert();

// Passes the message of the exception being handled to the IDE's ReportError.
// Call only inside a catch block.
void HandleExpertException();

extern "C" __attribute__((visibility("default"))) bool INITEXPERT0016(THostServices* services,
                                                                       TExpertRegisterProc registerProc,
                                                                       TExpertTerminateProc* terminate);

// The comment and identity the expert reports.
inline constexpr const char* ExpertComment = "Makes Delphi and Object Inspector act like autohide taskbars.";
inline constexpr const char* ExpertIDString = "MarrowgateSotware.TEdgetuckerExpert12";
inline constexpr const char* NoMainWindowText = "Delphi could not be found.";
inline constexpr const char* DefaultDesktopName = "DELPHI32.DSK";

// Back to the loaded state, destroying the panel without closing it (tests).
void ResetExpertState();
