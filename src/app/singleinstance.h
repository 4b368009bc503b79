#pragma once

#include <memory>

#include <QString>

class QLocalServer;

// One interactive instance per installation. The first instance listens on
// a local socket whose name is derived from the executable's absolute path
// and the user, so copies in different folders do not see each other. A
// later start finds the socket alive and reports that another instance
// runs. A crashed instance leaves a socket nobody answers: it is removed
// and taken over. No messages pass between instances.
class SingleInstance final {
public:
    // executablePath: the program's absolute path (the identity).
    explicit SingleInstance(const QString &executablePath);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another instance of this installation runs. The first call
    // decides and, when none runs, makes this process the instance.
    bool isRunning();

    QString serverName() const { return name; }

private:
    QString name;
    bool decided = false;
    bool running = false;
    std::unique_ptr<QLocalServer> server;
};
