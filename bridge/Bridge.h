// The bridge: it plays the IDE's part for the add-in while a real IDE runs as
// another process.
//
// Life of a bridge:
//   waiting   no IDE window is found.  Update looks for the chosen profile's
//             main window (with no profile chosen: each profile in order, the
//             first whose main window is there wins).
//   attached  the main window is there.  First, before anything else, every
//             IDE window that stands where a note of the home book says it was
//             sent away is put back home (see HomePlaces.h), and the bridge
//             waits until it has landed (at most kRecoveryWait).  Then the
//             add-in is loaded, once per bridge (it stays loaded across IDE
//             restarts), and told the project the main window's title shows
//             (code 10 with "<name>.dsk").  From then on every title change
//             that shows another project sends code 5 for the old one and 10
//             for the new one.
//   detached  the main window has gone: the add-in gets code 5 for the open
//             project, as when a project closes, and the bridge waits again.
//
// The IDE's own word (IdeEvents.h).  When the IDE runs the bridge's package,
// IdeSays hands the bridge its events.  The latest event of a process stands
// for that IDE's project state; while the attached main window belongs to that
// process (or its process is unknown), the project comes from that word and
// the title is not read for it.  The word is kept while no IDE is attached
// (the package speaks as the IDE starts, before its main window shows) and
// forgotten when the IDE it came from goes away.  Code 11 reaches the add-in
// as it is (its windows come home for the save; it goes on watching).
//
// The services: QueryParentWindow is the real main window (0 while waiting),
// QueryProjectName the project read from its title ("" while waiting or with
// no project shown).
//
// Activation: the IDE counts as active while the focused window belongs to the
// IDE's process (the main window's or the inspector's, should they differ) or
// to the bridge's own windows.  CountsAsOwn answers that for one window (the
// rule the bridge installs in the platform's activation, which then decides
// on every focus change); ActiveWindowChanged decides and tells `setActive`
// itself.
//
// Update is called on every change of the desktop's windows and titles; it is
// cheap when nothing changed.  A call that comes while the bridge is still
// telling the add-in something (the add-in runs pending events while it moves
// windows) is put off until that is done.  Everything runs on the GUI thread.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bridge/AddInHost.h"
#include "bridge/HomePlaces.h"
#include "bridge/IdeEvents.h"
#include "bridge/IdeProfile.h"
#include "bridge/IdeWindows.h"

namespace bridge {

inline constexpr std::chrono::milliseconds kRecoveryWait{1500};
// Notes are written at most this long after they change: a slide is many moves.
inline constexpr std::chrono::milliseconds kSaveDelay{250};

// Whether the focused window makes the IDE active (see above).
bool IdeIsActive(const std::optional<platform::WindowIdentity>& focused, const std::vector<long long>& idePids,
                 long long ownPid, bool ownWindow);

class Bridge : public QObject {
  Q_OBJECT
public:
  struct Options {
    std::vector<IdeProfile> profiles;
    std::string ide;        // a profile's name; empty: the first found
    std::string addInPath;  // the add-in library
    std::string statePath;  // the home book's file
  };

  Bridge(platform::WindowSystem& desktop, Options options);
  ~Bridge() override;

  // The window system to install in front of the desktop's.
  IdeWindowSystem& Windows() { return m_windows; }
  AddInHost& Host() { return m_host; }

  // How the add-in is brought in; by default AddInHost::Load of addInPath.
  // Returns false (with a reason) when it could not be.
  std::function<bool(AddInHost&, std::string&)> loadAddIn;
  // Where activation decisions go; by default platform::SetApplicationActive.
  std::function<void(bool)> setActive;
  // One-line reports for the user (standard error by default).
  std::function<void(const std::string&)> say;

  // Looks at the desktop again (see the life above).
  void Update();
  // True when the focused window counts toward the IDE's activation.
  bool CountsAsOwn(platform::HWND focused) const;
  // The focused window changed (0: unknown).
  void ActiveWindowChanged(platform::HWND focused);
  // Frames moved: a recovery in progress may have landed.
  void FramesMoved();
  // The menu entry: runs the add-in's expert; false when no add-in is loaded.
  bool ShowPanel();
  // An event from the IDE's own package (see above).  Called while the bridge
  // is busy telling the add-in something, it is put off until that is done.
  void IdeSays(const IdeEvent& event);
  // True while the project comes from the attached IDE's word, not its title.
  bool TakesIdesWord() const;

  const IdeProfile* AttachedProfile() const { return m_attached; }
  bool Recovering() const { return m_recovering; }
  const std::string& Project() const { return m_project; }
  const HomeBook& Book() const { return m_book; }
  // Writes pending notes now.
  void SaveNow();
  // The bridge is about to end: the add-in is told the project closed (so its
  // windows come home), and the notes are written.
  void Quit();

signals:
  // The IDE was found, its windows are home if they had to be, and the add-in
  // has been loaded (or tried); the project is told right after.
  void attached();
  void detached();
  // The main window being watched changed (0: none).
  void mainWindowChanged(std::uintptr_t window);

private:
  void UpdateNow();
  void DeferUpdate();
  void TryAttach();
  void Detach();
  void RecoverRole(IdeRole role, platform::HWND real);
  void CheckLanding();
  void FinishRecovery();
  void FollowProject();
  void SetProject(const std::string& project, const std::string& desktop = {});
  void IdeSaysNow(const IdeEvent& event);
  void NoteMove(IdeRole role, const std::optional<platform::Rect>& before, const platform::Rect& target);

  platform::WindowSystem& m_desktop;
  Options m_options;
  IdeWindowSystem m_windows;
  AddInHost m_host;
  HomeBook m_book;
  const IdeProfile* m_attached = nullptr;
  IdeWindows m_seen;  // the real windows the bridge has already dealt with
  // Real windows the add-in has moved since the IDE was found: they are in
  // its hands, and a note of an earlier run no longer brings them home.
  std::set<platform::HWND> m_movedByAddIn;
  std::string m_project;
  struct IdeWord {
    long long pid = 0;
    std::string project;  // empty: no project open
    std::string desktop;
  };
  std::optional<IdeWord> m_word;  // the latest event of an IDE's package
  long long m_attachedPid = 0;    // the attached main window's process when found
  long long m_announcedPid = 0;   // the IDE whose taking over was said
  bool m_recovering = false;
  std::vector<std::pair<platform::HWND, platform::Rect>> m_landing;
  QTimer m_recoveryTimer;
  QTimer m_saveTimer;
  bool m_loadTried = false;
  bool m_saveFailed = false;
  bool m_busy = false;            // telling the add-in something (see Bridge.cpp)
  bool m_updateDeferred = false;  // an Update came meanwhile
};

}  // namespace bridge
