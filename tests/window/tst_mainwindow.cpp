// The window built from small media: the links folder lookup, launcher.conf
// with platform groups, the start-up gates, the layout and its sub-menus,
// the hand-over, document actions, autorun and reload.
#include <QtTest>

#include <QApplication>
#include <QKeyEvent>
#include <QStateMachine>

#include "window/appflags.h"
#include "config/paths.h"
#include "config/buttonconfig.h"
#include "testsupport.h"
#include "commands/customfiledialog.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"
#include "window/mainwindow.h"
#include "windowfixture.h"

namespace {

// A window that first starts on nothing (no links folder beside the test
// program) and is then rebuilt on the given folder.
std::unique_ptr<MainWindow> windowOn(const QString &links, bool interactive = true)
{
    auto window = std::make_unique<MainWindow>(interactive);
    window->onReloadRequest(links);
    return window;
}

QStringList names(const QList<LaunchButton *> &buttons)
{
    QStringList result;
    for (const LaunchButton *button : buttons)
        result.append(button->configuration().fileName);
    return result;
}

bool waitForMachine(MainWindow *window)
{
    return QTest::qWaitFor([&] { return window->layoutMachine() && window->layoutMachine()->isRunning(); }, 5000);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    QString probeOut;
    QTemporaryDir scratch;

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        framelessWindow = true;
        qputenv("HOME", scratch.path().toUtf8());
    }

    void init()
    {
        probeOut = scratch.filePath(QStringLiteral("probe-%1.jsonl").arg(QTest::currentTestFunction()));
        QFile::remove(probeOut);
        qputenv("GP_PROBE_OUT", probeOut.toUtf8());
        qunsetenv("PIN_CHECK_DONE");
        CustomFileDialog::setResponder(nullptr);
    }

