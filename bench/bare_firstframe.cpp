// The floor the launcher is compared against: a bare Qt Widgets program that
// shows one window of a given size and ends on its first frame. With
// "--start PROGRAM" it then starts that program detached, the way a plain
// program would, before ending.
//
// Usage: bench_bare_firstframe WIDTH HEIGHT [--start PROGRAM]
// Output: FIRST_FRAME_NS, PEAK_RSS_KB and (with --start) START_T0_NS.
#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "benchclock.h"

int main(int argc, char *argv[])
{
    PhaseMarks phases;
    phases.mark("TO_MAIN");
    QApplication app(argc, argv);
    phases.mark("APPLICATION");
    const QStringList arguments = QCoreApplication::arguments();
    const int width = qMax(1, arguments.value(1).toInt());
    const int height = qMax(1, arguments.value(2).toInt());
    const int startAt = arguments.indexOf(QStringLiteral("--start"));
    const QString program = startAt > 0 ? arguments.value(startAt + 1) : QString();

    QWidget window;
    window.setFixedSize(width, height);

    FrameWatcher watcher;
    watcher.arm(&window, [&](qint64 frameDone) {
        const qint64 start = BenchClock::processStartNs();
        BenchClock::report("FIRST_FRAME_NS", start >= 0 ? frameDone - start : -1);
        BenchClock::report("PEAK_RSS_KB", BenchClock::peakResidentKb());
        phases.mark("TO_FRAME");
        phases.report();
        if (!program.isEmpty()) {
            const qint64 t0 = BenchClock::nowNs();
            const bool started = QProcess::startDetached(program, {});
            BenchClock::report("START_T0_NS", started ? t0 : -1);
        }
        QCoreApplication::quit();
    });
    window.show();
    return app.exec();
}
