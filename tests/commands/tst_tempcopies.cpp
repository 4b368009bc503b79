// Temporary copies of programs: removed once their program ends, kept while
// it runs, swept when left behind; a shared folder that others may rename in
// is not used, and a copy swapped before its start is not run.
#include <QtTest>

#include "../window/windowfixture.h"
#include "commandharness.h"
#include "commands/startnotices.h"
#include "commands/temporarycopies.h"
#include "platform/processstart.h"
#include "testsupport.h"

class TempCopiesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void init()
    {
        temp.reset(new QTemporaryDir(scratch.filePath(QStringLiteral("tmp-XXXXXX"))));
        qputenv("TMPDIR", temp->path().toLocal8Bit());
        probeOut = Harness::probeOutput(scratch);
    }
    void cleanup() { qunsetenv("GP_PROBE_SLEEP_MS"); }

    void copyGoesWhenItsProgramEnds()
    {
        qputenv("GP_PROBE_SLEEP_MS", "1500");
        QVERIFY(Harness::runChain(CommandType::RunInTemp, Harness::probeClick()).quit);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        const QString copy = records[0].program;
        QVERIFY(copy.startsWith(temp->path()));
        // Running: neither a sweep nor a second start takes it away.
        QCOMPARE(TemporaryCopies::sweep(), 0);
        QVERIFY(QFileInfo::exists(copy));
        QVERIFY(TemporaryCopies::inUse(copy));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(copy), 20000);
    }

    void leftBehindCopiesAreSwept()
    {
        const QString folder = Platform::privateCopyFolder();
        QVERIFY(!folder.isEmpty());
        const QString stale = folder + QStringLiteral("/old-tool");
        QVERIFY(TestSupport::writeFile(stale, "left by a launcher that ended"));
        QVERIFY(TestSupport::writeFile(stale + QStringLiteral(".gatepoint-pid"), "999999999"));
        // A copy whose recorded process still runs stays.
        const QString live = folder + QStringLiteral("/live-tool");
        QVERIFY(TestSupport::writeFile(live, "x"));
        QVERIFY(TestSupport::writeFile(
            live + QStringLiteral(".gatepoint-pid"), QByteArray::number(QCoreApplication::applicationPid())));
        QCOMPARE(TemporaryCopies::sweep(), 1);
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(!QFileInfo::exists(stale + QStringLiteral(".gatepoint-pid")));
        QVERIFY(QFileInfo::exists(live));
    }

    // Anybody may rename entries of the temporary folder (no sticky bit):
    // the copy goes to the user's private folder instead.
    void sharedFolderWithoutStickyBitIsNotUsed()
    {
        QVERIFY(QFile::setPermissions(temp->path(), QFileDevice::Permissions(0x7777)));
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(
            runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        const Harness::ChainResult result = Harness::runChain(CommandType::RunInTemp, Harness::probeClick());
        qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY(result.quit);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QVERIFY2(records[0].program.startsWith(runtime.path() + QLatin1Char('/')), qPrintable(records[0].program));
    }

    // Between the copy and its start the copy is replaced by another
    // program: that program must not run, and it is not ours to remove.
    void swappedCopyIsNotStarted()
    {
        const QString intruder = scratch.filePath(QStringLiteral("intruder.sh"));
        const QString mark = scratch.filePath(QStringLiteral("intruder-ran"));
        QVERIFY(TestSupport::writeFile(intruder, "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n"));
        QVERIFY(
            QFile::setPermissions(intruder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QSignalSpy notices(StartNotices::instance(), &StartNotices::startFailed);
        int commands = 0;
        QString swapped;
        runCommandChain(CommandType::RunInTemp, Harness::probeClick(), [&](ICommand *command) {
            if (++commands != 2)
                return;
            swapped = command->parameters.value(Param::cmdline).toString();
            QFile::remove(swapped);
            QFile::copy(intruder, swapped);
        });
        QCOMPARE(commands, 2);
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().at(1).toInt(), int(StartNotices::CopyReplaced));
        QVERIFY(QFileInfo::exists(swapped));
        QVERIFY(!QFileInfo::exists(mark));
        QVERIFY(TestSupport::readProbeRecords(probeOut).isEmpty());
    }

    // A run-in-temp start ends the launcher at once, so its copy outlives
    // it. The next start of the launcher removes the copies whose programs
    // have ended and leaves the running ones alone.
    void nextStartRemovesCopiesOfEndedPrograms()
    {
        LinksFolder links;
        const QString program = links.layOutMedium();
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("probe.link"), 1);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), links.root.path());
        env.insert(QStringLiteral("TMPDIR"), temp->path());
        env.remove(QStringLiteral("PIN_CHECK_DONE"));

        // As an earlier launcher leaves them: one copy whose program runs,
        // one whose program has ended.
        const QString folder = Platform::privateCopyFolder();
        QVERIFY(!folder.isEmpty());
        const QString running = folder + QStringLiteral("/running-tool");
        const QString ended = folder + QStringLiteral("/ended-tool");
        for (const QString &copy : { running, ended })
            QVERIFY(QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), copy));
        QProcess runningProgram;
        QProcessEnvironment sleeping = env;
        sleeping.insert(QStringLiteral("GP_PROBE_SLEEP_MS"), QStringLiteral("600000"));
        runningProgram.setProcessEnvironment(sleeping);
        runningProgram.start(running, { QStringLiteral("running") });
        QVERIFY(runningProgram.waitForStarted());
        const auto stopRunning = qScopeGuard([&] {
            runningProgram.kill();
            runningProgram.waitForFinished();
        });
        QVERIFY(TestSupport::writeFile(
            running + QStringLiteral(".gatepoint-pid"), QByteArray::number(runningProgram.processId())));
        QProcess endedProgram;
        endedProgram.start(ended, { QStringLiteral("ended") });
        QVERIFY(endedProgram.waitForFinished());
        QVERIFY(TestSupport::writeFile(
            ended + QStringLiteral(".gatepoint-pid"), QByteArray::number(endedProgram.processId())));
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 2).size(), 2);

        auto handOver = [&](const char *argument) {
            return TestSupport::runProgram(
                program, { QStringLiteral("probe"), QString::fromLatin1(argument) }, env, 30000)
                .code;
        };
        QCOMPARE(handOver("a b"), 0);
        auto records = TestSupport::waitForProbeRecords(probeOut, 3);
        QCOMPARE(records.size(), 3);
        QCOMPARE(records.last().rawArguments, QList<QByteArray> { "a b" });
        QVERIFY(!QFileInfo::exists(ended));
        QVERIFY(!QFileInfo::exists(ended + QStringLiteral(".gatepoint-pid")));
        QVERIFY(QFileInfo::exists(running));

        runningProgram.kill();
        QVERIFY(runningProgram.waitForFinished());
        QCOMPARE(handOver("c"), 0);
        records = TestSupport::waitForProbeRecords(probeOut, 4);
        QCOMPARE(records.size(), 4);
        QCOMPARE(records.last().rawArguments, QList<QByteArray> { "c" });
        QVERIFY(!QFileInfo::exists(running));
        QVERIFY(!QFileInfo::exists(running + QStringLiteral(".gatepoint-pid")));
    }

private:
    QTemporaryDir scratch;
    QScopedPointer<QTemporaryDir> temp;
    QString probeOut;
};

QTEST_MAIN(TempCopiesTest)
#include "tst_tempcopies.moc"
