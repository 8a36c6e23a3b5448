// One bridge per display.  The first bridge of a display listens on a local
// socket named after the display and the user; a later start connects to it,
// hands over its command ("panel", "start", or an event of the IDE's package,
// see IdeEvents.h) and ends.  The running bridge answers "ok" once it has
// acted on the command, so that the sender can wait for that (the IDE waits
// until its windows are home before it saves their places).
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

  // Sends the command (one line) to a running bridge; true when one took it
  // and answered within timeoutMs.
  bool Forward(const QByteArray& command, int timeoutMs = 2000);
  // Whether a bridge listens here now.
  bool Running() const;
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
