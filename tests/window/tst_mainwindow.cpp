// The main window in the test's own process: buttons laid out as the skin
// says, folders that open and close, the checks a skin must pass when it is
// built, where the links folder comes from, hand-overs, the sign shortcut
// and the keyboard round the window. (The autorun arguments and the wait
// for the first frame: tst_process and tst_instance.)
#include <QtTest>

#include <QApplication>
#include <QProgressDialog>
#include <QStateMachine>

#include "commands/customfiledialog.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"
#include "window/appflags.h"
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

// A skin with two buttons, a.link first, and the five window controls.
void layOutSkin(LinksFolder &links)
{
    QByteArray conf = "[button]\nwidth=40\nheight=40\n";
    for (int i = 0; i < controlGroups.size(); ++i) {
        const QByteArray group = controlGroups.at(i).toUtf8();
        links.picture(group + ".png", 16, 16);
        conf += "[" + group + "]\nimage=" + group + ".png\nllx=" + QByteArray::number(300 + 20 * i) + "\nlly=5\n";
    }
    links.skin(conf);
    links.probeLink("a.link", 2);
    links.probeLink("b.link", 1);
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

    // Buttons follow their priority, highest first, laid out as [button]
    // says; links that are broken give no button. (The platform group and a
    // vertical layout: tst_skintool, which places buttons as this window.)
    void layout()
    {
        LinksFolder folder;
        folder.skin("padding-left=5\npadding-top=20\n[button]\nwidth=50\nheight=40\nmargin-right=10\n");
        for (int p = 1; p <= 3; ++p)
            folder.probeLink(QStringLiteral("b%1.link").arg(p), p);
        // No button for a link without its icon or a non-link. (Garbage:
        // fuzz_linkfile.)
        folder.write("noicon.link", "[properties]\nicon=missing.png\n");
        folder.write("tools/_.link", "[properties]\nicon=../icon.png\n");
        auto window = windowOn(folder.path());
        QCOMPARE(names(window->launchButtons()), QStringList({ "b3.link", "b2.link", "b1.link" }));
        QVERIFY(waitForMachine(window.get()));
        for (int i = 0; i < 3; ++i)
            QTRY_COMPARE(window->launchButtons().at(i)->geometry(), QRect(5 + 60 * i, 20, 50, 40));
        QCOMPARE(window->size(), QSize(600, 300));
        // The keyboard starts on the first button.
        QTRY_COMPARE(QApplication::focusWidget(), window->launchButtons().first());
    }

    // Sub-menu buttons are made by the first opening (made by a look-up
    // first: the hand-over below); closed by a second click or by Escape.
    void folderButtonOpensAndClosesItsSubMenu_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("closed by a click") << false;
        QTest::newRow("closed by Escape") << true;
    }
    void folderButtonOpensAndClosesItsSubMenu()
    {
        QFETCH(bool, escape);
        LinksFolder links;
        links.skin(
            "padding-left=10\npadding-top=50\n[button]\nwidth=40\nheight=40\nmargin-right=5\nshiftduration=10\n");
        links.probeLink("other.link", 1);
        links.picture("tools.link/folder.png", 40, 40);
        links.write("tools.link/_.link", "[properties]\nicon=folder.png\npriority=2\n");
        links.picture("tools.link/icon.png", 40, 40);
        links.write("tools.link/one.link", "[properties]\nicon=icon.png\n");
        // A folder whose entries all lack their picture has none.
        links.write("empty.link/_.link", "[properties]\nicon=../tools.link/icon.png\n");
        links.write("empty.link/one.link", "[properties]\nicon=missing.png\n");
        auto window = windowOn(links.path());
        LaunchButton *folder = window->launchButtons().at(0);
        LaunchButton *other = window->launchButtons().at(1);
        // Written after the start, before the first opening: still read.
        links.write("tools.link/two.link", "[properties]\nicon=icon.png\n");
        QVERIFY(waitForMachine(window.get()));
        QTRY_VERIFY(other->isVisible());
        // A folder with no entries stays shut.
        LaunchButton *empty = window->launchButtons().at(2);
        QTest::mousePress(empty, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(empty->children().empty());
        QVERIFY(!window->layoutMachine()->configuration().contains(empty->subMenu()));
        QVERIFY(other->isVisible());

        // Twice: the second opening and closing go by the layout alone.
        for (int round = 0; round < 2; ++round) {
            QTest::mousePress(folder, Qt::LeftButton, {}, QPoint(5, 5));
            QTRY_VERIFY(folder->showChecked());
            QTRY_VERIFY(!other->isVisible());
            QCOMPARE(int(folder->children().size()), 2);
            LaunchButton *first = folder->children().at(0);
            LaunchButton *second = folder->children().at(1);
            QTRY_VERIFY(first->isVisible() && second->isVisible());
            QCOMPARE(first->focusPolicy(), Qt::StrongFocus);
            QVERIFY(folder->isVisible()); // the way back

            if (escape) {
                QTest::keyClick(first, Qt::Key_Escape);
                QTRY_VERIFY(!folder->showChecked());
                // A second Escape does not open it again.
                QTest::keyClick(window.get(), Qt::Key_Escape);
                QVERIFY(!window->layoutMachine()->configuration().contains(folder->subMenu()));
            } else {
                QTest::mousePress(folder, Qt::LeftButton, {}, QPoint(5, 5));
            }
            QTRY_VERIFY(!folder->showChecked());
            QTRY_VERIFY(other->isVisible());
            QTRY_VERIFY(!first->isVisible() && !second->isVisible());
            QCOMPARE(first->focusPolicy(), Qt::NoFocus);
            QTRY_COMPARE(folder->geometry(), QRect(10, 50, 40, 40));
        }
    }

    // A skin is built only when its background carries the signature and,
    // where it asks for the PIN check, that check has been passed (exactly
    // the text 1, not what reads as the number one). Built over a skin that
    // passed, one that fails leaves the skin shown as it was, and no
    // progress dialog behind.
    void skinChecks_data()
    {
        QTest::addColumn<bool>("overAGoodSkin");
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<QByteArray>("pinDone");
        QTest::addColumn<bool>("signedBackground");
        QTest::addColumn<bool>("canRun");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("buttons");
        const QByteArray pin = "pincheck=true\n";
        const QStringList next { "other.link" };
        const QStringList kept { "a.link", "b.link" };
        // Gated starts as such: tst_process; here what passes the gate.
        QTest::newRow("pin done") << false << pin << QByteArray("1") << true << true << true << next;
        for (const char *lookalike : { "+1", "1 " })
            QTest::newRow(qPrintable(QStringLiteral("pin looks like one: '%1'").arg(QLatin1String(lookalike))))
                << false << pin << QByteArray(lookalike) << true << false << false << QStringList();
        QTest::newRow("unsigned") << false << QByteArray() << QByteArray() << false << true << false << QStringList();
        QTest::newRow("over a good skin: another skin")
            << true << QByteArray() << QByteArray() << true << true << true << next;
        QTest::newRow("over a good skin: unsigned")
            << true << QByteArray() << QByteArray() << false << true << true << kept;
        QTest::newRow("over a good skin: pin check not passed")
            << true << pin << QByteArray() << true << true << true << kept;
    }
    void skinChecks()
    {
        QFETCH(bool, overAGoodSkin);
        QFETCH(QByteArray, conf);
        QFETCH(QByteArray, pinDone);
        QFETCH(bool, signedBackground);
        QFETCH(QStringList, buttons);
        LinksFolder good;
        layOutSkin(good);
        LinksFolder next;
        if (signedBackground)
            next.signedBackground();
        else
            next.picture("bg.png", 100, 100);
        next.write("launcher.conf", "[app]\nbackground=bg.png\n" + conf);
        next.probeLink("other.link", 1);
        if (!pinDone.isNull())
            qputenv("PIN_CHECK_DONE", pinDone);

        MainWindow window(true);
        if (overAGoodSkin)
            window.onReloadRequest(good.path());
        QPointer<LaunchButton> old = window.launchButtons().value(0);
        window.onReloadRequest(next.path());
        QTEST(window.canRun(), "canRun");
        QTEST(window.isValidInstance(), "valid");
        QCOMPARE(names(window.launchButtons()), buttons);
        if (!overAGoodSkin)
            return;
        QVERIFY(window.isVisible());
        const bool rebuilt = buttons.size() == 1;
        if (rebuilt)
            QVERIFY(old.isNull());
        QCOMPARE(window.toolButton("exit") == nullptr, rebuilt);
        const auto dialogs = [] {
            const QWidgetList all = QApplication::topLevelWidgets();
            return std::count_if(all.begin(), all.end(),
                [](QWidget *w) { return qobject_cast<QProgressDialog *>(w) && w->isVisible(); });
        };
        QTRY_COMPARE(dialogs(), 0);
    }

    void handOverReachesTheNamedButton()
    {
        LinksFolder links;
        links.skin();
        links.probeLink("probe.link", 1, "[click]\nargs=--configured\n");
        links.write("menu.link/_.link", "[properties]\nicon=../icon.png\npriority=3\n");
        links.write("menu.link/inner.link",
            "[properties]\nicon=../icon.png\n[click]\npath=" + TestSupport::helperPath("gp_probe").toUtf8()
                + "\nargs=--inner\n");
        auto window = windowOn(links.path(), false);

        // A button inside a folder not opened yet is found by its name; the
        // full file name matches nothing, the base name does.
        for (QStringList args : { QStringList { "inner", "deep" }, QStringList { "probe.link", "x" },
                 QStringList { "probe", "a file.txt" } })
            window->_cmd(args, QString());
        QList<QStringList> received;
        for (const auto &record : TestSupport::waitForProbeRecords(probeOut, 2))
            received.append(record.arguments);
        std::sort(received.begin(), received.end());
        QCOMPARE(received, (QList<QStringList> { { "a file.txt" }, { "deep" } }));
    }

    // The sign shortcut asks for a file and hands the chosen path over as
    // it is. (The question's filter and a cancel: tst_userdata.) The links
    // folder is found through links.conf in the home folder, whose platform
    // key wins over the plain one. (Beside the program: tst_process.)
    void signShortcutHandsThePathOverAsChosen()
    {
        LinksFolder links;
        links.skin();
        links.probeLink("sign.link", 1);
        TestSupport::writeFile(scratch.filePath("gatepoint/links.conf"),
            "[load]\nconfpath=/nonexistent\n[load_linux]\nconfpath=" + links.path().toUtf8() + "\n");
        MainWindow window(true);
        QFile::remove(scratch.filePath("gatepoint/links.conf"));
        QCOMPARE(names(window.launchButtons()), QStringList({ "sign.link" }));
        window.start();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QStringList chosen { "/tmp/l'anno/\"a\".txt" };
        CustomFileDialog::setResponder([&](const CustomFileDialog &) { return chosen; });
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, chosen);
    }

    void tabReachesButtonsAndControls()
    {
        LinksFolder links;
        layOutSkin(links);
        auto window = windowOn(links.path());
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), window->launchButtons().first());

        // Once round the chain: both buttons, then the five controls.
        QList<QWidget *> seen;
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen.append(QApplication::focusWidget());
        }
        QVERIFY(seen.contains(window->launchButtons().at(1)));
        for (const QString &group : controlGroups)
            QVERIFY2(seen.contains(window->toolButton(group)), qPrintable(group));

        // Space on a control works it like a click.
        ToolButton *onTop = window->toolButton("always_on_top");
        QTest::keyClick(onTop, Qt::Key_Space);
        QVERIFY(onTop->isOwnChecked());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
