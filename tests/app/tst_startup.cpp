// The command line, the placeholders of configured paths and the
// environment the launcher hands to the programs it starts.
#include <QtTest>

#include <QProcess>

#include "config/language.h"
#include "config/paths.h"
#include "app/startup.h"
#include "testsupport.h"

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("hide");
        QTest::addColumn<bool>("handOver");
        QTest::addColumn<QString>("pidPath");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("nothing") << QStringList { "gp" } << false << false << QString() << QStringList();
        QTest::newRow("hide any case") << QStringList { "gp", "--HiDe", "x" } << true << false << QString()
                                       << QStringList();
        QTest::newRow("hide second is a file")
            << QStringList { "gp", "sign", "--hide" } << false << true << QString() << QStringList { "sign", "--hide" };
        QTest::newRow("pid path anywhere")
            << QStringList { "gp", "sign", "a", "processpidpath::/tmp/p id", "b" } << false << true
            << QStringLiteral("/tmp/p id") << QStringList { "sign", "a", "b" };
        QTest::newRow("pid path without separator")
            << QStringList { "gp", "sign", "processpidpath" } << false << true << QString() << QStringList { "sign" };
        QTest::newRow("case-sensitive prefix") << QStringList { "gp", "sign", "ProcessPidPath::x" } << false << true
                                               << QString() << QStringList { "sign", "ProcessPidPath::x" };
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        const StartupArguments parsed = parseStartupArguments(arguments);
        QTEST(parsed.hide, "hide");
        QTEST(parsed.hasFileArguments, "handOver");
        QTEST(parsed.processPidPath, "pidPath");
        QTEST(parsed.fileArguments, "files");
    }

    void placeholders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString exe = QCoreApplication::applicationDirPath();
        qputenv("GP_TEST_VALUE", "value");
        qunsetenv("GP_TEST_UNSET");
        QTest::newRow("plain") << "C:/tools/a b.exe"
                               << "C:/tools/a b.exe";
        QTest::newRow("pid") << "x%pid%y"
                             << "x" + pid + "y";
        QTest::newRow("pid upper stays") << "%PID%"
                                         << "%PID%";
        QTest::newRow("root upper stays") << "%ROOT%/x"
                                          << "%ROOT%/x";
        QTest::newRow("exepath") << "%exepath%/tool" << exe + "/tool";
        QTest::newRow("environment component") << "/base/$GP_TEST_VALUE/x"
                                               << "/base/value/x";
        QTest::newRow("unset component is lost") << "$GP_TEST_UNSET/x"
                                                 << "x";
        QTest::newRow("dollar inside a component stays") << "/a/b$c/d"
                                                         << "/a/b$c/d";
        QTest::newRow("doubled slash collapses with a dollar") << "/a//$GP_TEST_VALUE"
                                                               << "/a/value";
        QTest::newRow("no drive on a fixed disk") << "[%CDROM%|%flash%]"
                                                  << "[|]";
    }

    void placeholders()
    {
        QFETCH(QString, text);
        // Drive discovery looks at a tree that is not a token.
        qputenv("GATEPOINT_SYSTEM_ROOT", "/nonexistent");
        QTEST(expandPlaceholders(text), "expected");
        qunsetenv("GATEPOINT_SYSTEM_ROOT");
    }

    void languageAndResourcePlaceholders()
    {
        QCOMPARE(expandPlaceholders(QStringLiteral("%lang%")), currentLanguage());
        QCOMPARE(expandPlaceholders(QStringLiteral("%respath%")), baseDirectory(true).absolutePath());
    }

    void environmentReachesChildren()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("probe.jsonl"));
        setEnvironmentValue(QStringLiteral("GP_PROBE_OUT"), out);
        setEnvironmentValue(QStringLiteral("RWROOT"), QStringLiteral("/media/flash è"));
        setEnvironmentValue(QStringLiteral("__COMPAT_LAYER"), QStringLiteral("x"));
        setEnvironmentValue(QStringLiteral("__COMPAT_LAYER"), QString()); // removes it
        QVERIFY(!qEnvironmentVariableIsSet("__COMPAT_LAYER"));
        QProcess::execute(TestSupport::helperPath(QStringLiteral("gp_probe")), {});
        const auto records = TestSupport::readProbeRecords(out);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().env.value(QStringLiteral("RWROOT")), QStringLiteral("/media/flash è"));
        QVERIFY(!records.first().env.contains(QStringLiteral("__COMPAT_LAYER")));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
