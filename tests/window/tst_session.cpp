// A session in the window: the keyboard reaches every control, and a reload
// onto a skin that fails its checks keeps the skin on screen. (A hidden start
// without a tray: tst_desktop_x11.)
#include <QtTest>

#include <QApplication>
#include <QProgressDialog>

#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"
#include "window/appflags.h"
#include "window/mainwindow.h"
#include "windowfixture.h"

namespace {

const QStringList controlGroups { "info", "document", "always_on_top", "minimize", "exit" };

void layOutSkin(LinksFolder &links, const QByteArray &app = QByteArray())
{
    links.signedBackground();
    QByteArray conf = "[app]\nbackground=bg.png\n" + app + "[button]\nwidth=40\nheight=40\n";
    int x = 300;
    for (const QString &group : controlGroups) {
        links.picture(group + QStringLiteral(".png"), 16, 16);
        conf
            += "[" + group.toUtf8() + "]\nimage=" + group.toUtf8() + ".png\nllx=" + QByteArray::number(x) + "\nlly=5\n";
        x += 20;
    }
    links.write(QStringLiteral("launcher.conf"), conf);
    links.probeLink(QStringLiteral("a.link"), 2);
    links.probeLink(QStringLiteral("b.link"), 1);
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        framelessWindow = true;
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
            QVERIFY2(seen.contains(window.toolButton(group)), qPrintable(group));

        // Space on a control works it like a click.
        ToolButton *onTop = window.toolButton(QStringLiteral("always_on_top"));
        QTest::keyClick(onTop, Qt::Key_Space);
        QVERIFY(onTop->isOwnChecked());
    }

    void reloadOntoAFailingSkinKeepsTheSkin_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<bool>("signedBackground");
        QTest::newRow("unsigned background") << QByteArray() << false;
        QTest::newRow("pin check not passed") << QByteArray("pincheck=true\n") << true;
    }

    void reloadOntoAFailingSkinKeepsTheSkin()
    {
        QFETCH(QByteArray, conf);
        QFETCH(bool, signedBackground);
        qunsetenv("PIN_CHECK_DONE");
        LinksFolder good;
        layOutSkin(good);
        LinksFolder bad;
        if (signedBackground)
            bad.signedBackground();
        else
            bad.picture(QStringLiteral("bg.png"), 100, 100);
        bad.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n" + conf);
        bad.probeLink(QStringLiteral("other.link"), 1);

        MainWindow window(true);
        window.onReloadRequest(good.path());
        QVERIFY(window.isVisible());
        window.onReloadRequest(bad.path());
        QVERIFY(window.isVisible());
        QVERIFY(window.canRun());
        QVERIFY(window.isValidInstance());
        QCOMPARE(window.launchButtons().size(), 2);
        QCOMPARE(window.launchButtons().first()->configuration().fileName, QStringLiteral("a.link"));
        // No progress dialog is left behind.
        const auto dialogs = [] {
            const QWidgetList all = QApplication::topLevelWidgets();
            return std::count_if(all.begin(), all.end(),
                [](QWidget *w) { return qobject_cast<QProgressDialog *>(w) && w->isVisible(); });
        };
        QTRY_COMPARE(dialogs(), 0);
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
