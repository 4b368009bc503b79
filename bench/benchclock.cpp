#include "benchclock.h"

#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>

namespace BenchClock {

qint64 nowNs()
{
    // steady_clock is CLOCK_MONOTONIC with glibc, the probe's clock too.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

qint64 processStartNs()
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable("GP_BENCH_T0_NS").toLongLong(&ok);
    return ok ? value : -1;
}

qint64 peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            bool ok = false;
            const qint64 kb = line.mid(6).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kb : -1;
        }
    }
    return -1;
}

void report(const char *key, qint64 value)
{
    std::printf("%s %lld\n", key, static_cast<long long>(value));
    std::fflush(stdout);
}

} // namespace BenchClock

FrameWatcher::FrameWatcher(QObject *parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

void FrameWatcher::arm(QWidget *window, std::function<void(qint64)> callback)
{
    target = window;
    onFrame = std::move(callback);
    armed = true;
}

bool FrameWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (armed && event->type() == QEvent::Paint && watched == target) {
        armed = false;
        // The children are painted and the frame flushed within the same
        // repaint; a zero timer fires only after all of it.
        QTimer::singleShot(0, this, [this] {
            const qint64 done = BenchClock::nowNs();
            if (onFrame)
                onFrame(done);
        });
    }
    return QObject::eventFilter(watched, event);
}

void PhaseMarks::report() const
{
    if (!qEnvironmentVariableIsSet("GP_BENCH_PHASES"))
        return;
    // Without the driver's stamp the first phase has no start: it is left
    // out and the others are still measured.
    qint64 previous = BenchClock::processStartNs();
    for (const auto &phase : marks) {
        if (previous >= 0) {
            const QByteArray key = QByteArray("PHASE_") + phase.first + "_NS";
            BenchClock::report(key.constData(), phase.second - previous);
        }
        previous = phase.second;
    }
}
