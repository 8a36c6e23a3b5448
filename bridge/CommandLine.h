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
  std::string error;         // not empty: the command line was wrong (one line)
};

// Reads the arguments after the program's name.  Every option may be given as
// "--opt VALUE" or "--opt=VALUE"; an option given twice is an error, and so is
// anything unknown, so that a mistyped option never starts a second bridge.
BridgeCommand ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string HelpText();

}  // namespace bridge
