// The launcher's own start-up, as the program does it, with a frame watcher
// on the main window. Copied into a medium's bin/ folder, it finds that
// medium the way the launcher does.
//
// GP_BENCH_MODE selects what follows the first frame:
//   (unset)  end at once
//   click    start the command of the button GP_BENCH_BUTTON (a link file
//            name) as a click does, then wait for GP_PROBE_OUT to show the
//            started program (or for the command to end the launcher)
//   reload   reload the links folder and end on the rebuilt window's first
//            frame
//   postclick  post a mouse press on the button GP_BENCH_BUTTON to the event
//            queue, as a user's click arrives, then wait for GP_PROBE_OUT:
//            the click is handled only once everything queued before it is
// GP_BENCH_WAIT_MS bounds that wait (default 10 s).
// With GP_BENCH_MARK set, the path it names is looked up once at the first
// frame (a marker in a system-call trace).
// Output: FIRST_FRAME_NS, PEAK_RSS_KB, then CLICK_T0_NS or RELOAD_NS, and
// LAYOUT_READY_NS once the layout machine runs (all from the driver's
// stamp); with GP_BENCH_PHASES set, the start-up's phases as well
// (PHASE_*_NS).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QStateMachine>
#include <QTimer>

#include "window/appflags.h"
#include "config/language.h"
#include "config/paths.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "platform/platform.h"
#include "benchclock.h"
#include "widgets/launchbutton.h"
#include "window/mainwindow.h"

namespace {

constexpr int probeWaitMs = 10000;
constexpr int probePollMs = 2;

LaunchButton *findButton(const MainWindow &window, const QString &fileName)
{
    for (LaunchButton *button : window.launchButtons()) {
        if (button->configuration().fileName == fileName)
            return button;
    }
    return nullptr;
}

// Ends the program once the started program has left its record (and the
// layout machine runs, when one is given), or after a generous wait when it
// never does.
void quitWhenProbeWrites(QObject *context, const QStateMachine *machine = nullptr)
{
    const QString probeOut = qEnvironmentVariable("GP_PROBE_OUT");
    auto *poll = new QTimer(context);
    const int waitMs = qEnvironmentVariableIsSet("GP_BENCH_WAIT_MS") ? qEnvironmentVariableIntValue("GP_BENCH_WAIT_MS")
                                                                     : probeWaitMs;
    const qint64 deadline = BenchClock::nowNs() + qint64(waitMs) * 1000000;
    const QPointer<const QStateMachine> layout(machine);
    QObject::connect(poll, &QTimer::timeout, context, [probeOut, deadline, layout, machine] {
        const QFileInfo info(probeOut);
        const bool laidOut = !machine || !layout || layout->isRunning();
        if ((info.exists() && info.size() > 0 && laidOut) || BenchClock::nowNs() > deadline)
            QCoreApplication::quit();
    });
    poll->start(probePollMs);
}

} // namespace

int main(int argc, char *argv[])
{
    Platform::beginPreparingFonts();
    Platform::prepareWindowSystem();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    PhaseMarks phases;
    phases.mark("TO_MAIN");
    QApplication app(argc, argv);
    Platform::windowSystemConnected();
    phases.mark("APPLICATION");
    SingleInstance instance(QCoreApplication::applicationFilePath());

    installTranslations(&app, QStringLiteral("gatepoint"));
    phases.mark("TRANSLATIONS");

    const StartupArguments startup = parseStartupArguments(QCoreApplication::arguments());
    if (instance.isRunning()) {
        BenchClock::report("ALREADY_RUNNING", 1);
        return 1;
    }
    phases.mark("INSTANCE_CHECK");

    framelessWindow = true;
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    Platform::fontsPrepared();
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    QGuiApplication::setQuitOnLastWindowClosed(!framelessWindow);
    phases.mark("FONT");

    FrameWatcher watcher;
    const QString mode = qEnvironmentVariable("GP_BENCH_MODE");
    MainWindow *windowPointer = nullptr;
    auto afterFirstFrame = [&](qint64 frameDone) {
        const qint64 start = BenchClock::processStartNs();
        if (qEnvironmentVariableIsSet("GP_BENCH_MARK"))
            QFileInfo::exists(qEnvironmentVariable("GP_BENCH_MARK"));
        BenchClock::report("FIRST_FRAME_NS", start >= 0 ? frameDone - start : -1);
        BenchClock::report("PEAK_RSS_KB", BenchClock::peakResidentKb());
        phases.mark("TO_FRAME");
        phases.report();
        MainWindow &window = *windowPointer;
        const bool clicking = mode == QLatin1String("click") || mode == QLatin1String("postclick");
        LaunchButton *button = clicking ? findButton(window, qEnvironmentVariable("GP_BENCH_BUTTON")) : nullptr;
        if (clicking && !button) {
            BenchClock::report("CLICK_T0_NS", -1);
            QCoreApplication::quit();
            return;
        }
        if (clicking)
            BenchClock::report("CLICK_T0_NS", BenchClock::nowNs());
        if (mode == QLatin1String("click")) {
            emit button->startProcess();
            quitWhenProbeWrites(&window);
        } else if (mode == QLatin1String("postclick")) {
            const QPointF centre(button->width() / 2.0, button->height() / 2.0);
            QCoreApplication::postEvent(button,
                new QMouseEvent(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            quitWhenProbeWrites(&window, window.layoutMachine());
        } else if (mode == QLatin1String("reload")) {
            const QString links = QDir(baseDirectory(true)).filePath(window.linksFolderPath());
            const qint64 t0 = BenchClock::nowNs();
            watcher.arm(&window, [t0](qint64 rebuilt) {
                BenchClock::report("RELOAD_NS", rebuilt - t0);
                QCoreApplication::quit();
            });
            window.onReloadRequest(links);
        } else {
            QCoreApplication::quit();
        }
    };

    // start() shows the window; the first paint comes from the event loop,
    // so arming right after construction misses nothing.
    MainWindow window(!startup.hasFileArguments);
    phases.mark("WINDOW");
    windowPointer = &window;
    watcher.arm(&window, afterFirstFrame);
    if (!window.canRun() || !window.isValidInstance()) {
        BenchClock::report("INVALID_MEDIUM", 1);
        return -1;
    }
    if (QStateMachine *machine = window.layoutMachine()) {
        auto ready = [] {
            const qint64 start = BenchClock::processStartNs();
            BenchClock::report("LAYOUT_READY_NS", start >= 0 ? BenchClock::nowNs() - start : -1);
        };
        if (machine->isRunning())
            ready();
        else
            QObject::connect(machine, &QStateMachine::started, ready);
    }
    window.start();
    return app.exec();
}
