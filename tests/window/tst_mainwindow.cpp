#include <QtTest>

#include <QApplication>
#include <QProgressDialog>
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

const QStringList controlGroups { "info", "document", "always_on_top", "minimize", "exit" };

// A skin with two buttons and the five window controls.
void layOutSkin(LinksFolder &links)
{
    QByteArray conf = "[button]\nwidth=40\nheight=40\n";
    int x = 300;
    for (const QString &group : controlGroups) {
        links.picture(group + QStringLiteral(".png"), 16, 16);
        conf
            += "[" + group.toUtf8() + "]\nimage=" + group.toUtf8() + ".png\nllx=" + QByteArray::number(x) + "\nlly=5\n";
        x += 20;
    }
    links.skin(conf);
    links.probeLink(QStringLiteral("a.link"), 2);
    links.probeLink(QStringLiteral("b.link"), 1);
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
        // No button for a link without its icon or a non-link. (Garbage:
        // tst_hostilemedium.)
        folder.write(QStringLiteral("noicon.link"), "[properties]\nicon=missing.png\n");
        folder.write(QStringLiteral("tools/_.link"), "[properties]\nicon=../icon.png\n");
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
        links.skin(
            "padding-left=10\npadding-top=50\n[button]\nwidth=40\nheight=40\nmargin-right=5\nshiftduration=10\n");
        links.probeLink(QStringLiteral("other.link"), 1);
        links.picture(QStringLiteral("tools.link/folder.png"), 40, 40);
        links.write(QStringLiteral("tools.link/_.link"), "[properties]\nicon=folder.png\npriority=2\n");
        links.picture(QStringLiteral("tools.link/icon.png"), 40, 40);
        links.write(QStringLiteral("tools.link/one.link"), "[properties]\nicon=icon.png\npriority=1\n");
        const auto writeTwo
            = [&] { links.write(QStringLiteral("tools.link/two.link"), "[properties]\nicon=icon.png\npriority=2\n"); };
        if (askedFirst)
            writeTwo();

        auto window = windowOn(links.path());
        QCOMPARE(names(window->launchButtons()), QStringList({ "tools.link", "other.link" }));
        LaunchButton *folder = window->launchButtons().at(0);
        LaunchButton *other = window->launchButtons().at(1);
        if (askedFirst) {
            QCOMPARE(int(folder->children().size()), 2);
            QVERIFY(!folder->children().at(0)->isVisible());
        } else {
            writeTwo(); // after the start, before the first opening: still read
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
            QTRY_COMPARE(first->geometry(), QRect(1 * 40 + 1 * 5 + 10, 50, 40, 40));
            QTRY_COMPARE(second->geometry(), QRect(2 * 40 + 2 * 5 + 10, 50, 40, 40));
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

    // A folder whose entries all lack their picture has none and stays shut.
    void folderWithoutEntriesStaysShut()
    {
        LinksFolder links;
        links.skin("[button]\nwidth=40\nheight=40\n");
        links.probeLink(QStringLiteral("other.link"), 1);
        links.picture(QStringLiteral("tools.link/icon.png"), 40, 40);
        links.write(QStringLiteral("tools.link/_.link"), "[properties]\nicon=icon.png\npriority=2\n");
        links.write(QStringLiteral("tools.link/one.link"), "[properties]\nicon=missing.png\n");
        auto window = windowOn(links.path());
        QVERIFY(waitForMachine(window.get()));
        LaunchButton *folder = window->launchButtons().at(0);
        QTest::mousePress(folder, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(folder->children().empty());
        QVERIFY(!window->layoutMachine()->configuration().contains(folder->subMenu()));
        QVERIFY(window->launchButtons().at(1)->isVisible());
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
        // Only the exact text passes, not what reads as the number one.
        for (const char *lookalike : { "+1", "01", "0001", "1 ", " 1", "1\n", "0x1" })
            QTest::newRow(qPrintable(QStringLiteral("pin looks like one: '%1'").arg(QLatin1String(lookalike))))
                << QByteArray("pincheck=true\n") << QByteArray(lookalike) << true << false << false;
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
        links.skin();
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
        links.skin();
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
        QStringList args { QStringLiteral("probe.link"), QStringLiteral("x") };
        window->_cmd(args);
        args
            = QStringList { QStringLiteral("probe"), QStringLiteral("a file.txt"), QStringLiteral("x$(rm -rf x);'\"") };
        window->_cmd(args);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList({ "a file.txt", "x$(rm -rf x);'\"" }));
    }

    void documentActionHandsThePathOverAsChosen()
    {
        LinksFolder links;
        links.skin();
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

    void tabReachesButtonsAndControls()
    {
        LinksFolder links;
        layOutSkin(links);
        MainWindow window(true);
        window.onReloadRequest(links.path());
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_COMPARE(QApplication::focusWidget(), window.launchButtons().first());

        // Once round the chain: both buttons, then the five controls.
        QList<QWidget *> seen;
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen.append(QApplication::focusWidget());
        }
        QVERIFY(seen.contains(window.launchButtons().at(1)));
        for (const QString &group : controlGroups)
            QVERIFY(seen.contains(window.toolButton(group)));

        // Space on a control works it like a click.
        ToolButton *onTop = window.toolButton(QStringLiteral("always_on_top"));
        QTest::keyClick(onTop, Qt::Key_Space);
        QVERIFY(onTop->isOwnChecked());
    }

    // A reload builds the new skin; one that fails its checks leaves the
    // skin shown as it was, and no progress dialog behind.
    void reload_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<bool>("signedBackground");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("another skin") << QByteArray() << true << QStringList { "other.link" };
        QTest::newRow("unsigned background") << QByteArray() << false << QStringList { "a.link", "b.link" };
        QTest::newRow("pin check not passed")
            << QByteArray("pincheck=true\n") << true << QStringList { "a.link", "b.link" };
    }

    void reload()
    {
        QFETCH(QByteArray, conf);
        QFETCH(bool, signedBackground);
        QFETCH(QStringList, buttons);
        LinksFolder good;
        layOutSkin(good);
        LinksFolder next;
        if (signedBackground)
            next.signedBackground();
        else
            next.picture(QStringLiteral("bg.png"), 100, 100);
        next.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n" + conf);
        next.probeLink(QStringLiteral("other.link"), 1);

        MainWindow window(true);
        window.onReloadRequest(good.path());
        QPointer<LaunchButton> old = window.launchButtons().value(0);
        window.onReloadRequest(next.path());
        QVERIFY(window.isVisible() && window.canRun() && window.isValidInstance());
        QCOMPARE(names(window.launchButtons()), buttons);
        if (buttons.size() == 1)
            QVERIFY(old.isNull());
        QCOMPARE(window.toolButton(QStringLiteral("exit")) == nullptr, buttons.size() == 1);
        const auto dialogs = [] {
            const QWidgetList all = QApplication::topLevelWidgets();
            return std::count_if(all.begin(), all.end(),
                [](QWidget *w) { return qobject_cast<QProgressDialog *>(w) && w->isVisible(); });
        };
        QTRY_COMPARE(dialogs(), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
