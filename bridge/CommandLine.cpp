#include "bridge/CommandLine.h"

#include <set>

#include "bridge/IdeProfile.h"

namespace bridge {

BridgeCommand ParseCommandLine(const std::vector<std::string>& args) {
  BridgeCommand cmd;
  std::set<std::string> seen;
  auto fail = [&](std::string why) {
    cmd.error = std::move(why);
    return cmd;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string opt = args[i];
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = opt.substr(eq + 1);
      opt = opt.substr(0, eq);
      hasValue = true;
    }
    if (opt == "-h") opt = "--help";
    if (!seen.insert(opt).second) return fail(opt + " is given twice");
    const bool takesValue = opt == "--ide" || opt == "--addin";
    if (takesValue && !hasValue) {
      if (i + 1 >= args.size()) return fail(opt + " needs a value");
      value = args[++i];
    } else if (!takesValue && hasValue) {
      return fail(opt + " takes no value");
    }
    if (opt == "--help") {
      cmd.help = true;
    } else if (opt == "--panel") {
      cmd.panel = true;
    } else if (opt == "--list-windows") {
      cmd.listWindows = true;
    } else if (opt == "--ide") {
      if (value.empty()) return fail("--ide needs a profile's name");
      cmd.ide = value;
    } else if (opt == "--addin") {
      if (value.empty()) return fail("--addin needs a path");
      cmd.addIn = value;
    } else {
      return fail("unknown option " + args[i] + " (see --help)");
    }
  }
  return cmd;
}

std::string HelpText() {
  return std::string(
             "Usage: edgetucker-bridge [--ide NAME] [--panel] [--addin PATH]\n"
             "       edgetucker-bridge --list-windows | --help\n"
             "\n"
             "Hosts the Edgetucker add-in beside an IDE that runs on this X display: the\n"
             "IDE's main window hides off the top edge of the screen and its inspector off\n"
             "a side, each leaving a thin strip; rest the pointer on a strip to bring the\n"
             "window back.  One bridge runs per display; starting it again only passes the\n"
             "command on to the one that runs.\n"
             "\n"
             "  --ide NAME       serve the IDE of profile NAME (built in: Lazarus); without\n"
             "                   it, the first profile whose windows are found\n"
             "  --panel          raise the add-in's control panel (Start, Stop, Options...)\n"
             "  --addin PATH     the add-in library (default: libedgetucker.so beside the\n"
             "                   program, else in the installed library folder)\n"
             "  --list-windows   print the desktop's windows with their WM_CLASS, title and\n"
             "                   the profile that claims them, then quit (for writing profiles)\n"
             "  -h, --help       this text\n"
             "\n"
             "Your own profiles go in ") +
         kProfilesFileName +
         " in $WINDIR, else $XDG_CONFIG_HOME, else ~/.config:\n"
         "  [IDEs]\n"
         "  List=MyIDE\n"
         "  [MyIDE]\n"
         "  MainInstance=myide\n"
         "  MainClass=MyIDE\n"
         "  MainTitle=MyIDE *\n"
         "  ProjectTitle=MyIDE * - {project}\n"
         "  InspectorTitle=Properties\n"
         "Patterns: * any text, ? one character; ProjectTitle may list alternatives\n"
         "separated by |, the first that reads a project wins.  The settings are\n"
         "Edgetuck.ini in the same folder.  When a project shows in the IDE's title the add-in is told it\n"
         "opened (automatic start works); the home places of hidden windows are kept in\n"
         "$XDG_STATE_HOME/edgetucker/bridge.state, so that an IDE restarted while a window\n"
         "was hidden gets it back home.\n"
         "\n"
         "In a Wayland session the IDE and the bridge are X11 clients of the\n"
         "compositor's XWayland; the bridge says at start which session it found and\n"
         "what holds there:\n"
         "  X11, any window manager that lets windows go: everything\n"
         "  GNOME (mutter): everything; leaving for a native window is seen from\n"
         "                  XWayland's crossing events\n"
         "  KDE Plasma (KWin): everything; the pointer over native windows is followed\n"
         "                  through a KWin script loaded over D-Bus while hiding runs\n"
         "                  (unloaded at Stop; see the README)\n"
         "  sway, weston:   no hiding: the compositor places X windows itself; Start\n"
         "                  leaves the windows at home and says so\n";
}

}  // namespace bridge
