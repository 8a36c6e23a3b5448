#include "platform/backend/x11/KWinCursor.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <cmath>
#include <iostream>

#include "platform/backend/x11/X11Session.h"

namespace platform::x11 {
namespace {

constexpr const char* kObjectPath = "/Cursor";
// KWin answers its scripting calls at once; a bus that hangs must not hang
// the IDE for D-Bus's default 25 s.
constexpr int kCallTimeoutMs = 2000;

}  // namespace

KWinCursor::KWinCursor(std::function<void(Point)> sink, QObject* parent) : QObject(parent), m_sink(std::move(sink)) {}

KWinCursor::~KWinCursor() { Stop(); }

QString KWinCursor::PluginName() { return QStringLiteral("edgetucker-cursor-%1").arg(::getpid()); }

QString KWinCursor::ScriptText(const QString& service) {
  return QStringLiteral(
             "// Edgetucker: tells one process where the cursor is, so that it can hide\n"
             "// its windows when the pointer leaves them for a native window.\n"
             "workspace.cursorPosChanged.connect(function () {\n"
             "  var p = workspace.cursorPos;\n"
             "  callDBus(\"%1\", \"%2\", \"org.edgetucker.Cursor\", \"Moved\", p.x, p.y);\n"
             "});\n"
             "// Which window KWin activated, and the X window it had active before when\n"
             "// that one left the screen (KWin then activates nothing, then the next\n"
             "// window in its order: its hand-off).  When the process answers that the\n"
             "// window that left was its own, KWin is made to activate nothing instead,\n"
             "// so that the user's own click on the native window later is an activation\n"
             "// too.\n"
             "var last = workspace.activeClient, left = \"0\";\n"
             "workspace.clientActivated.connect(function (c) {\n"
             "  if (!c) {\n"
             "    left = last && last.hidden && last.windowId > 0 ? String(last.windowId) : \"0\";\n"
             "    callDBus(\"%1\", \"%2\", \"org.edgetucker.Cursor\", \"ActivatedNothing\");\n"
             "    return;\n"
             "  }\n"
             "  var from = left;\n"
             "  last = c;\n"
             "  left = \"0\";\n"
             "  var native = !(c.windowId > 0);\n"
             "  callDBus(\"%1\", \"%2\", \"org.edgetucker.Cursor\", \"Activated\", native, from, function (handBack) {\n"
             "    if (handBack && workspace.activeClient === c) workspace.activeClient = null;\n"
             "  });\n"
             "});\n")
      .arg(service, QLatin1String(kObjectPath));
}

bool KWinCursor::Start() {
  if (m_running) return true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  auto fail = [this](const std::string& why) {
    if (!m_warned) std::cerr << "platform: KWin's cursor cannot be followed: " << why << std::endl;
    m_warned = true;
    return false;
  };
  if (!bus.isConnected()) return fail("no session bus");
  if (!m_registered) {
    m_registered = bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportScriptableSlots);
    if (!m_registered) return fail("the bus refused the object " + std::string(kObjectPath));
  }
  m_file = QDir(QDir::tempPath()).filePath(PluginName() + QStringLiteral(".js"));
  QFile f(m_file);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(ScriptText(bus.baseService()).toUtf8()) < 0)
    return fail("cannot write " + m_file.toStdString());
  f.close();
  QDBusInterface scripting(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                           QStringLiteral("org.kde.kwin.Scripting"), bus);
  scripting.setTimeout(kCallTimeoutMs);
  // A script of this process left loaded (a Start after a failed Stop) goes first.
  scripting.call(QStringLiteral("unloadScript"), PluginName());
  QDBusReply<int> id = scripting.call(QStringLiteral("loadScript"), m_file, PluginName());
  if (!id.isValid() || id.value() < 0) {
    QFile::remove(m_file);
    return fail(id.isValid() ? "KWin did not load the script" : id.error().message().toStdString());
  }
  // start() runs the scripts loaded and not yet running.
  QDBusMessage started = scripting.call(QStringLiteral("start"));
  if (started.type() == QDBusMessage::ErrorMessage) {
    scripting.call(QStringLiteral("unloadScript"), PluginName());
    QFile::remove(m_file);
    return fail(started.errorMessage().toStdString());
  }
  m_running = true;
  return true;
}

void KWinCursor::Stop() {
  if (!m_running) return;
  m_running = false;
  QDBusInterface scripting(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                           QStringLiteral("org.kde.kwin.Scripting"), QDBusConnection::sessionBus());
  scripting.setTimeout(kCallTimeoutMs);
  scripting.call(QStringLiteral("unloadScript"), PluginName());
  QFile::remove(m_file);
  NoteCompositorActivation(CompositorActivated::Unwatched);
}

void KWinCursor::Moved(int x, int y) {
  // Calls the script made before it was unloaded may still come in.
  if (m_running && m_sink) m_sink(Point{x, y});
}

bool KWinCursor::Activated(bool native, const QString& from) {
  // The window id comes as text: a number would reach the bus as the script
  // engine holds it, integer or double.
  return m_running && NoteCompositorActivation(native ? CompositorActivated::Native : CompositorActivated::XWindow,
                                               from.toULongLong());
}

void KWinCursor::ActivatedNothing() {
  if (m_running) NoteCompositorActivation(CompositorActivated::Nothing);
}

void KWinCursor::Moved(double x, double y) {
  Moved(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

}  // namespace platform::x11
