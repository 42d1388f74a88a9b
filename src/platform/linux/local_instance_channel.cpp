#include "platform/linux/local_instance_channel.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>

namespace ps {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 1000;
constexpr int kLockTimeoutMs = 3000;
constexpr int kMaxMessageBytes = 256;

}  // namespace

LocalInstanceChannel::LocalInstanceChannel(const std::string& programDirectory) {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(programDirectory),
                                                     QCryptographicHash::Sha1)
                                .toHex()
                                .left(12);
    serverName_ =
        QStringLiteral("platterscoop-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

LocalInstanceChannel::~LocalInstanceChannel() {
    if (server_) {
        server_->close();
    }
    if (copyServer_) {
        copyServer_->close();
    }
}

InstanceChannel::Role LocalInstanceChannel::claim() {
    if (server_) {
        return Role::Primary;
    }
    // The lock makes "is anyone listening, else listen" one step, so two copies started
    // together cannot both become the running copy.
    QLockFile lock(QDir::tempPath() + "/" + serverName_ + ".lock");
    if (!lock.tryLock(kLockTimeoutMs)) {
        return Role::Unavailable;
    }
    {
        QLocalSocket probe;
        probe.connectToServer(serverName_);
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            probe.disconnectFromServer();
            return Role::Secondary;
        }
    }
    // Nobody answers: a socket file left by a crashed copy may still be there.
    QLocalServer::removeServer(serverName_);
    return listenOn(server_, serverName_) ? Role::Primary : Role::Unavailable;
}

bool LocalInstanceChannel::listenOn(std::unique_ptr<QLocalServer>& slot, const QString& name) {
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        return false;
    }
    QLocalServer* raw = server.get();
    connect(raw, &QLocalServer::newConnection, this, [this, raw] { acceptConnections(raw); });
    slot = std::move(server);
    return true;
}

bool LocalInstanceChannel::listenAsCopy() {
    if (copyServer_) {
        return true;
    }
    static int channelsInThisProcess = 0;
    const QString name = serverName_ + "-" + QString::number(QCoreApplication::applicationPid()) +
                         "-" + QString::number(++channelsInThisProcess);
    QLocalServer::removeServer(name);
    return listenOn(copyServer_, name);
}

bool LocalInstanceChannel::sendToAnotherCopy(const std::string& message) {
    const QString own = copyServer_ ? copyServer_->serverName() : QString();
    const QStringList names =
        QDir(QDir::tempPath()).entryList({serverName_ + "-*"}, QDir::System | QDir::Files);
    for (const QString& name : names) {
        if (name == own || name.endsWith(".lock")) {
            continue;
        }
        QLocalSocket socket;
        socket.connectToServer(name);
        if (!socket.waitForConnected(kConnectTimeoutMs)) {
            QLocalServer::removeServer(name);  // left by a copy that ended without closing
            continue;
        }
        socket.write(QByteArray::fromStdString(message + "\n"));
        const bool written = socket.waitForBytesWritten(kWriteTimeoutMs);
        socket.disconnectFromServer();
        if (written) {
            return true;
        }
    }
    return false;
}

bool LocalInstanceChannel::sendToPrimary(const std::string& message) {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    socket.write(QByteArray::fromStdString(message + "\n"));
    if (!socket.waitForBytesWritten(kWriteTimeoutMs)) {
        return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kWriteTimeoutMs);
    }
    return true;
}

void LocalInstanceChannel::setMessageHandler(std::function<void(const std::string&)> handler) {
    handler_ = std::move(handler);
}

void LocalInstanceChannel::acceptConnections(QLocalServer* server) {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() > kMaxMessageBytes) {
                socket->abort();
                return;
            }
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(kMaxMessageBytes).trimmed();
                if (handler_ && !line.isEmpty()) {
                    handler_(line.toStdString());
                }
            }
        });
    }
}

}  // namespace ps
