// Programs that end the launcher: a copy started from this user's private
// temporary folder, and a plain start followed by the quit. Copies are
// removed once their program ends, kept while it runs, swept by the next
// start when left behind; a copy swapped before its start is not run.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include "../window/windowfixture.h"
#include "commandharness.h"
#include "commands/startnotices.h"
#include "commands/temporarycopies.h"
#include "platform/processstart.h"

using Harness::probeClick;
using Harness::runChain;

class RunInTempTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Every case gets its own shared temporary folder.
    void init()
    {
        temp.reset(new QTemporaryDir(scratch.filePath(QStringLiteral("tmp-XXXXXX"))));
        qputenv("TMPDIR", temp->path().toLocal8Bit());
        probeOut = Harness::probeOutput(scratch);
        QTemporaryFile mine(temp->filePath(QStringLiteral("who-XXXXXX")));
        QVERIFY(mine.open());
        privateFolder
            = temp->filePath(QStringLiteral("gatepoint-") + QString::number(QFileInfo(mine.fileName()).ownerId()));
    }
    void cleanup() { qunsetenv("GP_PROBE_SLEEP_MS"); }

    // The copy goes to the private folder under the program's name; an old
    // copy there is replaced; something that cannot be removed (a folder
    // that is not empty) sends the copy to a numbered name.
    void copiesAndStarts_data()
    {
        QTest::addColumn<QString>("inTheWay"); // a file or folder already at the name
        QTest::addColumn<bool>("numbered");
        QTest::newRow("first run") << QString() << false;
        QTest::newRow("old copy") << QStringLiteral("/gp_probe") << false;
        QTest::newRow("stuck copy") << QStringLiteral("/gp_probe/busy") << true;
    }
    void copiesAndStarts()
    {
        QFETCH(QString, inTheWay);
        QFETCH(bool, numbered);
        if (!inTheWay.isEmpty()) {
            QVERIFY(TestSupport::writeFile(privateFolder + inTheWay, "an old copy"));
            QFile::setPermissions(
                privateFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        auto parameters = probeClick({ QStringLiteral("x") });
        parameters.insert(Param::workingdir, scratch.path());
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, parameters);
        QVERIFY(result.quit);
        QCOMPARE(result.done, 0);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        const QString name = numbered ? QStringLiteral("[1-9]\\d{4}gp_probe") : QStringLiteral("gp_probe");
        QVERIFY(QRegularExpression(QStringLiteral("^%1/%2$").arg(QRegularExpression::escape(privateFolder), name))
                    .match(records[0].program)
                    .hasMatch());
        QCOMPARE(records[0].cwd, privateFolder);
        QCOMPARE(records[0].env.value(QStringLiteral("RESOURCEDIR")), QDir::toNativeSeparators(privateFolder));
        QCOMPARE(int(QFileInfo(privateFolder).permissions() & 0x7077), 0x7000); // owner only
    }

    // A program name so long that the numbered name is not a valid name:
    // the copy fails, and nothing may be started in its place.
    void failedCopyStartsNothing()
    {
        const QString name(252, QLatin1Char('p')); // 255 is the longest name
        const QString program = scratch.filePath(name);
        QVERIFY(QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), program));
        QVERIFY(TestSupport::writeFile(privateFolder + QLatin1Char('/') + name + QStringLiteral("/busy"), "x"));
        QFile::setPermissions(privateFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        auto parameters = probeClick();
        parameters.insert(Param::cmdline, program);
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, parameters);
        QFile::remove(program);
        QVERIFY(!result.quit);
        QCOMPARE(result.done, 0);
    }

    // The private folder as somebody else may have laid it out; "no sticky
    // bit": anybody may rename entries of the shared folder, so the copy
    // goes to the user's runtime folder instead.
    void unsafeFolderIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("writable by others") << QStringLiteral("shared");
        QTest::newRow("symbolic link") << QStringLiteral("link");
        QTest::newRow("a plain file") << QStringLiteral("file");
        QTest::newRow("another user's") << QStringLiteral("foreign");
        QTest::newRow("no sticky bit") << QStringLiteral("not sticky");
    }
    void unsafeFolderIsRefused()
    {
        QFETCH(QString, kind);
        QTemporaryDir runtime;
        if (kind == QLatin1String("shared")) {
            QVERIFY(QDir().mkdir(privateFolder));
            QFile::setPermissions(privateFolder, QFileDevice::Permissions(0x7777));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(scratch.path(), privateFolder));
        } else if (kind == QLatin1String("file")) {
            QVERIFY(TestSupport::writeFile(privateFolder, "x"));
        } else if (kind == QLatin1String("foreign")) {
            QVERIFY(QDir().mkdir(privateFolder));
            QProcess chown;
            chown.start(QStringLiteral("chown"), { QStringLiteral("65534"), privateFolder });
            if (!chown.waitForFinished() || chown.exitCode() != 0 || QFileInfo(privateFolder).ownerId() != 65534)
                QSKIP("only the superuser can give a folder away");
        } else {
            QVERIFY(QFile::setPermissions(temp->path(), QFileDevice::Permissions(0x7777)));
            QVERIFY(QFile::setPermissions(
                runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
            qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        }
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, probeClick());
        qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY(!QFileInfo::exists(privateFolder + QStringLiteral("/gp_probe")));
        QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("gp_probe"))));
        const auto records = TestSupport::readProbeRecords(probeOut);
        if (kind != QLatin1String("not sticky")) {
            QVERIFY(!result.quit);
            QVERIFY(records.isEmpty());
            return;
        }
        QVERIFY(result.quit);
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).size(), 1);
        QVERIFY(TestSupport::readProbeRecords(probeOut)[0].program.startsWith(runtime.path() + QLatin1Char('/')));
    }

    void runAndExitStartsInPlaceThenQuits()
    {
        qputenv("GP_PROBE_SLEEP_MS", "200");
        const Harness::ChainResult result = runChain(CommandType::RunAndExit, probeClick({ QStringLiteral("-q") }));
        QVERIFY(result.quit);
        QCOMPARE(result.done, 0);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(
            records[0].program, QFileInfo(TestSupport::helperPath(QStringLiteral("gp_probe"))).canonicalFilePath());
        QCOMPARE(records[0].arguments, QStringList { QStringLiteral("-q") });
    }

    // Running, a copy survives a sweep; it goes when its program ends.
    void copyGoesWhenItsProgramEnds()
    {
        qputenv("GP_PROBE_SLEEP_MS", "1500");
        QVERIFY(runChain(CommandType::RunInTemp, probeClick()).quit);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        const QString copy = records[0].program;
        QVERIFY(copy.startsWith(temp->path()));
        QCOMPARE(TemporaryCopies::sweep(), 0);
        QVERIFY(TemporaryCopies::inUse(copy));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(copy), 20000);
    }

    // A run-in-temp start ends the launcher at once, so its copy outlives
    // it. The next start of the launcher removes the copies whose programs
    // have ended and leaves the running ones alone.
    void nextStartSweepsCopiesOfEndedPrograms()
    {
        LinksFolder links;
        links.layOutMedium();
        links.skin();
        links.probeLink(QStringLiteral("probe.link"), 1);
        qputenv("TMPDIR", links.root.path().toLocal8Bit()); // as the launcher is run
        const QString folder = Platform::privateCopyFolder();
        QVERIFY(!folder.isEmpty());
        const QString ended = folder + QStringLiteral("/ended-tool");
        const QString running = folder + QStringLiteral("/running-tool");
        QVERIFY(TestSupport::writeFile(ended, "left by a launcher that ended"));
        QVERIFY(TestSupport::writeFile(ended + QStringLiteral(".gatepoint-pid"), "999999999"));
        QVERIFY(TestSupport::writeFile(running, "x"));
        QVERIFY(TestSupport::writeFile(
            running + QStringLiteral(".gatepoint-pid"), QByteArray::number(QCoreApplication::applicationPid())));
        QCOMPARE(links.runLauncher({ QStringLiteral("probe"), QStringLiteral("a") }).code, 0);
        QCOMPARE(TestSupport::waitForProbeRecords(links.probeOut(), 1).size(), 1);
        QVERIFY(!QFileInfo::exists(ended));
        QVERIFY(!QFileInfo::exists(ended + QStringLiteral(".gatepoint-pid")));
        QVERIFY(QFileInfo::exists(running));
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
        runCommandChain(CommandType::RunInTemp, probeClick(), [&](ICommand *command) {
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

private:
    QTemporaryDir scratch;
    QScopedPointer<QTemporaryDir> temp;
    QString privateFolder;
    QString probeOut;
};

QTEST_MAIN(RunInTempTest)
#include "tst_runintemp.moc"
