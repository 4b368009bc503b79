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

    // One hand-over to the probe button through the real launcher, every
    // entry one argument: shell and placeholder characters, quotes, blanks,
    // a newline, options, bytes that are not UTF-8, nothing at all.
    void handedOverPathsArriveByteForByte()
    {
        const QList<QByteArray> handedOver { "/d/$notes.txt", "/d/a%pid%b.txt", "/d/l'anno \"24\".pdf",
            "/d/My Documents/a  b.txt", "/d/a\nb.txt", "-rf", "-style", "/d/\xff\xfe-\xe8.txt", QByteArray() };
        LinksFolder links;
        Platform::ProgramStart start;
        start.program = links.layOutMedium();
        links.skin();
        links.probeLink("probe.link", 1);
        start.arguments.append("probe");
        for (const QByteArray &bytes : handedOver)
            start.arguments.append(Platform::decodeText(bytes));
        start.environment = QProcessEnvironment::systemEnvironment();
        start.environment.insert("GP_PROBE_OUT", links.probeOut());
        start.environment.insert("QT_QPA_PLATFORM", "offscreen");
        start.environment.insert("HOME", links.root.path());
        start.environment.remove("PIN_CHECK_DONE");
        start.waitForEnd = true;
        QVERIFY(Platform::startProgram(start).started);
        const auto records = TestSupport::waitForProbeRecords(links.probeOut(), 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].rawArguments, handedOver);
    }

    void configuredArgumentsExpandHandedOverDoNot()
    {
        const QString out = Harness::probeOutput(scratch);
        LaunchRequest request;
        request.type = CommandType::Run;
        request.commandPath = TestSupport::helperPath("gp_probe");
        request.configuredArguments = QStringList { "%lang%", "--pid=%pid%" };
        request.userArguments = QStringList { "%lang%", "$HOME" };
        QVERIFY(launch(request, {}));
        const auto records = TestSupport::waitForProbeRecords(out, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].arguments,
            (QStringList { currentLanguage(), QStringLiteral("--pid=%1").arg(QCoreApplication::applicationPid()),
                "%lang%", "$HOME" }));
    }

    void linksOpenAsConfigured_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QUrl>("expected");
        const auto asIs = [](const char *text) { return QUrl(QString::fromLatin1(text), QUrl::TolerantMode); };
        QTest::newRow("dollar query") << "https://example.org/api/items?$top=5&$metadata"
                                      << asIs("https://example.org/api/items?$top=5&$metadata");
        QTest::newRow("capital scheme") << "HTTP://example.org/%lang%" << asIs("HTTP://example.org/%lang%");
        QTest::newRow("file url") << "file:///srv/a%20b.pdf" << asIs("file:///srv/a%20b.pdf");
        QTest::newRow("relative file") << "docs/readme.pdf"
                                       << QUrl::fromLocalFile(QDir::current().absoluteFilePath("docs/readme.pdf"));
        // "#" and "?" in a file name are part of the name.
        QTest::newRow("hash in a file name") << "/srv/a #1?.pdf" << QUrl::fromLocalFile("/srv/a #1?.pdf");
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
        QTest::newRow("open folder") << int(CommandType::OpenFolder) << "%flash%/docs" << QStringList();
        QTest::newRow("run") << int(CommandType::Run) << "%cdrom%/bin/tool" << QStringList();
        QTest::newRow("argument") << int(CommandType::Run) << TestSupport::helperPath("gp_probe")
                                  << QStringList { "%FLASH%/data" };
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

    // A start that ends the launcher ends it only once something started.
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
        const QString program = scratch.filePath("tool");
        QFile::remove(program);
        if (exists)
            QVERIFY(TestSupport::writeFile(program, "not a program"));
        QSignalSpy notices(StartNotices::instance(), &StartNotices::startFailed);
        const Harness::ChainResult result = Harness::runChain(type, { { Param::cmdline, program } });
        QVERIFY(!result.quit);
        QCOMPARE(result.done, 0);
        QCOMPARE(notices.count(), 1);
    }

    // A failed start shows a notice that blocks nothing: the next button
    // works at once.
    void failedStartIsShownAndTheWindowStaysUsable()
    {
        LinksFolder links;
        links.skin();
        links.probeLink("a.link", 1);
        links.write("b.link", "[properties]\nicon=icon.png\npriority=2\n[click]\npath=/nonexistent/gone-tool\n");
        MainWindow window(true);
        window.onReloadRequest(links.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        LaunchButton *good = nullptr;
        LaunchButton *broken = nullptr;
        for (LaunchButton *button : window.launchButtons())
            (button->configuration().fileName.endsWith("a.link") ? good : broken) = button;
        QVERIFY(good && broken);

        emit broken->startProcess();
        auto *notice = window.findChild<QLabel *>("startFailureNotice");
        QVERIFY(notice);
        QTRY_VERIFY(notice->isVisible());
        QVERIFY(notice->text().contains("gone-tool"));
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
        if (!QFileInfo::exists(demoLinks + "/launcher.conf"))
            QSKIP("the demo medium is not built");
        const QString expected = baseDirectory(true).absoluteFilePath("docs");
        const bool existed = QFileInfo::exists(expected);
        {
            MainWindow window(false);
            window.onReloadRequest(demoLinks);
            ToolButton *documents = nullptr;
            for (ToolButton *button : window.findChildren<ToolButton *>()) {
                if (button->accessibleName() == "Documenti")
                    documents = button;
            }
            QVERIFY(documents);
            QTest::mouseRelease(documents, Qt::LeftButton);
        }
        const bool madeLiteral = QFileInfo::exists(QDir(QCoreApplication::applicationDirPath()).filePath("%respath%"));
        const QList<QUrl> opened = urls.opened;
        if (!existed)
            QDir(expected).removeRecursively();
        QVERIFY(!madeLiteral);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().toLocalFile(), expected);
    }

private:
    QTemporaryDir scratch;
    TestSupport::UrlCatcher urls { { "https", "http", "file" } };
};

QTEST_MAIN(UserDataTest)
#include "tst_userdata.moc"
