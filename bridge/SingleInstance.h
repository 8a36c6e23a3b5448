// One bridge per display.  The first bridge of a display listens on a local
// socket named after the display and the user; a later start connects to it,
// hands over its command ("panel" or "start") and ends.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace bridge {

// The socket's name for a display: "edgetucker-bridge-<uid>-<display>", the
// display's characters other than letters, digits, "." and "-" replaced by
// "_" (so ":0" and "host:1.0" give valid names).
QString InstanceName(const QString& display, unsigned uid);

class SingleInstance : public QObject {
  Q_OBJECT
public:
  explicit SingleInstance(QString name);
  ~SingleInstance() override;

  // Sends the command to a running bridge; true when one took it.
  bool Forward(const QByteArray& command, int timeoutMs = 2000);
  // Starts listening; a socket left behind by a bridge that died is removed
  // first.  False when another bridge answers there after all.
  bool Listen();

signals:
  void commandReceived(const QByteArray& command);

private:
  QString m_name;
  std::unique_ptr<QLocalServer> m_server;
};

}  // namespace bridge
