#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QWidget>

// What the measured programs share: one clock (CLOCK_MONOTONIC, the clock
// the probe stamps its start with), the driver's start stamp and the peak
// resident memory.
namespace BenchClock {

// Nanoseconds on the monotonic clock.
qint64 nowNs();

// The stamp the driver took just before starting this process
// (GP_BENCH_T0_NS), or -1 when the program was started by hand.
qint64 processStartNs();

// VmHWM of this process in KiB, -1 when unknown.
qint64 peakResidentKb();

// One "KEY value" line on standard output, flushed at once: the driver
// reads the lines even when the program ends abruptly afterwards.
void report(const char *key, qint64 value);

} // namespace BenchClock

// Where a start-up's time goes. Each mark ends the phase it names; with
// GP_BENCH_PHASES set, report() prints one "PHASE_<name>_NS value" line per
// phase: the time since the previous mark, the first since the driver's
// stamp (so it holds the exec and the dynamic linking; left out when the
// program was started by hand).
class PhaseMarks {
public:
    void mark(const char *name) { marks.emplace_back(name, BenchClock::nowNs()); }
    void report() const;

private:
    std::vector<std::pair<const char *, qint64>> marks;
};

// Calls back once a frame of one window is complete. The callback runs on
// the first turn of the event loop after the window received a paint event:
// by then the window, its children and the flush of the frame are done.
class FrameWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrameWatcher)

public:
    explicit FrameWatcher(QObject *parent = nullptr);

    // Watches the next frame of the window (any earlier one is ignored).
    void arm(QWidget *window, std::function<void(qint64 frameDoneNs)> callback);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> target;
    std::function<void(qint64)> onFrame;
    bool armed = false;
};
