#include "peerrace.h"

#include <algorithm>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QVector>

#include "benchclock.h"

namespace {

const QString stopwatchBinary = QStringLiteral(BENCH_STOPWATCH);
const QString gatepointBinary = QStringLiteral(BENCH_GATEPOINT);
const QString bareBinary = QStringLiteral(BENCH_BARE);
const QString probeBinary = QStringLiteral(BENCH_PROBE);

// Generous: a peer that has not mapped by then did not take its launchers.
constexpr int mapTimeoutMs = 20000;

bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

double medianOf(QVector<double> values)
{
    if (values.isEmpty())
        return -1.0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2.0;
}

// A private X server on the first free display number; stopped with the
// object.
class PrivateServer {
public:
    bool start()
    {
        for (int number = 90; number < 140; ++number) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            if (QFileInfo::exists(socket) || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            server.setStandardOutputFile(QProcess::nullDevice());
            server.setStandardErrorFile(QProcess::nullDevice());
            server.start(QStringLiteral("Xvfb"),
                { QStringLiteral(":%1").arg(number), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                    QStringLiteral("-noreset") });
            if (!server.waitForStarted(5000))
                return false;
            const qint64 deadline = BenchClock::nowNs() + qint64(5000) * 1000000;
            while (BenchClock::nowNs() < deadline && server.state() == QProcess::Running) {
                if (QFileInfo::exists(socket)) {
                    display = QStringLiteral(":%1").arg(number);
                    return true;
                }
                QThread::msleep(10);
            }
            server.kill();
            server.waitForFinished();
        }
        return false;
    }
    ~PrivateServer()
    {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(3000)) {
                server.kill();
                server.waitForFinished();
            }
        }
    }
    QString display;

private:
    QProcess server;
};

// One contender at one launcher count: how to start it and where it lives.
struct Contender {
    QString name;
    int launchers = 0;
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
    QVector<double> mapMs;
    bool failed = false;
};

Contender named(const QString &name, int launchers)
{
    Contender contender;
    contender.name = name;
    contender.launchers = launchers;
    return contender;
}

QProcessEnvironment privateEnvironment(const QString &home, const QString &display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORMTHEME", "QT_QPA_PLATFORM", "GP_BENCH_MODE",
             "GP_PROBE_OUT", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "XAUTHORITY", "WAYLAND_DISPLAY" })
        env.remove(QString::fromLatin1(name));
    const QPair<const char *, const char *> folders[]
        = { { "HOME", "home" }, { "XDG_CONFIG_HOME", "config" }, { "XDG_DATA_HOME", "data" },
              { "XDG_CACHE_HOME", "cache" }, { "XDG_RUNTIME_DIR", "runtime" }, { "TMPDIR", "tmp" } };
    for (const auto &folder : folders) {
        const QString path = home + QLatin1Char('/') + QLatin1String(folder.second);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QString::fromLatin1(folder.first), path);
    }
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), home + QStringLiteral("/etc-xdg"));
    env.insert(QStringLiteral("DISPLAY"), display);
    // GSettings in memory: no settings daemon, nothing of the machine's.
    env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
    return env;
}

// The desktop entries every peer's launchers point at: the probe.
QStringList desktopEntries(const QString &folder, int count, const QString &icon)
{
    QStringList paths;
    for (int i = 1; i <= count; ++i) {
        const QString path = folder + QStringLiteral("/link%1.desktop").arg(i, 4, 10, QLatin1Char('0'));
        write(path,
            "[Desktop Entry]\nType=Application\nName=Link " + QByteArray::number(i) + "\nExec=" + probeBinary.toUtf8()
                + " --bench " + QByteArray::number(i) + "\nIcon=" + icon.toUtf8() + "\nTerminal=false\n");
        paths.append(path);
    }
    return paths;
}

