// The packed demo medium runs on the Qt it carries, with the host's hidden in
// a mount namespace, and paints on X.
#include "testsupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

namespace {

// Run in a new mount namespace: hides the host's Qt plugins and every host
// copy of a library the medium carries (except what mount itself needs),
// then starts the medium's program with the loader's trace on.
const char hideHostQt[] = R"sh(
medium=$1 plugins=$2 libdir=$3 trace=$4
mount --make-rprivate / && mount -t tmpfs none "$plugins" || exit 97
needed=$(ldd "$(command -v mount)")
for lib in "$medium"/bin/lib/*; do
    name=${lib##*/}
    case "$needed" in *"$name"*) continue ;; esac
    [ -e "$libdir/$name" ] && { mount --bind /dev/null "$(readlink -f "$libdir/$name")" || exit 97; }
done
[ ! -s "$libdir/libQt5Core.so.5" ] || exit 97
export LD_DEBUG=libs LD_DEBUG_OUTPUT=$trace
exec "$medium/bin/gatepoint"
)sh";

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    return colours.size();
}

} // namespace

class PackedMediumTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString medium;

    QStringList carriedLibraries() const { return QDir(medium + "/bin/lib").entryList(QDir::Files); }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (the suite runs this under xvfb-run)");
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs xdotool");
        medium = dir.filePath("medium");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const TestSupport::Finished packed = TestSupport::runProgram(TestSupport::skinToolPath(),
            { "pack", "--program", TestSupport::launcherPath(), "--skin",
                GATEPOINT_BUILD_DIR "/demo-medium/Commons/links", "--out", medium },
            env);
        QVERIFY2(packed.code == 0, qPrintable(packed.out + packed.err));
        for (const char *file : { "/Commons/tools/demotool", "/Commons/qtbase_it.qm", "/bin/qt.conf" })
            QVERIFY2(QFileInfo::exists(medium + file), file);
        QVERIFY(carriedLibraries().contains("libicuuc.so.72"));
        // Stripped: the build's debug information stays behind.
        QVERIFY(!TestSupport::runProgram("readelf", { "-S", medium + "/bin/gatepoint" }).out.contains(".debug_info"));
    }

    void startsAndPaints()
    {
        if (TestSupport::runProgram("unshare", { "-m", "true" }).code != 0)
            QSKIP("no mount namespace here (needs root and unshare)");
        const QString trace = dir.filePath("ld");
        const QProcessEnvironment host = QProcessEnvironment::systemEnvironment();
        QProcessEnvironment env = host;
        for (const char *name : { "LD_LIBRARY_PATH", "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH" })
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("HOME", dir.path());
        const QStringList arguments { "-m", "sh", "-c", hideHostQt, "sh", medium,
            QLibraryInfo::location(QLibraryInfo::PluginsPath), QLibraryInfo::location(QLibraryInfo::LibrariesPath),
            trace };

        // xvfb-run may hand over a display that takes a moment to accept
        // clients; a launcher that could not connect is started again.
        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        int starts = 0;
        const bool shown = QTest::qWaitFor(
            [&] {
                if (launcher.state() == QProcess::NotRunning) {
                    if (++starts > 3)
                        return true;
                    launcher.start("unshare", arguments);
                    launcher.waitForStarted();
                }
                const QStringList search { "search", "--onlyvisible", "--pid", QString::number(launcher.processId()) };
                const QString window = TestSupport::runProgram("xdotool", search, host, 10000).out.section('\n', 0, 0);
                QScreen *screen = QGuiApplication::primaryScreen();
                return !window.isEmpty() && distinctColours(screen->grabWindow(window.toULongLong()).toImage()) >= 8;
            },
            30000);
        const qint64 pid = launcher.processId();
        launcher.terminate();
        if (!launcher.waitForFinished(5000))
            launcher.kill();
        launcher.waitForFinished(5000);
        QVERIFY(shown && starts <= 3);

        // The loader's trace of the program itself (its autorun tool writes its own).
        QFile file(trace + '.' + QString::number(pid));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QStringList carried = carriedLibraries();
        QStringList mapped;
        for (const QString &line : QString::fromLocal8Bit(file.readAll()).split('\n')) {
            const int at = line.indexOf("calling init: ");
            if (at < 0)
                continue;
            const QString path = line.mid(at + 14).trimmed();
            mapped.append(path);
            if (!path.startsWith(medium + "/bin/")) {
                QVERIFY2(!path.contains("libQt5") && !path.contains("/plugins/"), qPrintable(path));
                QVERIFY2(!carried.contains(QFileInfo(path).fileName()), qPrintable(path));
            }
        }
        QVERIFY(mapped.contains(medium + "/bin/plugins/platforms/libqxcb.so"));
    }
};

QTEST_MAIN(PackedMediumTest)
#include "tst_packedmedium_x11.moc"
