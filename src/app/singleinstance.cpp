#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "platform/logging.h"
#include "platform/platform.h"
#include "platform/processstart.h"

namespace {

// The one request a later start sends.
const QByteArray activateRequest = QByteArrayLiteral("activate\n");

// How long a later start waits for the instance to take its request.
constexpr int knockTimeoutMs = 1000;

} // namespace

SingleInstance::SingleInstance(const QString &executablePath, QObject *parent)
    : QObject(parent)
{
    const QString canonical = QFileInfo(executablePath).canonicalFilePath();
    const QByteArray identity = (canonical.isEmpty() ? executablePath : canonical).toUtf8();
    key = QStringLiteral("gatepoint-")
        + QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(20));
}

SingleInstance::~SingleInstance()
{
    // The connections go before the count they keep.
    server.reset();
}

void SingleInstance::findChannel()
{
    if (channelFound)
        return;
    channelFound = true;
    const Platform::InstanceChannel channel = Platform::instanceChannel(key);
    channelLock = channel.lockPath;
    channelServer = channel.serverName;
}

QString SingleInstance::serverName()
{
    findChannel();
    return channelServer;
}

QString SingleInstance::lockPath()
{
    findChannel();
    return channelLock;
}

bool SingleInstance::isRunning()
{
    if (decided)
        return running;
    decided = true;
    findChannel();
    if (channelLock.isEmpty()) {
        qCDebug(lcApp) << "SingleInstance: no private folder for the lock, this start runs on its own";
        return running;
    }
    // Taken without waiting and kept until the process ends: a running
    // instance answers at once, whatever else lies or listens anywhere.
    auto held = std::make_unique<Platform::ProcessLock>(channelLock);
    if (held->tryLock(0)) {
        lock = std::move(held);
        return running;
    }
    running = held->heldElsewhere();
    if (!running)
        qCDebug(lcApp) << "SingleInstance: the lock cannot be opened, this start runs on its own:" << channelLock;
    return running;
}

bool SingleInstance::listen()
{
    if (isRunning() || !lock)
        return false;
    if (server)
        return server->isListening();
    server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    server->setMaxPendingConnections(maximumConnections);
    // This process holds the lock, so a socket file here was left by an
    // instance that ended without removing it.
    QLocalServer::removeServer(channelServer);
    if (!server->listen(channelServer)) {
        qCDebug(lcApp) << "SingleInstance: cannot listen on" << channelServer << server->errorString();
        return false;
    }
    connect(server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (server->hasPendingConnections()) {
        QLocalSocket *socket = server->nextPendingConnection();
        if (connections >= maximumConnections) {
            qCDebug(lcApp) << "SingleInstance: too many connections, one dropped";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections;
        // Qt reads no more than this from the system: a sender that goes on
        // fills its own side, not this process's memory.
        socket->setReadBufferSize(maximumRequestBytes);
        connect(socket, &QObject::destroyed, this, [this] { --connections; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(idleTimeoutMs, socket, [socket] {
            qCDebug(lcApp) << "SingleInstance: idle connection dropped";
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void SingleInstance::readRequest(QLocalSocket *socket)
{
    if (socket->canReadLine()) {
        const QByteArray request = socket->readLine(maximumRequestBytes + 1);
        if (request == activateRequest) {
            qCDebug(lcApp) << "SingleInstance: a later start asks for the window";
            emit activationRequested();
        } else {
            qCDebug(lcApp) << "SingleInstance: unknown request dropped";
        }
        // One request per connection.
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (socket->bytesAvailable() >= maximumRequestBytes) {
        qCDebug(lcApp) << "SingleInstance: request too long, connection dropped";
        socket->abort();
        socket->deleteLater();
    }
}

bool SingleInstance::knock()
{
    findChannel();
    if (channelServer.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(channelServer);
    if (!socket.waitForConnected(knockTimeoutMs)) {
        qCDebug(lcApp) << "SingleInstance: the running instance does not answer:" << socket.errorString();
        return false;
    }
    socket.write(activateRequest);
    const bool sent = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(knockTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}
