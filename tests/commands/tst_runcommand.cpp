// Starting programs through RUN and the commands that only set RUN up:
// working folder, environment, process-id file, hidden and waiting starts;
// and the commands that hand a target to the desktop or a folder to the
// window instead.

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
        QCOMPARE(records[0].env.value("RESOURCEDIR"), QDir::toNativeSeparators(expected));
        QVERIFY(!records[0].env.contains("__COMPAT_LAYER"));
        QVERIFY(!records[0].env.contains("RWROOT")); // no token here
    }

    // A blob beside the program is the fallback; the resource directory's
    // wins. (Neither: the launcher's value stays, tst_startprogram.)
    void pythonPathFollowsTheBlob()
    {
        QTemporaryDir programDir;
        const QString program = programDir.filePath("tool");
        QVERIFY(QFile::copy(TestSupport::helperPath("gp_probe"), program));
        QVERIFY(TestSupport::writeFile(programDir.filePath("blob.bin"), "x"));
        auto parameters = probeClick();
        parameters.insert(Param::cmdline, program);
        runChain(CommandType::Run, parameters);
        // Written before the next start: probes side by side write in either order.
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).size(), 1);
        const QString commons = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../Commons");
        QVERIFY(TestSupport::writeFile(commons + "/blob.bin", "y"));
        resetResourceDirectoryCache();
        runChain(CommandType::Run, parameters);
        const QString resourceBlob = QFileInfo(commons).canonicalFilePath() + "/blob.bin";
        QDir(commons).removeRecursively();
        resetResourceDirectoryCache();
        const auto records = TestSupport::waitForProbeRecords(probeOut, 2);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].env.value("PYTHONPATH"), QFileInfo(programDir.filePath("blob.bin")).canonicalFilePath());
        QCOMPARE(records[1].env.value("PYTHONPATH"), resourceBlob);
    }

    // A waited-for start writes its id too, over an older and longer one.
    // (Detached starts: the hand-over in tst_hostilemedium; failed starts:
    // tst_userdata.)
    void pidFileHoldsTheWaitedForProgram()
    {
        const QString pidPath = scratch.filePath("tool.pid");
        QVERIFY(TestSupport::writeFile(pidPath, "99999999 an older and longer id"));
        auto parameters = probeClick();
        parameters.insert(Param::pidpath, pidPath);
        parameters.insert(Param::runandwait, true);
        QCOMPARE(runChain(CommandType::Run, parameters).done, 1);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QFile file(pidPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::number(records[0].pid));
    }

    // A check button's program has ended when the chain returns, so the
    // button reads the state the program left.
    void checkButtonWaitsForTheProgram()
    {
        qputenv("GP_PROBE_SLEEP_MS", "300");
        const Harness::ChainResult result = runChain(CommandType::CheckButton, probeClick({ "on" }));
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
        const QString pidPath = scratch.filePath("hidden.pid");
        const QStringList arguments { "a", "e:/My Documents", "say \"x\"\\", QString() };
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

    // A folder to open is made first; empty targets open nothing; a reload
    // goes to the first argument only, and without one nowhere.
    void foldersLinksAndReloads()
    {
        TestSupport::UrlCatcher catcher;
        const QString folder = scratch.filePath("new/deeper/data");
        runChain(CommandType::OpenFolder, { { Param::cmdline, folder } });
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(catcher.opened, QList<QUrl> { QUrl::fromLocalFile(folder) });
        runChain(CommandType::OpenFolder, { { Param::cmdline, QString() } });
        runChain(CommandType::OpenLink, { { Param::cmdline, QString() } });
        QCOMPARE(catcher.opened.size(), 1);
        QCOMPARE(runChain(CommandType::Reload, { { Param::arguments, QStringList { "links/B", "C" } } }).reloads,
            QStringList { "links/B" });
        QVERIFY(runChain(CommandType::Reload, {}).reloads.isEmpty());
    }

private:
    QTemporaryDir scratch;
    QString probeOut;
};

QTEST_MAIN(RunCommandTest)
#include "tst_runcommand.moc"
