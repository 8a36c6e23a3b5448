// KWin's cursor, as KWin itself sees it: the only witness of the pointer while
// it stands over a native Wayland window or the bare desktop of a Plasma
// session, where KWin tells its XWayland nothing (no crossing event when the
// pointer leaves the X surfaces, no raw motion when it arrives on one and rests).
//
// Start writes a small KWin script and loads it through KWin's scripting
// interface on the session bus (org.kde.KWin /Scripting, loadScript and start).
// The script connects to workspace.cursorPosChanged and calls this process
// back over the same bus at every move of the cursor (method Moved(x, y) of
// the interface org.edgetucker.Cursor at /Cursor on this connection's unique
// name); the position goes to the sink.  It also tells when KWin activates a
// window (Activated(native, from), ActivatedNothing), with the X window KWin
// had active when that one has just left the screen (its `hidden` set as KWin
// activates nothing, then hands on): a native window taking the focus changes
// nothing an X client sees while the X focus is in an unmanaged window of
// ours, so that goes to NoteCompositorActivation (X11Session.h).  The one
// thing the script changes in KWin: a native window KWin activated on its own
// as a window of ours that it had active left the screen is handed back at
// this process's answer (KWin then activates nothing, CompositorFocus.h says
// why).  Stop unloads the script (unloadScript) and removes its file.
// Nothing is installed for good: the script lives in KWin until it is
// unloaded or KWin restarts, and its file in the temporary folder ($TMPDIR or
// /tmp) named edgetucker-cursor-PID.js.
// Should the process die while it runs, the script's calls go nowhere until
// `qdbus org.kde.KWin /Scripting unloadScript edgetucker-cursor-PID` (or a
// restart of KWin) removes it.
//
// GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "platform/Windows.h"

namespace platform::x11 {

class KWinCursor : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.edgetucker.Cursor")

public:
  explicit KWinCursor(std::function<void(Point)> sink, QObject* parent = nullptr);
  ~KWinCursor() override;

  // Loads the script; false (saying why once on standard error) when there is
  // no session bus or KWin does not answer.  A second Start does nothing.
  bool Start();
  void Stop();
  bool Running() const { return m_running; }

  // The script's own name in KWin: edgetucker-cursor-PID.
  static QString PluginName();
  // The script's text, calling back `service` (a bus name).
  static QString ScriptText(const QString& service);

public Q_SLOTS:
  // Called by the script.  KWin passes the numbers as the script engine holds
  // them, integers or doubles.
  Q_SCRIPTABLE void Moved(int x, int y);
  Q_SCRIPTABLE void Moved(double x, double y);
  // KWin activated a window: native for a native Wayland one, else an X
  // window; from is the X window id (decimal) of the window KWin had active
  // that left the screen just before, "0" for none.  True asks the script to
  // have KWin activate nothing instead (CompositorFocus.h).
  Q_SCRIPTABLE bool Activated(bool native, const QString& from);
  // KWin activated no window.
  Q_SCRIPTABLE void ActivatedNothing();

private:
  std::function<void(Point)> m_sink;
  QString m_file;
  bool m_registered = false;
  bool m_running = false;
  bool m_warned = false;
};

}  // namespace platform::x11
