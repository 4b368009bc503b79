#pragma once

#include <memory>

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include "../window/windowfixture.h"
#include "app/singleinstance.h"
#include "testsupport.h"

// A medium with the real program on it, started as a user would, offscreen.
// Each medium has a session runtime folder of its own, where its instances
// meet.
class Medium {
public:
    explicit Medium(const QByteArray &conf = QByteArray(), const QByteArray &probeProperties = QByteArray())
    {
        program = links.layOutMedium();
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\ntitle=process-test\n" + conf);
        links.probeLink(QStringLiteral("probe.link"), 1, probeProperties);
        probeOut = links.root.filePath(QStringLiteral("probe.jsonl"));
        runtime = links.root.filePath(QStringLiteral("run"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), links.root.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.remove(QStringLiteral("PIN_CHECK_DONE"));
    }

    QString commons() const { return links.root.filePath(QStringLiteral("medium/Commons")); }

    std::unique_ptr<QProcess> start(const QStringList &arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(program, arguments);
        process->waitForStarted();
        return process;
    }

    int run(const QStringList &arguments, int timeoutMs = 30000)
    {
        return TestSupport::runProgram(program, arguments, env, timeoutMs).code;
    }

    // A hand-over to the probe button; the probe's records once there are
    // that many.
    QList<TestSupport::ProbeRecord> handOver(const QStringList &arguments, int records = 1)
    {
        if (run(QStringList { QStringLiteral("probe") } + arguments) != 0)
            return {};
        return TestSupport::waitForProbeRecords(probeOut, records);
    }

    // Waits until an interactive instance has built its window.
    static bool waitUntilRunning(QProcess &process)
    {
        QByteArray seen;
        return QTest::qWaitFor(
            [&] {
                seen += process.readAll();
                return seen.contains("MainWindow::showEvent");
            },
            20000);
    }

    // What the program's own instance object says, from this process.
    template <typename Use> auto asProgram(Use use)
    {
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", env.value(QStringLiteral("XDG_RUNTIME_DIR")).toUtf8());
        SingleInstance instance(program);
        const auto result = use(instance);
        qputenv("XDG_RUNTIME_DIR", saved);
        return result;
    }
    QString serverName()
    {
        return asProgram([](SingleInstance &instance) { return instance.serverName(); });
    }
    // A later start's knock.
    bool knock()
    {
        return asProgram([](SingleInstance &instance) { return instance.knock(); });
    }

    // Whether the running instance answers on its server.
    bool listening()
    {
        QLocalSocket socket;
        socket.connectToServer(serverName());
        return socket.waitForConnected(2000);
    }

    LinksFolder links;
    QString program;
    QString probeOut;
    QString runtime;
    QProcessEnvironment env;
};
