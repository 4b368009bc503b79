// The command line, the placeholders of configured paths and the compiled
// catalogues. (%lang% and the environment of started programs are checked
// through the probe in tst_process and tst_runcommand.)
#include <QtTest>

#include "app/startup.h"
#include "config/paths.h"
#include "testsupport.h"

namespace {

// What the parser made of a command line, in the words of the table below.
QString described(const CommandLine &parsed)
{
    QStringList parts;
    if (parsed.request != CommandLine::Run)
        parts << (parsed.request == CommandLine::Help ? "help" : "version");
    if (!parsed.debugLog.isEmpty())
        parts << "log " + parsed.debugLog;
    QStringList toolkit;
    for (int position : parsed.toolkitArguments)
        toolkit << QString::number(position);
    if (!toolkit.isEmpty())
        parts << "toolkit " + toolkit.join(',');
    if (parsed.startup.hide)
        parts << "hide";
    if (!parsed.startup.processPidPath.isEmpty())
        parts << "pid " + parsed.startup.processPidPath;
    if (!parsed.startup.fileArguments.isEmpty())
        parts << "files " + parsed.startup.fileArguments.join('|');
    return parts.join("; ");
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Arguments are split at '|'.
    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("parsed");
        const char *rows[][3] = {
            { "version, the rest ignored", "--version|probe", "version" },
            { "help and hide after a button are files", "probe|--help|--hide", "files probe|--help|--hide" },
            { "help after a toolkit option is a button", "-reverse|--help", "toolkit 0; files --help" },
            { "debug log before the button", "--debug-log|/tmp/d.log|probe|--debug-log|x",
                "log /tmp/d.log; files probe|--debug-log|x" },
            { "debug log and hide", "--debug-log|d.log|--HIDE", "log d.log; hide" },
            { "toolkit options only before the button", "-style|fusion|-reverse|probe|-style|x|-reverse|-platform|y",
                "toolkit 0,1,2; files probe|-style|x|-reverse|-platform|y" },
            { "toolkit options with two dashes or a value after =",
                "--platform|offscreen|-style=fusion|--debug-log|d|-session|s1|probe",
                "log d; toolkit 0,1,2,5,6; files probe" },
            { "after --hide nothing counts", "--hide|-platform|x", "hide" },
            { "unknown dash word is a button", "-x|-style|y", "files -x|-style|y" },
            { "process-id path anywhere after the button", "sign|a|processpidpath::/tmp/p id|b",
                "pid /tmp/p id; files sign|a|b" },
            { "process-id prefix is case-sensitive", "sign|ProcessPidPath::x", "files sign|ProcessPidPath::x" },
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]);
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        QTEST(described(parseCommandLine(arguments.split('|'))), "parsed");
    }

    // Environment variables stand for whole components only. (%pid%:
    // tst_userdata and tst_mainwindow; a variable component: tst_launchbutton;
    // a drive that is not there: tst_userdata.)
    void placeholders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        qputenv("GP_TEST_VALUE", "value");
        qunsetenv("GP_TEST_UNSET");
        QTest::newRow("exepath") << QStringLiteral("%exepath%/tool")
                                 << QCoreApplication::applicationDirPath() + "/tool";
        QTest::newRow("unset component is lost") << QStringLiteral("$GP_TEST_UNSET/x") << QStringLiteral("x");
        QTest::newRow("dollar inside a component stays") << QStringLiteral("/a/b$c/d") << QStringLiteral("/a/b$c/d");
        QTest::newRow("doubled slash collapses with a dollar")
            << QStringLiteral("/a//$GP_TEST_VALUE") << QStringLiteral("/a/value");
    }
    void placeholders()
    {
        QFETCH(QString, text);
        QTEST(expandPlaceholders(text), "expected");
    }

    // The launcher's texts are Italian with accented letters; the compiled
    // catalogues still find them.
    void catalogueFindsAccentedSources()
    {
        QTranslator catalogue;
        QVERIFY(catalogue.load("gatepoint_en", GATEPOINT_BUILD_DIR "/demo-medium/Commons"));
        QCOMPARE(catalogue.translate("StartFailureNotice", "l'unità del token non è disponibile"),
            QStringLiteral("the token's drive is not available"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