    // Buttons follow their priority, highest first; links that are broken
    // give no button. The platform group
    // replaces the plain one whole, its name's case does not matter, and
    // "layout" in [button] overrides [app].
    void layout_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<int>("links");
        QTest::addColumn<QList<QRect>>("rects");
        QTest::newRow("horizontal") << QByteArray("[app]\nbackground=bg.png\npadding-left=5\npadding-top=20\n"
                                                  "[button]\nwidth=50\nheight=40\nmargin-right=10\n")
                                    << 5
                                    << QList<QRect> { { 5, 20, 50, 40 }, { 65, 20, 50, 40 }, { 125, 20, 50, 40 },
                                           { 185, 20, 50, 40 }, { 245, 20, 50, 40 } };
        QTest::newRow("vertical by the platform group")
            << QByteArray("[app]\nbackground=bg.png\nlayout=horizontal\npadding-left=7\npadding-top=3\n"
                          "[button]\nwidth=10\nheight=10\n"
                          "[BUTTON_Linux]\nwidth=30\nheight=20\nmargin-top=4\nlayout=VERTICAL\n")
            << 2 << QList<QRect> { { 7, 3, 30, 20 }, { 7, 27, 30, 20 } };
    }
    void layout()
    {
        QFETCH(QByteArray, conf);
        QFETCH(int, links);
        QFETCH(QList<QRect>, rects);
        LinksFolder folder;
        folder.signedBackground();
        folder.write(QStringLiteral("launcher.conf"), conf);
        QStringList expected;
        for (int p = 1; p <= links; ++p) {
            folder.probeLink(QStringLiteral("b%1.link").arg(p), p);
            expected.prepend(QStringLiteral("b%1.link").arg(p));
        }
        // No button for a link without its icon, a non-link, or garbage.
        folder.write(QStringLiteral("noicon.link"), "[properties]\nicon=missing.png\n");
        folder.write(QStringLiteral("tools/_.link"), "[properties]\nicon=../icon.png\n");
        folder.write(QStringLiteral("garbage.link"), QByteArray("\x00\xff\xfe[[[\n=\n", 10));
        auto window = windowOn(folder.path());
        QVERIFY(window->isValidInstance());
        QCOMPARE(names(window->launchButtons()), expected);
        QCOMPARE(window->isVerticalLayout(), rects.last().x() == rects.first().x());
        QVERIFY(waitForMachine(window.get()));
        for (int i = 0; i < links; ++i)
            QTRY_COMPARE(window->launchButtons().at(i)->geometry(), rects.at(i));
        QCOMPARE(window->size(), QSize(600, 300));
        // The keyboard starts on the first button.
        QTRY_COMPARE(QApplication::focusWidget(), window->launchButtons().first());
    }

    void folderButtonOpensAndClosesItsSubMenu_data()
    {
        // Sub-menu buttons are made on demand: by the first opening, or
        // earlier by a look-up such as a second start handing files over.
        QTest::addColumn<bool>("askedFirst");
        QTest::addColumn<bool>("escape");
        QTest::newRow("made by the opening") << false << false;
        QTest::newRow("made by an earlier look-up") << true << false;
        QTest::newRow("closed by Escape") << false << true;
    }

    void folderButtonOpensAndClosesItsSubMenu()
    {
        QFETCH(bool, askedFirst);
        QFETCH(bool, escape);
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"),
            "[app]\nbackground=bg.png\npadding-left=10\npadding-top=50\n[button]\nwidth=40\nheight=40\nmargin-right="
            "5\nshiftduration=10\n");
        links.probeLink(QStringLiteral("other.link"), 1);
        links.picture(QStringLiteral("tools.link/folder.png"), 40, 40);
        links.write(QStringLiteral("tools.link/_.link"), "[properties]\nicon=folder.png\npriority=2\n");
        links.picture(QStringLiteral("tools.link/icon.png"), 40, 40);
        links.write(QStringLiteral("tools.link/one.link"), "[properties]\nicon=icon.png\npriority=1\n");
        links.write(QStringLiteral("tools.link/two.link"), "[properties]\nicon=icon.png\npriority=2\n");

        auto window = windowOn(links.path());
        QCOMPARE(names(window->launchButtons()), QStringList({ "tools.link", "other.link" }));
        LaunchButton *folder = window->launchButtons().at(0);
        LaunchButton *other = window->launchButtons().at(1);
        if (askedFirst) {
            QCOMPARE(int(folder->children().size()), 2);
            QVERIFY(!folder->children().at(0)->isVisible());
        }
        QVERIFY(waitForMachine(window.get()));
        QTRY_VERIFY(other->isVisible());
        QCOMPARE(folder->showChecked(), false);

        // Twice: the second opening and closing go by the layout alone.
        for (int round = 0; round < 2; ++round) {
            QTest::mousePress(folder, Qt::LeftButton, {}, QPoint(5, 5));
            QTRY_VERIFY(folder->showChecked());
            QTRY_VERIFY(!other->isVisible());
            QCOMPARE(int(folder->children().size()), 2);
            LaunchButton *first = folder->children().at(0);
            LaunchButton *second = folder->children().at(1);
            QCOMPARE(first->configuration().fileName, QStringLiteral("one.link"));
            QTRY_COMPARE(first->geometry(), QRect(1 * 40 + 1 * 5 + 10, 50, 40, 40));
            QTRY_COMPARE(second->geometry(), QRect(2 * 40 + 2 * 5 + 10, 50, 40, 40));
            QVERIFY(first->isVisible());
            QCOMPARE(first->focusPolicy(), Qt::StrongFocus);
            // Without a look of its own for the open state, the folder keeps
            // its picture: it is the way back.
            QCOMPARE(folder->iconOverlayWidget()->imagePath(), links.path(QStringLiteral("tools.link/folder.png")));
            QVERIFY(folder->isVisible());

            if (escape) {
                QTest::keyClick(first, Qt::Key_Escape);
                QTRY_VERIFY(!folder->showChecked());
                // A second Escape does not open it again.
                QTest::keyClick(window.get(), Qt::Key_Escape);
                QCOMPARE(window->layoutMachine()->configuration().contains(folder->subMenu()), false);
            } else {
                QTest::mousePress(folder, Qt::LeftButton, {}, QPoint(5, 5));
            }
            QTRY_VERIFY(!folder->showChecked());
            QTRY_VERIFY(other->isVisible());
            QTRY_VERIFY(!first->isVisible());
            QTRY_VERIFY(!second->isVisible());
            QCOMPARE(first->focusPolicy(), Qt::NoFocus);
            QTRY_COMPARE(folder->geometry(), QRect(10, 50, 40, 40));
        }
    }

    void folderEntriesAreReadOnFirstNeed_data()
    {
        // The entries of a folder are read when it first opens; a folder
        // whose entries all lack their picture has none and stays shut.
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("opens");
        QTest::newRow("entry with a picture") << QByteArray("[properties]\nicon=icon.png\n") << true;
        QTest::newRow("entry without one") << QByteArray("[properties]\nicon=missing.png\n") << false;
    }

    void folderEntriesAreReadOnFirstNeed()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, opens);
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button]\nwidth=40\nheight=40\n");
        links.probeLink(QStringLiteral("other.link"), 1);
        links.picture(QStringLiteral("tools.link/icon.png"), 40, 40);
        links.write(QStringLiteral("tools.link/_.link"), "[properties]\nicon=icon.png\npriority=2\n");
        auto window = windowOn(links.path());
        QVERIFY(waitForMachine(window.get()));
        LaunchButton *folder = window->launchButtons().at(0);
        LaunchButton *other = window->launchButtons().at(1);
        QVERIFY(folder->configuration().children.empty());
        // Written after the start, before the first opening: still read.
        links.write(QStringLiteral("tools.link/one.link"), entry);

        QTest::mousePress(folder, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(int(folder->children().size()), opens ? 1 : 0);
        QCOMPARE(window->layoutMachine()->configuration().contains(folder->subMenu()), opens);
        if (opens)
            QTRY_VERIFY(!other->isVisible());
        else
            QVERIFY(other->isVisible());
    }

    void pinGateAndSignature_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<QByteArray>("pinDone");
        QTest::addColumn<bool>("signedBackground");
        QTest::addColumn<bool>("canRun");
        QTest::addColumn<bool>("valid");
        QTest::newRow("no pin check") << QByteArray() << QByteArray() << true << true << true;
        QTest::newRow("pin unset") << QByteArray("pincheck=true\n") << QByteArray() << true << false << false;
        QTest::newRow("pin empty") << QByteArray("pincheck=true\n") << QByteArray("") << true << false << false;
        QTest::newRow("pin wrong") << QByteArray("pincheck=true\n") << QByteArray("2") << true << false << false;
        QTest::newRow("pin done") << QByteArray("pincheck=true\n") << QByteArray("1") << true << true << true;
        QTest::newRow("unsigned") << QByteArray() << QByteArray() << false << true << false;
    }

    void pinGateAndSignature()
    {
        QFETCH(QByteArray, conf);
        QFETCH(QByteArray, pinDone);
        QFETCH(bool, signedBackground);
        LinksFolder links;
        if (signedBackground)
            links.signedBackground();
        else
            links.picture(QStringLiteral("bg.png"), 100, 100);
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n" + conf);
        links.probeLink(QStringLiteral("a.link"), 1);
        if (!pinDone.isNull())
            qputenv("PIN_CHECK_DONE", pinDone);
        auto window = windowOn(links.path());
        QTEST(window->canRun(), "canRun");
        QTEST(window->isValidInstance(), "valid");
        if (!window->isValidInstance())
            QVERIFY(window->launchButtons().isEmpty());
    }

    void linksFolderFromHomeLinksConf()
    {
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("fromhome.link"), 1);
        // The platform key wins over the plain one.
        TestSupport::writeFile(scratch.filePath(QStringLiteral("gatepoint/links.conf")),
            "[load]\nconfpath=/nonexistent\n[load_linux]\nconfpath=" + links.path().toUtf8() + "\n");
        MainWindow window(true);
        QFile::remove(scratch.filePath(QStringLiteral("gatepoint/links.conf")));
        QCOMPARE(window.linksFolderPath(), links.path());
        QCOMPARE(names(window.launchButtons()), QStringList({ "fromhome.link" }));
    }

    void handOverReachesTheNamedButton()
    {
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("probe.link"), 1, "[click]\nargs=--configured\n");
        links.probeLink(QStringLiteral("other.link"), 2);
        links.write(QStringLiteral("menu.link/_.link"), "[properties]\nicon=../icon.png\npriority=3\n");
        links.write(QStringLiteral("menu.link/inner.link"),
            "[properties]\nicon=../icon.png\n[click]\npath="
                + TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8() + "\nargs=--inner\n");
        auto window = windowOn(links.path(), false);

        // A button inside a folder not opened yet is found by its name.
        QStringList inner { QStringLiteral("inner"), QStringLiteral("deep") };
        window->_cmd(inner, QString());
        const auto innerRecords = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(innerRecords.size(), 1);
        QCOMPARE(innerRecords.first().arguments, QStringList({ "deep" }));
        QFile::remove(probeOut);

        // The full file name matches nothing; the base name does. Starts are
        // synchronous, so the probe's only record is the second call's.
        const QString pidFile = scratch.filePath(QStringLiteral("handover.pid"));
        QStringList args { QStringLiteral("probe.link"), QStringLiteral("x") };
        window->_cmd(args, pidFile);
        args
            = QStringList { QStringLiteral("probe"), QStringLiteral("a file.txt"), QStringLiteral("x$(rm -rf x);'\"") };
        window->_cmd(args, pidFile);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList({ "a file.txt", "x$(rm -rf x);'\"" }));
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        QCOMPARE(pid.readAll().toLongLong(), records.first().pid);
    }

    void documentActionHandsThePathOverAsChosen()
    {
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("sign.link"), 1);
        auto window = windowOn(links.path());

        // A cancel starts nothing; no button of that name does nothing.
        // Starts are synchronous, so the only record is the last call's.
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList(); });
        window->launch_cmd_sign();
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList { "/tmp/x" }; });
        window->launch_cmd_verify();
        QStringList asked;
        CustomFileDialog::setResponder([&](const CustomFileDialog &dialog) {
            asked = dialog.nameFilters();
            return QStringList { QStringLiteral("/tmp/l'anno/\"a\".txt") };
        });
        window->launch_cmd_sign();
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList({ "/tmp/l'anno/\"a\".txt" }));
        QCOMPARE(asked, QStringList({ "All files (*)" }));
    }

    void clickAndReturnStartTheProgram()
    {
        LinksFolder links;
        links.signedBackground();
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("probe.link"), 1, "[click]\nargs=one, two words\n");
        auto window = windowOn(links.path());
        LaunchButton *button = window->launchButtons().value(0);
        QVERIFY(button);
        QTest::mousePress(button, Qt::RightButton, {}, QPoint(2, 2));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(2, 2));
        auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList({ "one", "two words" }));
        // Return, the keypad's Enter and Space, once per press: a held key's
        // repeats start nothing.
        int expected = 1;
        for (const auto &key : { std::make_pair(Qt::Key_Return, Qt::NoModifier),
                 std::make_pair(Qt::Key_Enter, Qt::KeypadModifier), std::make_pair(Qt::Key_Space, Qt::NoModifier) }) {
            QTest::keyClick(button, key.first, key.second);
            QKeyEvent repeat(QEvent::KeyPress, key.first, key.second, QString(), true);
            QApplication::sendEvent(button, &repeat);
            records = TestSupport::waitForProbeRecords(probeOut, ++expected);
            QCOMPARE(records.size(), expected);
        }
        QTest::qWait(200);
        QCOMPARE(TestSupport::readProbeRecords(probeOut).size(), expected);
    }

    void autorunWaitingFirstThenBackground()
    {
        LinksFolder links;
        links.signedBackground();
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), links.path(QStringLiteral("first")));
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), links.path(QStringLiteral("second")));
        links.write(QStringLiteral("blob.bin"), "x");
        links.write(QStringLiteral("launcher.conf"),
            "[app]\nbackground=bg.png\nautorun=second, first\n"
            "autorun_args_0=\"bg,%pid%,%PID%\"\nautorun_wait_0=false\n"
            "autorun_args_1=\"w,,x\"\nautorun_wait_1=true\n");
        links.probeLink(QStringLiteral("a.link"), 1);
        auto window = windowOn(links.path());
        // The waiting program has run to its end before the window is built.
        auto records = TestSupport::readProbeRecords(probeOut);
        QVERIFY(!records.isEmpty());
        QCOMPARE(records.first().arguments, QStringList({ "w", "", "x" }));
        QCOMPARE(records.first().cwd, links.path());
        QCOMPARE(records.first().env.value("PYTHONPATH"), links.path("blob.bin"));
        QCOMPARE(records.first().env.value("RESOURCEDIR"), links.path());
        records = TestSupport::waitForProbeRecords(probeOut, 2);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(1).arguments,
            QStringList({ "bg", QString::number(QCoreApplication::applicationPid()), "%PID%" }));
        window.reset(); // waits for the background pass
    }

    void reloadRebuildsFromAnotherFolder()
    {
        LinksFolder first;
        first.signedBackground();
        first.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[exit]\nimage=bg.png\n");
        first.probeLink(QStringLiteral("one.link"), 1);
        LinksFolder second;
        second.signedBackground();
        second.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        second.probeLink(QStringLiteral("two.link"), 1);
        second.probeLink(QStringLiteral("three.link"), 2);

        auto window = windowOn(first.path());
        QVERIFY(window->toolButton(QStringLiteral("exit")));
        QPointer<LaunchButton> old = window->launchButtons().value(0);
        window->onReloadRequest(second.path());
        QVERIFY(old.isNull());
        QCOMPARE(names(window->launchButtons()), QStringList({ "three.link", "two.link" }));
        QVERIFY(!window->toolButton(QStringLiteral("exit")));
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
