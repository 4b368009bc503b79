#pragma once

// Runs command chains the way a launch button does and reports what came
// back: done() and reload() through queued connections, whether the
// launcher was told to quit, and whether every command was already deleted
// when done() arrived.

#include <functional>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>

#include "commands/commandfactory.h"
#include "commands/commandlauncher.h"
#include "commands/icommand.h"
#include "testsupport.h"

namespace Harness {

struct ChainResult {
    bool known = false;
    bool quit = false;
    int done = 0;
    bool doneAfterDeletion = true;
    QStringList reloads;
};

using Connect = std::function<void(ICommand *)>;

// Runs the chain that start begins, given the connection each of its
// commands needs; known is what start returned.
// QCoreApplication::quit() outside the application's own loop would leave
// every later nested loop (dialogs, QSignalSpy::wait) returning at once, so
// the chain runs inside exec(), which resets that state when it returns.
// A nested loop entered after the chain tells whether quit() was called.
inline ChainResult runStarted(const std::function<bool(const Connect &)> &start)
{
    ChainResult result;
    QObject receiver;
    int alive = 0;
    QTimer::singleShot(0, &receiver, [&] {
        result.known = start([&](ICommand *command) {
            ++alive;
            QObject::connect(command, &QObject::destroyed, &receiver, [&] { --alive; });
            const auto queued = Qt::QueuedConnection;
            QObject::connect(
                command, &ICommand::done, &receiver,
                [&] {
                    ++result.done;
                    result.doneAfterDeletion = result.doneAfterDeletion && alive == 0;
                },
                queued);
            QObject::connect(
                command, &ICommand::reload, &receiver, [&](const QString &to) { result.reloads << to; }, queued);
        });
        QEventLoop probe;
        QTimer::singleShot(0, &probe, [&] { probe.exit(5); });
        result.quit = probe.exec() == -1;
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    QCoreApplication::processEvents();
    return result;
}

inline ChainResult runChain(int type, const QMap<QString, QVariant> &parameters)
{
    return runStarted([&](const Connect &connect) { return runCommandChain(type, parameters, connect); });
}

// A button's start: placeholders expanded, the chain run.
inline ChainResult runLaunch(const LaunchRequest &request)
{
    return runStarted([&](const Connect &connect) { return launch(request, connect); });
}

// The parameters a launch button writes for a click on the probe program
// (the commands read any other parameter as empty).
inline QMap<QString, QVariant> probeClick(const QStringList &arguments = {})
{
    return { { Param::cmdline, TestSupport::helperPath(QStringLiteral("gp_probe")) }, { Param::arguments, arguments } };
}

// Where the probe writes its records; one file per test.
inline QString probeOutput(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("probe.jsonl"));
    QFile::remove(path);
    qputenv("GP_PROBE_OUT", path.toLocal8Bit());
    return path;
}

} // namespace Harness
