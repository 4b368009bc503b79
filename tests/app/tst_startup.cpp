// The command line and the placeholders of configured paths. (%lang% and
// the environment of started programs are checked through the probe in
// tst_process and tst_runcommand.)
#include <QtTest>

#include "config/paths.h"
#include "app/startup.h"
#include "testsupport.h"

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // A process-id path may come anywhere after the button, only with its
    // exact prefix and separator.
    void processPidPath_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("pidPath");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("anywhere") << QStringList { "gp", "sign", "a", "processpidpath::/tmp/p id", "b" }
                                  << QStringLiteral("/tmp/p id") << QStringList { "sign", "a", "b" };
        QTest::newRow("without separator")
            << QStringList { "gp", "sign", "processpidpath" } << QString() << QStringList { "sign" };
        QTest::newRow("case-sensitive prefix") << QStringList { "gp", "sign", "ProcessPidPath::x" } << QString()
                                               << QStringList { "sign", "ProcessPidPath::x" };
    }
    void processPidPath()
    {
        QFETCH(QStringList, arguments);
        const StartupArguments parsed = parseStartupArguments(arguments);
        QVERIFY(parsed.hasFileArguments);
        QTEST(parsed.processPidPath, "pidPath");
        QTEST(parsed.fileArguments, "files");
    }

    void fullCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("request");
        QTest::addColumn<QString>("debugLog");
        QTest::addColumn<QList<int>>("toolkit");
        QTest::addColumn<bool>("hide");
        QTest::addColumn<QStringList>("files");
        const QList<int> none;
        QTest::newRow("version, the rest ignored") << QStringList { "--version", "probe" } << int(CommandLine::Version)
                                                   << QString() << none << false << QStringList();
        QTest::newRow("help and hide after a button are files")
            << QStringList { "probe", "--help", "--hide" } << int(CommandLine::Run) << QString() << none << false
            << QStringList { "probe", "--help", "--hide" };
        QTest::newRow("help after a toolkit option is a button")
            << QStringList { "-reverse", "--help" } << int(CommandLine::Run) << QString() << QList<int> { 0 } << false
            << QStringList { "--help" };
        QTest::newRow("debug log before the button")
            << QStringList { "--debug-log", "/tmp/d.log", "probe", "--debug-log", "x" } << int(CommandLine::Run)
            << QStringLiteral("/tmp/d.log") << none << false << QStringList { "probe", "--debug-log", "x" };
        QTest::newRow("debug log and hide") << QStringList { "--debug-log", "d.log", "--HIDE" } << int(CommandLine::Run)
                                            << QStringLiteral("d.log") << none << true << QStringList();
        QTest::newRow("toolkit options only before the button")
            << QStringList { "-style", "fusion", "-reverse", "probe", "-style", "x", "-reverse", "-platform", "y" }
            << int(CommandLine::Run) << QString() << QList<int> { 0, 1, 2 } << false
            << QStringList { "probe", "-style", "x", "-reverse", "-platform", "y" };
        QTest::newRow("toolkit options with two dashes or a value after =")
            << QStringList { "--platform", "offscreen", "-style=fusion", "--debug-log", "d", "-session", "s1", "probe" }
            << int(CommandLine::Run) << QStringLiteral("d") << QList<int> { 0, 1, 2, 5, 6 } << false
            << QStringList { "probe" };
        QTest::newRow("after --hide nothing counts")
            << QStringList { "--hide", "-platform", "x" } << int(CommandLine::Run) << QString() << none << true
            << QStringList();
        QTest::newRow("unknown dash word is a button")
            << QStringList { "-x", "-style", "y" } << int(CommandLine::Run) << QString() << none << false
            << QStringList { "-x", "-style", "y" };
    }

    void fullCommandLine()
    {
        QFETCH(QStringList, arguments);
        const CommandLine parsed = parseCommandLine(arguments);
        QTEST(int(parsed.request), "request");
        QTEST(parsed.debugLog, "debugLog");
        QTEST(parsed.toolkitArguments, "toolkit");
        QTEST(parsed.startup.hide, "hide");
        QTEST(parsed.startup.fileArguments, "files");
    }

    void placeholders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString exe = QCoreApplication::applicationDirPath();
        qputenv("GP_TEST_VALUE", "value");
        qunsetenv("GP_TEST_UNSET");
        QTest::newRow("pid") << "x%pid%y"
                             << "x" + pid + "y";
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
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
