// The program as a process, started as a user would on a medium: the PIN
// gate, --help and --version, the debug log, and what the medium's
// configuration says (working-folder placeholders, linked programs, autorun
// arguments, links.conf as UTF-8, titles with commas).
#include <QtTest>

#include <sys/stat.h>

#include "config/buttonconfig.h"
#include "config/launcherconfig.h"
#include "launchermedium.h"

class TestProcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Only "", "0" and "false" (any case) leave the gate open; a closed
    // gate ends a hand-over with -1 until the PIN check has been passed.
    void pinGateWords_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<bool>("gated");
        QTest::newRow("yes") << QByteArray("yes") << true;
        QTest::newRow("False") << QByteArray("False") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void pinGateWords()
    {
        QFETCH(QByteArray, word);
        QFETCH(bool, gated);
        Medium medium("pincheck=" + word + "\n");
        if (gated) {
            QCOMPARE(medium.run({ QStringLiteral("probe"), QStringLiteral("a b") }), 255);
            QVERIFY(TestSupport::readProbeRecords(medium.probeOut).isEmpty());
            medium.env.insert(QStringLiteral("PIN_CHECK_DONE"), QStringLiteral("1"));
        }
        const auto records = medium.handOver({ QStringLiteral("a b") });
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().rawArguments, QList<QByteArray> { "a b" });
    }

    // --help and --version print and end with 0, without a display.
    void helpAndVersion()
    {
        Medium medium;
        medium.env.remove(QStringLiteral("DISPLAY"));
        medium.env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const auto printed = [&](const char *option) {
            const TestSupport::Finished finished = TestSupport::runProgram(medium.program, { option }, medium.env);
            return finished.code == 0 ? finished.out : QString();
        };
        QVERIFY(printed("--help").contains("--debug-log FILE"));
        QCOMPARE(printed("--version"), QStringLiteral("gatepoint " GATEPOINT_VERSION "\n"));
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

    // The working folder may be named by placeholder, as the program is,
    // or relative to the links folder.
    void workingFolders()
    {
        Medium medium(QByteArray(), "wpath=%respath%/lang-%lang%\n");
        medium.links.probeLink(QStringLiteral("relative.link"), 2, "wpath=../tools\n");
        medium.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
        QSet<QString> expected;
        for (const char *folder : { "lang-de_DE", "tools" }) {
            QVERIFY(QDir().mkpath(medium.commons() + '/' + folder));
            expected.insert(QDir(medium.commons() + '/' + folder).canonicalPath());
        }
        QCOMPARE(medium.run({ "probe" }), 0);
        QCOMPARE(medium.run({ "relative" }), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 2);
        QCOMPARE(records.size(), 2);
        QCOMPARE((QSet<QString> { records.at(0).cwd, records.at(1).cwd }), expected);
    }

    // A multi-call program tells by its own name what to do: a link to it
    // is started by the link's name. links.conf beside the program may name
    // a links folder whose name is not ASCII. (links.conf in the home
    // folder: tst_mainwindow.)
    void linkedProgramAndLinksFolder()
    {
        Medium medium;
        const QString name = QString::fromUtf8("collegamenti-\xc3\xa8-\xe2\x82\xac");
        QVERIFY(QDir().rename(medium.links.dir, medium.commons() + QLatin1Char('/') + name));
        medium.links.dir = medium.commons() + QLatin1Char('/') + name;
        const QString conf = QFileInfo(medium.program).absoluteDir().filePath(QStringLiteral("links.conf"));
        QVERIFY(TestSupport::writeFile(conf, "[load]\nconfpath=" + name.toUtf8() + "\n"));
        const QString multi = medium.commons() + QStringLiteral("/tools/multi");
        QVERIFY(QDir().mkpath(medium.commons() + QStringLiteral("/tools")));
        QVERIFY(QFile::link(TestSupport::helperPath(QStringLiteral("gp_probe")), multi));
        medium.links.write(QStringLiteral("multi.link"),
            "[properties]\nicon=icon.png\npriority=2\n[click]\npath=%respath%/tools/multi\n");
        QCOMPARE(medium.run({ QStringLiteral("multi"), QStringLiteral("-x") }), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).program, multi);
    }

    // An entry with no arguments, or an empty list, starts its program
    // with none; one with arguments with exactly those.
    void autorunArguments()
    {
        const QByteArray probe = TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8();
        Medium medium(
            "autorun=" + probe + "," + probe + "," + probe + "\nautorun_args_1=\nautorun_args_2=\"a b\",%lang%\n");
        medium.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("it_IT.UTF-8"));
        auto launcher = medium.start();
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 3, 20000);
        Medium::stop(*launcher);
        QList<QStringList> received;
        for (const TestSupport::ProbeRecord &record : records)
            received.append(record.arguments);
        std::sort(received.begin(), received.end(),
            [](const QStringList &a, const QStringList &b) { return a.size() < b.size(); });
        QCOMPARE(received, (QList<QStringList> { {}, {}, { QStringLiteral("a b"), QStringLiteral("it_IT") } }));
    }

    // A comma in a title is text, with the blank after it: the window's
    // title, a button's plain texts and its language variants.
    void titlesKeepTheirCommas()
    {
        LinksFolder links;
        links.skin("title=Avvio, rapido , e sicuro\n");
        links.probeLink(QStringLiteral("a.link"), 1, "title=x\ntitle.en=Open,  save, close\ntooltip=Tre, quattro\n");
        QCOMPARE(LauncherConfig::read(links.path()).title, QStringLiteral("Avvio, rapido , e sicuro"));
        const ButtonConfig button(QFileInfo(links.path(QStringLiteral("a.link"))), {}, true);
        QCOMPARE(button.title, QStringLiteral("Open,  save, close"));
        QCOMPARE(button.toolTip, QStringLiteral("Tre, quattro"));
    }
};

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
