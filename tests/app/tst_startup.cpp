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
        QTest::newRow("pid") << "x%pid%y"
                             << "x" + pid + "y";
        QTest::newRow("pid upper stays") << "%PID%"
                                         << "%PID%";
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
