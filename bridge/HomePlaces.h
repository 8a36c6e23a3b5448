// Where the IDE's windows belong while the add-in has them away from home.
//
// A real IDE saves its window places when it exits.  If it exits while a
// window is hidden, the next start may put that window back at its hidden
// place, off the screen, where nobody can reach it.  The bridge therefore
// notes, for every window the add-in has moved away, its home rectangle (where
// it stood before the first move) and the place it was last sent to, and keeps
// these notes in a small state file that survives both the IDE and the bridge.
//
// Rules (HomeBook::Moved):
//  * a move of a window that has no note, to anywhere but where it stands,
//    opens a note: home = where it stood, away = the target;
//  * a move of a noted window to its home closes the note;
//  * any other move of a noted window updates `away`.
// So the slides of one hide (many small moves) open one note, and the restore
// closes it; a reveal to a place other than home keeps it open.
//
// The file is text, one line per note:
//     <profile> <main|inspector> <home l t r b> <away l t r b>
// Lines that do not read as a note are skipped.  Profile names with blanks are
// stored with "%20".  Writes replace the file atomically (a temporary file
// renamed over it), so a crash leaves the old notes or the new ones, never half.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "bridge/IdeWindows.h"
#include "platform/Windows.h"

namespace bridge {

struct AwayNote {
  platform::Rect home;
  platform::Rect away;
  friend bool operator==(const AwayNote&, const AwayNote&) = default;
};

// The notes of every profile, keyed by profile name and role.
class HomeBook {
public:
  using Key = std::pair<std::string, IdeRole>;

  // Applies the rules above to one move; true when the notes changed in a way
  // that must be saved (a note opened or closed; an updated away place too).
  bool Moved(const std::string& profile, IdeRole role, const std::optional<platform::Rect>& before,
             const platform::Rect& target);
  std::optional<AwayNote> Note(const std::string& profile, IdeRole role) const;
  void Forget(const std::string& profile, IdeRole role);
  bool Empty() const { return m_notes.empty(); }

  std::string Serialize() const;
  // Replaces the notes with those read from text.
  void Parse(const std::string& text);

  friend bool operator==(const HomeBook&, const HomeBook&) = default;

private:
  std::map<Key, AwayNote> m_notes;
};

// True when a window whose frame stands at `frame` is where the note says it
// was sent: its top-left corner within an eighth of the window's size (at
// least 8 pixels) of the away place on each axis.  A window manager may keep
// a frame partly on the screen (xfwm4 keeps a title bar's height of a main
// bar), so along the axis the window hid along (where home and away differ)
// the corner may also stand toward home by up to half the window's size.
bool StandsAway(const platform::Rect& frame, const AwayNote& note);

// The state file: $XDG_STATE_HOME/edgetucker/bridge.state, else
// ~/.local/state/edgetucker/bridge.state.
std::string DefaultStatePath();

// Reads the file into a book (a missing or unreadable file: no notes).
HomeBook LoadHomeBook(const std::string& path);
// Writes the book atomically, creating the folder; false when it could not.
bool SaveHomeBook(const HomeBook& book, const std::string& path);

}  // namespace bridge
