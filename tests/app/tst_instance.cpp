// The single instance under attack: where its lock and server lie, what
// decides that another instance runs, what a connection may cost the
// running instance, and the later starts that meet it.
#include <QtTest>

#include <QLocalServer>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "launchermedium.h"
#include "platform/platform.h"
#include "platform/processstart.h"

namespace {

// The name the launcher used to listen on in the shared temporary folder.
QString oldServerName(const QString &program)
{
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    const QByteArray identity = QFileInfo(program).canonicalFilePath().toUtf8() + '\n' + user.toUtf8();
    return QStringLiteral("gatepoint-")
        + QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(20));
}

qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    const auto found
        = QRegularExpression(QStringLiteral("VmRSS:\\s*(\\d+)")).match(QString::fromLatin1(status.readAll()));
    return found.hasMatch() ? found.captured(1).toLongLong() : -1;
}

} // namespace

class TestInstance : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        // A peer that goes away while this process writes must not end it.
        ::signal(SIGPIPE, SIG_IGN);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }

    // The lock decides, at once: held, another instance runs, even before
    // it listens; another program is another instance. (Released with its
    // holder however it ends: laterStarts, simultaneousStarts.)
    void lockDecides()
    {
        SingleInstance first(TestSupport::launcherPath());
        QVERIFY(!first.isRunning());
        QVERIFY(SingleInstance(TestSupport::launcherPath()).isRunning());
        QVERIFY(!SingleInstance(TestSupport::helperPath(QStringLiteral("gp_probe"))).isRunning());
    }

    // Every connection ends: after its one request, after too many bytes or
    // after a silence, so ~80 at once cost a few slots for a bounded time
    // (the rest are dropped at once). Only the one request activates, and
    // the instance answers again afterwards.
    void connectionsEnd()
    {
        SingleInstance instance(TestSupport::launcherPath());
        QVERIFY(instance.listen());
        QSignalSpy activated(&instance, &SingleInstance::activationRequested);
        const QList<QByteArray> requests { "quit\n", "activate",
            QByteArray(SingleInstance::maximumRequestBytes * 4, 'a') };
        std::vector<std::unique_ptr<QLocalSocket>> clients(80);
        int open = 0;
        for (size_t i = 0; i < clients.size(); ++i) {
            clients[i] = std::make_unique<QLocalSocket>();
            clients[i]->connectToServer(instance.serverName());
            QVERIFY(clients[i]->waitForConnected(2000));
            ++open;
            connect(clients[i].get(), &QLocalSocket::disconnected, this, [&open] { --open; });
            clients[i]->write(requests.value(int(i)));
            // The server takes them in as they come, as a running one would.
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(open, 0, SingleInstance::idleTimeoutMs * 5);
        QCOMPARE(activated.count(), 0);
        QVERIFY(SingleInstance(TestSupport::launcherPath()).knock());
        QVERIFY(activated.wait(5000));
    }

    // A running instance refuses a later start at once, within less than
    // the five seconds a held lock used to cost, even with what another
    // user could plant in the shared temporary folder under the name the
    // launcher once used: a server listening on it first, a lock held on
    // it. A hand-over goes through all the same, every argument after the
    // button the user's (a toolkit option reaching Qt could end the
    // program). A crashed instance leaves its socket behind; the next start
    // takes over instead of refusing.
    void laterStarts()
    {
        Medium medium;
        medium.env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        medium.env.remove(QStringLiteral("TMPDIR"));
        const QString name = oldServerName(medium.program);
        QLocalServer squatter;
        QVERIFY(squatter.listen(name));
        Platform::ProcessLock heldLock(QDir::temp().filePath(name + QStringLiteral(".lock")));
        QVERIFY(heldLock.tryLock(0));

        auto first = medium.start();
        QVERIFY(Medium::waitUntilRunning(*first));
        QCOMPARE(TestSupport::runProgram(medium.program, { "--hide" }, medium.env, 4000).code, 1);
        const QStringList options { "a b", "--hide", "-style", "windows", "-reverse", "-platform", "nosuchplatform",
            "-session", "s1", "--platform", "x", "-display", ":99", "-qwindowtitle", "t", "--help", "--version",
            "--debug-log", "d" };
        QCOMPARE(medium.run(QStringList { "probe" } + options), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, options);

        QCOMPARE(first->state(), QProcess::Running);
        ::kill(pid_t(first->processId()), SIGKILL);
        first->waitForFinished();
        auto next = medium.start();
        QVERIFY(Medium::waitUntilRunning(*next));
        Medium::stop(*next);
    }

    // The instance answers later starts only after its first frame; a start
    // while it builds its window is refused all the same (the first frame
    // is held back by an autorun program that it waits for). Once it
    // answers, a gigabyte sent to it stays out of its memory, and it still
    // comes forward when a later start knocks.
    void startingInstanceThenFlood()
    {
        Medium medium("autorun=agent\nautorun_wait_0=true\n");
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), medium.links.path(QStringLiteral("agent")));
        medium.env.insert(QStringLiteral("GP_PROBE_SLEEP_MS"), QStringLiteral("600000"));
        auto first = medium.start();
        const auto agents = TestSupport::waitForProbeRecords(medium.probeOut, 1, 20000);
        QCOMPARE(agents.size(), 1);
        auto endAgent = qScopeGuard([&] { ::kill(pid_t(agents.first().pid), SIGKILL); });

        // Waiting on the agent: no frame yet, nobody listening, and still
        // the lock refuses a second instance.
        QVERIFY(!medium.listening());
        medium.env.remove(QStringLiteral("GP_PROBE_SLEEP_MS"));
        QCOMPARE(medium.run({ QStringLiteral("--hide") }), 1);

        ::kill(pid_t(agents.first().pid), SIGKILL);
        QVERIFY(Medium::waitUntilRunning(*first));
        QTRY_VERIFY_WITH_TIMEOUT(medium.listening(), 10000);
        const qint64 before = residentKb(first->processId());
        QVERIFY(before > 0);
        QLocalSocket flood;
        flood.connectToServer(medium.serverName());
        QVERIFY(flood.waitForConnected(2000));
        const QByteArray chunk(1024 * 1024, 'x');
        qint64 sent = 0;
        while (sent < (qint64(1) << 30) && flood.state() == QLocalSocket::ConnectedState
            && flood.write(chunk) == chunk.size()) {
            sent += chunk.size();
            while (flood.bytesToWrite() > 0 && flood.waitForBytesWritten(SingleInstance::idleTimeoutMs * 5))
                continue;
        }
        // Dropped long before the gigabyte; the instance kept at most what
        // the system buffers for it.
        QVERIFY(sent < 64 * 1024 * 1024);
        QVERIFY(residentKb(first->processId()) - before < 16 * 1024);
        QVERIFY(medium.knock());
        QVERIFY(Medium::shows(*first, "MainWindow::bringForward()"));
        Medium::stop(*first);
    }

    // Two starts at the same moment: exactly one becomes the instance.
    void simultaneousStarts()
    {
        Medium medium;
        for (int round = 0; round < 5; ++round) {
            auto one = medium.start({ QStringLiteral("--hide") });
            auto other = medium.start({ QStringLiteral("--hide") });
            const auto ended = [](const auto &process) { return process->state() == QProcess::NotRunning; };
            QVERIFY(QTest::qWaitFor([&] { return ended(one) || ended(other); }, 20000));
            if (!ended(one))
                std::swap(one, other); // one: the start that was refused
            QCOMPARE(one->exitCode(), 1);
            QVERIFY(Medium::waitUntilRunning(*other));
            QCOMPARE(other->state(), QProcess::Running);
            Medium::stop(*other);
        }
    }

    // Last: each row sets the environment for itself and leaves it so.
    void channelFolder_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::newRow("private runtime folder") << QStringLiteral("");
        QTest::newRow("runtime folder open to others") << QStringLiteral("open");
        QTest::newRow("relative TMPDIR") << QStringLiteral("relative");
        QTest::newRow("temp folder lets others rename") << QStringLiteral("not sticky");
        QTest::newRow("squatted folder open to all") << QStringLiteral("squat open");
        QTest::newRow("squatted folder is a link") << QStringLiteral("squat link");
        QTest::newRow("squatted folder of another user") << QStringLiteral("squat owner");
    }
    // The lock and the server always end up in a folder of the user's
    // alone, never where the launcher was started, whatever was planted:
    // the runtime folder when it is private (only the first row), else the
    // shared temporary folder when nobody else may rename there (the
    // second), else the user's cache.
    void channelFolder()
    {
        QFETCH(QString, plant);
        // Not in the temporary folder: an earlier row has moved it.
        QTemporaryDir scratch(runtime.filePath(QStringLiteral("XXXXXX")));
        const auto folder = [&](const QString &name, mode_t mode) {
            QDir().mkpath(scratch.filePath(name));
            ::chmod(QFile::encodeName(scratch.filePath(name)).constData(), mode);
            return scratch.filePath(name);
        };
        const QString runtime = folder("run", plant.isEmpty() ? 0700 : 0755);
        const QString temp = folder("tmp", plant == "not sticky" ? 0777 : 01777);
        const QString home = folder("home", 0700), cwd = folder("cwd", 0700);
        const QString squatted = "tmp/gatepoint-instance-" + QString::number(::getuid());
        if (plant == "squat open")
            folder(squatted, 0777);
        if (plant == "squat link")
            QVERIFY(QFile::link(folder("elsewhere", 0700), scratch.filePath(squatted)));
        if (plant == "squat owner") {
            if (::getuid() != 0)
                QSKIP("needs root to make a folder of another user");
            QCOMPARE(::chown(QFile::encodeName(folder(squatted, 0700)).constData(), 65534, 65534), 0);
        }
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qputenv("TMPDIR", plant == "relative" ? QByteArray(".") : temp.toUtf8());
        const QString started = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd));
        const Platform::InstanceChannel channel = Platform::instanceChannel(QStringLiteral("gatepoint-test"));
        QDir::setCurrent(started);

        const QString expected = plant.isEmpty() ? runtime + "/gatepoint"
            : plant == "open"                    ? scratch.filePath(squatted)
                                                 : home + "/.cache/gatepoint-instance-" + QSysInfo::machineHostName();
        QCOMPARE(QFileInfo(channel.lockPath).absolutePath(), expected);
        QCOMPARE(QFileInfo(channel.serverName).absolutePath(), expected);
        const QFileInfo made(expected);
        QVERIFY(made.isDir() && !made.isSymLink() && made.ownerId() == ::getuid());
        QCOMPARE(made.permissions(), QFileDevice::Permissions(0x7700)); // read, write, search: the owner alone
        QVERIFY(QDir(cwd).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
