// The IDE's own word: what a package inside the IDE tells the bridge.
//
// An IDE that runs the bridge's package (for Lazarus: bridge/lazarus/) knows
// exactly when a project opens and closes, and when it is about to write its
// windows' places, which its window title shows late, vaguely or not at all.
// The package hands each such event to the running bridge over the bridge's
// single-instance channel (by running "edgetucker-bridge --ide-event CODE
// --ide-pid PID --project NAME --desktop FILE", which forwards one line and
// waits until the bridge has acted on it).
//
// The codes are the add-in's notification codes:
//   10  a project opened and its desktop loaded; NAME is the project, FILE the
//       file that keeps its desktop (passed to the add-in as it is)
//    5  the project NAME is closing
//   11  the IDE is about to save its windows' places (FILE: where); hidden
//       windows are brought home for it and hide again afterwards
//
// Once the IDE of process PID has spoken, the bridge takes its word for the
// project and no longer reads the main window's title for it; an IDE without
// the package (or before its package first speaks) is read from its title as
// before.
//
// On the channel an event is one line of tab-separated fields:
//     "ide" TAB PID TAB CODE TAB NAME TAB FILE
// Tabs and line breaks inside NAME and FILE become spaces when the line is
// made; a line that does not read back as an event (a wrong field count, an
// unknown code, a PID that is not a positive number, a code 10 without a
// project) is refused as a whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bridge {

inline constexpr int kIdeProjectOpened = 10;
inline constexpr int kIdeProjectClosing = 5;
inline constexpr int kIdeDesktopSaving = 11;

// The longest event line the channel takes (two file paths and some).
inline constexpr std::size_t kIdeEventMaxLine = 8192;

struct IdeEvent {
  int code = 0;
  long long pid = 0;
  std::string project;
  std::string desktop;
  friend bool operator==(const IdeEvent&, const IdeEvent&) = default;
};

// True for the three codes above.
bool IsIdeEventCode(int code);

// The channel's line for an event (without the line break).
std::string FormatIdeEvent(const IdeEvent& event);
// The event a line carries, or nothing (see above).
std::optional<IdeEvent> ParseIdeEvent(std::string_view line);

}  // namespace bridge
