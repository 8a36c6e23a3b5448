#include "tests/random/Session.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Tracking.h"
#include "expert/Expert.h"
#include "expert/Product.h"
#include "host/AppBuilder.h"
#include "host/Desktop.h"
#include "host/IdeHost.h"
#include "host/PropertyWindow.h"
#include "host/Script.h"
#include "platform/Windows.h"
#include "settings/Settings.h"

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define RANDOM_SESSIONS_SANITIZER 1
#endif

namespace random_sessions {
namespace {

using platform::Rect;

// The screen the generator aims at; the player measures the real one.
constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr const char* kMenuEntry = "Edgetucker 1.2d";
constexpr const char* kClasses[2] = {"TAppBuilder", "TPropertyInspector"};

// ---- the generator -----------------------------------------------------------

class Rng {
public:
  explicit Rng(std::uint64_t seed) : m_gen(seed) {}
  // 0 .. n-1 (n > 0).
  int Below(int n) { return static_cast<int>(m_gen() % static_cast<std::uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <class T, std::size_t N>
  T Pick(const T (&items)[N]) {
    return items[Below(static_cast<int>(N))];
  }

private:
  std::mt19937_64 m_gen;
};

std::string Line(const char* name, std::initializer_list<int> numbers) {
  std::string s = name;
  for (int n : numbers) s += ' ' + std::to_string(n);
  return s;
}

class Generator {
public:
  Generator(std::uint64_t seed, int events) : m_rng(seed), m_events(events) {}

  Session Make(std::uint64_t seed) {
    Session s;
    s.seed = seed;
    SessionSettings& st = s.settings;
    st.hideMain = m_rng.Chance(90);
    st.hideInspector = m_rng.Chance(85);
    st.side = m_rng.Chance(50) ? 1 : 0;
    st.hang = m_rng.Pick({2, 3, 5, 5, 8, 13, 20});
    // Short delays keep a long run quick; the waits below are measured in them.
    st.delay = m_rng.Pick({0, 3, 8, 12, 20, 30});
    st.animate = m_rng.Chance(50);
    st.steps = m_rng.Pick({2, 5, 10, 30});
    st.autoStart = m_rng.Chance(30);
    st.disableOnFocusLoss = m_rng.Chance(80);
    m_s = &s;
    Emit("cursor 512 384");
    if (m_rng.Chance(90)) Emit("open-project Project1.dpr");
    while (static_cast<int>(s.lines.size()) < m_events) Gesture();
    s.lines.resize(static_cast<std::size_t>(m_events));
    return s;
  }

private:
  const SessionSettings& St() const { return m_s->settings; }
  void Emit(std::string line) { m_s->lines.push_back(std::move(line)); }

  void Gesture() {
    // Weights of the gestures, in the order of the cases below.
    static const int weights[] = {30, 10, 6, 12, 5, 8, 5, 4, 2, 3, 4};
    int total = 0;
    for (int w : weights) total += w;
    int pick = m_rng.Below(total);
    int which = 0;
    while (pick >= weights[which]) pick -= weights[which++];
    switch (which) {
      case 0:  // a cursor move
        Emit(Cursor(AnyPoint()));
        break;
      case 1:  // rest on a strip past the open delay
        Emit(Cursor(StripPoint()));
        Emit(LongWait());
        break;
      case 2:  // touch a strip and leave before the delay
        Emit(Cursor(StripPoint()));
        Emit(ShortWait());
        Emit(Cursor(AnyPoint()));
        break;
      case 3:  // the panel from the menu, then one of its buttons
        Emit(std::string("menu ") + kMenuEntry);
        PanelAction();
        break;
      case 4:  // rest on a strip and stop before the reveal
        Emit(Cursor(StripPoint()));
        if (m_rng.Chance(30)) Emit(ShortWait());
        if (m_rng.Chance(30)) {
          Emit("close-project");
        } else {
          Emit(std::string("menu ") + kMenuEntry);
          Emit(m_rng.Chance(60) ? "click TfrmMain btnStop" : "key TfrmMain Escape");
        }
        break;
      case 5:
        Emit(m_rng.Chance(50) ? ShortWait() : LongWait());
        break;
      case 6:
        Emit(m_rng.Chance(50) ? "activate 0" : "activate 1");
        break;
      case 7:
        Emit("save-desktop");
        break;
      case 8:
        Emit("close-project");
        break;
      case 9:
        Emit("open-project Project1.dpr");
        break;
      default:
        UserMove();
        break;
    }
  }

  void PanelAction() {
    switch (m_rng.Below(10)) {
      case 0:
      case 1:
      case 2: Emit("click TfrmMain btnStart"); break;
      case 3:
      case 4:
      case 5: Emit("click TfrmMain btnStop"); break;
      case 6: Emit("click TfrmMain btnHide"); break;
      case 7:
      case 8: Emit("key TfrmMain Escape"); break;
      default: break;  // looked at the panel and did nothing
    }
  }

  std::string ShortWait() { return Line("wait", {St().delay > 1 ? m_rng.Below(St().delay) : 0}); }
  std::string LongWait() { return Line("wait", {St().delay + m_rng.Between(1, 12)}); }
  static std::string Cursor(std::pair<int, int> p) { return Line("cursor", {p.first, p.second}); }

  int ClampX(int x) const { return std::clamp(x, 0, kScreenW - 1); }
  int ClampY(int y) const { return std::clamp(y, 0, kScreenH - 1); }

  // Rows and columns where a decision changes: the strips' inner edges, the
  // shown windows' inner edges and the screen's own edges, each with its
  // neighbours.
  int BoundaryX() {
    const int h = St().hang, w = m_inspectorWidth;
    const int xs[] = {0, h - 1, h, h + 1, kScreenW - h - 1, kScreenW - h, kScreenW - 1,
                      w - 1, w, w + 1, kScreenW - w - 1, kScreenW - w, kScreenW - w + 1};
    return ClampX(m_rng.Pick(xs));
  }
  int BoundaryY() {
    const int h = St().hang, mh = m_mainHeight;
    const int ys[] = {0, h - 1, h, h + 1, mh - 1, mh, mh + 1, mh + 2, kScreenH - 1};
    return ClampY(m_rng.Pick(ys));
  }

  std::pair<int, int> AnyPoint() {
    switch (m_rng.Below(5)) {
      case 0: return {m_rng.Below(kScreenW), BoundaryY()};
      case 1: return {BoundaryX(), m_rng.Below(kScreenH)};
      case 2: return {BoundaryX(), BoundaryY()};
      case 3: return StripPoint();
      default: return {m_rng.Below(kScreenW), m_rng.Below(kScreenH)};
    }
  }

  std::pair<int, int> StripPoint() {
    const int h = St().hang;
    const bool main = St().hideMain && (!St().hideInspector || m_rng.Chance(50));
    if (main) return {m_rng.Below(kScreenW), m_rng.Between(0, h)};
    const int x = St().side == 1 ? m_rng.Between(kScreenW - h, kScreenW - 1) : m_rng.Between(0, h);
    return {ClampX(x), m_rng.Below(kScreenH)};
  }

  // The user drags a window somewhere, keeping at least 20 pixels of it on the
  // screen each way, as a window manager does.
  void UserMove() {
    if (m_rng.Chance(50)) {
      int w = m_rng.Pick({kScreenW, kScreenW, 600, 800});
      int h = m_rng.Between(40, 250);
      int l = 0, t = 0;
      if (m_rng.Chance(50)) {
        w = m_rng.Between(200, kScreenW + 60);
        l = m_rng.Between(20 - w, kScreenW - 20);
        t = m_rng.Between(20 - h, kScreenH - 20);
      }
      m_mainHeight = h;
      Emit(Line("move TAppBuilder", {l, t, l + w, t + h}));
    } else {
      const int w = m_rng.Between(40, 400);
      const int h = m_rng.Between(100, kScreenH);
      const int l = m_rng.Chance(30) ? m_rng.Pick({0, 10, kScreenW - w}) : m_rng.Between(20 - w, kScreenW - 20);
      const int t = m_rng.Chance(30) ? 0 : m_rng.Between(20 - h, kScreenH - 20);
      m_inspectorWidth = w;
      Emit(Line("move TPropertyInspector", {l, t, l + w, t + h}));
    }
  }

  Rng m_rng;
  int m_events;
  Session* m_s = nullptr;
  // The sizes the generator last gave the windows (the add-in keeps the main
  // window's height and the inspector's width), for the boundary rows.
  int m_mainHeight = 100;
  int m_inspectorWidth = 200;
};

// ---- the checker ---------------------------------------------------------------

struct Snapshot {
  Rect win[2];
  bool have[2] = {false, false};
  bool watching = false;
  bool suspended = false;
  bool hidden[2] = {false, false};
  bool panel = false;
  bool start = false, stop = false, options = false;
  std::string caption;
  THideGeometry geometry;
  platform::Point cursor;

  bool Running() const { return watching || suspended; }
};

std::string RectText(const Rect& r) {
  std::ostringstream s;
  s << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom;
  return s.str();
}

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return Rect{};
  return r;
}

class Checker {
public:
  Checker(const SessionSettings& s, host::IdeHost& ide) : m_s(s), m_ide(ide) {
    m_screen = Rect{0, 0, platform::GetSystemMetrics(platform::SM_CXSCREEN),
                    platform::GetSystemMetrics(platform::SM_CYSCREEN)};
    m_fullHeight = platform::GetSystemMetrics(platform::SM_CYFULLSCREEN) +
                   platform::GetSystemMetrics(platform::SM_CYCAPTION);
  }