QList<Contender> peersFor(const PeerRaceSetup &setup, const QString &display, int count)
{
    QList<Contender> peers;
    const QString root = setup.scratch + QStringLiteral("/peers-%1").arg(count);
    const QStringList entries = desktopEntries(root + QStringLiteral("/entries"), count, setup.icon);

    if (!QStandardPaths::findExecutable(QStringLiteral("tint2")).isEmpty()) {
        Contender tint2 = named(QStringLiteral("tint2"), count);
        const QString home = root + QStringLiteral("/tint2");
        tint2.environment = privateEnvironment(home, display);
        QByteArray rc = "panel_items = L\npanel_size = 100% 40\npanel_position = bottom center horizontal\n";
        for (const QString &entry : entries)
            rc += "launcher_item_app = " + entry.toUtf8() + "\n";
        const QString rcPath = home + QStringLiteral("/config/tint2/tint2rc");
        write(rcPath, rc);
        tint2.program = QStringLiteral("tint2");
        tint2.arguments = QStringList { QStringLiteral("-c"), rcPath };
        peers.append(tint2);
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("plank")).isEmpty()) {
        Contender plank = named(QStringLiteral("plank"), count);
        const QString home = root + QStringLiteral("/plank");
        plank.environment = privateEnvironment(home, display);
        for (int i = 0; i < entries.size(); ++i)
            write(home
                    + QStringLiteral("/config/plank/dock1/launchers/link%1.dockitem")
                          .arg(i + 1, 4, 10, QLatin1Char('0')),
                "[PlankDockItemPreferences]\nLauncher=file://" + entries.at(i).toUtf8() + "\n");
        plank.program = QStringLiteral("plank");
        peers.append(plank);
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("lxqt-panel")).isEmpty()) {
        Contender lxqt = named(QStringLiteral("lxqt-panel"), count);
        const QString home = root + QStringLiteral("/lxqt-panel");
        lxqt.environment = privateEnvironment(home, display);
        QByteArray conf = "[General]\npanels=panel1\n\n[panel1]\nplugins=quicklaunch\nposition=Bottom\n\n"
                          "[quicklaunch]\ntype=quicklaunch\napps\\size="
            + QByteArray::number(entries.size()) + "\n";
        for (int i = 0; i < entries.size(); ++i)
            conf += "apps\\" + QByteArray::number(i + 1) + "\\desktop=" + entries.at(i).toUtf8() + "\n";
        write(home + QStringLiteral("/config/lxqt/panel.conf"), conf);
        lxqt.program = QStringLiteral("lxqt-panel");
        peers.append(lxqt);
    }
    return peers;
}

Contender launcherOn(const QString &name, const QString &medium, const QString &home, const QString &display, int count,
    const PeerRaceSetup &setup)
{
    Contender launcher = named(name, count);
    launcher.environment = privateEnvironment(home, display);
    launcher.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    launcher.program = medium + QStringLiteral("/bin/gatepoint");
    Q_UNUSED(setup);
    return launcher;
}

// One timed start; -1 when nothing was mapped in time.
double timedStart(const Contender &contender)
{
    QProcess stopwatch;
    stopwatch.setProcessEnvironment(contender.environment);
    stopwatch.setStandardErrorFile(QProcess::nullDevice());
    stopwatch.start(stopwatchBinary,
        QStringList { QStringLiteral("--timeout-ms"), QString::number(mapTimeoutMs), contender.program }
            + contender.arguments);
    if (!stopwatch.waitForFinished(mapTimeoutMs + 10000)) {
        stopwatch.kill();
        stopwatch.waitForFinished();
        return -1.0;
    }
    for (const QByteArray &line : stopwatch.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 2 && parts.at(0) == "MAP_NS") {
            const qint64 ns = parts.at(1).toLongLong();
            return ns > 0 ? double(ns) / 1e6 : -1.0;
        }
    }
    return -1.0;
}

} // namespace

