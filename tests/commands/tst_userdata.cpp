// What the user hands over reaches the program as it was given: paths
// through the real launcher to the probe, byte for byte; paths chosen in a
// file question; configured arguments and links as configured; paths on a
// partition that is not there are not used; a start that fails says so and
// leaves the window usable.
#include <QtTest>

#include <QApplication>
#include <QLabel>

#include "../window/windowfixture.h"
#include "commandharness.h"
#include "commands/customfiledialog.h"
#include "commands/startnotices.h"
#include "config/language.h"
#include "config/paths.h"
#include "platform/processstart.h"
#include "platform/textbytes.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"
#include "window/appflags.h"
#include "window/mainwindow.h"

using Harness::probeClick;
using Harness::runChain;

class UserDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        framelessWindow = true;
        qputenv("HOME", scratch.path().toUtf8());
    }
    void init()
    {
        urls.opened.clear();
        probeOut = Harness::probeOutput(scratch);
    }
    void cleanup()
    {
        qunsetenv("GATEPOINT_SYSTEM_ROOT");
        CustomFileDialog::setResponder({});
    }

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
        QCOMPARE(TestSupport::waitForProbeRecords(links.probeOut(), 1).value(0).rawArguments, handedOver);
    }

    // What the question asks for, and what the program receives after the
    // button's own arguments.
    void chosenPathsReachTheProgram_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("filters");
        // "*.*" would hide names without a dot outside Windows.
        const QStringList all { "All files (*)" };
        const QStringList several { "/x/1.txt", "/x/2 b.txt" };
        const QString quoted = "/d/l'anno \"q\"/à.txt";
        const QString encoded = QString("/d/l\\'anno \\\"q\\\"/à.txt").toUtf8().toBase64();
        QTest::newRow("open file") << int(CommandType::OpenFile) << QStringList { "/data/a.txt" }
                                   << QStringList { "/data/a.txt" } << 0 << QStringList();
        QTest::newRow("several files") << int(CommandType::OpenMultipleFiles) << several
                                       << QStringList { "--massive-input" } + several << 3 << all;
        QTest::newRow("base64 with quotes") << int(CommandType::WinOpenFileBase64) << QStringList { quoted }
                                            << QStringList { "BASE64" + encoded } << 0 << all;
        QTest::newRow("folder") << int(CommandType::RunFolder) << QStringList { "/srv/my data" }
                                << QStringList { "/srv/my data" } << 2 << QStringList();
    }
    void chosenPathsReachTheProgram()
    {
        QFETCH(int, type);
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, expected);
        int mode = -1;
        QStringList filters;
        CustomFileDialog::setResponder([&](const CustomFileDialog &dialog) {
            mode = dialog.mode();
            filters = dialog.nameFilters();
            return chosen;
        });
        QCOMPARE(runChain(type, probeClick({ "-v", "x" })).done, 1);
        QCOMPARE(
            TestSupport::waitForProbeRecords(probeOut, 1).value(0).arguments, QStringList({ "-v", "x" }) + expected);
        QTEST(mode, "mode");
        QTEST(filters, "filters");
        // A cancel runs nothing.
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList(); });
        const Harness::ChainResult cancelled = runChain(type, probeClick({ "-v", "x" }));
        QCOMPARE(cancelled.done, 0);
        QVERIFY(!cancelled.quit);
        QCOMPARE(TestSupport::readProbeRecords(probeOut).size(), 1);
    }

    // A button's own arguments have their placeholders expanded; what the
    // user adds follows as given.
    void configuredArgumentsExpandUserArgumentsDoNot()
    {
        LaunchRequest request;
        request.type = CommandType::Run;
        request.commandPath = TestSupport::helperPath("gp_probe");
        request.configuredArguments = QStringList { "%lang%", "--pid=%pid%" };
        request.userArguments = QStringList { "%lang%", "$HOME" };
        QVERIFY(launch(request, {}));
        const QString pid = QString::number(QCoreApplication::applicationPid());
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).value(0).arguments,
            QStringList({ currentLanguage(), "--pid=" + pid, "%lang%", "$HOME" }));
    }

    void linksOpenAsConfigured_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QUrl>("expected");
        const auto asIs = [](const char *text) { return QUrl(QString::fromLatin1(text), QUrl::TolerantMode); };
        QTest::newRow("dollar query") << "https://example.org/api/items?$top=5&$metadata"
                                      << asIs("https://example.org/api/items?$top=5&$metadata");
        QTest::newRow("capital scheme") << "HTTP://example.org/%lang%" << asIs("HTTP://example.org/%lang%");
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

    // A start that cannot happen is reported, starts and opens nothing,
    // does not end the launcher and leaves id files as they were. A token
    // partition that is not plugged in: a path on it would name a place on
    // the host.
    void failedStartChangesNothing_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("reason");
        const QString absent = scratch.filePath("absent");
        const QString text = scratch.filePath("notes.txt");
        const int run = CommandType::Run;
        const int missing = StartNotices::Missing;
        const int notProgram = StartNotices::NotProgram;
        const int drive = StartNotices::DriveMissing;
        QTest::newRow("absent") << run << absent << QString() << missing;
        QTest::newRow("a folder") << run << scratch.path() << QString() << missing;
        QTest::newRow("not a program") << run << text << QString() << notProgram;
        QTest::newRow("run and exit, absent") << int(CommandType::RunAndExit) << absent << QString() << missing;
        QTest::newRow("run in temp, absent") << int(CommandType::RunInTemp) << absent << QString() << missing;
        QTest::newRow("run in temp, not a program") << int(CommandType::RunInTemp) << text << QString() << notProgram;
        QTest::newRow("folder, partition missing")
            << int(CommandType::OpenFolder) << "%flash%/docs" << QString() << drive;
        QTest::newRow("argument, partition missing")
            << run << TestSupport::helperPath("gp_probe") << "%FLASH%/d" << drive;
    }
    void failedStartChangesNothing()
    {
        QFETCH(int, type);
        QFETCH(QString, path);
        QFETCH(QString, argument);
        QFETCH(int, reason);
        QVERIFY(TestSupport::writeFile(scratch.filePath("notes.txt"), "not a program"));
        const QString oldPid = scratch.filePath("old.pid");
        const QString freshPid = scratch.filePath("fresh.pid");
        QVERIFY(TestSupport::writeFile(oldPid, "4242"));
        QTemporaryDir emptySystem;
        qputenv("GATEPOINT_SYSTEM_ROOT", emptySystem.path().toLocal8Bit());
        for (const bool wait : { false, true }) {
            for (const QString &pidPath : { oldPid, freshPid }) {
                QSignalSpy notices(StartNotices::instance(), &StartNotices::startFailed);
                LaunchRequest request;
                request.type = type;
                request.commandPath = path;
                request.configuredArguments = argument.isEmpty() ? QStringList() : QStringList { argument };
                request.pidPath = pidPath;
                request.extraParameters.insert(Param::runandwait, wait);
                const Harness::ChainResult result = Harness::runLaunch(request);
                QVERIFY(!result.quit);
                QCOMPARE(result.done, 0);
                QCOMPARE(notices.count(), 1);
                QCOMPARE(notices.first().at(1).toInt(), reason);
            }
        }
        QVERIFY(urls.opened.isEmpty());
        QVERIFY(TestSupport::readProbeRecords(probeOut).isEmpty());
        QFile file(oldPid);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("4242"));
        QVERIFY(!QFileInfo::exists(freshPid));
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
        QCOMPARE(window.launchButtons().size(), 2); // the higher priority first
        emit window.launchButtons().at(0)->startProcess();
        auto *notice = window.findChild<QLabel *>("startFailureNotice");
        QTRY_VERIFY(notice && notice->isVisible());
        QVERIFY(notice->text().contains("gone-tool"));
        QVERIFY(!QApplication::activeModalWidget());
        emit window.launchButtons().at(1)->startProcess();
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).size(), 1);
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
    QString probeOut;
    TestSupport::UrlCatcher urls { { "https", "http", "file" } };
};

QTEST_MAIN(UserDataTest)
#include "tst_userdata.moc"
