// The launcher on real desktops: a real X server with icewm, with openbox
// and with no window manager. The window must be mapped and viewable after
// every start and every reload, start with the first button focused, fit
// small and scaled screens, and start hidden only where a tray can bring it
// back.
#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "window/appflags.h"
#include "window/mainwindow.h"
#include "windowfixture.h"

namespace {

QString output(const QString &program, const QStringList &arguments, const QString &display = QString())
{
    QProcess process;
    if (!display.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// What xwininfo says of a window: map state and absolute geometry.
struct WindowInfo {
    bool viewable = false;
    QRect geometry;
};

WindowInfo windowInfo(const QString &id, const QString &display = QString())
{
    WindowInfo info;
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString &line : output(QStringLiteral("xwininfo"), { QStringLiteral("-id"), id }, display).split('\n')) {
        const QString text = line.trimmed();
        auto number = [&](const char *label, int &into) {
            if (text.startsWith(QLatin1String(label)))
                into = text.mid(int(qstrlen(label))).trimmed().toInt();
        };
        number("Absolute upper-left X:", x);
        number("Absolute upper-left Y:", y);
        number("Width:", w);
        number("Height:", h);
        if (text.startsWith(QLatin1String("Map State:")))
            info.viewable = text.endsWith(QLatin1String("IsViewable"));
    }
    info.geometry = QRect(x, y, w, h);
    return info;
}

QStringList windowsOf(qint64 pid, const QString &display = QString())
{
    return output(
        QStringLiteral("xdotool"), { QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid) }, display)
        .split('\n', Qt::SkipEmptyParts);
}

// The launcher's viewable window with the given title, or empty.
QString viewableWindow(qint64 pid, const QString &title, const QString &display = QString())
{
    for (const QString &id : windowsOf(pid, display)) {
        const QString name = output(QStringLiteral("xdotool"), { QStringLiteral("getwindowname"), id }, display);
        if (name == title && windowInfo(id, display).viewable)
            return id;
    }
    return QString();
}

QString rootProperty(const QString &name, const QString &display)
{
    return output(QStringLiteral("xprop"), { QStringLiteral("-root"), name }, display);
}

// The screen's work area, as the window manager publishes it; the whole
// screen without one.
QRect workArea(const QString &display)
{
    const QString text = rootProperty(QStringLiteral("_NET_WORKAREA"), display);
    const QStringList parts = text.section('=', 1).split(',', Qt::SkipEmptyParts);
    if (text.contains('=') && parts.size() >= 4)
        return QRect(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(), parts[2].trimmed().toInt(),
            parts[3].trimmed().toInt());
    QRect screen;
    for (const QString &line : output(QStringLiteral("xwininfo"), { QStringLiteral("-root") }, display).split('\n')) {
        if (line.trimmed().startsWith(QLatin1String("Width:")))
            screen.setWidth(line.section(':', 1).trimmed().toInt());
        if (line.trimmed().startsWith(QLatin1String("Height:")))
            screen.setHeight(line.section(':', 1).trimmed().toInt());
    }
    return screen;
}

// The top-level windows from bottom to top: as the window manager stacks
// its clients, else as the server stacks the root's children.
QStringList stackingOrder(bool managed, const QString &display = QString())
{
    QStringList order;
    // A window manager that has ended leaves its list on the root window.
    const QString stacking = managed ? rootProperty(QStringLiteral("_NET_CLIENT_LIST_STACKING"), display) : QString();
    if (stacking.contains('#')) {
        for (const QString &entry : stacking.section('#', 1).split(',', Qt::SkipEmptyParts))
            order.append(QString::number(entry.trimmed().toULongLong(nullptr, 16)));
        return order;
    }
    // xwininfo names the topmost child first.
    for (const QString &line :
        output(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") }, display)
            .split('\n')) {
        const QString text = line.trimmed();
        if (text.startsWith(QLatin1String("0x")))
            order.prepend(QString::number(text.section(' ', 0, 0).toULongLong(nullptr, 16)));
    }
    return order;
}

// The window that has the keyboard: the window manager's active window,
// else the server's input focus.
QString activeWindow(bool managed)
{
    return output(
        QStringLiteral("xdotool"), { managed ? QStringLiteral("getactivewindow") : QStringLiteral("getwindowfocus") });
}

// A window manager on a display, running until the object goes.
class Desktop {
public:
    static bool available(const QString &manager)
    {
        return manager.isEmpty() || !QStandardPaths::findExecutable(manager).isEmpty();
    }

    bool start(const QString &manager, const QString &display)
    {
        this->display = display;
        if (manager.isEmpty())
            return true;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("HOME"), home.path());
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        // A manager started on a busy machine sometimes gives up at once, or
        // publishes its check window before it takes new windows in (a map
        // request then is lost for good): it is ready once it has managed a
        // window of its own, and started again when it does not get there.
        for (int attempt = 0; attempt < 3; ++attempt) {
            process.start(manager, QStringList());
            if (!process.waitForStarted())
                return false;
            if (QTest::qWaitFor(
                    [&] { return !checkWindow().isEmpty() || process.state() == QProcess::NotRunning; }, 30000)
                && process.state() != QProcess::NotRunning && managesANewWindow())
                return true;
            process.kill();
            process.waitForFinished(5000);
        }
        return false;
    }

    // Whether the manager has taken the window into its client list.
    bool manages(const QString &id) const
    {
        if (process.state() == QProcess::NotRunning)
            return true;
        const QString list = rootProperty(QStringLiteral("_NET_CLIENT_LIST"), display);
        const qulonglong wanted = id.toULongLong(nullptr, 0);
        for (const QString &entry : list.section('#', 1).split(',', Qt::SkipEmptyParts)) {
            if (entry.trimmed().toULongLong(nullptr, 16) == wanted)
                return true;
        }
        return false;
    }

    ~Desktop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
        // Gone once the server has destroyed its windows, so that the next
        // manager is not taken for ready by this one's check window.
        (void)QTest::qWaitFor([&] { return checkWindow().isEmpty(); }, 5000);
    }

private:
    // Whether a window mapped now is taken into the client list; it is gone
    // again before this returns.
    bool managesANewWindow() const
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            QProcess probe;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), display);
            probe.setProcessEnvironment(env);
            probe.start(QStringLiteral("xmessage"), { QStringLiteral("ready") });
            if (!probe.waitForStarted())
                return true; // nothing to probe with: the check window has to do
            const bool managed = QTest::qWaitFor([&] { return clients() > 0; }, 10000);
            probe.kill();
            probe.waitForFinished(5000);
            (void)QTest::qWaitFor([&] { return clients() == 0; }, 5000);
            if (managed)
                return true;
        }
        return false;
    }

    int clients() const
    {
        const QString list = rootProperty(QStringLiteral("_NET_CLIENT_LIST"), display).section('#', 1).trimmed();
        return list.isEmpty() ? 0 : int(list.split(',').size());
    }

    // The window manager's check window, if it exists.
    QString checkWindow() const
    {
        const QString id = rootProperty(QStringLiteral("_NET_SUPPORTING_WM_CHECK"), display).section('#', 1).trimmed();
        if (id.isEmpty() || output(QStringLiteral("xwininfo"), { QStringLiteral("-id"), id }, display).isEmpty())
            return QString();
        return id;
    }

    QProcess process;
    QTemporaryDir home;
    QString display;
};