bool runPeerRace(const PeerRaceSetup &setup)
{
    PrivateServer server;
    if (!server.start()) {
        std::printf("PEER-RACE skipped: no private X server (Xvfb) could be started\n");
        return false;
    }

    QList<Contender> all;
    all.append(launcherOn(QStringLiteral("gatepoint"), setup.medium12, setup.scratch + QStringLiteral("/gp-12"),
        server.display, 12, setup));
    Contender bare = named(QStringLiteral("bare-qt"), 12);
    bare.environment = privateEnvironment(setup.scratch + QStringLiteral("/bare"), server.display);
    bare.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    bare.program = bareBinary;
    bare.arguments = QStringList { QString::number(setup.width), QString::number(setup.height) };
    all.append(bare);
    all.append(peersFor(setup, server.display, 12));
    all.append(launcherOn(QStringLiteral("gatepoint"), setup.medium1000, setup.scratch + QStringLiteral("/gp-1000"),
        server.display, 1000, setup));
    all.append(peersFor(setup, server.display, 1000));

    // A warm-up round fills the caches and tells which contender cannot
    // start at all with its launchers; then the rounds proper, the order
    // turning by one each round.
    for (Contender &contender : all)
        contender.failed = timedStart(contender) < 0;
    for (int round = 0; round < setup.rounds; ++round) {
        for (int k = 0; k < all.size(); ++k) {
            Contender &contender = all[(k + round) % all.size()];
            if (contender.failed)
                continue;
            const double ms = timedStart(contender);
            if (ms > 0)
                contender.mapMs.append(ms);
        }
    }

    std::printf("METHOD peer race: private Xvfb 1920x1080x24, no window manager (the root carries a NETWM check "
                "window), %d rounds after one warm-up, order turning each round; exec to the first MapNotify of a "
                "top-level window (SubstructureNotifyMask on the root, bench_xmap_stopwatch); private HOME and XDG "
                "folders, GSettings in memory, no session bus, output to /dev/null; launchers point at the probe\n",
        setup.rounds);
    auto medianFor = [&](const QString &name, int count) {
        for (const Contender &contender : all) {
            if (contender.name == name && contender.launchers == count)
                return contender.failed ? -1.0 : medianOf(contender.mapMs);
        }
        return -1.0;
    };
    QStringList without1000;
    double fastest12 = -1.0;
    double fastest1000 = -1.0;
    for (const Contender &contender : all) {
        const double median = contender.failed ? -1.0 : medianOf(contender.mapMs);
        std::printf("MEDIAN map-%d %s %.3fms samples=%d%s\n", contender.launchers, qPrintable(contender.name), median,
            int(contender.mapMs.size()), contender.failed ? " (no map within the timeout)" : "");
        if (contender.name == QLatin1String("gatepoint") || contender.name == QLatin1String("bare-qt"))
            continue;
        double &fastest = contender.launchers == 12 ? fastest12 : fastest1000;
        if (median > 0 && (fastest < 0 || median < fastest))
            fastest = median;
        if (contender.launchers == 1000 && contender.failed)
            without1000.append(contender.name);
    }
    const double gatepoint12 = medianFor(QStringLiteral("gatepoint"), 12);
    const double gatepoint1000 = medianFor(QStringLiteral("gatepoint"), 1000);
    const double bare12 = medianFor(QStringLiteral("bare-qt"), 12);
    auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : -1.0; };
    std::printf("GOALS peer-map-12<=0.8 peer-map-1000<=0.5 xcb-map-12<=1.2\nPEERS-WITHOUT-1000 %s\n",
        without1000.isEmpty() ? "none" : qPrintable(without1000.join(' ')));
    std::printf("RATIO peer-map-12 %.3f\n", ratio(gatepoint12, fastest12));
    std::printf("RATIO peer-map-1000 %.3f\n", ratio(gatepoint1000, fastest1000));
    std::printf("RATIO xcb-map-12 %.3f\n", ratio(gatepoint12, bare12));
    std::fflush(stdout);
    return true;
}
