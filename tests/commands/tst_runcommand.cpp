// Starting programs through RUN and the commands that only set RUN up:
// arguments, working folder, environment, process-id file, hidden and
// waiting starts, and how the result reaches the button.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "config/paths.h"
#include "commandharness.h"

using Harness::probeClick;
using Harness::runChain;

class RunCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }
    void init() { probeOut = Harness::probeOutput(scratch); }

    // Beside the program by default (a configured folder:
    // tst_startprogram), with the launcher's compatibility and token
    // variables left out.
    void workingFolderAndEnvironment()
    {
        qputenv("__COMPAT_LAYER", "WinXPSp3");
        qputenv("RWROOT", "stale");
        runChain(CommandType::Run, probeClick());
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        const QString expected = QFileInfo(TestSupport::helperPath(QString())).canonicalFilePath();
        QCOMPARE(records[0].cwd, expected);
        QCOMPARE(records[0].env.value(QStringLiteral("RESOURCEDIR")), QDir::toNativeSeparators(expected));
        QVERIFY(!records[0].env.contains(QStringLiteral("__COMPAT_LAYER")));
        QVERIFY(!records[0].env.contains(QStringLiteral("RWROOT"))); // no token here
    }

    // The resource directory's blob wins; one beside the program is the
    // fallback; with neither, an earlier value stays.
    void pythonPathFollowsTheBlob()
    {
        QTemporaryDir programDir;
        const QString program = programDir.filePath(QStringLiteral("tool"));
        QVERIFY(QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), program));
        auto parameters = probeClick();
        parameters.insert(Param::cmdline, program);

        // Each probe has written its record before the next starts: started
        // side by side, they may write in either order.
        qputenv("PYTHONPATH", "earlier");
        runChain(CommandType::Run, parameters);
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).size(), 1);
        QVERIFY(TestSupport::writeFile(programDir.filePath(QStringLiteral("blob.bin")), "x"));
        runChain(CommandType::Run, parameters);
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 2).size(), 2);
        const QString commons
            = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../Commons"));
        QVERIFY(TestSupport::writeFile(commons + QStringLiteral("/blob.bin"), "y"));
        resetResourceDirectoryCache();
        runChain(CommandType::Run, parameters);
        const QString resourceBlob = QFileInfo(commons).canonicalFilePath() + QStringLiteral("/blob.bin");
        QDir(commons).removeRecursively();
        resetResourceDirectoryCache();

        const auto records = TestSupport::waitForProbeRecords(probeOut, 3);
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0].env.value(QStringLiteral("PYTHONPATH")), QStringLiteral("earlier"));
        QCOMPARE(records[1].env.value(QStringLiteral("PYTHONPATH")),
            QFileInfo(programDir.filePath(QStringLiteral("blob.bin"))).canonicalFilePath());
        QCOMPARE(records[2].env.value(QStringLiteral("PYTHONPATH")), resourceBlob);
    }

    // A waited-for start writes its id too. (Detached starts: the hand-over
    // in tst_hostilemedium.)
    void pidFileHoldsTheWaitedForProgram()
    {
        const QString pidPath = scratch.filePath(QStringLiteral("tool.pid"));
        QVERIFY(TestSupport::writeFile(pidPath, "99999999 an older and longer id"));
        auto parameters = probeClick();
        parameters.insert(Param::pidpath, pidPath);
        parameters.insert(Param::runandwait, true);
        QVERIFY(runChain(CommandType::Run, parameters).done == 1);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QFile file(pidPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::number(records[0].pid));
    }

    // Neither an existing id file is wiped nor a new one made for a
    // program that never ran.
    void failedStartLeavesThePidFileAlone()
    {
        const QString notProgram = scratch.filePath(QStringLiteral("notes.txt"));
        QVERIFY(TestSupport::writeFile(notProgram, "not a program"));
        const QString oldPid = scratch.filePath(QStringLiteral("old.pid"));
        const QString freshPid = scratch.filePath(QStringLiteral("fresh.pid"));
        QVERIFY(TestSupport::writeFile(oldPid, "4242"));
        for (const bool wait : { false, true }) {
            for (const QString &pidPath : { oldPid, freshPid }) {
                auto parameters = probeClick();
                parameters.insert(Param::cmdline, notProgram);
                parameters.insert(Param::pidpath, pidPath);
                parameters.insert(Param::runandwait, wait);
                runChain(CommandType::Run, parameters);
            }
            QFile file(oldPid);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("4242"));
            QVERIFY(!QFileInfo::exists(freshPid));
        }
    }

    void missingProgramStartsNothingAndReportsNothing()
    {
        auto parameters = probeClick();
        for (const QString &cmdline : { scratch.filePath(QStringLiteral("absent")), QString(), scratch.path() }) {
            parameters.insert(Param::cmdline, cmdline);
            const Harness::ChainResult result = runChain(CommandType::Run, parameters);
            QCOMPARE(result.done, 0);
            QVERIFY(!result.quit);
        }
    }

    // A check button's program has ended when the chain returns, so the
    // button reads the state the program left.
    void checkButtonWaitsForTheProgram()
    {
        qputenv("GP_PROBE_SLEEP_MS", "300");
        const Harness::ChainResult result = runChain(CommandType::CheckButton, probeClick({ QStringLiteral("on") }));
        qunsetenv("GP_PROBE_SLEEP_MS");
        QCOMPARE(TestSupport::readProbeRecords(probeOut).size(), 1);
        QCOMPARE(result.done, 1);
        QVERIFY(result.doneAfterDeletion);
        QVERIFY(!result.quit);
    }

    // The shell-style start hands over one parameter string, each argument
    // quoted, so every argument arrives whole.
    void hiddenStartKeepsEveryArgument()
    {
        const QString pidPath = scratch.filePath(QStringLiteral("hidden.pid"));
        const QStringList arguments { QStringLiteral("a"), QStringLiteral("e:/My Documents"),
            QStringLiteral("say \"x\"\\"), QString() };
        auto parameters = probeClick(arguments);
        parameters.insert(Param::pidpath, pidPath);
        const Harness::ChainResult result = runChain(CommandType::Win32RunHidden, parameters);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].arguments, arguments);
        QCOMPARE(result.done, 0);
        QVERIFY(!result.quit);
        QVERIFY(!QFileInfo::exists(pidPath));
    }

private:
    QTemporaryDir scratch;
    QString probeOut;
};

QTEST_MAIN(RunCommandTest)
#include "tst_runcommand.moc"