  Snapshot Take() const {
    Snapshot n;
    QWidget* windows[2] = {m_ide.MainWindow(), m_ide.Inspector()};
    for (int i = 0; i < 2; ++i)
      n.have[i] = windows[i] && platform::GetWindowRect(platform::HandleOf(windows[i]), n.win[i]);
    n.watching = Watching;
    n.suspended = FocusSuspended;
    n.hidden[0] = MainHidden;
    n.hidden[1] = InspectorHidden;
    n.geometry = HideGeometry;
    n.cursor = platform::GetCursorPos();
    if (QWidget* panel = host::ScriptRunner::FindTopLevel("TfrmMain", true)) {
      n.panel = true;
      auto enabled = [panel](const char* name) {
        QWidget* b = panel->findChild<QWidget*>(QString::fromLatin1(name));
        return b && b->isEnabled();
      };
      n.start = enabled("btnStart");
      n.stop = enabled("btnStop");
      n.options = enabled("btnOptions");
      n.caption = panel->windowTitle().toStdString();
    }
    return n;
  }

  // Checks the step that led from b to a and updates the model.
  std::optional<Violation> Step(const host::ScriptCommand& c, bool done, const Snapshot& b, const Snapshot& a) {
    const bool userMove = c.name == "move" && done;
    const bool layout = c.name == "open-project";
    const bool chosen[2] = {m_s.hideMain, m_s.hideInspector};

    // The model of who placed each window last.
    for (int w = 0; w < 2; ++w) {
      if (userMove && c.args[0] == kClasses[w]) {
        const Rect want{std::stoi(c.args[1]), std::stoi(c.args[2]), std::stoi(c.args[3]), std::stoi(c.args[4])};
        m_userPlaced[w] = a.win[w] == want;
      } else if (layout) {
        m_userPlaced[w] = !(a.Running() && a.hidden[w]);
      } else if (!(a.win[w] == b.win[w])) {
        m_userPlaced[w] = false;
      }
    }

    // The panel and the engine agree.
    if (a.panel) {
      const bool idleButtons = a.start && !a.stop && a.options;
      const bool runningButtons = !a.start && a.stop && !a.options;
      if (idleButtons && a.suspended && !a.watching)
        return Fail("suspended-after-stop", "the panel shows idle while the watch is suspended (caption \"" +
                                                a.caption + "\")");
      if (a.Running() ? !runningButtons : !idleButtons)
        return Fail("panel-state", std::string("buttons of a ") + (a.Running() ? "running" : "idle") +
                                       " add-in / Start " + OnOff(a.start) + ", Stop " + OnOff(a.stop) +
                                       ", Options " + OnOff(a.options));
      const std::string disabled = std::string(ProductCaption) + " - Disabled";
      if (a.suspended && a.caption != disabled)
        return Fail("disabled-caption", "caption \"" + disabled + "\" while suspended / \"" + a.caption + "\"");
      if (!a.suspended && a.caption == disabled)
        return Fail("panel-state", "a caption without \" - Disabled\" while not suspended / \"" + a.caption + "\"");
    }
    if (!a.Running() && (a.hidden[0] || a.hidden[1]))
      return Fail("panel-state", std::string("no window counted hidden while idle / ") +
                                     (a.hidden[0] ? kClasses[0] : kClasses[1]) + " counted hidden");

    for (int w = 0; w < 2; ++w)
      if (a.have[w] && Intersect(a.win[w], m_screen).IsZero())
        return Fail("off-screen", std::string(kClasses[w]) + " at least partly on the screen / " + RectText(a.win[w]));

    // Where hiding starts, home is where the windows stand.
    if (a.Running() && (!b.Running() || layout)) {
      host::DesktopLayout dsk;
      if (layout) host::ReadDesktop(host::DesktopPathFor(m_ide.ProjectPath()), dsk);
      for (int w = 0; w < 2; ++w) {
        if (auto it = dsk.find(kClasses[w]); it != dsk.end())
          m_home[w] = it->second;
        else if (!(b.Running() && b.hidden[w]))
          m_home[w] = b.win[w];
        // else: brought home by the close, so home stays.
      }
    }

    // The windows the run has moved: hidden since hiding started or since the
    // last save, or revealed from home by a tick (armed by the other window).
    for (int w = 0; w < 2; ++w) {
      if (layout) {
        m_moved[w] = a.Running() && a.hidden[w];
      } else if (a.Running() && (a.hidden[w] || (!userMove && !(a.win[w] == b.win[w]) && IsShownRect(w, a)))) {
        m_moved[w] = true;
      }
    }

    // Stop, Escape and a project close bring home every window the run moved,
    // hidden or revealed; a desktop save too, while hiding runs.  A revealed
    // window whose shown place is its home has nowhere to go.
    const bool stopped = b.Running() && !a.Running();
    const bool saved = c.name == "save-desktop" && b.Running();
    if ((stopped && !layout) || saved) {
      for (int w = 0; w < 2; ++w) {
        if (!(b.hidden[w] || m_moved[w]) || !a.have[w] || a.win[w] == m_home[w]) continue;
        if (!b.hidden[w] && ShownRect(w, b) == m_home[w]) continue;
        if (IsShownRect(w, a) && !(a.win[w] == b.win[w])) return LateReveal(w, b, a, saved ? "a desktop save" : "Stop");
        return Fail(saved ? "home-after-save" : "home-after-stop",
                    std::string(kClasses[w]) + (b.hidden[w] ? " (hidden)" : " (revealed)") + " at home " +
                        RectText(m_home[w]) + " after " + (saved ? "a desktop save" : "Stop") + " / " +
                        RectText(a.win[w]));
      }
    }
    if (stopped || saved) {
      m_fence = true;
      m_fencedBy = saved ? "a desktop save" : c.name == "close-project" || layout ? "a project close" : "Stop";
      m_moved[0] = m_moved[1] = false;
    }

    // Nothing moves while idle but what the user and the IDE move.
    if (!b.Running() && !a.Running() && !userMove && !layout) {
      for (int w = 0; w < 2; ++w) {
        if (a.win[w] == b.win[w]) continue;
        if (IsShownRect(w, a)) return LateReveal(w, b, a, m_fencedBy);
        return Fail("moved-while-idle", std::string(kClasses[w]) + " stays at " + RectText(b.win[w]) +
                                            " after " + m_fencedBy + " / " + RectText(a.win[w]));
      }
    }

    // A reveal needs the cursor on a hidden window's strip after the fence.
    if (c.name == "cursor") {
      for (int w = 0; w < 2; ++w)
        if (chosen[w] && (b.hidden[w] || a.hidden[w]) && InRevealZone(w, a.cursor)) m_fence = false;
    }
    // (The step that sets the fence has had its moves checked above: a window
    // whose home is its shown place may come home there.)
    if (m_fence && !stopped && !saved && a.Running() && !userMove && !layout) {
      for (int w = 0; w < 2; ++w)
        if (!(a.win[w] == b.win[w]) && IsShownRect(w, a)) return LateReveal(w, b, a, m_fencedBy);
    }

    // A hidden window shows its strip, and a window showing only its strip is
    // counted hidden.
    for (int w = 0; w < 2; ++w) {
      if (!chosen[w] || !a.have[w] || m_userPlaced[w]) continue;
      const Rect visible = Intersect(a.win[w], m_screen);
      const Rect strip = Strip(w);
      if (a.Running() && a.hidden[w] && !(visible == strip))
        return Fail("strip", std::string(kClasses[w]) + " hidden with the strip " + RectText(strip) +
                                 " on the screen / " + RectText(visible) + " of " + RectText(a.win[w]));
      if (a.Running() && !a.hidden[w] && visible == strip && !(a.win[w] == m_home[w]))
        return Fail("lost-hidden", std::string(kClasses[w]) + " counted shown / only its strip " +
                                       RectText(strip) + " on the screen");
    }
    return std::nullopt;
  }

private:
  static std::string OnOff(bool on) { return on ? "enabled" : "disabled"; }

