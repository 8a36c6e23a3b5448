// The stand-in IDE: its two windows, its project, its add-ins and the
// services it offers them.
//
// Life of a host:
//   1. construction creates the main window (TAppBuilder) and the Object
//      Inspector (TPropertyInspector); ShowWindows places their frames at
//      their start rectangles, (0, 0)-(screen width, 100) and
//      (10, 110)-(210, 510), both lower by the height of a panel along the
//      top of the screen - on a real X server once the window manager has
//      framed them, waiting until the server reports them there (asking up
//      to three times, a second each);
//   2. LoadAddIn / ConnectAddIn call each add-in's entry point with the
//      services object, the registration procedure and the termination
//      out-parameter;
//   3. LoadDefaultDesktop: <Windows directory>/DELPHI32.DSK, notification 8;
//   4. projects are opened, saved and closed by the user or a script;
//   5. Shutdown calls each add-in's termination procedure (last loaded
//      first), releases what the host still holds of the add-ins' objects,
//      destroys every window - the add-ins' windows are owned by the main
//      window - and only then unloads the libraries.
//
// Notifications go to every attached notifier, in order of attachment:
//   open project   close the open one first, then read the project's desktop
//                  file (path with extension ".dsk"), move the windows to the
//                  rectangles it holds, then send 10 with that path;
//   save desktop   send 11 with the project's desktop path (9 with the
//                  default desktop's path when no project is open), then write
//                  the windows' rectangles as they stand after it;
//   close project  send 5 with the project's path, then close; no-op without
//                  a project.
// A notifier that sets the cancel flag on 5 keeps the project open, on 9 or 11
// keeps the file from being written.
//
// Only one host exists per process: the registration procedure that add-ins
// call is a plain function and reaches it through a process-wide pointer.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addinhost/AddInCore.h"
#include "expert/HostIntf.h"
#include "host/Desktop.h"
#include "host/Script.h"

class QAction;
class TAppBuilder;
class TPropertyInspector;

namespace host {

class IdeHost : public QObject, public ScriptActions {
public:
  IdeHost();
  ~IdeHost() override;
  IdeHost(const IdeHost&) = delete;
  IdeHost& operator=(const IdeHost&) = delete;

  TAppBuilder* MainWindow() const { return m_main; }
  TPropertyInspector* Inspector() const { return m_inspector; }

  // Shows both windows at their start rectangles.
  void ShowWindows();

  // The add-in beside the running executable.
  static std::string DefaultAddInPath();

  // dlopen's the library and connects it.  A library that cannot be loaded
  // or has no entry point is reported in one line on standard error; the
  // result is then false and the IDE goes on without it.
  bool LoadAddIn(const std::string& path);
  // Connects an add-in whose entry point is already in this process.  False
  // when the entry point returns false.
  bool ConnectAddIn(TExpertInitProc init, const std::string& label);

  // Reads the default desktop and sends notification 8.
  void LoadDefaultDesktop();
  static std::string DefaultDesktopPath();

  // The open project's absolute path; empty when none is open.
  const std::string& ProjectPath() const { return m_project; }

  void NewProject();
  void ChooseAndOpenProject();  // the File > Open Project... dialog

  // ScriptActions
  void OpenProject(const std::string& path) override;
  void SaveDesktop() override;
  void CloseProject() override;
  void Notify(int code, const std::string& path) override;
  bool ChooseMenu(const std::string& text) override;

  // Sends a notification to every attached notifier; true when one of them
  // set the cancel flag.
  bool SendNotification(TFileNotification code, const std::string& path);

  // Moves the windows named in a layout; windows it does not name stay put.
  void ApplyLayout(const DesktopLayout& layout);
  DesktopLayout CurrentLayout() const;

  THostServices* Services() const { return m_addIns.Services(); }
  const std::vector<TIExpert*>& Experts() const { return m_addIns.Experts(); }
  const std::vector<TIAddInNotifier*>& Notifiers() const { return m_addIns.Notifiers(); }

  // Where ReportError's message box goes; tests replace it.  The text is
  // always printed to standard error as well.
  std::function<void(const QString&)> showError;

  void Shutdown();
  bool IsShutDown() const { return m_shutDown; }

private:
  // Errors the add-ins report: standard error and a message box.
  void ReportError(const std::string& message);
  void RebuildToolsMenu();
  void RunExpert(TIExpert* expert);
  void SelectComponent(const QString& name, const QString& className);
  void LoadDesktop(const std::string& path, TFileNotification code);

  TAppBuilder* m_main = nullptr;
  TPropertyInspector* m_inspector = nullptr;
  addinhost::AddInCore m_addIns{"ide-host"};
  std::string m_project;
  int m_componentCount = 0;
  bool m_shutDown = false;
};

}  // namespace host
