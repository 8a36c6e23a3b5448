#include "bridge/Bridge.h"

#include <unistd.h>

#include <QWidget>
#include <algorithm>
#include <iostream>

#include "platform/Windows.h"

namespace bridge {

using platform::HWND;
using platform::Rect;

namespace {

// Marks the bridge busy for a scope.  The add-in lets pending events run while
// it moves windows (inside a notification, inside its entry point), so an
// event of the desktop can call back into the bridge while it is still
// telling the add-in something; such calls are put off until it is done.
class BusyScope {
public:
  explicit BusyScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
  ~BusyScope() { m_flag = m_was; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

private:
  bool& m_flag;
  bool m_was;
};

}  // namespace

bool IdeIsActive(const std::optional<platform::WindowIdentity>& focused, const std::vector<long long>& idePids,
                 long long ownPid, bool ownWindow) {
  if (ownWindow) return true;
  if (!focused || focused->pid == 0) return false;
  return focused->pid == ownPid || std::find(idePids.begin(), idePids.end(), focused->pid) != idePids.end();
}

Bridge::Bridge(platform::WindowSystem& desktop, Options options)
    : m_desktop(desktop), m_options(std::move(options)), m_windows(desktop) {
  m_book = LoadHomeBook(m_options.statePath);
  loadAddIn = [this](AddInHost& host, std::string& why) { return host.Load(m_options.addInPath, &why); };
  setActive = [](bool active) { platform::SetApplicationActive(active); };
  say = [](const std::string& line) { std::cerr << "edgetucker-bridge: " << line << std::endl; };
  m_host.parentWindow = [this]() -> THostWindow { return m_attached ? m_windows.Current().main : 0; };
  m_host.projectName = [this] { return m_project; };
  m_windows.onMove = [this](IdeRole role, const std::optional<Rect>& before, const Rect& target) {
    NoteMove(role, before, target);
  };
  m_recoveryTimer.setSingleShot(true);
  connect(&m_recoveryTimer, &QTimer::timeout, this, [this] {
    if (m_busy) {
      m_recoveryTimer.start(0);  // after what runs now
      return;
    }
    BusyScope busy(m_busy);
    FinishRecovery();
  });
  m_saveTimer.setSingleShot(true);
  m_saveTimer.setInterval(kSaveDelay);
  connect(&m_saveTimer, &QTimer::timeout, this, [this] { SaveNow(); });
}

Bridge::~Bridge() {
  SaveNow();
  m_host.Shutdown();
}

void Bridge::SaveNow() {
  if (!m_saveTimer.isActive()) return;
  m_saveTimer.stop();
  const bool saved = SaveHomeBook(m_book, m_options.statePath);
  // Said once: a folder that cannot be written stays so, and every slide would say it again.
  if (!saved && !m_saveFailed) say("cannot write " + m_options.statePath + "; hidden windows' home places are not kept");
  m_saveFailed = !saved;
}

void Bridge::NoteMove(IdeRole role, const std::optional<Rect>& before, const Rect& target) {
  if (!m_attached) return;
  if (const HWND real = m_windows.Real(role == IdeRole::Main ? kMainHandle : kInspectorHandle))
    m_movedByAddIn.insert(real);
  if (m_book.Moved(m_attached->name, role, before, target) && !m_saveTimer.isActive()) m_saveTimer.start();
}

void Bridge::Update() {
  if (m_busy) {
    DeferUpdate();
    return;
  }
  BusyScope busy(m_busy);
  UpdateNow();
}

void Bridge::DeferUpdate() {
  if (m_updateDeferred) return;
  m_updateDeferred = true;
  // A little later rather than at the next turn: the add-in's own event
  // processing would otherwise meet the retry again and again while it works.
  QTimer::singleShot(10, this, [this] {
    m_updateDeferred = false;
    Update();
  });
}

void Bridge::UpdateNow() {
  if (!m_attached) {
    TryAttach();
    return;
  }
  const IdeWindows now = m_windows.Refresh();
  if (!now.main) {
    Detach();
    TryAttach();  // another profile's IDE may already be there
    return;
  }
  if (now.main != m_seen.main) {
    // The IDE made itself a new main window without going away.
    RecoverRole(IdeRole::Main, now.main);
    m_seen.main = now.main;
    emit mainWindowChanged(now.main);
  }
  if (now.inspector && now.inspector != m_seen.inspector) RecoverRole(IdeRole::Inspector, now.inspector);
  m_seen.inspector = now.inspector;
  if (m_recovering)
    CheckLanding();
  else
    FollowProject();
}

void Bridge::TryAttach() {
  std::vector<const IdeProfile*> candidates;
  if (!m_options.ide.empty()) {
    if (const IdeProfile* p = FindProfile(m_options.profiles, m_options.ide)) candidates.push_back(p);
  } else {
    for (const IdeProfile& p : m_options.profiles) candidates.push_back(&p);
  }
  for (const IdeProfile* p : candidates) {
    if (!FindIdeWindows(m_desktop, *p).main) continue;
    m_windows.SetProfile(p);
    const IdeWindows now = m_windows.Current();
    if (!now.main) continue;  // gone between the two looks
    m_attached = p;
    m_attachedPid = now.pid;
    say("found " + p->name + "'s main window");
    m_seen = IdeWindows{};
    m_recovering = false;
    m_landing.clear();
    RecoverRole(IdeRole::Main, now.main);
    if (now.inspector) RecoverRole(IdeRole::Inspector, now.inspector);
    m_seen = now;
    emit mainWindowChanged(now.main);
    // A move may have landed at once (no window manager in between).
    if (m_recovering)
      CheckLanding();
    else
      FinishRecovery();
    return;
  }
  m_windows.SetProfile(nullptr);
}

void Bridge::RecoverRole(IdeRole role, HWND real) {
  // The add-in hid it before the bridge first looked (the inspector of an IDE
  // that came back appeared after its main window): where it stands is the
  // add-in's doing, and the note goes on with its moves.
  if (m_movedByAddIn.count(real) != 0) return;
  const std::optional<AwayNote> note = m_book.Note(m_attached->name, role);
  if (!note) return;
  m_book.Forget(m_attached->name, role);
  if (!m_saveTimer.isActive()) m_saveTimer.start();
  const std::optional<Rect> frame = m_desktop.FrameRect(real);
  if (!frame || !StandsAway(*frame, *note)) return;  // the IDE put it somewhere else itself
  say(std::string("putting the ") + (role == IdeRole::Main ? "main window" : "inspector") +
      " back home from where it was hidden");
  m_desktop.Move(real, note->home);
  m_landing.emplace_back(real, note->home);
  m_recovering = true;
  m_recoveryTimer.start(kRecoveryWait);
  SaveNow();
}

void Bridge::FramesMoved() {
  if (!m_recovering) return;
  if (m_busy) {
    DeferUpdate();  // Update looks at the landing too
    return;
  }
  BusyScope busy(m_busy);
  CheckLanding();
}

void Bridge::CheckLanding() {
  for (const auto& [window, home] : m_landing) {
    const std::optional<Rect> frame = m_desktop.FrameRect(window);
    if (frame && !(*frame == home) && m_desktop.Exists(window)) return;
  }
  FinishRecovery();
}

void Bridge::FinishRecovery() {
  m_recoveryTimer.stop();
  m_recovering = false;
  m_landing.clear();
  if (!m_attached) return;
  if (!m_host.Loaded() && !m_loadTried) {
    m_loadTried = true;
    std::string why;
    if (!loadAddIn(m_host, why)) say(why.empty() ? std::string("the add-in could not be loaded") : why);
  }
  emit attached();
  FollowProject();
}

void Bridge::FollowProject() {
  if (!m_attached) return;
  if (TakesIdesWord()) {
    if (m_announcedPid != m_word->pid) {
      say("the IDE's own package speaks: its project is taken from it, not from the title");
      m_announcedPid = m_word->pid;
    }
    SetProject(m_word->project, m_word->desktop);
    return;
  }
  std::string project;
  if (const std::optional<platform::WindowIdentity> id = m_desktop.Identify(m_windows.Current().main))
    project = ParseProjectName(m_attached->projectTitle, id->title).value_or(std::string());
  SetProject(project);
}

void Bridge::SetProject(const std::string& project, const std::string& desktop) {
  const std::vector<Notification> steps = ProjectChange(m_project, project);
  const std::string source = TakesIdesWord() ? " (the IDE's word)" : "";
  for (const Notification& n : steps) {
    // The service answers what the IDE shows at each step: the old project
    // while it closes, the new one once its desktop loads.
    if (n.code == fnProjectDesktopLoad) m_project = project;
    say((n.code == fnProjectClosing ? "project \"" + m_project + "\" closed" : "project \"" + project + "\" opened") +
        source);
    m_host.Notify(n.code, n.code == fnProjectDesktopLoad && !desktop.empty() ? desktop : n.file);
    if (n.code == fnProjectClosing) m_project.clear();
  }
  m_project = project;
}

void Bridge::Detach() {
  say(m_attached->name + "'s main window went away; waiting for it to come back");
  // Detached before the project close: that close may still bring home a
  // window of the IDE that lingers a moment, but the IDE may have saved the
  // window's hidden place already, so its note must stay for the next start.
  m_attached = nullptr;
  m_movedByAddIn.clear();
  // The word was that IDE's; one started again speaks anew.
  if (m_word && m_word->pid == m_attachedPid) m_word.reset();
  m_attachedPid = 0;
  SetProject(std::string());
  m_recovering = false;
  m_recoveryTimer.stop();
  m_landing.clear();
  m_seen = IdeWindows{};
  m_windows.SetProfile(nullptr);
  SaveNow();
  emit mainWindowChanged(0);
  emit detached();
}

bool Bridge::CountsAsOwn(HWND focused) const {
  if (!focused) return false;
  const bool own = focused <= 0xFFFFFFFFu && QWidget::find(static_cast<WId>(focused)) != nullptr;
  std::vector<long long> idePids;
  if (m_attached) {
    for (long long pid : {m_windows.Current().pid, m_windows.Current().inspectorPid})
      if (pid != 0) idePids.push_back(pid);
  }
  return IdeIsActive(m_desktop.Identify(focused), idePids, static_cast<long long>(::getpid()), own);
}

void Bridge::ActiveWindowChanged(HWND focused) {
  if (!focused) return;
  setActive(CountsAsOwn(focused));
}

void Bridge::Quit() {
  BusyScope busy(m_busy);
  if (m_attached) SetProject(std::string());
  SaveNow();
}

bool Bridge::TakesIdesWord() const {
  if (!m_attached || !m_word) return false;
  const long long pid = m_windows.Current().pid;
  return pid == 0 || pid == m_word->pid;
}

void Bridge::IdeSays(const IdeEvent& event) {
  if (m_busy) {
    QTimer::singleShot(10, this, [this, event] { IdeSays(event); });
    return;
  }
  BusyScope busy(m_busy);
  IdeSaysNow(event);
}

void Bridge::IdeSaysNow(const IdeEvent& event) {
  // Every event carries the IDE's whole project state: a bridge started while
  // a project was open learns it from the first event it hears.
  const bool open = event.code != kIdeProjectClosing && !event.project.empty();
  m_word = IdeWord{event.pid, open ? event.project : std::string(), open ? event.desktop : std::string()};
  if (!TakesIdesWord()) return;  // kept for when that IDE's window is found
  if (m_recovering) return;  // FinishRecovery follows the project
  FollowProject();
  if (event.code == kIdeDesktopSaving && m_host.Loaded()) {
    say("the IDE is about to save its windows' places; they come home for it");
    m_host.Notify(fnProjectDesktopSave, event.desktop);
  }
}

bool Bridge::ShowPanel() {
  if (!m_host.Loaded()) {
    say(m_attached ? "the add-in is not loaded" : "no IDE found yet; the panel comes with it");
    return false;
  }
  return m_host.RunMenu();
}

}  // namespace bridge