  static std::optional<Violation> Fail(std::string kind, std::string what) {
    return Violation{std::move(kind), 0, std::move(what)};
  }

  std::optional<Violation> LateReveal(int w, const Snapshot& b, const Snapshot& a, const std::string& after) const {
    return Fail("late-reveal", std::string(kClasses[w]) + " stays at " + RectText(b.win[w]) + " (home " +
                                   RectText(m_home[w]) + ") after " + after + " / revealed to " + RectText(a.win[w]));
  }

  static Rect ShownRect(int w, const Snapshot& a) {
    return w == 0 ? a.geometry.MainShownRect : a.geometry.InspectorShownRect;
  }

  bool IsShownRect(int w, const Snapshot& a) const {
    const Rect shown = ShownRect(w, a);
    return !shown.IsZero() && a.win[w] == shown;
  }

  bool InRevealZone(int w, platform::Point p) const {
    if (w == 0) return p.y <= m_s.hang;
    return m_s.side == 1 ? p.x >= m_screen.right - m_s.hang : p.x <= m_s.hang;
  }

  // The part of a hidden window on the screen.
  Rect Strip(int w) const {
    const int h = m_s.hang;
    if (w == 0) return Rect{0, 0, m_screen.right, std::min(h, m_screen.bottom)};
    const int bottom = std::min(m_fullHeight, m_screen.bottom);
    return m_s.side == 1 ? Rect{m_screen.right - h, 0, m_screen.right, bottom} : Rect{0, 0, h, bottom};
  }

