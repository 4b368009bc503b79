// The benchmark driver. It lays out the media in a scratch folder, starts
// the measured programs and their baselines alternately, and prints one
// ratio of medians per figure with the medians and the method.
//
// Usage: bench_run [RUNS]   (default 11; GP_BENCH_RUNS works as well)
//        GP_BENCH_MEDIA_ONLY=DIR lays the media out in DIR and stops (profiling).
//        GP_BENCH_ONLY=offscreen,calls,scale,peers runs only those parts.
//        GP_BENCH_SCALE_RUNS=N rounds of the 1000/5000/20000-link starts (3).
#include <algorithm>
#include <cstdio>
#include <functional>

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QVector>

#include "benchclock.h"
#include "config/backgroundsignature.h"
#include "peerrace.h"

namespace {

constexpr int backgroundWidth = 1100;
constexpr int backgroundHeight = 240;
constexpr int iconSize = 84;
constexpr qint64 bigProgramBytes = 10 * 1024 * 1024;
constexpr int programTimeoutMs = 60000;
constexpr int probeTimeoutMs = 10000;

const QString launcherBinary = QStringLiteral(BENCH_LAUNCHER);
const QString gatepointBinary = QStringLiteral(BENCH_GATEPOINT);
const QString bareBinary = QStringLiteral(BENCH_BARE);
const QString probeBinary = QStringLiteral(BENCH_PROBE);

using Figures = QMap<QByteArray, qint64>;

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

void picture(const QString &path, int w, int h, const QColor &colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    QDir().mkpath(QFileInfo(path).absolutePath());
    image.save(path, "PNG");
}

QByteArray linkText(int number, const QByteArray &click)
{
    const QByteArray n = QByteArray::number(number);
    return "[properties]\nicon=icon.png\ntitle=Link " + n + "\ntooltip=Link " + n + "\npriority=" + n + "\n\n[click]\n"
        + click + "\n";
}

QByteArray runProbe(int number)
{
    return "type=RUN\npath=" + probeBinary.toUtf8() + "\nargs=--bench, " + QByteArray::number(number);
}

// medium/bin/gatepoint beside medium/Commons/links, as on a token: the
// launcher finds its links from its own location. Returns the links folder.
// The program is the measuring copy of the start-up unless another is named.
QString layOutMedium(const QString &medium, const QString &program = launcherBinary)
{
    const QString links = medium + QStringLiteral("/Commons/links");
    QDir().mkpath(medium + QStringLiteral("/bin"));
    QDir().mkpath(links);
    QFile::remove(medium + QStringLiteral("/bin/gatepoint"));
    QFile::copy(program, medium + QStringLiteral("/bin/gatepoint"));

    picture(links + QStringLiteral("/bg.png"), backgroundWidth, backgroundHeight, QColor(40, 40, 90));
    QFile background(links + QStringLiteral("/bg.png"));
    background.open(QIODevice::ReadOnly);
    const QByteArray payload = background.readAll();
    background.close();
    writeFile(links + QStringLiteral("/bg.png"), BackgroundSignature::sign(payload));

    picture(links + QStringLiteral("/icon.png"), iconSize, iconSize, QColor(200, 120, 40));
    picture(links + QStringLiteral("/images/hover.png"), iconSize, iconSize, QColor(255, 255, 255, 60));
    picture(links + QStringLiteral("/images/exit.png"), 24, 24, Qt::red);
    picture(links + QStringLiteral("/images/minimize.png"), 24, 24, Qt::yellow);

    // The demo skin's look: shadowed, rounded pictures with titles.
    writeFile(links + QStringLiteral("/launcher.conf"),
        "[app]\ntitle=gatepoint bench\nbackground=bg.png\nlayout=horizontal\npadding-left=30\npadding-top=70\n"
        "[button]\nwidth=84\nheight=84\nmargin-right=10\nshiftduration=300\nbluraround=false\n"
        "blurdistance=6\nblurx=3\nblury=4\nradius=8\nblurcolor=0/0/0/110\ntitlefont=DejaVu Sans\n"
        "titlepixelsize=12\ntitleweight=DEMIBOLD\ntitlergb=235/240/255\ntitleoffsetH=88\n"
        "titlealignment=center\ntitleshadow=true\n"
        "[button-hover]\nimage=images/hover.png\nulx=0\nuly=0\nwidth=84\nheight=84\n"
        "[exit]\nimage=images/exit.png\nllx=1050\nlly=14\n"
        "[minimize]\nimage=images/minimize.png\nllx=1020\nlly=14\n");
    return links;
}

struct Media {
    QString demo; // 12 links: probe.link (RUN) and temp.link (RUN_IN_TEMP)
    QString hundred; // 100 top-level links
    QString thousand; // 10 folders of 100 links
    QString bigProgram;
};

// N top-level links (probe.link among them) with the given program.
QString layOutFlatMedium(const QString &medium, int count, const QString &program = launcherBinary)
{
    const QString links = layOutMedium(medium, program);
    for (int i = 1; i < count; ++i)
        writeFile(links + QStringLiteral("/link%1.link").arg(i, 5, 10, QLatin1Char('0')), linkText(i, runProbe(i)));
    writeFile(links + QStringLiteral("/probe.link"), linkText(count, runProbe(count)));
    return medium;
}

Media layOutMedia(const QString &root)
{
    Media media;
    media.bigProgram = root + QStringLiteral("/programs/gp_probe_big");
    {
        // The probe with trailing bytes up to 10 MB: still a valid program,
        // and random content so nothing along the way can skip it.
        QFile probe(probeBinary);
        probe.open(QIODevice::ReadOnly);
        QByteArray content = probe.readAll();
        QByteArray pad(int(bigProgramBytes - content.size()), Qt::Uninitialized);
        QRandomGenerator generator(7);
        generator.fillRange(reinterpret_cast<quint32 *>(pad.data()), pad.size() / 4);
        writeFile(media.bigProgram, content + pad);
        QFile::setPermissions(
            media.bigProgram, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    media.demo = root + QStringLiteral("/demo");
    const QString demoLinks = layOutMedium(media.demo);
    for (int i = 1; i <= 10; ++i)
        writeFile(demoLinks + QStringLiteral("/link%1.link").arg(i, 2, 10, QLatin1Char('0')), linkText(i, runProbe(i)));
    writeFile(demoLinks + QStringLiteral("/probe.link"), linkText(11, runProbe(11)));
    writeFile(demoLinks + QStringLiteral("/temp.link"), linkText(12, "type=3\npath=" + media.bigProgram.toUtf8()));

    media.hundred = root + QStringLiteral("/hundred");
    const QString hundredLinks = layOutMedium(media.hundred);
    for (int i = 1; i <= 100; ++i)
        writeFile(
            hundredLinks + QStringLiteral("/link%1.link").arg(i, 3, 10, QLatin1Char('0')), linkText(i, runProbe(i)));

    media.thousand = root + QStringLiteral("/thousand");
    const QString thousandLinks = layOutMedium(media.thousand);
    for (int folder = 1; folder <= 10; ++folder) {
        const QString dir = thousandLinks + QStringLiteral("/group%1.link").arg(folder, 2, 10, QLatin1Char('0'));
        writeFile(dir + QStringLiteral("/_.link"),
            "[properties]\nicon=icon.png\ntitle=Group " + QByteArray::number(folder)
                + "\npriority=" + QByteArray::number(folder) + "\n");
        QFile::copy(thousandLinks + QStringLiteral("/icon.png"), dir + QStringLiteral("/icon.png"));
        for (int i = 1; i <= 100; ++i)
            writeFile(dir + QStringLiteral("/link%1.link").arg(i, 3, 10, QLatin1Char('0')), linkText(i, runProbe(i)));
    }
    return media;
}

class Runner {
public:
    explicit Runner(const QString &root)
        : scratch(root)
    {
        base = QProcessEnvironment::systemEnvironment();
        base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        base.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
        base.remove(QStringLiteral("GP_BENCH_MODE"));
        base.remove(QStringLiteral("GP_BENCH_BUTTON"));
        for (const char *name :
            { "HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR" }) {
            const QString dir = root + QStringLiteral("/env/") + QString::fromLatin1(name).toLower();
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            base.insert(QString::fromLatin1(name), dir);
        }
        tempDir = base.value(QStringLiteral("TMPDIR"));
    }

    QString probeOut() const { return scratch + QStringLiteral("/probe.jsonl"); }
    QString temporaryFolder() const { return tempDir; }
    const QProcessEnvironment &environment() const { return base; }

    // Starts a program with the driver's stamp in its environment and
    // collects its "KEY value" lines.
    Figures run(const QString &program, const QStringList &arguments, const QMap<QString, QString> &extra,
        int timeoutMs = programTimeoutMs)
    {
        QFile::remove(probeOut());
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut());
        for (auto it = extra.constBegin(); it != extra.constEnd(); ++it)
            env.insert(it.key(), it.value());
        QProcess process;
        process.setStandardErrorFile(QProcess::nullDevice());
        startedAt = BenchClock::nowNs();
        env.insert(QStringLiteral("GP_BENCH_T0_NS"), QString::number(startedAt));
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        Figures figures;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return figures;
        }
        for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.size() == 2)
                figures.insert(parts.at(0), parts.at(1).toLongLong());
        }
        return figures;
    }

    // The driver's stamp of the last run's start.
    qint64 lastStart() const { return startedAt; }

    // The stamp the probe took first thing, -1 when it never wrote.
    qint64 probeStart() const
    {
        const qint64 deadline = BenchClock::nowNs() + qint64(probeTimeoutMs) * 1000000;
        while (BenchClock::nowNs() < deadline) {
            QFile file(probeOut());
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray line = file.readLine();
                if (line.endsWith('\n')) {
                    const QJsonObject record = QJsonDocument::fromJson(line).object();
                    return record.value(QStringLiteral("monotonic_ns")).toString().toLongLong();
                }
            }
            QThread::usleep(500);
        }
        return -1;
    }

