#pragma once

#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace Platform {
class ProcessLock;
}

// One interactive instance per installation (the executable's absolute
// path). The running instance holds a lock for its whole life; a later
// start finds it held and knows at once that another instance runs: no
// wait, no connection decides it. The system drops the lock of an instance
// that ends, however it ends, so a crash leaves nothing to clean up.
//
// The instance also listens on a local server, so that a later interactive
// start can ask it to bring its window forward. Lock and server lie in a
// folder of the user's alone (Platform::instanceChannel). The server takes
// only that one short request: a connection that sends more, or stays
// silent, is dropped, and only a few are served at a time.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // Bounds of what a connection may cost the running instance.
    static constexpr int maximumRequestBytes = 64;
    static constexpr int maximumConnections = 8;
    static constexpr int idleTimeoutMs = 2000;

    // executablePath: the program's absolute path (the identity).
    explicit SingleInstance(const QString &executablePath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another instance of this installation runs. The first call
    // decides and, when none runs, makes this process the instance (it
    // takes the lock). Without a private folder for the lock there is no
    // telling: false, and this process runs on its own.
    bool isRunning();

    // Starts answering later starts. Only the instance listens; until it
    // does, a later start is still refused (the lock decides) but cannot
    // knock. False when this process is not the instance or the server
    // cannot listen.
    bool listen();

    // From a later start: asks the running instance to restore, raise and
    // activate its window. Waits a bounded time; false when the instance
    // could not be reached.
    bool knock();

    // Where lock and server lie; empty without a private folder.
    QString serverName();
    QString lockPath();

signals:
    // A later interactive start asked for the window.
    void activationRequested();

private:
    void acceptConnections();
    void readRequest(QLocalSocket *socket);
    void findChannel();

    QString key;
    bool channelFound = false;
    QString channelLock;
    QString channelServer;
    bool decided = false;
    bool running = false;
    int connections = 0;
    std::unique_ptr<Platform::ProcessLock> lock;
    std::unique_ptr<QLocalServer> server;
};