  const SessionSettings& m_s;
  host::IdeHost& m_ide;
  Rect m_screen;
  int m_fullHeight = 0;
  Rect m_home[2];
  bool m_userPlaced[2] = {false, false};
  bool m_moved[2] = {false, false};
  bool m_fence = false;
  std::string m_fencedBy = "Stop";
};

// ---- playing -------------------------------------------------------------------

std::mutex g_observerMutex;
std::function<void(const Session*, int)> g_observer;

void Observe(const Session* s, int step) {
  std::lock_guard<std::mutex> lock(g_observerMutex);
  if (g_observer) g_observer(s, step);
}

// Closes every modal window as soon as it is shown: a user who opened the
// options dialog (Escape on an idle panel) or met a message box closes it.
class ModalCloser {
public:
  ModalCloser() {
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    m_timer.start();
  }

private:
  QTimer m_timer;
};

void RunEventLoopFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  for (qint64 left = ms; left > 0; left = ms - clock.elapsed())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, static_cast<int>(left));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace

std::string IniText(const SessionSettings& s) {
  auto b = [](bool v) { return v ? "True" : "False"; };
  std::ostringstream o;
  o << "[Edgetucker]\n"
    << "mgHideInspector=" << b(s.hideInspector) << "\n"
    << "mgSide=" << s.side << "\n"
    << "mgHideDelphi=" << b(s.hideMain) << "\n"
    << "mgWindowSounds=False\n"
    << "HangOutPixels=" << s.hang << "\n"
    << "mgAnimate=" << b(s.animate) << "\n"
    << "mgAnimateSpeed=" << s.steps << "\n"
    << "mgDelay=" << s.delay << "\n"
    << "mgUseAutoHide=" << b(s.autoStart) << "\n"
    << "mgDisableOnFocusLoss=" << b(s.disableOnFocusLoss) << "\n";
  return o.str();
}

SessionSettings ParseIni(const std::string& text) {
  SessionSettings s;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    const bool on = value == "True" || value == "1";
    const int n = std::atoi(value.c_str());
    if (key == "mgHideInspector") s.hideInspector = on;
    else if (key == "mgSide") s.side = n;
    else if (key == "mgHideDelphi") s.hideMain = on;
    else if (key == "HangOutPixels") s.hang = n;
    else if (key == "mgAnimate") s.animate = on;
    else if (key == "mgAnimateSpeed") s.steps = n;
    else if (key == "mgDelay") s.delay = n;
    else if (key == "mgUseAutoHide") s.autoStart = on;
    else if (key == "mgDisableOnFocusLoss") s.disableOnFocusLoss = on;
  }
  return s;
}

Session Generate(std::uint64_t seed, int events) { return Generator(seed, events).Make(seed); }

std::string ScriptText(const Session& s) {
  std::string text = "# random session, seed " + std::to_string(s.seed) + "\n";
  for (const std::string& line : s.lines) text += line + "\n";
  return text;
}

Outcome Play(const Session& s, StepHook* hook) {
  namespace fs = std::filesystem;
  Outcome out;
  std::string text;
  for (const std::string& line : s.lines) text += line + "\n";
  const host::ScriptParseResult parsed = host::ParseScript(text);
  if (!parsed.ok) {
    out.violation = Violation{"script", parsed.errorLine - 1, parsed.expected + " / " + parsed.found};
    return out;
  }

  // Fresh files: the settings, no default desktop, an empty project folder.
  std::error_code ec;
  const fs::path windows = platform::GetWindowsDirectory();
  fs::create_directories(windows, ec);
  fs::remove(windows / "DELPHI32.DSK", ec);
  WriteText(windows / "Edgetuck.ini", IniText(s.settings));
  const fs::path work = windows / "session";
  fs::remove_all(work, ec);
  fs::create_directories(work, ec);
  const QString oldDir = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(work.string()));

