// The single instance under attack: where its lock and server lie, what
// decides that another instance runs, what a connection may cost the
// running instance, and the knock that brings its window forward.
#include <QtTest>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "launchermedium.h"
#include "app/singleinstance.h"
#include "platform/platform.h"
#include "platform/processstart.h"
#include "testsupport.h"

namespace {

bool privateFolder(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::getuid() && (info.st_mode & 0777) == 0700;
}

// The name the launcher used to listen on in the shared temporary folder.
QString oldServerName(const QString &program)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    const QByteArray identity = QFileInfo(program).canonicalFilePath().toUtf8() + '\n' + user.toUtf8();
    return QStringLiteral("gatepoint-")
        + QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(20));
}

qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

} // namespace

class TestInstance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        // A peer that goes away while this process writes must not end it.
        ::signal(SIGPIPE, SIG_IGN);
        saved = QProcessEnvironment::systemEnvironment();
    }
    // Every case starts from the suite's own environment.
    void cleanup()
    {
        for (const char *name : { "HOME", "XDG_RUNTIME_DIR", "TMPDIR" }) {
            if (saved.contains(QLatin1String(name)))
                qputenv(name, saved.value(QLatin1String(name)).toUtf8());
            else
                qunsetenv(name);
        }
    }

    void channelFolder_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::addColumn<QString>("where");
        QTest::newRow("runtime folder") << ""
                                        << "runtime";
        QTest::newRow("runtime folder open to others") << "open runtime"
                                                       << "temp";
        QTest::newRow("no runtime folder") << "no runtime"
                                           << "temp";
        QTest::newRow("no TMPDIR") << "no runtime, no TMPDIR"
                                   << "system temp";
        QTest::newRow("relative TMPDIR") << "no runtime, relative TMPDIR"
                                         << "cache";
        QTest::newRow("temp folder lets others rename") << "no runtime, temp not sticky"
                                                        << "cache";
        QTest::newRow("squatted folder open to all") << "no runtime, squat open"
                                                     << "cache";
        QTest::newRow("squatted folder is a link") << "no runtime, squat link"
                                                   << "cache";
        QTest::newRow("squatted folder of another user") << "no runtime, squat owner"
                                                         << "cache";
    }

    // The lock and the server always end up in a folder of the user's
    // alone, never where the launcher was started, whatever was planted.
    void channelFolder()
    {
        QFETCH(QString, plant);
        QFETCH(QString, where);
        QTemporaryDir scratch;
        const QString uid = QString::number(::getuid());
        const QString runtime = scratch.filePath(QStringLiteral("run"));
        const QString temp = scratch.filePath(QStringLiteral("tmp"));
        const QString home = scratch.filePath(QStringLiteral("home"));
        const QString cwd = scratch.filePath(QStringLiteral("cwd"));
        for (const QString &folder : { runtime, temp, home, cwd })
            QDir().mkpath(folder);
        ::chmod(QFile::encodeName(runtime).constData(), plant.contains("open runtime") ? 0755 : 0700);
        ::chmod(QFile::encodeName(temp).constData(), plant.contains("not sticky") ? 0777 : 01777);
        const QString squatted = temp + QStringLiteral("/gatepoint-instance-") + uid;
        if (plant.contains("squat open")) {
            QDir().mkpath(squatted);
            ::chmod(QFile::encodeName(squatted).constData(), 0777);
        } else if (plant.contains("squat link")) {
            const QString elsewhere = scratch.filePath(QStringLiteral("elsewhere"));
            QDir().mkpath(elsewhere);
            ::chmod(QFile::encodeName(elsewhere).constData(), 0700);
            QVERIFY(QFile::link(elsewhere, squatted));
        } else if (plant.contains("squat owner")) {
            if (::getuid() != 0)
                QSKIP("needs root to make a folder of another user");
            QDir().mkpath(squatted);
            ::chmod(QFile::encodeName(squatted).constData(), 0700);
            QCOMPARE(::chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);
        }

        qputenv("HOME", home.toUtf8());
        if (plant.contains("no runtime"))
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        if (plant.contains("no TMPDIR"))
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", plant.contains("relative TMPDIR") ? QByteArray("tmp") : temp.toUtf8());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd));
        const Platform::InstanceChannel channel = Platform::instanceChannel(QStringLiteral("gatepoint-test"));
        QDir::setCurrent(previous);

        const QMap<QString, QString> expected {
            { QStringLiteral("runtime"), runtime + QStringLiteral("/gatepoint") },
            { QStringLiteral("temp"), squatted },
            { QStringLiteral("system temp"), QStringLiteral("/tmp/gatepoint-instance-") + uid },
            { QStringLiteral("cache"),
                home + QStringLiteral("/.cache/gatepoint-instance-") + QSysInfo::machineHostName() },
        };
        const QString folder = expected.value(where);
        QCOMPARE(QFileInfo(channel.lockPath).absolutePath(), folder);
        QCOMPARE(QFileInfo(channel.serverName).absolutePath(), folder);
        QVERIFY(privateFolder(folder));
        QVERIFY(QDir(cwd).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    }

    // The lock decides, at once: held, another instance runs; released
    // with its holder, the next start is the instance.
    void lockDecides()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString program = TestSupport::launcherPath();
        auto first = std::make_unique<SingleInstance>(program);
        QVERIFY(!first->isRunning());
        SingleInstance second(program);
        QVERIFY(second.isRunning());
        SingleInstance elsewhere(TestSupport::helperPath(QStringLiteral("gp_probe")));
        QVERIFY(!elsewhere.isRunning());
        // Nobody listens yet: a later start is refused all the same.
        QVERIFY(!second.knock());
        first.reset();
        SingleInstance third(program);
        QVERIFY(!third.isRunning());
    }

    void requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("activates");
        QTest::newRow("activate") << QByteArray("activate\n") << true;
        QTest::newRow("unknown") << QByteArray("quit\n") << false;
        QTest::newRow("activate without end of line") << QByteArray("activate") << false;
        QTest::newRow("too long") << QByteArray(SingleInstance::maximumRequestBytes * 4, 'a') << false;
    }

    // Every connection ends: after its one request or after too many bytes
    // (after a silence: idleConnectionsAreDropped); only the one request
    // activates.
    void requests()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, activates);
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        SingleInstance instance(TestSupport::launcherPath());
        QVERIFY(!instance.isRunning());
        QVERIFY(instance.listen());
        QSignalSpy activated(&instance, &SingleInstance::activationRequested);
        QLocalSocket client;
        client.connectToServer(instance.serverName());
        QVERIFY(client.waitForConnected(2000));
        client.write(request);
        QSignalSpy disconnected(&client, &QLocalSocket::disconnected);
        QVERIFY(disconnected.wait(SingleInstance::idleTimeoutMs * 5));
        QCOMPARE(activated.count(), activates ? 1 : 0);
    }

    // ~80 idle connections cost a few slots for a bounded time; the rest
    // are dropped at once, and the instance answers again afterwards.
    void idleConnectionsAreDropped()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        SingleInstance instance(TestSupport::launcherPath());
        QVERIFY(!instance.isRunning());
        QVERIFY(instance.listen());
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        int open = 0;
        for (int i = 0; i < 80; ++i) {
            auto socket = std::make_unique<QLocalSocket>();
            socket->connectToServer(instance.serverName());
            QVERIFY(socket->waitForConnected(2000));
            connect(socket.get(), &QLocalSocket::disconnected, this, [&open] { --open; });
            ++open;
            idle.push_back(std::move(socket));
            // The server takes them in as they come, as a running one would.
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(open, 0, SingleInstance::idleTimeoutMs * 5);
        QSignalSpy activated(&instance, &SingleInstance::activationRequested);
        SingleInstance later(TestSupport::launcherPath());
        QVERIFY(later.isRunning());
        QVERIFY(later.knock());
        QVERIFY(activated.wait(5000));
    }

    // What another user could plant in the shared temporary folder under
    // the name the launcher once used: a server listening on it first, a
    // lock held on it. Neither refuses nor delays a start.
    void squatterOnTheOldName()
    {
        Medium medium;
        medium.env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        medium.env.remove(QStringLiteral("TMPDIR"));
        const QString name = oldServerName(medium.program);
        QLocalServer squatter;
        QLocalServer::removeServer(name);
        QVERIFY(squatter.listen(name));
        Platform::ProcessLock heldLock(QDir::temp().filePath(name + QStringLiteral(".lock")));
        QVERIFY(heldLock.tryLock(0));

        auto first = medium.start({});
        QVERIFY(Medium::waitUntilRunning(*first));
        // The second start is refused by the first, not by the squatter,
        // within less than the five seconds a held lock used to cost.
        QCOMPARE(medium.run({ QStringLiteral("--hide") }, 4000), 1);
        QCOMPARE(first->state(), QProcess::Running);
        stop(*first);
    }

    // A gigabyte sent to the running instance stays out of its memory, and
    // it answers afterwards.
    void floodStaysOutOfTheInstance()
    {
        Medium medium;
        auto first = medium.start({});
        QVERIFY(Medium::waitUntilRunning(*first));
        QTRY_VERIFY_WITH_TIMEOUT(medium.listening(), 10000);
        const qint64 before = residentKb(first->processId());
        QVERIFY(before > 0);
        QLocalSocket flood;
        flood.connectToServer(medium.serverName());
        QVERIFY(flood.waitForConnected(2000));
        const QByteArray chunk(1024 * 1024, 'x');
        qint64 sent = 0;
        constexpr qint64 gigabyte = qint64(1) << 30;
        while (sent < gigabyte && flood.state() == QLocalSocket::ConnectedState) {
            if (flood.write(chunk) != chunk.size())
                break;
            sent += chunk.size();
            while (flood.bytesToWrite() > 0 && flood.state() == QLocalSocket::ConnectedState) {
                if (!flood.waitForBytesWritten(SingleInstance::idleTimeoutMs * 5))
                    break;
            }
        }
        // Dropped long before the gigabyte; the instance kept at most what
        // the system buffers for it.
        QVERIFY(sent < 64 * 1024 * 1024);
        QVERIFY(residentKb(first->processId()) - before < 16 * 1024);
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(medium.knock());
        QByteArray seen;
        QVERIFY(QTest::qWaitFor(
            [&] {
                seen += first->readAll();
                return seen.contains("MainWindow::bringForward()");
            },
            10000));
        stop(*first);
    }

    // The instance answers later starts only after its first frame; a start
    // while it builds its window is refused all the same. The first frame
    // is held back by an autorun program that it waits for.
    void secondStartBeforeTheFirstFrame()
    {
        Medium medium("autorun=agent\nautorun_wait_0=true\n");
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), medium.links.path(QStringLiteral("agent")));
        const QString agentOut = medium.links.root.filePath(QStringLiteral("agent.jsonl"));
        medium.env.insert(QStringLiteral("GP_PROBE_OUT"), agentOut);
        medium.env.insert(QStringLiteral("GP_PROBE_SLEEP_MS"), QStringLiteral("600000"));
        auto first = medium.start({});
        const auto agents = TestSupport::waitForProbeRecords(agentOut, 1, 20000);
        QCOMPARE(agents.size(), 1);
        auto endAgent = qScopeGuard([&] { ::kill(pid_t(agents.first().pid), SIGKILL); });

        // Waiting on the agent: no frame yet, nobody listening, and still
        // the lock refuses a second instance.
        QVERIFY(!medium.listening());
        medium.env.remove(QStringLiteral("GP_PROBE_SLEEP_MS"));
        QCOMPARE(medium.run({ QStringLiteral("--hide") }), 1);
        QCOMPARE(first->state(), QProcess::Running);

        ::kill(pid_t(agents.first().pid), SIGKILL);
        QVERIFY(Medium::waitUntilRunning(*first));
        QTRY_VERIFY_WITH_TIMEOUT(medium.listening(), 10000);
        stop(*first);
    }

    // Two starts at the same moment: exactly one becomes the instance.
    void simultaneousStarts()
    {
        Medium medium;
        for (int round = 0; round < 5; ++round) {
            auto one = medium.start({ QStringLiteral("--hide") });
            auto other = medium.start({ QStringLiteral("--hide") });
            QProcess *refused = nullptr;
            QVERIFY(QTest::qWaitFor(
                [&] {
                    if (one->state() == QProcess::NotRunning)
                        refused = one.get();
                    else if (other->state() == QProcess::NotRunning)
                        refused = other.get();
                    return refused != nullptr;
                },
                20000));
            QCOMPARE(refused->exitCode(), 1);
            QProcess &instance = refused == one.get() ? *other : *one;
            QVERIFY(Medium::waitUntilRunning(instance));
            QCOMPARE(instance.state(), QProcess::Running);
            stop(instance);
        }
    }

private:
    QProcessEnvironment saved;
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