private:
    QString scratch;
    QString tempDir;
    qint64 startedAt = -1;
    QProcessEnvironment base;
};

struct Series {
    QVector<double> measured;
    QVector<double> baseline;
};

double median(QVector<double> values)
{
    if (values.isEmpty())
        return -1.0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2.0;
}

void add(QVector<double> &to, qint64 value, double scale)
{
    if (value > 0)
        to.append(double(value) / scale);
}

// The file-system calls on the medium before the first frame, as a token's
// slow partition sees them: traced with strace, up to the marker the
// launcher looks up at its first frame.
void countMediumCalls(Runner &runner, const QString &medium, const QString &scratch)
{
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty()) {
        std::printf("MEDIUM-CALLS skipped: no strace\n");
        return;
    }
    const QString trace = scratch + QStringLiteral("/medium-calls.trace");
    const QString mark = scratch + QStringLiteral("/first-frame-mark");
    runner.run(QStringLiteral("strace"),
        { QStringLiteral("-f"), QStringLiteral("-y"), QStringLiteral("-qq"), QStringLiteral("-e"),
            QStringLiteral("trace=%file,read,getdents64"), QStringLiteral("-o"), trace,
            medium + QStringLiteral("/bin/gatepoint") },
        { { QStringLiteral("GP_BENCH_MARK"), mark } });
    QFile file(trace);
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("MEDIUM-CALLS skipped: no trace\n");
        return;
    }
    const QByteArray under = medium.toUtf8() + '/';
    const QByteArray markBytes = mark.toUtf8();
    int calls = 0;
    bool marked = false;
    QMap<QByteArray, int> byCall;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.contains(markBytes)) {
            marked = true;
            break;
        }
        // A call split across threads is counted on its first half.
        if (line.contains("resumed>") || !line.contains(under))
            continue;
        ++calls;
        const int space = line.indexOf(' ');
        const int paren = line.indexOf('(', space);
        if (space > 0 && paren > space)
            ++byCall[line.mid(space + 1, paren - space - 1).trimmed()];
    }
    int linkFiles = 0;
    QDirIterator it(medium, { QStringLiteral("*.link") }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++linkFiles;
    }
    QByteArray kinds;
    for (auto kind = byCall.constBegin(); kind != byCall.constEnd(); ++kind)
        kinds += ' ' + kind.key() + '=' + QByteArray::number(kind.value());
    std::printf("METHOD medium-calls: strace -f -y -e trace=%%file,read,getdents64 on the 1000-link medium, calls "
                "naming a file under the medium before the first frame, per link file\n");
    std::printf("MEDIAN medium-calls calls=%d link-files=%d%s%s goal<=3.0\n", calls, linkFiles, kinds.constData(),
        marked ? "" : " (no first frame seen)");
    std::printf("RATIO medium-calls-per-link %.3f\n", linkFiles > 0 && marked ? double(calls) / linkFiles : -1.0);
    std::fflush(stdout);
}

