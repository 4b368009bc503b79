#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/platform.h"

namespace {

QString userName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return user;
}

} // namespace

SingleInstance::SingleInstance(const QString &executablePath)
{
    const QString canonical = QFileInfo(executablePath).canonicalFilePath();
    const QByteArray identity
        = (canonical.isEmpty() ? executablePath : canonical).toUtf8() + '\n' + userName().toUtf8();
    name = QStringLiteral("gatepoint-")
        + QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(20));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isRunning()
{
    if (decided)
        return running;
    decided = true;

    // The lock makes "is anybody listening, else listen" one step, so two
    // starts at the same moment cannot both become the instance.
    Platform::ProcessLock lock(QDir::temp().filePath(name + QStringLiteral(".lock")));
    const bool locked = lock.tryLock(5000);

    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(500)) {
        probe.disconnectFromServer();
        running = true;
        return running;
    }

    server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        // A socket file left behind by a crashed instance: nobody answered
        // above, so it is stale.
        QLocalServer::removeServer(name);
        server->listen(name);
    }
    if (locked)
        lock.unlock();
    running = false;
    return running;
}