// A private X server of a given size, for screens smaller than the suite's.
class SmallScreen {
public:
    bool start(const QString &size)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return false;
        server.start(QStringLiteral("Xvfb"),
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                QStringLiteral("-screen"), QStringLiteral("0"), size + QStringLiteral("x24") });
        if (!server.waitForStarted())
            return false;
        if (!QTest::qWaitFor([&] { return server.canReadLine() || server.state() == QProcess::NotRunning; }, 15000))
            return false;
        const QByteArray number = server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        display = QStringLiteral(":") + QString::fromLatin1(number);
        return true;
    }

    ~SmallScreen()
    {
        server.terminate();
        server.waitForFinished(5000);
    }

    QString display;

private:
    QProcess server;
};

const QString title = QStringLiteral("gatepoint desktop test");

// A medium whose window is w x h with the exit control near its right end.
void layOut(LinksFolder &medium, int w, int h, const QByteArray &app = QByteArray())
{
    medium.signedBackground(QStringLiteral("bg.png"), w, h);
    medium.picture(QStringLiteral("exit.png"), 24, 24);
    medium.write(QStringLiteral("launcher.conf"),
        "[app]\nbackground=bg.png\ntitle=" + title.toUtf8() + "\npadding-left=20\npadding-top=40\n" + app
            + "[button]\nwidth=40\nheight=40\nmargin-right=10\n[exit]\nimage=exit.png\nllx="
            + QByteArray::number(w - 40) + "\nlly=8\n");
}

