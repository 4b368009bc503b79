// Many clicks in a row and the autorun pass meeting quit and reload: every
// start happens exactly once, nothing piles up, nothing is lost.
#include <QtTest>

#include <QApplication>
#include <QTimer>

#include <signal.h>
#include <sys/wait.h>

#include "window/appflags.h"
#include "config/buttonconfig.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "window/mainwindow.h"
#include "windowfixture.h"

namespace {

int openDescriptors()
{
    return QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

qint64 residentKilobytes()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    return QRegularExpression("VmRSS:\\s*(\\d+)").match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

// Whether a child of this process has exited and was never reaped (it is
// left as it is).
bool zombieChild()
{
    siginfo_t info {};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

} // namespace

class TestLoad : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LinksFolder> links;
    QString probeOut;

    // A skin whose autorun list names "slow", the probe, as conf says.
    void autorunSkin(const QByteArray &conf)
    {
        links->skin(conf);
        QFile::copy(TestSupport::helperPath("gp_probe"), links->path("slow"));
        links->probeLink("a.link", 1);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        framelessWindow = true;
    }

    void init()
    {
        links = std::make_unique<LinksFolder>();
        probeOut = links->probeOut();
        qputenv("GP_PROBE_OUT", probeOut.toUtf8());
    }

    void cleanup() { qunsetenv("GP_PROBE_SLEEP_MS"); }

    void thousandClicks()
    {
        links->probeLink("probe.link", 1, "[click]\nargs=once\n");
        ButtonConfig record(QFileInfo(links->path("probe.link")), {}, true);
        QWidget parent;
        auto *button = new LaunchButton(&record, &parent);
        QSignalSpy done(button, &LaunchButton::done);

        constexpr int clicks = 1000;
        int descriptorsAfterHundred = 0;
        qint64 residentAfterHundred = 0;
        for (int i = 0; i < clicks; ++i) {
            emit button->startProcess();
            if (i % 20 == 0)
                QCoreApplication::processEvents();
            if (i == 99) {
                QTRY_COMPARE_WITH_TIMEOUT(TestSupport::readProbeRecords(probeOut).size(), 100, 30000);
                descriptorsAfterHundred = openDescriptors();
                residentAfterHundred = residentKilobytes();
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(TestSupport::readProbeRecords(probeOut).size(), clicks, 120000);
        QTRY_COMPARE(done.count(), clicks);
        // Every start once: a thousand distinct processes, all reaped.
        QSet<qint64> pids;
        for (const auto &started : TestSupport::readProbeRecords(probeOut))
            pids.insert(started.pid);
        QCOMPARE(pids.size(), clicks);
        QTRY_VERIFY_WITH_TIMEOUT(!zombieChild(), 10000);
        QVERIFY(openDescriptors() <= descriptorsAfterHundred + 4);
#if !defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer keeps freed memory in quarantine, so resident
        // memory says nothing there.
        QVERIFY(residentKilobytes() - residentAfterHundred < 8 * 1024);
#else
        Q_UNUSED(residentAfterHundred)
#endif
        delete button;
    }

    void quitDuringAutorunWaitsForTheProgram()
    {
        autorunSkin("autorun=slow\n");
        qputenv("GP_PROBE_SLEEP_MS", "1500");
        MainWindow window(true);
        window.onReloadRequest(links->path());
        // The background program is running (its record comes first thing);
        // a quit now is deferred.
        const auto running = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(running.size(), 1);
        window.quitRequest();
        QVERIFY(!window.isVisible());
        const QString process = QStringLiteral("/proc/%1/cmdline").arg(running.first().pid);
        QVERIFY(QFileInfo::exists(process));
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        // The program ran to its end (gone, or a zombie with no command
        // line) before the launcher's loop ended.
        QVERIFY(!QFileInfo::exists(process) || QFile(process).size() == 0);
    }

    // A reload comes back while the first pass still waits on its program;
    // both passes then run every entry with its own arguments.
    void reloadWhileTheBackgroundPassRuns()
    {
        autorunSkin("autorun=slow, slow\nautorun_args_1=second\n");
        qputenv("GP_PROBE_SLEEP_MS", "600000"); // the first program runs until it is ended
        {
            MainWindow window(true);
            window.onReloadRequest(links->path());
            const auto first = TestSupport::waitForProbeRecords(probeOut, 1);
            QCOMPARE(first.size(), 1);
            // Before the window goes, whose passes wait on their programs.
            const auto endFirst = qScopeGuard([&] { ::kill(pid_t(first.first().pid), SIGTERM); });
            qunsetenv("GP_PROBE_SLEEP_MS");
            window.onReloadRequest(links->path());
            QVERIFY(QFileInfo::exists(QStringLiteral("/proc/%1").arg(first.first().pid)));
            QCOMPARE(window.launchButtons().size(), 1);
        } // the destructor waits for the passes
        const auto records = TestSupport::readProbeRecords(probeOut);
        QCOMPARE(records.size(), 4);
        QCOMPARE(std::count_if(records.begin(), records.end(),
                     [](const auto &record) { return record.arguments == QStringList { "second" }; }),
            2);
    }
};

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