  // Every play starts from the same platform state (the cursor where the
  // process found it, the IDE active), as a fresh ide-host does.
  static const QPoint startCursor = QCursor::pos();
  QCursor::setPos(startCursor);
  ResetExpertState();
  Settings = TSettings{};
  platform::SetApplicationActive(true);
  {
    host::IdeHost ide;
    ide.showError = [](const QString&) {};
    ide.ShowWindows();
    ide.ConnectAddIn(&INITEXPERT0016, "edgetucker");
    ide.LoadDefaultDesktop();
    platform::ProcessMessages();
    std::ostringstream sink;
    host::ScriptRunner runner({}, ide, sink, sink);
    Checker checker(s.settings, ide);
    Snapshot before = checker.Take();
    for (std::size_t i = 0; i < parsed.commands.size() && !runner.Finished(); ++i) {
      const host::ScriptCommand& c = parsed.commands[i];
      Observe(&s, static_cast<int>(i));
      int waitMs = 0;
      bool done = false;
      {
        std::optional<ModalCloser> closer;
        if (c.name == "click" || c.name == "key" || c.name == "menu") closer.emplace();
        done = runner.Execute(c, waitMs);
        platform::ProcessMessages();
      }
      RunEventLoopFor(waitMs);
      if (hook) hook->AfterCommand(s.lines[i], static_cast<int>(i));
      if (!done) ++out.skipped;
      const Snapshot after = checker.Take();
      out.stepsRun = static_cast<int>(i) + 1;
      if (auto v = checker.Step(c, done, before, after)) {
        v->step = static_cast<int>(i);
        out.violation = std::move(v);
        break;
      }
      before = after;
    }
    Observe(nullptr, -1);
    ide.Shutdown();
  }
  ResetExpertState();
  platform::SetApplicationActive(true);
  QDir::setCurrent(oldDir);
  return out;
}