// Starts on media of 1000, 5000 and 20000 top-level links: the first frame,
// the layout machine running, and a click posted at the first frame handled
// (the probe's own stamp), all from the driver's start stamp.
void scaleFigures(Runner &runner, const QString &scratch)
{
    const int rounds = qMax(
        1, qEnvironmentVariableIsSet("GP_BENCH_SCALE_RUNS") ? qEnvironmentVariableIntValue("GP_BENCH_SCALE_RUNS") : 3);
    constexpr int waitMs = 170000;
    QMap<int, double> readyPerLink;
    QMap<int, double> clickPerLink;
    std::printf("METHOD scale: N top-level links, %d rounds each, medians from the driver's stamp: first frame, "
                "layout machine started, and a mouse press posted at the first frame handled (probe's stamp)\n",
        rounds);
    for (const int count : { 1000, 5000, 20000 }) {
        const QString medium = layOutFlatMedium(scratch + QStringLiteral("/scale%1").arg(count), count);
        QVector<double> frame, ready, click;
        for (int round = 0; round < rounds; ++round) {
            const Figures f = runner.run(medium + QStringLiteral("/bin/gatepoint"), {},
                { { QStringLiteral("GP_BENCH_MODE"), QStringLiteral("postclick") },
                    { QStringLiteral("GP_BENCH_BUTTON"), QStringLiteral("probe.link") },
                    { QStringLiteral("GP_BENCH_WAIT_MS"), QString::number(waitMs) } },
                waitMs + 10000);
            add(frame, f.value("FIRST_FRAME_NS", -1), 1e6);
            add(ready, f.value("LAYOUT_READY_NS", -1), 1e6);
            const qint64 started = runner.probeStart();
            add(click, started > 0 ? started - runner.lastStart() : -1, 1e6);
        }
        const double readyMs = median(ready);
        const double clickMs = median(click);
        std::printf("SCALE links=%d first-frame=%.1fms layout-ready=%.1fms click-handled=%.1fms samples=%d/%d/%d\n",
            count, median(frame), readyMs, clickMs, int(frame.size()), int(ready.size()), int(click.size()));
        std::fflush(stdout);
        readyPerLink.insert(count, readyMs > 0 ? readyMs / count : -1.0);
        clickPerLink.insert(count, clickMs > 0 ? clickMs / count : -1.0);
        QDir(scratch + QStringLiteral("/scale%1").arg(count)).removeRecursively();
    }
    auto growth = [](const QMap<int, double> &perLink) {
        const double small = perLink.value(1000, -1.0);
        const double large = perLink.value(20000, -1.0);
        return small > 0 && large > 0 ? large / small : -1.0;
    };
    // 1.0 is linear; the fixed start-up costs make it lower.
    std::printf("RATIO scale-layout-per-link-20000/1000 %.3f\n", growth(readyPerLink));
    std::printf("RATIO scale-click-per-link-20000/1000 %.3f\n", growth(clickPerLink));
    std::fflush(stdout);
}

