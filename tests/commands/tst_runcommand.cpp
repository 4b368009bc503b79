// Starting programs through RUN and the commands that set RUN up: working
// folder, environment, process-id file, hidden and waiting starts; programs
// that end the launcher: a plain start followed by the quit, and a copy
// started from this user's private temporary folder (removed once its
// program ends, kept while it runs, swept by the next start when left
// behind; a copy swapped before its start is not run); and the commands
// that open a folder or reload the window instead.

#include <QtTest>

#include <unistd.h>

#include "../window/windowfixture.h"
#include "commandharness.h"
#include "commands/startnotices.h"
#include "commands/temporarycopies.h"
#include "platform/processstart.h"

using Harness::probeClick;
using Harness::runChain;

namespace {
const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
}

class RunCommandTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QScopedPointer<QTemporaryDir> temp;
    QString privateFolder;
    QString probeOut;

private slots:
    void initTestCase() { TestSupport::isolate(); }
    // Every case gets its own shared temporary folder.
    void init()
    {
        temp.reset(new QTemporaryDir(scratch.filePath("tmp-XXXXXX")));
        qputenv("TMPDIR", temp->path().toLocal8Bit());
        probeOut = Harness::probeOutput(scratch);
        privateFolder = temp->filePath("gatepoint-" + QString::number(::geteuid()));
    }
    void cleanup() { qunsetenv("GP_PROBE_SLEEP_MS"); }

    // A check button's program has ended when the chain returns, so the
    // button reads the state the program left; a waited-for start writes
    // its id too, over an older and longer one. (Detached starts: the
    // hand-over in tst_hostilemedium.)
    void checkButtonWaitsForTheProgram()
    {
        qputenv("GP_PROBE_SLEEP_MS", "300");
        const QString pidPath = scratch.filePath("tool.pid");
        QVERIFY(TestSupport::writeFile(pidPath, "99999999 an older and longer id"));
        auto parameters = probeClick({ "on" });
        parameters.insert(Param::pidpath, pidPath);
        const Harness::ChainResult result = runChain(CommandType::CheckButton, parameters);
        const auto records = TestSupport::readProbeRecords(probeOut);
        QCOMPARE(records.size(), 1);
        QCOMPARE(result.done, 1);
        QVERIFY(result.doneAfterDeletion && !result.quit);
        QFile file(pidPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::number(records.first().pid));
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
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).value(0).arguments, arguments);
        QCOMPARE(result.done, 0);
        QVERIFY(!result.quit);
        QVERIFY(!QFileInfo::exists(pidPath));
    }

    // Started in place, beside the program by default (a configured folder:
    // tst_platform; failed starts: tst_userdata), with the launcher's
    // compatibility and token variables left out; then the launcher quits.
    void runAndExitStartsInPlaceThenQuits()
    {
        qputenv("__COMPAT_LAYER", "WinXPSp3");
        qputenv("RWROOT", "stale");
        qputenv("GP_PROBE_SLEEP_MS", "200");
        const Harness::ChainResult result = runChain(CommandType::RunAndExit, probeClick({ "-q" }));
        QVERIFY(result.quit);
        QCOMPARE(result.done, 0);
        const TestSupport::ProbeRecord record = TestSupport::waitForProbeRecords(probeOut, 1).value(0);
        const QString folder = QFileInfo(TestSupport::helperPath(QString())).canonicalFilePath();
        QCOMPARE(record.program, folder + "/gp_probe");
        QCOMPARE(record.arguments, QStringList { "-q" });
        QCOMPARE(record.cwd, folder);
        QCOMPARE(record.env.value("RESOURCEDIR"), QDir::toNativeSeparators(folder));
        QVERIFY(!record.env.contains("__COMPAT_LAYER"));
        QVERIFY(!record.env.contains("RWROOT")); // no token here
    }

    // The copy goes to the private folder under the program's name; an old
    // copy there is replaced; something that cannot be removed (a folder
    // that is not empty) sends the copy to a numbered name, and when that
    // name is too long nothing may start in its place.
    void copiesAndStarts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("inTheWay"); // at the copy's own name: 0 nothing, 1 a file, 2 a full folder
        QTest::addColumn<QString>("copy"); // a pattern; empty when nothing starts
        QTest::newRow("first run") << "gp_probe" << 0 << "gp_probe";
        QTest::newRow("old copy") << "gp_probe" << 1 << "gp_probe";
        QTest::newRow("stuck copy") << "gp_probe" << 2 << "[1-9]\\d{4}gp_probe";
        QTest::newRow("stuck, no room for a number") << QString(252, 'p') << 2 << QString(); // 255 at most
    }
    void copiesAndStarts()
    {
        QFETCH(QString, name);
        QFETCH(int, inTheWay);
        QFETCH(QString, copy);
        const QString program = scratch.filePath(name);
        QFile::remove(program);
        QVERIFY(QFile::copy(TestSupport::helperPath("gp_probe"), program));
        if (inTheWay) {
            QVERIFY(TestSupport::writeFile(privateFolder + '/' + name + (inTheWay == 2 ? "/busy" : ""), "old"));
            QFile::setPermissions(privateFolder, ownerOnly);
        }
        auto parameters = probeClick({ "x" });
        parameters.insert(Param::cmdline, program);
        parameters.insert(Param::workingdir, scratch.path());
        QSignalSpy notices(StartNotices::instance(), &StartNotices::startFailed);
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, parameters);
        QFile::remove(program);
        QCOMPARE(result.done, 0);
        QCOMPARE(result.quit, !copy.isEmpty());
        // A copy that cannot be made is shown like any other failed start.
        QCOMPARE(notices.count(), copy.isEmpty() ? 1 : 0);
        if (copy.isEmpty())
            return;
        const TestSupport::ProbeRecord record = TestSupport::waitForProbeRecords(probeOut, 1).value(0);
        const QRegularExpression expected('^' + QRegularExpression::escape(privateFolder + '/') + copy + '$');
        QVERIFY2(expected.match(record.program).hasMatch(), qPrintable(record.program));
        QCOMPARE(record.cwd, privateFolder);
        QCOMPARE(record.env.value("RESOURCEDIR"), QDir::toNativeSeparators(privateFolder));
        QCOMPARE(int(QFileInfo(privateFolder).permissions() & 0x7077), 0x7000); // owner only
    }

    // The private folder as somebody else may have laid it out (a plain
    // file fails the link's check: no folder); "no sticky bit": anybody may
    // rename entries of the shared folder, so the copy goes to the user's
    // runtime folder instead.
    void unsafeFolderIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : { "writable by others", "symbolic link", "another user's", "not sticky" })
            QTest::newRow(kind) << kind;
    }
    void unsafeFolderIsRefused()
    {
        QFETCH(QString, kind);
        QTemporaryDir runtime;
        if (kind == "writable by others") {
            QVERIFY(QDir().mkdir(privateFolder));
            QFile::setPermissions(privateFolder, QFileDevice::Permissions(0x7777));
        } else if (kind == "symbolic link") {
            QVERIFY(QFile::link(scratch.path(), privateFolder));
        } else if (kind == "another user's") {
            QVERIFY(QDir().mkdir(privateFolder));
            if (TestSupport::runProgram("chown", { "65534", privateFolder }).code != 0
                || QFileInfo(privateFolder).ownerId() != 65534)
                QSKIP("only the superuser can give a folder away");
        } else {
            QVERIFY(QFile::setPermissions(temp->path(), QFileDevice::Permissions(0x7777)));
            QVERIFY(QFile::setPermissions(runtime.path(), ownerOnly));
            qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        }
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, probeClick());
        qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY(!QFileInfo::exists(privateFolder + "/gp_probe"));
        QVERIFY(!QFileInfo::exists(scratch.filePath("gp_probe")));
        const bool elsewhere = kind == "not sticky";
        QCOMPARE(result.quit, elsewhere);
        const auto records
            = elsewhere ? TestSupport::waitForProbeRecords(probeOut, 1) : TestSupport::readProbeRecords(probeOut);
        QCOMPARE(records.size(), elsewhere ? 1 : 0);
        QVERIFY(!elsewhere || records[0].program.startsWith(runtime.path() + '/'));
    }

    // Running, a copy survives a sweep; it goes when its program ends.
    void copyGoesWhenItsProgramEnds()
    {
        qputenv("GP_PROBE_SLEEP_MS", "1500");
        QVERIFY(runChain(CommandType::RunInTemp, probeClick()).quit);
        const QString copy = TestSupport::waitForProbeRecords(probeOut, 1).value(0).program;
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
        links.probeLink("probe.link", 1);
        qputenv("TMPDIR", links.root.path().toLocal8Bit()); // as the launcher is run
        const QString folder = Platform::privateCopyFolder();
        QVERIFY(!folder.isEmpty());
        const QString ended = folder + "/ended-tool";
        const QString running = folder + "/running-tool";
        QVERIFY(TestSupport::writeFile(ended, "left by a launcher that ended"));
        QVERIFY(TestSupport::writeFile(ended + ".gatepoint-pid", "999999999"));
        QVERIFY(TestSupport::writeFile(running, "x"));
        QVERIFY(
            TestSupport::writeFile(running + ".gatepoint-pid", QByteArray::number(QCoreApplication::applicationPid())));
        QCOMPARE(links.runLauncher({ "probe", "a" }).code, 0);
        QCOMPARE(TestSupport::waitForProbeRecords(links.probeOut(), 1).size(), 1);
        QVERIFY(!QFileInfo::exists(ended) && !QFileInfo::exists(ended + ".gatepoint-pid"));
        QVERIFY(QFileInfo::exists(running));
    }

    // Between the copy and its start the copy is replaced by another
    // program: that program must not run, and it is not ours to remove.
    void swappedCopyIsNotStarted()
    {
        const QString intruder = scratch.filePath("intruder.sh");
        const QString mark = scratch.filePath("intruder-ran");
        QVERIFY(TestSupport::writeFile(intruder, "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(intruder, ownerOnly));
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

    // A folder to open is made first (without a folder: tst_toolbutton); a
    // reload goes to the first argument only.
    void foldersAndReloads()
    {
        TestSupport::UrlCatcher catcher;
        const QString folder = scratch.filePath("new/deeper/data");
        runChain(CommandType::OpenFolder, { { Param::cmdline, folder } });
        QCOMPARE(catcher.opened, QList<QUrl> { QUrl::fromLocalFile(folder) });
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(runChain(CommandType::Reload, { { Param::arguments, QStringList { "links/B", "C" } } }).reloads,
            QStringList { "links/B" });
    }
};

QTEST_MAIN(RunCommandTest)
#include "tst_runcommand.moc"