Session Shrink(const Session& failing, const std::string& kind, int maxPlays, StepHook* hook) {
  Session best = failing;
  int plays = 0;
  auto stillFails = [&](const Session& candidate) {
    ++plays;
    const Outcome o = Play(candidate, hook);
    return o.violation && o.violation->kind == kind;
  };
  // Steps after the failure play no part.
  {
    const Outcome o = Play(best, hook);
    ++plays;
    if (o.violation && o.violation->kind == kind) best.lines.resize(static_cast<std::size_t>(o.violation->step) + 1);
  }
  // Delete chunks, halving their size whenever no chunk of a size can go.
  std::size_t chunk = std::max<std::size_t>(1, best.lines.size() / 2);
  while (plays < maxPlays) {
    bool removed = false;
    for (std::size_t start = 0; start < best.lines.size() && plays < maxPlays;) {
      Session candidate = best;
      const std::size_t end = std::min(best.lines.size(), start + chunk);
      candidate.lines.erase(candidate.lines.begin() + static_cast<std::ptrdiff_t>(start),
                            candidate.lines.begin() + static_cast<std::ptrdiff_t>(end));
      if (!candidate.lines.empty() && stillFails(candidate)) {
        best = std::move(candidate);
        removed = true;
      } else {
        start += chunk;
      }
    }
    if (chunk == 1 && !removed) break;
    if (!removed) chunk = std::max<std::size_t>(1, chunk / 2);
  }
  return best;
}

