// The bridge's command line.
#pragma once

#include <string>
#include <vector>

namespace bridge {

struct BridgeCommand {
  bool help = false;
  bool panel = false;        // raise the control panel (of the bridge already running)
  bool listWindows = false;  // print the desktop's windows and the profiles they match, then quit
  std::string ide;           // --ide NAME
  std::string addIn;         // --addin PATH; empty: beside the executable, else the library folder

  // The IDE's own word (IdeEvents.h), from the package inside the IDE:
  // --ide-event CODE hands one event to the running bridge and ends;
  // with --panel, --ide-pid and --project tell the IDE's state along.
  int ideEvent = 0;          // --ide-event CODE; 0: none
  long long idePid = 0;      // --ide-pid PID
  std::string project;       // --project NAME
  std::string desktop;       // --desktop FILE

  // --install-lazarus-package / --uninstall-lazarus-package, into the
  // Lazarus configuration --pcp DIR (default: Lazarus's own, ~/.lazarus).
  bool installLazarus = false;
  bool uninstallLazarus = false;
  std::string lazarusConfig;

  std::string error;         // not empty: the command line was wrong (one line)
};

// Reads the arguments after the program's name.  Every option may be given as
// "--opt VALUE" or "--opt=VALUE"; an option given twice is an error, and so is
// anything unknown, so that a mistyped option never starts a second bridge.
BridgeCommand ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string HelpText();

}  // namespace bridge