// The 12-button medium of the race, with the program itself.
QString root12ForRace(const QString &scratch)
{
    return layOutFlatMedium(scratch + QStringLiteral("/x12"), 12, gatepointBinary);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = qMax(qEnvironmentVariableIntValue("GP_BENCH_RUNS"), QCoreApplication::arguments().value(1).toInt());
    if (runs < 10)
        runs = 11;

    // For profiling: lay the media out in a folder that stays, and stop.
    const QString keepMedia = qEnvironmentVariable("GP_BENCH_MEDIA_ONLY");
    if (!keepMedia.isEmpty()) {
        const Media media = layOutMedia(keepMedia);
        std::printf("MEDIA %s %s %s\n", qPrintable(media.demo), qPrintable(media.hundred), qPrintable(media.thousand));
        return 0;
    }

    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/gatepoint-bench-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        return 1;
    }
    const Media media = layOutMedia(scratch.path());
    Runner runner(scratch.path());

    const QStringList bareArguments = { QString::number(backgroundWidth), QString::number(backgroundHeight),
        QStringLiteral("--start"), probeBinary };
    const QString demoLauncher = media.demo + QStringLiteral("/bin/gatepoint");
    const QString thousandLauncher = media.thousand + QStringLiteral("/bin/gatepoint");
    const QString hundredLauncher = media.hundred + QStringLiteral("/bin/gatepoint");
    const QString copyTarget = scratch.path() + QStringLiteral("/copy/gp_probe_big");
    QDir().mkpath(QFileInfo(copyTarget).absolutePath());
    QProcessEnvironment probeEnvironment = runner.environment();
    probeEnvironment.insert(QStringLiteral("GP_PROBE_OUT"), runner.probeOut());

    const QStringList only = qEnvironmentVariable("GP_BENCH_ONLY").split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto wanted = [&only](const char *part) { return only.isEmpty() || only.contains(QLatin1String(part)); };
    if (wanted("calls"))
        countMediumCalls(runner, media.thousand, scratch.path());
    if (wanted("scale"))
        scaleFigures(runner, scratch.path());
    if (wanted("peers")) {
        PeerRaceSetup race;
        race.scratch = scratch.path() + QStringLiteral("/race");
        race.medium12 = root12ForRace(scratch.path());
        race.medium1000 = layOutFlatMedium(scratch.path() + QStringLiteral("/x1000"), 1000, gatepointBinary);
        race.icon = media.demo + QStringLiteral("/Commons/links/icon.png");
        race.width = backgroundWidth;
        race.height = backgroundHeight;
        race.rounds = runs;
        runPeerRace(race);
    }
    if (!wanted("offscreen"))
        return 0;

    Series firstFrame12, firstFrame1000, reload100, clickToStart, runInTemp, rss1000;
    constexpr double ms = 1e6;

    // One warm-up round fills the caches and is thrown away. In every
    // round each figure's two sides run back to back, their order
    // alternating, so that drift on the machine hits both alike.
    for (int round = 0; round <= runs; ++round) {
        const bool keep = round > 0;
        const bool baselineFirst = round % 2 == 1;
        Series scratchRound;
        Series &ff12 = keep ? firstFrame12 : scratchRound;
        Series &ff1000 = keep ? firstFrame1000 : scratchRound;
        Series &rl = keep ? reload100 : scratchRound;
        Series &click = keep ? clickToStart : scratchRound;
        Series &temp = keep ? runInTemp : scratchRound;
        Series &rss = keep ? rss1000 : scratchRound;

        auto launcherDemo = [&] {
            const Figures f = runner.run(demoLauncher, {},
                { { QStringLiteral("GP_BENCH_MODE"), QStringLiteral("click") },
                    { QStringLiteral("GP_BENCH_BUTTON"), QStringLiteral("probe.link") } });
            add(ff12.measured, f.value("FIRST_FRAME_NS", -1), ms);
            const qint64 started = runner.probeStart();
            const qint64 t0 = f.value("CLICK_T0_NS", -1);
            add(click.measured, started > 0 && t0 > 0 ? started - t0 : -1, ms);
        };
        auto bare = [&] {
            const Figures f = runner.run(bareBinary, bareArguments, {});
            add(ff12.baseline, f.value("FIRST_FRAME_NS", -1), ms);
            add(rss.baseline, f.value("PEAK_RSS_KB", -1), 1024.0);
            const qint64 started = runner.probeStart();
            const qint64 t0 = f.value("START_T0_NS", -1);
            add(click.baseline, started > 0 && t0 > 0 ? started - t0 : -1, ms);
        };
        auto launcherThousand = [&] {
            const Figures f = runner.run(thousandLauncher, {}, {});
            add(ff1000.measured, f.value("FIRST_FRAME_NS", -1), ms);
            add(rss.measured, f.value("PEAK_RSS_KB", -1), 1024.0);
        };
        auto launcherHundred = [&] {
            const Figures f
                = runner.run(hundredLauncher, {}, { { QStringLiteral("GP_BENCH_MODE"), QStringLiteral("reload") } });
            add(rl.baseline, f.value("FIRST_FRAME_NS", -1), ms);
            add(rl.measured, f.value("RELOAD_NS", -1), ms);
        };
        auto launcherTemp = [&] {
            const Figures f = runner.run(demoLauncher, {},
                { { QStringLiteral("GP_BENCH_MODE"), QStringLiteral("click") },
                    { QStringLiteral("GP_BENCH_BUTTON"), QStringLiteral("temp.link") } });
            const qint64 started = runner.probeStart();
            const qint64 t0 = f.value("CLICK_T0_NS", -1);
            add(temp.measured, started > 0 && t0 > 0 ? started - t0 : -1, ms);
        };
        auto copyAndStart = [&] {
            QFile::remove(runner.probeOut());
            const qint64 t0 = BenchClock::nowNs();
            QFile::remove(copyTarget);
            QProcess copy;
            copy.start(QStringLiteral("cp"), { media.bigProgram, copyTarget });
            copy.waitForFinished(programTimeoutMs);
            // The copy records where the launcher's probes record.
            qputenv("GP_PROBE_OUT", runner.probeOut().toLocal8Bit());
            QProcess start;
            start.setProgram(copyTarget);
            start.setWorkingDirectory(QFileInfo(copyTarget).absolutePath());
            start.setProcessEnvironment(probeEnvironment);
            start.startDetached();
            const qint64 started = runner.probeStart();
            add(temp.baseline, started > 0 ? started - t0 : -1, ms);
        };

        // The bare program's run is the baseline of three figures; the
        // launcher runs sit on both sides of it across rounds.
        if (baselineFirst) {
            bare();
            launcherDemo();
            launcherThousand();
            copyAndStart();
            launcherTemp();
        } else {
            launcherDemo();
            launcherThousand();
            bare();
            launcherTemp();
            copyAndStart();
        }
        launcherHundred();
    }

    // The bare program's first frame also serves the 1000-link figure.
    firstFrame1000.baseline = firstFrame12.baseline;

    std::printf("METHOD offscreen platform; %d interleaved rounds after one warm-up, ratio of medians "
                "(measured / baseline); times from CLOCK_MONOTONIC\n",
        runs);
    std::printf("METHOD first frame: driver stamp before start to the event-loop turn after the main "
                "window's first paint event (paint and flush done)\n");
    std::printf("METHOD first-frame-1000: 10 folder links of 100 links each (1000 link files)\n");
    std::printf("METHOD reload-100: onReloadRequest on a 100-link medium to the rebuilt window's first "
                "frame, against the same process's cold first frame\n");
    std::printf("METHOD click-to-start / run-in-temp: stamp before the click (or before rm+cp) to the "
                "probe's own first stamp; rss: VmHWM at the first frame\n");

    struct Row {
        const char *name;
        const Series *series;
        const char *unit;
        double goal;
    };
    const Row rows[] = {
        { "first-frame-12", &firstFrame12, "ms", 1.5 },
        { "first-frame-1000", &firstFrame1000, "ms", 2.5 },
        { "reload-100", &reload100, "ms", 1.0 },
        { "click-to-start", &clickToStart, "ms", 1.5 },
        { "run-in-temp-10MB", &runInTemp, "ms", 1.5 },
        { "rss-1000", &rss1000, "MiB", 2.0 },
    };
    for (const Row &row : rows) {
        const double measured = median(row.series->measured);
        const double baseline = median(row.series->baseline);
        std::printf("MEDIAN %s measured=%.3f%s baseline=%.3f%s samples=%d/%d goal<=%.1f\n", row.name, measured,
            row.unit, baseline, row.unit, int(row.series->measured.size()), int(row.series->baseline.size()), row.goal);
    }
    for (const Row &row : rows) {
        const double measured = median(row.series->measured);
        const double baseline = median(row.series->baseline);
        const double ratio = measured > 0 && baseline > 0 ? measured / baseline : -1.0;
        std::printf("RATIO %s %.3f\n", row.name, ratio);
    }
    std::fflush(stdout);
    return 0;
}