void SetStepObserver(std::function<void(const Session*, int)> observer) {
  std::lock_guard<std::mutex> lock(g_observerMutex);
  g_observer = std::move(observer);
}

namespace {

// What the crash and hang reports print, kept ready as plain text so that a
// dying process only has to write it.
std::mutex g_reportMutex;
char g_report[512] = "random sessions: no session was running\n";
std::atomic<std::int64_t> g_stepStartedMs{-1};

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void WriteReport() {
  const char* text = g_report;
  const ssize_t ignored = ::write(2, text, std::strlen(text));
  (void)ignored;
}

void RecordStep(const Session* s, int step) {
  if (!s) {
    g_stepStartedMs = -1;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(g_reportMutex);
    if (!s->file.empty())
      std::snprintf(g_report, sizeof g_report,
                    "random sessions: died at step %d (\"%s\"); replay with: random-sessions --replay %s\n", step + 1,
                    s->lines[static_cast<std::size_t>(step)].c_str(), s->file.c_str());
    else
      std::snprintf(g_report, sizeof g_report,
                    "random sessions: died in seed %llu at step %d (\"%s\"); replay with: random-sessions --seed "
                    "%llu --sessions 1 --session-events %zu\n",
                    static_cast<unsigned long long>(s->seed), step + 1,
                    s->lines[static_cast<std::size_t>(step)].c_str(), static_cast<unsigned long long>(s->seed),
                    s->lines.size());
  }
  g_stepStartedMs = NowMs();
}

}  // namespace

void InstallCrashAndHangReports(int limitSeconds) {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetStepObserver(&RecordStep);
#ifdef RANDOM_SESSIONS_SANITIZER
  __sanitizer_set_death_callback(&WriteReport);
#else
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    std::signal(sig, [](int n) {
      WriteReport();
      std::signal(n, SIG_DFL);
      std::raise(n);
    });
  }
#endif
  std::thread([limitSeconds] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      const std::int64_t started = g_stepStartedMs;
      if (started >= 0 && NowMs() - started > std::int64_t{limitSeconds} * 1000) {
        const char* head = "random sessions: HANG: one step ran longer than the watchdog allows\n";
        const ssize_t ignored = ::write(2, head, std::strlen(head));
        (void)ignored;
        WriteReport();
        std::abort();
      }
    }
  }).detach();
}

}  // namespace random_sessions
