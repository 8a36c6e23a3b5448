// The bridge's half of the host interface: the add-in core (loading through
// INITEXPERT0016, services, notifications, the end) with the bridge's rules on
// top: one add-in per host, its one menu entry, and a Load that explains a
// failure in one line instead of writing it out.
//
// What the services answer comes from outside (the real IDE as observed):
// parentWindow and projectName are asked at every call.  Errors the add-in
// reports go to reportError (standard error when unset).
#pragma once

#include <string>
#include <vector>

#include "addinhost/AddInCore.h"
#include "expert/HostIntf.h"

namespace bridge {

class AddInHost : public addinhost::AddInCore {
public:
  AddInHost() : AddInCore("edgetucker-bridge") {}
  ~AddInHost() { Shutdown(); }

  // dlopen's the library and calls its entry point.  False, with one line in
  // `why`, when it cannot be loaded, has no entry point or declines; false
  // with nothing in `why` once an add-in runs or after Shutdown.
  bool Load(const std::string& path, std::string* why = nullptr);
  // Calls an entry point already in this process (tests); the same rules.
  bool Connect(TExpertInitProc init);

  // The text of the first menu entry that is enabled ("" without one), and
  // running it (false without one).
  std::string MenuText() const;
  bool RunMenu();

  std::size_t NotifierCount() const { return Notifiers().size(); }

  // Ends the add-in and gives back every object it left with us.  The library
  // stays loaded: Qt may still hold its meta-objects and resources until the
  // application ends, and the process ends right after this anyway.  Safe to
  // call twice.
  void Shutdown() { Close(/*unloadLibraries=*/false); }
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
