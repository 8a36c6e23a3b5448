// IDE profiles: how the bridge recognises a real IDE's windows on the desktop
// and reads its open project.
//
// A profile names two windows by rule, the main window (a band across the top
// of the screen) and the inspector (a tall tool window at a side), each by
//  * the two parts of its WM_CLASS, instance and class, compared exactly
//    (an empty part in the profile accepts anything), and
//  * a title pattern (see GlobMatch); an empty pattern accepts any title.
// The open project is read from the main window's title with a second
// pattern that holds "{project}" once: the text standing there is the
// project's name.  A title the project pattern does not match, or that leaves
// an empty (or all-blank) name, means "no project open".  A project pattern
// may list alternatives separated by "|", tried in order: an IDE that adds a
// passing state to its title ("project1 (compiling ...)") is read by an
// alternative that names the state's shape first, so that the project does
// not seem to change while it compiles.
//
// One profile is built in (Lazarus).  Users add their own in the profiles file
// "EdgetuckIDE.ini" in the Windows directory:
//
//     [IDEs]
//     List=MyIDE, Other IDE
//
//     [MyIDE]
//     MainInstance=myide
//     MainClass=MyIDE
//     MainTitle=MyIDE *
//     ProjectTitle=MyIDE * - {project}
//     InspectorInstance=myide
//     InspectorClass=MyIDE
//     InspectorTitle=Properties
//
// List names the sections to read, in this order (separated by commas).
// Main* describe the main window (WM_CLASS instance and class, title pattern),
// Inspector* the inspector; a missing InspectorInstance or InspectorClass is
// taken from the main window's.  A ";" starts a comment only at the start of
// a line.
//
// A section named in the list that is missing, or that names neither a WM_CLASS
// part nor a main title (it would claim every window of the desktop), is left
// out.  A user profile whose name equals a built-in one (any letter case)
// replaces it; others come before the built-in ones, in list order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/Backend.h"

namespace bridge {

// One window's rule.
struct WindowRule {
  std::string instance;  // WM_CLASS instance; empty: any
  std::string cls;       // WM_CLASS class; empty: any
  std::string title;     // title pattern; empty: any
  friend bool operator==(const WindowRule&, const WindowRule&) = default;
};

struct IdeProfile {
  std::string name;
  WindowRule main;
  WindowRule inspector;
  std::string projectTitle;  // pattern holding "{project}" once
  friend bool operator==(const IdeProfile&, const IdeProfile&) = default;
};

// The placeholder of the project's name in a project pattern.
inline constexpr std::string_view kProjectPlaceholder = "{project}";

// Patterns and titles longer than this are not matched at all: real titles are
// a few dozen characters, and the bound keeps every match cheap.
inline constexpr std::size_t kMaxPatternChars = 256;
inline constexpr std::size_t kMaxTitleChars = 4096;

// Whole-text wildcard match: "*" stands for any run of characters (also none),
// "?" for exactly one byte; every other character stands for itself, case
// included.  Runs in O(pattern x text) at worst, so no pattern can make it
// slow.  False when either is longer than its bound.
bool GlobMatch(std::string_view pattern, std::string_view text);

// The project's name read from a title with a project pattern: the text where
// "{project}" stands, blanks trimmed from both ends.  Stars before the
// placeholder match as little as they can, so with "IDE v* - {project}" the
// first " - " after the version ends it and a name may hold " - " itself.
// Nothing when the title does not match, the name is blank, or the pattern
// does not hold the placeholder exactly once.  With alternatives ("|"), the
// first that gives a name wins; an alternative without exactly one
// placeholder gives none.
std::optional<std::string> ParseProjectName(std::string_view projectPattern, std::string_view title);

// True when the window's identity satisfies the rule.
bool Matches(const WindowRule& rule, const platform::WindowIdentity& id);
// True when its WM_CLASS does (the title aside): a window that may come to
// play the role once its title changes.
bool ClassMatches(const WindowRule& rule, const platform::WindowIdentity& id);

// The profiles compiled in: Lazarus.
std::vector<IdeProfile> BuiltInProfiles();

// The profiles file's name and its place (the Windows directory).
inline constexpr const char* kProfilesFileName = "EdgetuckIDE.ini";
std::string DefaultProfilesPath();

// The user's profiles from the file at path (see above), then the built-in
// ones that no user profile replaces.  A missing or unreadable file gives the
// built-in ones alone.  Problems with single sections are described in
// `warnings` (one line each) when it is not null.
std::vector<IdeProfile> LoadProfiles(const std::string& path, std::vector<std::string>* warnings = nullptr);

// The profile named `name` (any letter case), or nothing.
const IdeProfile* FindProfile(const std::vector<IdeProfile>& profiles, std::string_view name);

}  // namespace bridge
