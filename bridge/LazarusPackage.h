// Installing the bridge's package into a user's Lazarus, and taking it out.
//
// The package's sources (bridge/lazarus: edgetucker_ide.lpk and its units) are
// copied into the Lazarus configuration, DIR/edgetucker_ide, so that the IDE
// can compile them where the user may write and the copy goes with the
// configuration; its bridgeprogram.inc is written there with the path of the
// bridge that installs it (the package runs that program).  Then lazbuild adds
// the package to the IDE's list of installed packages and rebuilds the IDE:
//     lazbuild --pcp=DIR --add-package DIR/edgetucker_ide/edgetucker_ide.lpk
//     lazbuild --pcp=DIR --build-ide=
// With a Lazarus directory the user may not write (the system's), lazbuild
// puts the rebuilt IDE in DIR/bin, where Lazarus's start-up looks first.
//
// Taking it out removes the name from the list in DIR/miscellaneousoptions.xml
// (StaticAutoInstallPackages), rebuilds the IDE the same way, removes the link
// that --add-package left in DIR/packagefiles.xml (the IDE's list of known
// package files, which would otherwise keep naming the deleted copy) and then
// deletes DIR/edgetucker_ide.  What the rebuild writes (idemake.cfg,
// staticpackages.inc, the IDE itself) is written without the package; nothing
// else of the configuration is touched.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bridge {

inline constexpr const char* kLazarusPackageName = "edgetucker_ide";

// Lazarus's own default configuration folder: $HOME/.lazarus.
std::string DefaultLazarusConfig();

// The text of bridgeprogram.inc naming `program` (a Pascal string constant).
std::string BridgeProgramInclude(const std::string& program);

// The list in a miscellaneousoptions.xml's text without `name` (any letter
// case), renumbered; nothing when the list does not hold it.
std::optional<std::string> WithoutInstalledPackage(const std::string& xml, const std::string& name);

// A packagefiles.xml's text without the user package link(s) of `name` (any
// letter case) whose file is `lpkFile`, the rest renumbered and counted as
// Lazarus writes them (an empty list keeps only its Version); nothing when no
// such link is there.  Links of the same name to other files are the user's
// own and stay.
std::optional<std::string> WithoutPackageLink(const std::string& xml, const std::string& name,
                                              const std::string& lpkFile);

struct LazarusSetup {
  std::string config;        // the Lazarus configuration (--pcp)
  std::string packageSource; // the folder holding edgetucker_ide.lpk
  std::string bridge;        // the program the package runs
  std::string lazbuild;      // empty: found on PATH or under /usr/lib/lazarus
  // Runs a program with arguments, its output going to the user; returns its
  // exit status (-1: it could not be started).  Tests put their own here.
  std::function<int(const std::string&, const std::vector<std::string>&)> run;
  std::function<void(const std::string&)> say;  // a line for the user
};

// 0 when done; otherwise a failure was said (1: lazbuild failed, 3: something
// needed is missing).
int InstallLazarusPackage(LazarusSetup setup);
int UninstallLazarusPackage(LazarusSetup setup);

// The package's sources for a bridge at `programDir`: programDir/lazarus-package
// (a build folder), else `installedDir`; empty when neither holds them.
std::string FindPackageSource(const std::string& programDir, const std::string& installedDir);

}  // namespace bridge
