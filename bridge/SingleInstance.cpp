#include "bridge/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include "bridge/IdeEvents.h"

namespace bridge {

QString InstanceName(const QString& display, unsigned uid) {
  QString safe;
  for (QChar c : display) {
    const bool keep = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                      c == u'.' || c == u'-';
    safe += keep ? c : QChar(u'_');
  }
  if (safe.size() > 64) safe.truncate(64);  // socket paths are short
  return QStringLiteral("edgetucker-bridge-%1-%2").arg(uid).arg(safe);
}

SingleInstance::SingleInstance(QString name) : m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Forward(const QByteArray& command, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(m_name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(command + '\n');
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The running bridge answers once it has taken the command.
  if (!socket.waitForReadyRead(timeoutMs)) return false;
  return socket.readAll().startsWith("ok");
}

bool SingleInstance::Running() const {
  QLocalSocket probe;
  probe.connectToServer(m_name);
  return probe.waitForConnected(500);
}

bool SingleInstance::Listen() {
  // Qt replaces a socket file of the same name without asking, so look first:
  // a live bridge answers; a file left by one that died does not.
  if (Running()) return false;
  QLocalServer::removeServer(m_name);
  m_server = std::make_unique<QLocalServer>();
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(m_name)) return false;
  connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QLocalSocket::readyRead, this, [this, s] {
        if (!s->canReadLine()) {
          if (s->bytesAvailable() > static_cast<qint64>(kIdeEventMaxLine)) s->abort();  // no command is this long
          return;
        }
        const QByteArray line = s->readLine(kIdeEventMaxLine + 1).trimmed();
        // Acted on first, answered after: the add-in may run events while it
        // moves windows, among them this socket's end, hence the guard.
        QPointer<QLocalSocket> guard(s);
        emit commandReceived(line);
        if (!guard) return;
        s->write("ok\n");
        s->flush();
        s->disconnectFromServer();
      });
    }
  });
  return true;
}

}  // namespace bridge
