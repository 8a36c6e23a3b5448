// The bridge's half of the host interface: it loads the add-in exactly as an
// IDE does (dlopen, INITEXPERT0016 with a services object, the registration
// procedure and the termination out-parameter), keeps what the add-in
// registers and attaches, sends it notifications and ends it.
//
// What the services answer comes from outside (the real IDE as observed):
// parentWindow and projectName are asked at every call.  Errors the add-in
// reports go to onError (standard error when unset).
//
// Only one AddInHost exists per process: the registration procedure is a plain
// function and reaches it through a process-wide pointer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "expert/HostIntf.h"

namespace bridge {

class AddInHost {
public:
  AddInHost();
  ~AddInHost();
  AddInHost(const AddInHost&) = delete;
  AddInHost& operator=(const AddInHost&) = delete;

  std::function<THostWindow()> parentWindow;
  std::function<std::string()> projectName;
  std::function<void(const std::string&)> onError;

  // dlopen's the library and calls its entry point.  False, with one line in
  // `why`, when it cannot be loaded, has no entry point or declines.
  bool Load(const std::string& path, std::string* why = nullptr);
  // Calls an entry point already in this process (tests).
  bool Connect(TExpertInitProc init);
  bool Loaded() const { return m_connected; }

  // Sends a notification to every attached notifier; true when one set cancel.
  bool Notify(TFileNotification code, const std::string& file);

  // The first registered expert shown as a menu entry (esStandard, enabled);
  // null when there is none.
  TIExpert* MenuExpert() const;
  // Its menu text ("" without one) and running it (false without one).
  std::string MenuText() const;
  bool RunMenu();

  THostServices* Services() const { return m_services; }
  std::size_t NotifierCount() const { return m_notifiers.size(); }

  // Calls the termination procedure, gives back every object the add-in left
  // with us, and unloads the library.  Safe to call twice.
  void Shutdown();

  // Called by the services object and the registration procedure.
  bool RegisterExpert(TIExpert* expert);
  bool AttachNotifier(TIAddInNotifier* notifier);
  bool DetachNotifier(TIAddInNotifier* notifier);
  void ReportError(const std::string& message);

private:
  bool Start(TExpertInitProc init);

  THostServices* m_services = nullptr;
  void* m_library = nullptr;
  TExpertTerminateProc m_terminate = nullptr;
  std::vector<TIExpert*> m_experts;
  std::vector<TIAddInNotifier*> m_notifiers;
  bool m_connected = false;
  bool m_shutDown = false;
};

// What the add-in must be told when the project shown by the IDE changes from
// `before` to `after` (empty: none): code 5 with the old project's name when
// one closes or is replaced, then code 10 with "<name>.dsk" when one opens.
struct Notification {
  TFileNotification code;
  std::string file;
  friend bool operator==(const Notification&, const Notification&) = default;
};
std::vector<Notification> ProjectChange(const std::string& before, const std::string& after);

}  // namespace bridge
