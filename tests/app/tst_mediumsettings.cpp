// What the medium's configuration says, through the real launcher: boolean
// words switch the PIN gate on, placeholders in a working folder expand,
// a linked program starts by its own name, autorun entries without
// arguments start with none, links.conf is read as UTF-8, and titles keep
// their commas.
#include <QtTest>

#include <QProcess>

#include "../window/windowfixture.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "widgets/textoverlay.h"
#include "window/appflags.h"
#include "window/mainwindow.h"

namespace {

// A copy of the launcher on a medium laid out in a temporary folder, with
// the probe behind the button "probe".
class Medium {
public:
    explicit Medium(const QByteArray &conf = QByteArray(), const QByteArray &probeProperties = QByteArray())
    {
        program = links.layOutMedium();
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n" + conf);
        links.probeLink(QStringLiteral("probe.link"), 1, probeProperties);
        probeOut = links.root.filePath(QStringLiteral("probe.jsonl"));
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), links.root.path());
        env.remove(QStringLiteral("PIN_CHECK_DONE"));
    }

    QString commons() const { return links.root.filePath(QStringLiteral("medium/Commons")); }

    // A hand-over of the arguments to the probe button; the exit code.
    int handOver(const QStringList &arguments)
    {
        return TestSupport::runProgram(program, QStringList { QStringLiteral("probe") } + arguments, env, 30000).code;
    }

    LinksFolder links;
    QString program;
    QString probeOut;
    QProcessEnvironment env;
};

QList<QByteArray> bytesOf(const QStringList &texts)
{
    QList<QByteArray> bytes;
    for (const QString &text : texts)
        bytes.append(text.toUtf8());
    return bytes;
}

} // namespace

class MediumSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Only "", "0" and "false" (any case) leave the gate open; every other
    // word closes it until the PIN check has been passed.
    void pinGateWords_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<bool>("gated");
        for (const char *word : { "true", "TRUE", "1", "yes", "on", "enabled", "Yes", "2", "0.0", "no" })
            QTest::newRow(word) << QByteArray(word) << true;
        for (const char *word : { "false", "False", "0" })
            QTest::newRow(word) << QByteArray(word) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void pinGateWords()
    {
        QFETCH(QByteArray, word);
        QFETCH(bool, gated);
        Medium medium("pincheck=" + word + "\n");
        const int code = medium.handOver({ QStringLiteral("a b") });
        if (gated) {
            QCOMPARE(code, 255); // -1
            QVERIFY(TestSupport::readProbeRecords(medium.probeOut).isEmpty());
            medium.env.insert(QStringLiteral("PIN_CHECK_DONE"), QStringLiteral("1"));
            QCOMPARE(medium.handOver({ QStringLiteral("a b") }), 0);
        } else {
            QCOMPARE(code, 0);
        }
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().rawArguments, QList<QByteArray> { "a b" });
    }

    // The working folder may be named by placeholder, as the program is.
    void workingFolderPlaceholders_data()
    {
        QTest::addColumn<QByteArray>("wpath");
        QTest::addColumn<QString>("folder"); // below the resource folder
        QTest::newRow("resource folder") << QByteArray("%respath%/tools") << QStringLiteral("tools");
        QTest::newRow("program folder") << QByteArray("%exepath%/../Commons/tools") << QStringLiteral("tools");
        QTest::newRow("language") << QByteArray("%respath%/lang-%lang%") << QStringLiteral("lang-%1");
        QTest::newRow("relative") << QByteArray("../tools") << QStringLiteral("tools");
    }
    void workingFolderPlaceholders()
    {
        QFETCH(QByteArray, wpath);
        QFETCH(QString, folder);
        Medium medium(QByteArray(), "wpath=" + wpath + "\n");
        medium.env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
        medium.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
        const QString expected = QDir(medium.commons()).filePath(folder.arg(QStringLiteral("de_DE")));
        QVERIFY(QDir().mkpath(expected));
        QCOMPARE(medium.handOver({ QStringLiteral("x") }), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().cwd, QDir(expected).canonicalPath());
        QCOMPARE(records.first().rawArguments, QList<QByteArray> { "x" });
    }

    // A multi-call program tells by its own name what to do: a link to it
    // is started by the link's name.
    void linkedProgramStartsByItsOwnName()
    {
        Medium medium;
        const QString tools = medium.commons() + QStringLiteral("/tools");
        QVERIFY(QDir().mkpath(tools));
        QVERIFY(QFile::link(TestSupport::helperPath(QStringLiteral("gp_probe")), tools + QStringLiteral("/multi")));
        medium.links.write(QStringLiteral("multi.link"),
            "[properties]\nicon=icon.png\npriority=2\n[click]\npath=%respath%/tools/multi\n");
        QCOMPARE(medium.handOver({ QStringLiteral("y") }), 0); // the probe itself, for comparison
        QCOMPARE(TestSupport::runProgram(
                     medium.program, { QStringLiteral("multi"), QStringLiteral("-x") }, medium.env, 30000)
                     .code,
            0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 2);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).program, TestSupport::helperPath(QStringLiteral("gp_probe")));
        QCOMPARE(records.at(1).program, tools + QStringLiteral("/multi"));
        QCOMPARE(records.at(1).rawArguments, QList<QByteArray> { "-x" });
    }

    // An entry with no arguments, or an empty list, starts its program
    // with none; one with arguments with exactly those.
    void autorunArguments()
    {
        const QByteArray probe = TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8();
        Medium medium(
            "autorun=" + probe + "," + probe + "," + probe + "\nautorun_args_1=\nautorun_args_2=\"a b\",%lang%\n");
        medium.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("it_IT.UTF-8"));
        QProcess launcher;
        launcher.setProcessEnvironment(medium.env);
        launcher.start(medium.program, QStringList());
        QVERIFY(launcher.waitForStarted());
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 3, 20000);
        launcher.terminate();
        launcher.waitForFinished();
        QCOMPARE(records.size(), 3);
        QList<QList<QByteArray>> received;
        for (const TestSupport::ProbeRecord &record : records)
            received.append(record.rawArguments);
        std::sort(received.begin(), received.end(),
            [](const QList<QByteArray> &a, const QList<QByteArray> &b) { return a.size() < b.size(); });
        QCOMPARE(received.at(0), QList<QByteArray>());
        QCOMPARE(received.at(1), QList<QByteArray>());
        QCOMPARE(received.at(2), bytesOf({ QStringLiteral("a b"), QStringLiteral("it_IT") }));
    }

    // links.conf names a links folder whose name is not ASCII, beside the
    // program or in the user's folder.
    void linksConfIsUtf8_data()
    {
        QTest::addColumn<bool>("inHome");
        QTest::newRow("beside the program") << false;
        QTest::newRow("in the home folder") << true;
    }
    void linksConfIsUtf8()
    {
        QFETCH(bool, inHome);
        Medium medium;
        const QString name = QString::fromUtf8("collegamenti-\xc3\xa8-\xe2\x82\xac");
        QVERIFY(QDir().rename(medium.links.dir, medium.commons() + QLatin1Char('/') + name));
        const QString conf = inHome ? medium.links.root.filePath(QStringLiteral("gatepoint/links.conf"))
                                    : QFileInfo(medium.program).absoluteDir().filePath(QStringLiteral("links.conf"));
        QVERIFY(TestSupport::writeFile(conf, "[load]\nconfpath=" + name.toUtf8() + "\n"));
        QCOMPARE(medium.handOver({ QString::fromUtf8("\xc3\xa8") }), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().rawArguments, QList<QByteArray> { "\xc3\xa8" });
    }

    // A comma in a title is text, with the blank after it.
    void titlesKeepTheirCommas()
    {
        framelessWindow = true;
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\ntitle=Avvio, rapido , e sicuro\n");
        links.probeLink(QStringLiteral("a.link"), 1, "title=Apri, salva\n");
        links.probeLink(QStringLiteral("c.link"), 3, "title=x\ntitle.en=Open,  save, close\n");
        links.probeLink(QStringLiteral("b.link"), 2, "title=\"Uno, due\"\ntooltip=Tre, quattro\n");
        MainWindow window(true);
        window.onReloadRequest(links.path());
        QCOMPARE(window.QWidget::windowTitle(), QStringLiteral("Avvio, rapido , e sicuro"));
        QMap<QString, LaunchButton *> buttons;
        for (LaunchButton *button : window.findChildren<LaunchButton *>())
            buttons.insert(QFileInfo(button->configuration().fileName).fileName(), button);
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(buttons.value(QStringLiteral("a.link"))->titleOverlayWidget()->text(), QStringLiteral("Apri, salva"));
        QCOMPARE(buttons.value(QStringLiteral("b.link"))->titleOverlayWidget()->text(), QStringLiteral("Uno, due"));
        QCOMPARE(buttons.value(QStringLiteral("b.link"))->toolTip(), QStringLiteral("Tre, quattro"));
        // A language variant is a text like the plain key ("en" goes before
        // the plain key whatever the language).
        QCOMPARE(buttons.value(QStringLiteral("c.link"))->titleOverlayWidget()->text(),
            QStringLiteral("Open,  save, close"));
    }
};

QTEST_MAIN(MediumSettingsTest)
#include "tst_mediumsettings.moc"
