// The host's side of the add-in interface, shared by every program that loads
// add-ins (the stand-in IDE and the bridge): it loads a library exactly as an
// IDE does (dlopen, INITEXPERT0016 with a services object, the registration
// procedure and the termination out-parameter), keeps what the add-ins
// register and attach, sends them notifications and ends them.
//
// What differs between those programs comes from outside: the name that
// begins every message on standard error, where the services' parent window
// and project name come from, and where errors the add-ins report go.
//
// Life of a core:
//   1. Load / Connect call each add-in's entry point;
//   2. Notify, MenuEntries and Execute serve the add-ins while they run;
//   3. Terminate calls each termination procedure (last loaded first) and
//      gives back every notifier and expert the add-ins left with us; from
//      here on nothing more is registered, attached or loaded;
//   4. Close cuts the services off - an add-in that still holds them gets
//      neutral answers - and unloads the libraries if asked to.  Between 3
//      and 4 the program destroys whatever windows of the add-ins it owns,
//      while their code is still loaded.
//
// Only one AddInCore exists per process: the registration procedure is a
// plain function and reaches it through a process-wide pointer.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "expert/HostIntf.h"

namespace addinhost {

class AddInCore {
public:
  // `name` begins every message this core writes ("ide-host").
  explicit AddInCore(std::string name);
  // Terminates and closes what is still running; libraries stay loaded.
  ~AddInCore();
  AddInCore(const AddInCore&) = delete;
  AddInCore& operator=(const AddInCore&) = delete;

  // Asked at every call of the services; unset: 0 and "".
  std::function<THostWindow()> parentWindow;
  std::function<std::string()> projectName;
  // Where errors the add-ins report go; unset: one line on standard error.
  std::function<void(const std::string&)> reportError;
  // Called after an expert registers, and after the experts are given back
  // at termination (the list is then empty).
  std::function<void()> expertsChanged;

  enum class LoadResult { started, declined, failed };
  // dlopen's the library and calls its entry point.  `why` gets one line
  // without this core's name: "cannot load add-in <path>: <reason>", "add-in
  // <path> has no entry point INITEXPERT0016" (both `failed`, the library is
  // not kept) or "add-in <path> declined to start" (`declined`: the library
  // stays loaded, it may have registered objects whose code lives in it).
  // `failed` with nothing in `why` after Terminate.
  LoadResult Load(const std::string& path, std::string* why = nullptr);
  // Calls an entry point already in this process; false when it declines or
  // after Terminate.  `label` names it among the loaded add-ins.
  bool Connect(TExpertInitProc init, const std::string& label);
  // True when an entry point returned true and Terminate has not run yet.
  bool Loaded() const { return m_started && !m_ended; }
  bool Ended() const { return m_ended; }

  // Sends a notification to every attached notifier, in order of attachment;
  // true when one of them set the cancel flag.
  bool Notify(TFileNotification code, const std::string& file);

  // An expert shown as a menu entry (style esStandard) with its text and state.
  struct MenuEntry {
    TIExpert* expert;
    std::string text;
    TExpertState state;
  };
  // Every such expert in order of registration, asked now.
  std::vector<MenuEntry> MenuEntries() const;
  // Runs a registered expert; false when it is not (or no longer) registered.
  bool Execute(TIExpert* expert);

  THostServices* Services() const { return m_services; }
  const std::vector<TIExpert*>& Experts() const { return m_experts; }
  const std::vector<TIAddInNotifier*>& Notifiers() const { return m_notifiers; }

  // Steps 3 and 4 of the life above; each is safe to call twice, Close
  // terminates first when that has not happened.
  void Terminate();
  void Close(bool unloadLibraries);

  // Calls into an add-in; an exception that escapes it is reported on
  // standard error ("<name>: add-in raised an exception in <what>"), not fatal.
  template <typename F>
  void Guarded(const char* what, F&& f) const {
    try {
      f();
    } catch (const std::exception& e) {
      ReportException(what, e.what());
    } catch (...) {
      ReportException(what, nullptr);
    }
  }

  // Called by the services object and the registration procedure.
  bool RegisterExpert(TIExpert* expert);
  bool AttachNotifier(TIAddInNotifier* notifier);
  bool DetachNotifier(TIAddInNotifier* notifier);
  void ReportError(const std::string& message);

private:
  struct AddIn {
    std::string label;
    void* library = nullptr;  // dlopen handle; null for in-process add-ins
    TExpertTerminateProc terminate = nullptr;
  };

  bool Start(TExpertInitProc init, AddIn addIn);
  void ReportException(const char* what, const char* message) const;

  std::string m_name;
  THostServices* m_services = nullptr;
  std::vector<AddIn> m_addIns;
  std::vector<TIExpert*> m_experts;
  std::vector<TIAddInNotifier*> m_notifiers;
  bool m_started = false;
  bool m_ended = false;
};

}  // namespace addinhost
