// Programs that end the launcher: a copy started from this user's private
// temporary folder, and a plain start followed by the quit.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include "commandharness.h"

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
        QVERIFY2(QRegularExpression(QStringLiteral("^%1/%2$").arg(QRegularExpression::escape(privateFolder), name))
                     .match(records[0].program)
                     .hasMatch(),
            qPrintable(records[0].program));
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

    void unsafeFolderIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("writable by others") << QStringLiteral("shared");
        QTest::newRow("symbolic link") << QStringLiteral("link");
        QTest::newRow("a plain file") << QStringLiteral("file");
        QTest::newRow("another user's") << QStringLiteral("foreign");
    }
    void unsafeFolderIsRefused()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("shared")) {
            QVERIFY(QDir().mkdir(privateFolder));
            QFile::setPermissions(privateFolder, QFileDevice::Permissions(0x7777));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(scratch.path(), privateFolder));
        } else if (kind == QLatin1String("file")) {
            QVERIFY(TestSupport::writeFile(privateFolder, "x"));
        } else {
            QVERIFY(QDir().mkdir(privateFolder));
            QProcess chown;
            chown.start(QStringLiteral("chown"), { QStringLiteral("65534"), privateFolder });
            if (!chown.waitForFinished() || chown.exitCode() != 0 || QFileInfo(privateFolder).ownerId() != 65534)
                QSKIP("only the superuser can give a folder away");
        }
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, probeClick());
        QVERIFY(!result.quit);
        QVERIFY(!QFileInfo::exists(privateFolder + QStringLiteral("/gp_probe")));
        QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("gp_probe"))));
        QVERIFY(TestSupport::readProbeRecords(probeOut).isEmpty());
    }

    void missingProgramKeepsTheLauncherRunning()
    {
        auto parameters = probeClick();
        parameters.insert(Param::cmdline, scratch.filePath(QStringLiteral("absent.exe")));
        const Harness::ChainResult result = runChain(CommandType::RunInTemp, parameters);
        QVERIFY(result.known);
        QVERIFY(!result.quit);
        QVERIFY(!QFileInfo::exists(privateFolder + QStringLiteral("/absent.exe")));
    }

    void runAndExitStartsInPlaceThenQuits()
    {
        qputenv("GP_PROBE_SLEEP_MS", "200");
        const Harness::ChainResult result = runChain(CommandType::RunAndExit, probeClick({ QStringLiteral("-q") }));
        qunsetenv("GP_PROBE_SLEEP_MS");
        QVERIFY(result.quit);
        QCOMPARE(result.done, 0);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(
            records[0].program, QFileInfo(TestSupport::helperPath(QStringLiteral("gp_probe"))).canonicalFilePath());
        QCOMPARE(records[0].arguments, QStringList { QStringLiteral("-q") });
    }

private:
    QTemporaryDir scratch;
    QScopedPointer<QTemporaryDir> temp;
    QString privateFolder;
    QString probeOut;
};

QTEST_MAIN(RunInTempTest)
#include "tst_runintemp.moc"
