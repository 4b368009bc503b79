// The program's command line, the placeholders of configured paths and the
// compiled catalogues; the program as a process, started as a user would on
// a medium: the PIN gate, --help and --version, the debug log, and what the
// medium's configuration says (links.conf as UTF-8, linked programs,
// working-folder placeholders, autorun arguments, titles with commas).
// (%lang% and the environment of started programs are checked through the
// probe in tst_runcommand.)
#include <QtTest>

#include <sys/stat.h>

#include "app/startup.h"
#include "config/buttonconfig.h"
#include "config/launcherconfig.h"
#include "config/paths.h"
#include "launchermedium.h"

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

class TestProcess : public QObject {
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
            { "help after a toolkit option is a button", "-reverse|--help", "toolkit 0; files --help" },
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

    // Environment variables stand for whole components only. (A variable
    // component: tst_launchbutton.)
    void placeholders()
    {
        qunsetenv("GP_TEST_UNSET");
        QCOMPARE(expandPlaceholders(QStringLiteral("$GP_TEST_UNSET/x")), QStringLiteral("x"));
        QCOMPARE(expandPlaceholders(QStringLiteral("/a/b$c/d")), QStringLiteral("/a/b$c/d"));
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

    // Only "", "0" and "false" (any case) leave the gate open: "yes" closes
    // it, and a closed gate ends a hand-over with -1 until the PIN check has
    // been passed.
    void pinGateWords()
    {
        Medium medium("pincheck=yes\n");
        QCOMPARE(medium.run({ "probe", "a b" }), 255);
        QVERIFY(TestSupport::readProbeRecords(medium.probeOut).isEmpty());
        medium.env.insert(QStringLiteral("PIN_CHECK_DONE"), QStringLiteral("1"));
        QCOMPARE(medium.run({ "probe", "a b" }), 0);
        medium.env.remove(QStringLiteral("PIN_CHECK_DONE"));
        medium.links.skin("title=process-test\npincheck=False\n");
        QCOMPARE(medium.run({ "probe", "a b" }), 0);
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 2).size(), 2);
    }

    // --help and --version print and end with 0, without a display.
    void helpAndVersion()
    {
        Medium medium;
        medium.env.remove(QStringLiteral("DISPLAY"));
        medium.env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const TestSupport::Finished help = TestSupport::runProgram(medium.program, { "--help" }, medium.env);
        QVERIFY2(help.code == 0 && help.out.contains("--debug-log FILE"), qPrintable(help.out + help.err));
        const TestSupport::Finished version = TestSupport::runProgram(medium.program, { "--version" }, medium.env);
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, QStringLiteral("gatepoint " GATEPOINT_VERSION "\n"));
    }

    // The debug lines go to the file the user names by option or, second,
    // by variable, appended, each with its level and category; the run goes
    // on without it when the file cannot be had.
    void debugLog()
    {
        Medium medium;
        const QString fromOption = medium.links.root.filePath(QStringLiteral("option.log"));
        const QString fromVariable = medium.links.root.filePath(QStringLiteral("variable.log"));
        const QString pipe = medium.links.root.filePath(QStringLiteral("pipe.log"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const auto lines = [](const QString &path) {
            QFile log(path);
            return log.open(QIODevice::ReadOnly) ? log.readAll().count(" debug gatepoint.window: init\n") : -1;
        };
        medium.env.insert(QStringLiteral("GATEPOINT_DEBUG_LOG"), fromVariable);
        QCOMPARE(medium.run({ "probe", "a" }), 0);
        QCOMPARE(medium.run({ "probe", "a" }), 0);
        QCOMPARE(lines(fromVariable), 2);
        QCOMPARE(medium.run({ "--debug-log", fromOption, "probe", "a" }), 0);
        QCOMPARE(lines(fromOption), 1);
        QCOMPARE(lines(fromVariable), 2);
        QCOMPARE(medium.run({ "--debug-log", pipe, "probe", "a" }), 0);
        QVERIFY(!QFileInfo(pipe).isFile());
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 4).size(), 4);
    }

    // links.conf beside the program may name a links folder whose name is
    // not ASCII (links.conf in the home folder: tst_mainwindow). A
    // multi-call program tells by its own name what to do: a link to it is
    // started by the link's name. The working folder may be named by
    // placeholder, as the program is, or relative to the links folder.
    void mediumSettings()
    {
        Medium medium(QByteArray(), "wpath=%respath%/lang-%lang%\n");
        medium.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
        const QString name = QString::fromUtf8("collegamenti-\xc3\xa8-\xe2\x82\xac");
        QVERIFY(QDir().rename(medium.links.dir, medium.commons() + '/' + name));
        medium.links.dir = medium.commons() + '/' + name;
        QVERIFY(TestSupport::writeFile(
            QFileInfo(medium.program).absolutePath() + "/links.conf", "[load]\nconfpath=" + name.toUtf8() + "\n"));
        const QString tools = medium.commons() + "/tools";
        QVERIFY(QDir().mkpath(tools) && QDir().mkpath(medium.commons() + "/lang-de_DE"));
        QVERIFY(QFile::link(TestSupport::helperPath(QStringLiteral("gp_probe")), tools + "/multi"));
        medium.links.write(QStringLiteral("multi.link"),
            "[properties]\nicon=icon.png\npriority=2\nwpath=../tools\n[click]\npath=%respath%/tools/multi\n");
        QCOMPARE(medium.run({ "multi", "-x" }), 0);
        QCOMPARE(medium.run({ "probe", "x" }), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 2);
        QCOMPARE(records.size(), 2);
        for (const TestSupport::ProbeRecord &record : records) {
            const bool multi = record.arguments == QStringList { "-x" };
            QCOMPARE(record.program, multi ? tools + "/multi" : TestSupport::helperPath(QStringLiteral("gp_probe")));
            QCOMPARE(record.cwd, QDir(medium.commons() + (multi ? "/tools" : "/lang-de_DE")).canonicalPath());
        }
    }

    // launcher.conf and link files as written: a comma in a title is text,
    // with the blank after it (the window's title, a button's plain texts
    // and its language variants); an autorun entry with no arguments, or an
    // empty list, starts its program with none.
    void textsAsWritten()
    {
        LinksFolder links;
        links.skin("title=Avvio, rapido , e sicuro\nautorun=a,b,c\nautorun_args_1=\nautorun_args_2=\"a b\",c\n");
        links.probeLink(QStringLiteral("a.link"), 1, "title=x\ntitle.en=Open,  save, close\ntooltip=Tre, quattro\n");
        const LauncherConfig config = LauncherConfig::read(links.path());
        QCOMPARE(config.title, QStringLiteral("Avvio, rapido , e sicuro"));
        QCOMPARE(config.autorun.size(), 3);
        QCOMPARE(config.autorun[0].arguments + config.autorun[1].arguments, QStringList());
        QCOMPARE(config.autorun[2].arguments, QStringList({ "a b", "c" }));
        const ButtonConfig button(QFileInfo(links.path(QStringLiteral("a.link"))), {}, true);
        QCOMPARE(button.title, QStringLiteral("Open,  save, close"));
        QCOMPARE(button.toolTip, QStringLiteral("Tre, quattro"));
    }
};

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