class Launcher {
public:
    void start(const QString &program, const QString &home, const QString &display, const QStringList &arguments,
        const QMap<QString, QString> &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("DISPLAY"), display);
        for (auto it = extra.begin(); it != extra.end(); ++it)
            env.insert(it.key(), it.value());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        process.waitForStarted();
    }

    qint64 pid() const { return process.processId(); }

    ~Launcher()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }

    QProcess process;
};

void addManagerRows()
{
    QTest::addColumn<QString>("manager");
    QTest::newRow("no window manager") << QString();
    QTest::newRow("icewm") << QStringLiteral("icewm");
    QTest::newRow("openbox") << QStringLiteral("openbox");
}

} // namespace

class TestDesktopX11 : public QObject {
    Q_OBJECT

private:
    QString display;

private slots:
    void initTestCase()
    {
        display = qEnvironmentVariable("DISPLAY");
        if (display.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (the suite runs this under xvfb-run)");
        for (const char *tool : { "xdotool", "xwininfo", "xprop" }) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP("needs xdotool and the X11 utilities");
        }
        TestSupport::isolate();
        framelessWindow = true;
    }

    void windowAppearsOnEveryStart_data() { addManagerRows(); }

    void windowAppearsOnEveryStart()
    {
        QFETCH(QString, manager);
        if (!Desktop::available(manager))
            QSKIP("window manager not installed");
        Desktop desktop;
        QVERIFY(desktop.start(manager, display));
        LinksFolder medium;
        const QString program = medium.layOutMedium();
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), medium.path(QStringLiteral("agent")));
        medium.probeLink(QStringLiteral("first.link"), 2, "[click]\nargs=first\n");
        medium.probeLink(QStringLiteral("second.link"), 1, "[click]\nargs=second\n");

        // Every other start with a background autorun program as well.
        constexpr int starts = 10;
        for (int i = 0; i < starts; ++i) {
            layOut(medium, 500, 200, i % 2 == 1 ? "autorun=agent\n" : "");
            const QString probeOut = medium.root.filePath(QStringLiteral("probe-%1.jsonl").arg(i));
            Launcher launcher;
            launcher.start(program, medium.root.path(), display, {}, { { "GP_PROBE_OUT", probeOut } });
            QString id;
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             id = viewableWindow(launcher.pid(), title);
                             return !id.isEmpty() && desktop.manages(id);
                         },
                         15000),
                qPrintable(QStringLiteral("start %1: no viewable window").arg(i + 1)));
            // Still viewable once the window manager has taken it in.
            QVERIFY2(windowInfo(id).viewable, qPrintable(QStringLiteral("start %1: unmapped again").arg(i + 1)));

            if (i == 0) {
                // Return right after the start runs the first button.
                output(QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), id });
                output(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Return") });
                const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
                QCOMPARE(records.size(), 1);
                QCOMPARE(records.first().arguments, QStringList({ "first" }));
            }
        }
    }

    void fitsTheScreen_data()
    {
        QTest::addColumn<QString>("manager");
        QTest::addColumn<bool>("smallScreen");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("fits");
        for (const QString &manager : { QString(), QStringLiteral("icewm"), QStringLiteral("openbox") }) {
            const QString name = manager.isEmpty() ? QStringLiteral("no window manager") : manager;
            // 800 x 600, and 1280 x 1024 at scale 2 (640 x 512 for the window).
            QTest::newRow(qPrintable(name + QStringLiteral(", 800x600, fits"))) << manager << true << 700 << true;
            QTest::newRow(qPrintable(name + QStringLiteral(", 800x600, too wide"))) << manager << true << 1000 << false;
            QTest::newRow(qPrintable(name + QStringLiteral(", scale 2, fits"))) << manager << false << 600 << true;
            QTest::newRow(qPrintable(name + QStringLiteral(", scale 2, too wide"))) << manager << false << 900 << false;
        }
    }

    void fitsTheScreen()
    {
        QFETCH(QString, manager);
        QFETCH(bool, smallScreen);
        QFETCH(int, width);
        QFETCH(bool, fits);
        SmallScreen small;
        if (smallScreen && !small.start(QStringLiteral("800x600")))
            QSKIP("needs Xvfb for a screen of its own");
        const QString where = smallScreen ? small.display : display;
        const int scale = smallScreen ? 1 : 2;
        if (!Desktop::available(manager))
            QSKIP("window manager not installed");
        Desktop desktop;
        QVERIFY(desktop.start(manager, where));

        LinksFolder medium;
        const QString program = medium.layOutMedium();
        constexpr int height = 200;
        layOut(medium, width, height);
        medium.probeLink(QStringLiteral("a.link"), 1);
        Launcher launcher;
        launcher.start(program, medium.root.path(), where, {},
            { { "QT_SCALE_FACTOR", QString::number(scale) }, { "QT_AUTO_SCREEN_SCALE_FACTOR", "0" } });
        QString id;
        QVERIFY(QTest::qWaitFor(
            [&] {
                id = viewableWindow(launcher.pid(), title, where);
                return !id.isEmpty() && desktop.manages(id);
            },
            15000));
        const WindowInfo info = windowInfo(id, where);
        const QRect area = workArea(where);
        // The skin keeps its size.
        QCOMPARE(info.geometry.size(), QSize(width, height) * scale);
        if (fits) {
            QVERIFY2(area.contains(info.geometry),
                qPrintable(QStringLiteral("window %1,%2 %3x%4 outside the work area")
                               .arg(info.geometry.x())
                               .arg(info.geometry.y())
                               .arg(info.geometry.width())
                               .arg(info.geometry.height())));
        } else {
            const QRect exitControl(info.geometry.topLeft() + QPoint(width - 40, 8) * scale, QSize(24, 24) * scale);
            QVERIFY2(area.contains(exitControl),
                qPrintable(QStringLiteral("exit control at %1,%2 off the work area")
                               .arg(exitControl.x())
                               .arg(exitControl.y())));
        }
    }

    void hiddenStartNeedsATray_data()
    {
        QTest::addColumn<QString>("manager");
        // openbox has no tray: like no window manager, the window shows.
        QTest::newRow("no window manager") << QString();
        QTest::newRow("icewm") << QStringLiteral("icewm");
    }

    void hiddenStartNeedsATray()
    {
        QFETCH(QString, manager);
        if (!Desktop::available(manager))
            QSKIP("window manager not installed");
        Desktop desktop;
        QVERIFY(desktop.start(manager, display));
        const bool tray
            = !manager.isEmpty() && QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000);
        LinksFolder medium;
        const QString program = medium.layOutMedium();
        layOut(medium, 400, 200);
        medium.probeLink(QStringLiteral("a.link"), 1);
        Launcher launcher;
        launcher.start(program, medium.root.path(), display, { QStringLiteral("--hide") });
        if (!tray) {
            QVERIFY(QTest::qWaitFor([&] { return !viewableWindow(launcher.pid(), title).isEmpty(); }, 15000));
            return;
        }
        // Only the tray icon shows; a click on it brings the window.
        QString icon;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const QString &id : windowsOf(launcher.pid())) {
                    const WindowInfo info = windowInfo(id);
                    if (info.viewable && info.geometry.width() < 100) {
                        icon = id;
                        return true;
                    }
                }
                return false;
            },
            15000));
        QVERIFY(viewableWindow(launcher.pid(), title).isEmpty());
        const QRect at = windowInfo(icon).geometry;
        output(QStringLiteral("xdotool"),
            { QStringLiteral("mousemove"), QString::number(at.center().x()), QString::number(at.center().y()) });
        output(QStringLiteral("xdotool"), { QStringLiteral("click"), QStringLiteral("1") });
        QVERIFY(QTest::qWaitFor([&] { return !viewableWindow(launcher.pid(), title).isEmpty(); }, 15000));
    }

    void secondStartBringsTheWindowForward_data()
    {
        QTest::addColumn<QString>("manager");
        QTest::addColumn<QString>("state");
        QTest::newRow("no window manager, covered") << QString() << "covered";
        QTest::newRow("icewm, minimised") << QStringLiteral("icewm") << "minimised";
        QTest::newRow("openbox, minimised") << QStringLiteral("openbox") << "minimised";
        QTest::newRow("openbox, covered") << QStringLiteral("openbox") << "covered";
        QTest::newRow("icewm, hidden with the tray") << QStringLiteral("icewm") << "hidden";
    }

    // A second interactive start is refused with its message and code 1;
    // once its message is answered, the running window is restored, raised
    // and active.
    void secondStartBringsTheWindowForward()
    {
        QFETCH(QString, manager);
        QFETCH(QString, state);
        if (!Desktop::available(manager))
            QSKIP("window manager not installed");
        Desktop desktop;
        QVERIFY(desktop.start(manager, display));
        if (state == "hidden" && !QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            QSKIP("no tray");
        LinksFolder medium;
        const QString program = medium.layOutMedium();
        layOut(medium, 400, 200);
        medium.probeLink(QStringLiteral("a.link"), 1);
        const QString runtime = medium.root.filePath(QStringLiteral("run"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QMap<QString, QString> env { { "XDG_RUNTIME_DIR", runtime } };
        Launcher launcher;
        launcher.start(program, medium.root.path(), display,
            state == "hidden" ? QStringList { QStringLiteral("--hide") } : QStringList(), env);

        const bool managed = !manager.isEmpty();
        QString id;
        QWidget cover;
        QString coverId;
        if (state == "hidden") {
            // Only the tray icon shows.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    for (const QString &window : windowsOf(launcher.pid())) {
                        const WindowInfo info = windowInfo(window);
                        if (info.viewable && info.geometry.width() < 100)
                            return true;
                    }
                    return false;
                },
                15000));
            QVERIFY(viewableWindow(launcher.pid(), title).isEmpty());
        } else {
            QVERIFY(QTest::qWaitFor(
                [&] {
                    id = viewableWindow(launcher.pid(), title);
                    return !id.isEmpty() && desktop.manages(id);
                },
                15000));
        }
        if (state == "minimised") {
            output(QStringLiteral("xdotool"), { QStringLiteral("windowminimize"), QStringLiteral("--sync"), id });
            QVERIFY(QTest::qWaitFor([&] { return !windowInfo(id).viewable; }, 10000));
        } else if (state == "covered") {
            cover.setWindowTitle(QStringLiteral("cover"));
            cover.setGeometry(0, 0, 1280, 1024);
            cover.show();
            coverId = QString::number(cover.winId());
            QVERIFY(QTest::qWaitFor(
                [&] {
                    const QStringList order = stackingOrder(managed);
                    return windowInfo(coverId).viewable && desktop.manages(coverId)
                        && order.indexOf(coverId) > order.indexOf(id);
                },
                10000));
        }

        // The second start shows its message; Return answers it.
        Launcher second;
        second.start(program, medium.root.path(), display, {}, env);
        QString box;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const QString &window : windowsOf(second.pid())) {
                    if (windowInfo(window).viewable)
                        box = window;
                }
                return !box.isEmpty();
            },
            15000));
        output(QStringLiteral("xdotool"), { QStringLiteral("windowactivate"), QStringLiteral("--sync"), box });
        output(QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), box });
        output(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Return") });
        QVERIFY(second.process.waitForFinished(15000));
        QCOMPARE(second.process.exitCode(), 1);

        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         id = viewableWindow(launcher.pid(), title);
                         if (id.isEmpty())
                             return false;
                         const QStringList order = stackingOrder(managed);
                         const bool onTop = coverId.isEmpty() || order.indexOf(id) > order.indexOf(coverId);
                         return onTop && activeWindow(managed) == id;
                     },
                     15000),
            qPrintable(QStringLiteral("window %1, active %2").arg(id, activeWindow(managed))));
    }

    // The tray menu says which launcher this is.
    void trayMenuShowsTheVersion()
    {
        if (!Desktop::available(QStringLiteral("icewm")))
            QSKIP("icewm not installed");
        Desktop desktop;
        QVERIFY(desktop.start(QStringLiteral("icewm"), display));
        if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            QSKIP("no tray");
        LinksFolder links;
        layOut(links, 400, 200);
        links.probeLink(QStringLiteral("a.link"), 1);
        MainWindow window(true);
        window.onReloadRequest(links.path());
        QVERIFY(window.tray());
        const QList<QAction *> entries = window.tray()->contextMenu()->actions();
        QVERIFY(!entries.isEmpty());
        QCOMPARE(entries.first()->text(), QStringLiteral("gatepoint versione " GATEPOINT_VERSION));
    }

    void reloadDuringALongAutorun_data() { addManagerRows(); }

    void reloadDuringALongAutorun()
    {
        QFETCH(QString, manager);
        if (!Desktop::available(manager))
            QSKIP("window manager not installed");
        Desktop desktop;
        QVERIFY(desktop.start(manager, display));
        LinksFolder links;
        const QString probeOut = links.root.filePath(QStringLiteral("probe.jsonl"));
        qputenv("GP_PROBE_OUT", probeOut.toUtf8());
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), links.path(QStringLiteral("agent")));
        layOut(links, 400, 200, "autorun=agent\n");
        links.probeLink(QStringLiteral("a.link"), 1);
        // An agent that runs for the whole session.
        qputenv("GP_PROBE_SLEEP_MS", "600000");
        auto window = std::make_unique<MainWindow>(true);
        // Before the window goes, whose passes wait on the agents.
        auto endAgents = qScopeGuard([&] {
            qunsetenv("GP_PROBE_SLEEP_MS");
            for (const auto &agent : TestSupport::readProbeRecords(probeOut))
                QProcess::execute(QStringLiteral("kill"), { QString::number(agent.pid) });
        });
        window->onReloadRequest(links.path());
        const QString id = QString::number(window->winId());
        QVERIFY(QTest::qWaitFor([&] { return windowInfo(id).viewable && desktop.manages(id); }, 15000));
        auto agents = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(agents.size(), 1);

        // The reload comes back while the first agent still runs, and the
        // rebuilt window is on screen.
        window->onReloadRequest(links.path());
        QCOMPARE(window->launchButtons().size(), 1);
        QVERIFY(QFileInfo::exists(QStringLiteral("/proc/%1").arg(agents.first().pid)));
        QVERIFY(QTest::qWaitFor([&] { return windowInfo(id).viewable; }, 15000));
        agents = TestSupport::waitForProbeRecords(probeOut, 2);
        QCOMPARE(agents.size(), 2);
        if (window->tray())
            QCOMPARE(window->tray()->toolTip(), title);
    }
};

QTEST_MAIN(TestDesktopX11)
#include "tst_desktop_x11.moc"
