// The program as a process, started as a user would on a medium: exit
// codes, the PIN gate, a hand-over while an instance runs, toolkit options,
// the debug log, and what the medium's configuration says (working-folder
// placeholders, linked programs, autorun arguments, links.conf as UTF-8,
// titles with commas).
#include <QtTest>

#include <QProcess>

#include <signal.h>
#include <sys/stat.h>

#include "launchermedium.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "widgets/textoverlay.h"
#include "window/appflags.h"
#include "window/mainwindow.h"

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
        QTest::newRow("1") << QByteArray("1") << true;
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

    void singleInstanceAndHandOver()
    {
        Medium medium;
        auto first = medium.start({});
        QVERIFY(Medium::waitUntilRunning(*first));
        QCOMPARE(medium.run({ QStringLiteral("--hide") }), 1);

        // A hand-over goes through while the instance runs. (Its process-id
        // file: tst_hostilemedium.)
        const auto records = medium.handOver({ QStringLiteral("a b") });
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { QStringLiteral("a b") });

        // A crashed instance leaves its socket behind; the next start takes
        // over instead of refusing.
        ::kill(pid_t(first->processId()), SIGKILL);
        first->waitForFinished();
        auto next = medium.start({});
        QVERIFY(Medium::waitUntilRunning(*next));
        next->terminate();
        next->waitForFinished();
    }

    // Options of the toolkit after the button name are the user's files:
    // none of them reaches Qt (an unknown platform would end the program),
    // all reach the program.
    void toolkitOptionsAreHandedOver()
    {
        const QStringList options { "-style", "windows", "-reverse", "-platform", "nosuchplatform", "-session", "s1",
            "--platform", "x", "-display", ":99", "-qwindowtitle", "t", "--help", "--version", "--debug-log", "d" };
        Medium medium;
        const auto records = medium.handOver(options);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, options);
    }

    // --help and --version print and end with 0, without a display.
    void helpAndVersion_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("printed");
        QTest::newRow("help") << "--help"
                              << "--debug-log FILE";
        QTest::newRow("version") << "--version" << QStringLiteral("gatepoint " GATEPOINT_VERSION "\n");
    }
    void helpAndVersion()
    {
        QFETCH(QString, option);
        QFETCH(QString, printed);
        Medium medium;
        medium.env.remove(QStringLiteral("DISPLAY"));
        medium.env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const TestSupport::Finished finished = TestSupport::runProgram(medium.program, { option }, medium.env, 30000);
        QCOMPARE(finished.code, 0);
        QVERIFY(finished.out.contains(printed));
        QVERIFY(TestSupport::readProbeRecords(medium.probeOut).isEmpty());
    }

    void debugLog_data()
    {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("variable");
        QTest::addColumn<bool>("fifo");
        QTest::newRow("option") << true << false << false;
        QTest::newRow("variable") << false << true << false;
        QTest::newRow("option wins") << true << true << false;
        QTest::newRow("a pipe is refused, not waited on") << true << false << true;
    }

    // The debug lines go to the file the user names, appended, each with
    // its time and category; the run goes on without it when the file
    // cannot be had.
    void debugLog()
    {
        QFETCH(bool, option);
        QFETCH(bool, variable);
        QFETCH(bool, fifo);
        Medium medium;
        const QString fromOption = medium.links.root.filePath(QStringLiteral("option.log"));
        const QString fromVariable = medium.links.root.filePath(QStringLiteral("variable.log"));
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(fromOption).constData(), 0600), 0);
        QStringList arguments { QStringLiteral("probe"), QStringLiteral("a") };
        if (option)
            arguments = QStringList { QStringLiteral("--debug-log"), fromOption } + arguments;
        if (variable)
            medium.env.insert(QStringLiteral("GATEPOINT_DEBUG_LOG"), fromVariable);
        QCOMPARE(medium.run(arguments), 0);
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 1).size(), 1);
        if (fifo) {
            QVERIFY(!QFileInfo(fromOption).isFile());
            return;
        }
        QVERIFY(!QFileInfo::exists(option ? fromVariable : fromOption));
        QFile log(option ? fromOption : fromVariable);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(" debug gatepoint.window: init\n"));
        log.close();
        QCOMPARE(medium.run(arguments), 0);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count(" gatepoint.window: init\n"), 2);
    }

    // The working folder may be named by placeholder, as the program is.
    void workingFolderPlaceholders_data()
    {
        QTest::addColumn<QByteArray>("wpath");
        QTest::addColumn<QString>("folder"); // below the resource folder
        QTest::newRow("language") << QByteArray("%respath%/lang-%lang%") << QStringLiteral("lang-de_DE");
        QTest::newRow("relative") << QByteArray("../tools") << QStringLiteral("tools");
    }
    void workingFolderPlaceholders()
    {
        QFETCH(QByteArray, wpath);
        QFETCH(QString, folder);
        Medium medium(QByteArray(), "wpath=" + wpath + "\n");
        medium.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
        const QString expected = QDir(medium.commons()).filePath(folder);
        QVERIFY(QDir().mkpath(expected));
        const auto records = medium.handOver({ QStringLiteral("x") });
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().cwd, QDir(expected).canonicalPath());
    }

    // A multi-call program tells by its own name what to do: a link to it
    // is started by the link's name.
    void linkedProgramStartsByItsOwnName()
    {
        Medium medium;
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
        auto launcher = medium.start({});
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 3, 20000);
        launcher->terminate();
        launcher->waitForFinished();
        QCOMPARE(records.size(), 3);
        QList<QStringList> received;
        for (const TestSupport::ProbeRecord &record : records)
            received.append(record.arguments);
        std::sort(received.begin(), received.end(),
            [](const QStringList &a, const QStringList &b) { return a.size() < b.size(); });
        QCOMPARE(received, (QList<QStringList> { {}, {}, { QStringLiteral("a b"), QStringLiteral("it_IT") } }));
    }

    // links.conf beside the program names a links folder whose name is not
    // ASCII. (links.conf in the home folder: tst_mainwindow.)
    void linksConfIsUtf8()
    {
        Medium medium;
        const QString name = QString::fromUtf8("collegamenti-\xc3\xa8-\xe2\x82\xac");
        QVERIFY(QDir().rename(medium.links.dir, medium.commons() + QLatin1Char('/') + name));
        const QString conf = QFileInfo(medium.program).absoluteDir().filePath(QStringLiteral("links.conf"));
        QVERIFY(TestSupport::writeFile(conf, "[load]\nconfpath=" + name.toUtf8() + "\n"));
        QCOMPARE(medium.handOver({ QStringLiteral("x") }).size(), 1);
    }

    // A comma in a title is text, with the blank after it.
    void titlesKeepTheirCommas()
    {
        framelessWindow = true;
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\ntitle=Avvio, rapido , e sicuro\n");
        links.probeLink(QStringLiteral("a.link"), 1, "title=Apri, salva\ntooltip=Tre, quattro\n");
        links.probeLink(QStringLiteral("c.link"), 2, "title=x\ntitle.en=Open,  save, close\n");
        MainWindow window(true);
        window.onReloadRequest(links.path());
        QCOMPARE(window.QWidget::windowTitle(), QStringLiteral("Avvio, rapido , e sicuro"));
        QMap<QString, LaunchButton *> buttons;
        for (LaunchButton *button : window.findChildren<LaunchButton *>())
            buttons.insert(QFileInfo(button->configuration().fileName).fileName(), button);
        QCOMPARE(buttons.value(QStringLiteral("a.link"))->titleOverlayWidget()->text(), QStringLiteral("Apri, salva"));
        QCOMPARE(buttons.value(QStringLiteral("a.link"))->toolTip(), QStringLiteral("Tre, quattro"));
        // A language variant is a text like the plain key.
        QCOMPARE(buttons.value(QStringLiteral("c.link"))->titleOverlayWidget()->text(),
            QStringLiteral("Open,  save, close"));
    }
};

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
