#pragma once

#include <memory>

#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include "../window/windowfixture.h"
#include "app/singleinstance.h"
#include "testsupport.h"

// A medium with the real program on it, started as a user would, offscreen.
// Each medium has a session runtime folder of its own, where its instances
// meet (this process too, while the medium lives).
class Medium {
public:
    explicit Medium(const QByteArray &conf = QByteArray(), const QByteArray &probeProperties = QByteArray())
    {
        program = links.layOutMedium();
        links.skin("title=process-test\n" + conf);
        links.probeLink(QStringLiteral("probe.link"), 1, probeProperties);
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), links.root.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.remove(QStringLiteral("PIN_CHECK_DONE"));
        // This process meets the instances there too.
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
    ~Medium() { qputenv("XDG_RUNTIME_DIR", savedRuntime); }

    QString commons() const { return links.root.filePath(QStringLiteral("medium/Commons")); }

    std::unique_ptr<QProcess> start(const QStringList &arguments = {})
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(program, arguments);
        return process;
    }
    int run(const QStringList &arguments) { return TestSupport::runProgram(program, arguments, env, 30000).code; }

    // Waits until the instance's debug output shows what, within a bound.
    static bool shows(QProcess &process, const QByteArray &what)
    {
        QByteArray seen;
        return QTest::qWaitFor([&] { return (seen += process.readAll()).contains(what); }, 20000);
    }
    // Until an interactive instance has built its window.
    static bool waitUntilRunning(QProcess &process) { return shows(process, "MainWindow::showEvent"); }
    static void stop(QProcess &process) { process.kill(), process.waitForFinished(); }

    // What the program's own instance object says, from this process.
    QString serverName() { return SingleInstance(program).serverName(); }
    // A later start's knock.
    bool knock() { return SingleInstance(program).knock(); }
    // Whether the running instance answers on its server.
    bool listening()
    {
        QLocalSocket socket;
        socket.connectToServer(serverName());
        return socket.waitForConnected(2000);
    }

    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    LinksFolder links;
    QString program;
    QString probeOut = links.root.filePath(QStringLiteral("probe.jsonl"));
    QString runtime = links.root.path(); // private, as a session's is
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};
