// The single-instance server and the hand-over of a later start.
#include "ui/PrevInst.h"

#include <unistd.h>

#include <QLocalSocket>

namespace tessaly::ui {

namespace {

constexpr int kConnectWaitMs = 1000;
constexpr int kAnswerWaitMs = 3000;
const char kActivatedAnswer[] = "activated\n";

}  // namespace

TPrevInst::TPrevInst(QString serverName, QObject* parent)
    : QObject(parent), serverName_(serverName.isEmpty() ? InstanceServerName() : std::move(serverName)) {
  // Only this user may connect.
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &TPrevInst::AnswerConnection);
}

QString TPrevInst::InstanceServerName() {
  const QByteArray chosen = qgetenv("TESSALY_INSTANCE");
  if (!chosen.isEmpty()) return QString::fromLocal8Bit(chosen);
  // Beside the work folder but never the same name: in the user's runtime
  // folder where there is one, else in the temporary folder by user id.
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) return QString::fromLocal8Bit(runtime) + QStringLiteral("/tessaly-instance");
  return QStringLiteral("tessaly-instance-%1").arg(::getuid());
}

bool TPrevInst::HandOverToRunning(const QByteArray& request) {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (socket.waitForConnected(kConnectWaitMs)) {
    socket.write(request + '\n');
    socket.waitForBytesWritten(kAnswerWaitMs);
    // The answer says the window came up; without one the running instance
    // is busy, and this start ends all the same.
    socket.waitForReadyRead(kAnswerWaitMs);
    socket.disconnectFromServer();
    return AllowedInst < 2;
  }
  if (!server_.listen(serverName_)) {
    // A socket left behind by an instance that did not end cleanly: nobody
    // answered on it, so it is taken over.
    QLocalServer::removeServer(serverName_);
    server_.listen(serverName_);
  }
  return false;
}

void TPrevInst::AnswerConnection() {
  while (QLocalSocket* client = server_.nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      if (!client->canReadLine()) {
        // A request that never ends is not buffered without bound.
        if (client->bytesAvailable() > kMaxRequestBytes) client->abort();
        return;
      }
      QByteArray request = client->readLine(kMaxRequestBytes + 1);
      if (request.endsWith('\n')) {
        request.chop(1);
        if (handler_) handler_(request);
        client->write(kActivatedAnswer);
        client->flush();
      }
      client->disconnectFromServer();
    });
  }
}

}  // namespace tessaly::ui
