#include "bridge/CommandLine.h"

#include <charconv>
#include <set>

#include "bridge/IdeEvents.h"
#include "bridge/IdeProfile.h"

namespace bridge {

namespace {

bool ReadNumber(const std::string& s, long long& out) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

}  // namespace

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
    const bool takesValue = opt == "--ide" || opt == "--addin" || opt == "--ide-event" || opt == "--ide-pid" ||
                            opt == "--project" || opt == "--desktop" || opt == "--pcp";
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
    } else if (opt == "--ide-event") {
      long long code = 0;
      if (!ReadNumber(value, code) || !IsIdeEventCode(static_cast<int>(code)) || code > 99)
        return fail("--ide-event takes 10 (project opened), 5 (project closing) or 11 (desktop saving)");
      cmd.ideEvent = static_cast<int>(code);
    } else if (opt == "--ide-pid") {
      if (!ReadNumber(value, cmd.idePid) || cmd.idePid <= 0) return fail("--ide-pid needs a process id");
    } else if (opt == "--project") {
      cmd.project = value;
    } else if (opt == "--desktop") {
      cmd.desktop = value;
    } else if (opt == "--install-lazarus-package") {
      cmd.installLazarus = true;
    } else if (opt == "--uninstall-lazarus-package") {
      cmd.uninstallLazarus = true;
    } else if (opt == "--pcp") {
      if (value.empty()) return fail("--pcp needs a folder");
      cmd.lazarusConfig = value;
    } else {
      return fail("unknown option " + args[i] + " (see --help)");
    }
  }
  // Options that only mean something together.
  const bool ideState = seen.count("--ide-pid") || seen.count("--project") || seen.count("--desktop");
  const bool lazarus = cmd.installLazarus || cmd.uninstallLazarus;
  if (cmd.installLazarus && cmd.uninstallLazarus)
    return fail("--install-lazarus-package and --uninstall-lazarus-package exclude each other");
  if (seen.count("--pcp") && !lazarus) return fail("--pcp goes with --install-lazarus-package or --uninstall-lazarus-package");
  if (lazarus && seen.size() > 1 + seen.count("--pcp"))
    return fail("--install-lazarus-package and --uninstall-lazarus-package take only --pcp");
  if (cmd.ideEvent && (cmd.panel || cmd.listWindows || !cmd.ide.empty() || !cmd.addIn.empty() || cmd.help))
    return fail("--ide-event goes only with --ide-pid, --project and --desktop");
  if (cmd.ideEvent && cmd.idePid == 0) return fail("--ide-event needs --ide-pid");
  if (cmd.ideEvent == kIdeProjectOpened && cmd.project.find_first_not_of(' ') == std::string::npos)
    return fail("--ide-event 10 needs --project");
  if (ideState && !cmd.ideEvent && !cmd.panel) return fail("--ide-pid, --project and --desktop go with --ide-event or --panel");
  if (ideState && cmd.panel && cmd.idePid == 0) return fail("--project and --desktop with --panel need --ide-pid");
  return cmd;
}

std::string HelpText() {
  return std::string(
             "Usage: edgetucker-bridge [--ide NAME] [--panel] [--addin PATH]\n"
             "       edgetucker-bridge --list-windows | --help\n"
             "       edgetucker-bridge --install-lazarus-package [--pcp DIR]\n"
             "       edgetucker-bridge --uninstall-lazarus-package [--pcp DIR]\n"
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
             "Inside Lazarus:\n"
             "  --install-lazarus-package\n"
             "                   copy the bridge's Lazarus package into the Lazarus\n"
             "                   configuration (DIR/edgetucker_ide), add it to the IDE with\n"
             "                   lazbuild and rebuild the IDE (some minutes).  The IDE then\n"
             "                   has \"Edgetucker 1.2d\" in its Tools menu and tells the bridge\n"
             "                   when a project opens or closes and before it saves its\n"
             "                   windows' places.  Start Lazarus again to use it.\n"
             "  --uninstall-lazarus-package\n"
             "                   take the package out of the IDE again (rebuilds the IDE)\n"
             "  --pcp DIR        the Lazarus configuration to change (default: ~/.lazarus,\n"
             "                   Lazarus's own; give the same DIR as Lazarus's --pcp)\n"
             "  --ide-event CODE --ide-pid PID [--project NAME] [--desktop FILE]\n"
             "                   used by the package: hands the running bridge one event of\n"
             "                   the IDE (10 project opened, 5 closing, 11 saving its\n"
             "                   desktop) and waits until it is done; exits 1 when no bridge\n"
             "                   runs.  With --panel, --ide-pid and --project tell the IDE's\n"
             "                   state to the bridge that starts or runs.\n"
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
         "opened (automatic start works); with the Lazarus package installed the IDE says so itself\n"
         "and the title is no longer read for it.  The home places of hidden windows are kept in\n"
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
