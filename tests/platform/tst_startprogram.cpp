// Starting a program: Windows command-line quoting against the splitting
// rules, bytes that are not UTF-8, and every start keeping its own
// environment while the autorun thread starts programs with other values.
#include <QtTest>

#include <QtConcurrent>

#include "../commands/commandharness.h"
#include "commands/autorunstart.h"
#include "config/paths.h"
#include "platform/processstart.h"
#include "platform/textbytes.h"

class StartProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Command lines as Windows programs receive them, split as
    // CommandLineToArgvW splits them; every list quoted into one line comes
    // back from it as it was.
    void windowsCommandLines_data()
    {
        QTest::addColumn<QString>("line"); // none: only quoted and split
        QTest::addColumn<QStringList>("words");
        QTest::newRow("space in a path") << QString() << QStringList { "e:/My Documents", "x" };
        QTest::newRow("empty") << QString() << QStringList { "", "x", "" };
        QTest::newRow("quotes") << QString() << QStringList { "say \"hi\"", "\"" };
        QTest::newRow("backslashes") << QString() << QStringList { "C:\\a b\\", "\\\\\"x\\" };
        QTest::newRow("tab and newline") << QString() << QStringList { "a\tb", "c\nd" };
        QTest::newRow("shell words") << QString() << QStringList { "$(id)", "a;b|c&d'e" };
        QTest::newRow("quoted part") << QStringLiteral("\"a b\" c") << QStringList { "a b", "c" };
        QTest::newRow("escaped quote") << QStringLiteral("a\\\"b") << QStringList { "a\"b" };
        QTest::newRow("backslash before closing quote") << QStringLiteral("\"a\\\\\" b") << QStringList { "a\\", "b" };
        QTest::newRow("literal backslashes") << QStringLiteral("a\\\\b  c") << QStringList { "a\\\\b", "c" };
        QTest::newRow("doubled quote inside quotes") << QStringLiteral("\"a\"\"b\"") << QStringList { "a\"b" };
        QTest::newRow("unclosed quote") << QStringLiteral("\"a b") << QStringList { "a b" };
    }
    void windowsCommandLines()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        if (!line.isNull())
            QCOMPARE(Platform::splitWindowsCommandLine(line), words);
        QCOMPARE(Platform::splitWindowsCommandLine(Platform::windowsCommandLine(words)), words);
    }

    // Stray bytes, a cut sequence and an encoded surrogate half come back
    // as they were, beside the text around them.
    void bytesThatAreNotTextComeBack()
    {
        static const char name[] = "a\xff\xfe-\xc3\xa8-\xe2\x82-\xf0\x9f\x98\x80-\xed\xa0\x80.txt";
        const QByteArray bytes(name, sizeof name - 1);
        const QString text = Platform::decodeText(bytes);
        QVERIFY(text.contains(QString::fromUtf8("-\xc3\xa8-")) && text.contains(QString::fromUtf8("\xf0\x9f\x98\x80")));
        QCOMPARE(Platform::encodeText(text), bytes);
    }

    // The autorun thread starts programs of its own folder again and again
    // while clicks start the probe in another: every program sees the
    // values of its own start, and the launcher's environment stays as it
    // was.
    void clickDuringAutorunKeepsItsValues()
    {
        QTemporaryDir dir;
        const QString out = Harness::probeOutput(dir);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("autorun")) && QDir(dir.path()).mkpath(QStringLiteral("click")));
        const QString autorunFolder = QDir(dir.filePath(QStringLiteral("autorun"))).canonicalPath();
        const QString clickFolder = QDir(dir.filePath(QStringLiteral("click"))).canonicalPath();
        const QString autorunProbe = autorunFolder + QStringLiteral("/gp_probe");
        QVERIFY(QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), autorunProbe));
        qunsetenv("RESOURCEDIR");
        const QString launcherPython = qEnvironmentVariable("PYTHONPATH");
        const QString autorunPython
            = QFileInfo(baseDirectory(true).filePath(QStringLiteral("blob.bin"))).absoluteFilePath();

        constexpr int rounds = 12;
        QFuture<void> pass = QtConcurrent::run([&] {
            for (int i = 0; i < rounds; ++i)
                runAutorunProgram(autorunProbe, { QStringLiteral("autorun") });
        });
        int clicks = 0;
        while (!pass.isFinished() || clicks < 3) {
            auto parameters = Harness::probeClick({ QStringLiteral("click") });
            parameters.insert(Param::workingdir, clickFolder);
            QCOMPARE(Harness::runChain(CommandType::Run, parameters).done, 1);
            TestSupport::waitForProbeRecords(out, ++clicks, 2000);
        }
        pass.waitForFinished();

        const auto records = TestSupport::waitForProbeRecords(out, rounds + clicks);
        QCOMPARE(records.size(), rounds + clicks);
        for (const TestSupport::ProbeRecord &record : records) {
            const bool fromClick = record.arguments == QStringList { QStringLiteral("click") };
            QCOMPARE(record.env.value(QStringLiteral("RESOURCEDIR")), fromClick ? clickFolder : autorunFolder);
            QCOMPARE(record.env.value(QStringLiteral("PYTHONPATH")), fromClick ? launcherPython : autorunPython);
        }
        QVERIFY(!qEnvironmentVariableIsSet("RESOURCEDIR"));
    }
};

QTEST_MAIN(StartProgramTest)
#include "tst_startprogram.moc"
