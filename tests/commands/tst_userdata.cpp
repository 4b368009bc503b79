// What the user hands over reaches the program as it was given: paths
// through the real launcher to the probe, byte for byte; configured
// arguments and links as configured; paths on a partition that is not there
// are not used; a start that fails says so and leaves the window usable.
#include <QtTest>

#include <QApplication>
#include <QLabel>

#include "../window/windowfixture.h"
#include "commandharness.h"
#include "commands/commandlauncher.h"
#include "commands/startnotices.h"
#include "config/language.h"
#include "config/paths.h"
#include "platform/processstart.h"
#include "platform/textbytes.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"
#include "window/appflags.h"
#include "window/mainwindow.h"

namespace {

const QStringList urlSchemes { QStringLiteral("https"), QStringLiteral("http"), QStringLiteral("mailto"),
    QStringLiteral("ftp"), QStringLiteral("file") };

struct HandOverCase {
    const char *name;
    QByteArray bytes;
};

// Every case is one argument of a single hand-over.
const QList<HandOverCase> &handOverCases()
{
    static const QList<HandOverCase> cases {
        { "dollar", "/d/$notes.txt" },
        { "percent placeholder", "/d/a%pid%b.txt" },
        { "quotes", "/d/l'anno \"24\".pdf" },
        { "spaces", "/d/My Documents/a  b.txt" },
        { "newline", "/d/a\nb.txt" },
        { "leading dash", "-rf" },
        { "toolkit option", "-style" },
        { "not UTF-8", QByteArray("/d/\xff\xfe-\xe8.txt") },
        { "empty", QByteArray() },
    };
    return cases;
}

} // namespace

class UserDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        framelessWindow = true;
        qputenv("HOME", scratch.path().toUtf8());
    }
    void init() { urls.opened.clear(); }

    void handedOverPathsArriveByteForByte_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < handOverCases().size(); ++i)
            QTest::newRow(handOverCases().at(i).name) << i;
    }
    void handedOverPathsArriveByteForByte()
    {
        QFETCH(int, index);
        if (handOver.isEmpty())
            handOver = handOverThroughTheLauncher();
        QCOMPARE(handOver.size(), 1);
        const QList<QByteArray> received = handOver.first().rawArguments;
        QCOMPARE(received.size(), handOverCases().size());
        QCOMPARE(received.at(index), handOverCases().at(index).bytes);
    }

    void configuredArgumentsExpandHandedOverDoNot()
    {
        const QString out = Harness::probeOutput(scratch);
        LaunchRequest request;
        request.type = CommandType::Run;
        request.commandPath = TestSupport::helperPath(QStringLiteral("gp_probe"));
        request.configuredArguments = QStringList { QStringLiteral("%lang%"), QStringLiteral("--pid=%pid%") };
        request.userArguments
            = QStringList { QStringLiteral("%lang%"), QStringLiteral("$HOME"), QStringLiteral("a%pid%") };
        QVERIFY(launch(request, {}));
        const auto records = TestSupport::waitForProbeRecords(out, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].arguments,
            (QStringList { currentLanguage(), QStringLiteral("--pid=%1").arg(QCoreApplication::applicationPid()),
                QStringLiteral("%lang%"), QStringLiteral("$HOME"), QStringLiteral("a%pid%") }));
    }

    void linksOpenAsConfigured_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QUrl>("expected");
        const auto asIs = [](const char *text) { return QUrl(QString::fromLatin1(text), QUrl::TolerantMode); };
        QTest::newRow("dollar query") << QStringLiteral("https://example.org/api/items?$top=5&$metadata")
                                      << asIs("https://example.org/api/items?$top=5&$metadata");
        QTest::newRow("capital scheme") << QStringLiteral("HTTP://example.org/%lang%")
                                        << asIs("HTTP://example.org/%lang%");
        QTest::newRow("mail") << QStringLiteral("mailto:desk@example.org") << asIs("mailto:desk@example.org");
        QTest::newRow("file url") << QStringLiteral("file:///srv/a%20b.pdf") << asIs("file:///srv/a%20b.pdf");
        QTest::newRow("relative file") << QStringLiteral("docs/readme.pdf")
                                       << QUrl::fromLocalFile(
                                              QDir::current().absoluteFilePath(QStringLiteral("docs/readme.pdf")));
    }
    void linksOpenAsConfigured()
    {
        QFETCH(QString, link);
        QFETCH(QUrl, expected);
        LaunchRequest request;
        request.type = CommandType::OpenLink;
        request.commandPath = link;
        QVERIFY(launch(request, {}));
        QCOMPARE(urls.opened, QList<QUrl> { expected });
    }

    // The token is not plugged in: a path on one of its partitions would
    // name a place on the host.
    void missingPartitionIsNotUsed_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("open folder") << int(CommandType::OpenFolder) << QStringLiteral("%flash%/docs") << QStringList();
        QTest::newRow("run") << int(CommandType::Run) << QStringLiteral("%cdrom%/bin/tool") << QStringList();
        QTest::newRow("argument") << int(CommandType::Run) << TestSupport::helperPath(QStringLiteral("gp_probe"))
                                  << QStringList { QStringLiteral("%FLASH%/data") };
    }
    void missingPartitionIsNotUsed()
    {
        QFETCH(int, type);
        QFETCH(QString, path);
        QFETCH(QStringList, arguments);
        QTemporaryDir emptySystem;
        qputenv("GATEPOINT_SYSTEM_ROOT", emptySystem.path().toLocal8Bit());
        const QString out = Harness::probeOutput(scratch);
        QSignalSpy notices(StartNotices::instance(), &StartNotices::startFailed);
        LaunchRequest request;
        request.type = type;
        request.commandPath = path;
        request.configuredArguments = arguments;
        const bool ran = launch(request, {});
        qunsetenv("GATEPOINT_SYSTEM_ROOT");
        QVERIFY(!ran);
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().at(1).toInt(), int(StartNotices::DriveMissing));
        QVERIFY(urls.opened.isEmpty());
        QVERIFY(TestSupport::readProbeRecords(out).isEmpty());
    }

    void runAndExitStaysWhenNothingStarted_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("exists");
        QTest::newRow("run and exit, missing") << int(CommandType::RunAndExit) << false;
        QTest::newRow("run and exit, not a program") << int(CommandType::RunAndExit) << true;
        QTest::newRow("run in temp, missing") << int(CommandType::RunInTemp) << false;
        QTest::newRow("run in temp, not a program") << int(CommandType::RunInTemp) << true;
    }
    void runAndExitStaysWhenNothingStarted()
    {
        QFETCH(int, type);
        QFETCH(bool, exists);
        const QString program = scratch.filePath(QStringLiteral("tool"));
        QFile::remove(program);
        if (exists)
            QVERIFY(TestSupport::writeFile(program, "not a program"));
        auto parameters = Harness::probeClick();
        parameters.insert(Param::cmdline, program);
        QSignalSpy notices(StartNotices::instance(), &StartNotices::startFailed);
        const Harness::ChainResult result = Harness::runChain(type, parameters);
        QVERIFY(!result.quit);
        QCOMPARE(result.done, 0);
        QCOMPARE(notices.count(), 1);
    }

    // A failed start shows a notice that blocks nothing: the next button
    // works at once.
    void failedStartIsShownAndTheWindowStaysUsable()
    {
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("a.link"), 1);
        links.write(QStringLiteral("b.link"),
            "[properties]\nicon=icon.png\npriority=2\n[click]\npath=/nonexistent/gone-tool\n");
        MainWindow window(true);
        window.onReloadRequest(links.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<LaunchButton *> buttons = window.findChildren<LaunchButton *>();
        LaunchButton *good = nullptr;
        LaunchButton *broken = nullptr;
        for (LaunchButton *button : buttons)
            (button->configuration().fileName.endsWith(QLatin1String("a.link")) ? good : broken) = button;
        QVERIFY(good && broken);

        emit broken->startProcess();
        auto *notice = window.findChild<QLabel *>(QStringLiteral("startFailureNotice"));
        QVERIFY(notice);
        QTRY_VERIFY(notice->isVisible());
        QVERIFY(notice->text().contains(QLatin1String("gone-tool")));
        QVERIFY(!QApplication::activeModalWidget());

        const QString out = Harness::probeOutput(scratch);
        emit good->startProcess();
        QCOMPARE(TestSupport::waitForProbeRecords(out, 1).size(), 1);
    }

    // The demo's Documents control names its folder by placeholder; the
    // folder opened is the resource folder's, and nothing is made under the
    // placeholder's own name.
    void demoDocumentsControlOpensTheResourceFolder()
    {
        const QString demoLinks = QStringLiteral(GATEPOINT_BUILD_DIR "/demo-medium/Commons/links");
        if (!QFileInfo::exists(demoLinks + QStringLiteral("/launcher.conf")))
            QSKIP("the demo medium is not built");
        const QDir appDir(QCoreApplication::applicationDirPath());
        const QString expected = baseDirectory(true).absoluteFilePath(QStringLiteral("docs"));
        const bool existed = QFileInfo::exists(expected);
        {
            MainWindow window(false);
            window.onReloadRequest(demoLinks);
            ToolButton *documents = nullptr;
            for (ToolButton *button : window.findChildren<ToolButton *>()) {
                if (button->accessibleName() == QLatin1String("Documenti"))
                    documents = button;
            }
            QVERIFY(documents);
            QTest::mouseRelease(documents, Qt::LeftButton);
        }
        const bool madeLiteral = QFileInfo::exists(appDir.absoluteFilePath(QStringLiteral("%respath%")));
        const QList<QUrl> opened = urls.opened;
        if (!existed)
            QDir(expected).removeRecursively();
        QVERIFY(!madeLiteral);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().toLocalFile(), expected);
    }

private:
    // One hand-over to the probe button through the real launcher, with
    // every case as one argument; the probe's records.
    QList<TestSupport::ProbeRecord> handOverThroughTheLauncher()
    {
        LinksFolder links;
        const QString program = links.layOutMedium();
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("probe.link"), 1);
        const QString out = links.root.filePath(QStringLiteral("probe.jsonl"));

        Platform::ProgramStart start;
        start.program = program;
        start.arguments.append(QStringLiteral("probe"));
        for (const HandOverCase &handed : handOverCases())
            start.arguments.append(Platform::decodeText(handed.bytes));
        start.environment = QProcessEnvironment::systemEnvironment();
        start.environment.insert(QStringLiteral("GP_PROBE_OUT"), out);
        start.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        start.environment.insert(QStringLiteral("HOME"), links.root.path());
        start.environment.remove(QStringLiteral("PIN_CHECK_DONE"));
        start.waitForEnd = true;
        if (!Platform::startProgram(start).started)
            return {};
        return TestSupport::waitForProbeRecords(out, 1);
    }

    QTemporaryDir scratch;
    TestSupport::UrlCatcher urls { urlSchemes };
    QList<TestSupport::ProbeRecord> handOver;
};

QTEST_MAIN(UserDataTest)
#include "tst_userdata.moc"
