// Many clicks in a row and the autorun pass meeting quit and reload: every
// start happens exactly once, nothing piles up, nothing is lost.
#include <QtTest>

#include <QApplication>
#include <QTimer>

#include "window/appflags.h"
#include "config/buttonconfig.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "window/mainwindow.h"
#include "windowfixture.h"

namespace {

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Children of this process that have exited but were never reaped.
int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields.at(0) == "Z" && fields.at(1) == self.toLatin1())
            ++zombies;
    }
    return zombies;
}

} // namespace

class TestLoad : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        framelessWindow = true;
    }

    void thousandClicks()
    {
        LinksFolder links;
        const QString probeOut = links.probeOut();
        qputenv("GP_PROBE_OUT", probeOut.toUtf8());
        links.probeLink(QStringLiteral("probe.link"), 1, "[click]\nargs=once\n");
        ButtonConfig record(QFileInfo(links.path(QStringLiteral("probe.link"))), {}, true);
        QWidget parent;
        auto *button = new LaunchButton(&record, &parent);
        int dones = 0;
        connect(button, &LaunchButton::done, this, [&] { ++dones; });

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
        QTRY_COMPARE(dones, clicks);
        // Every start once: a thousand distinct processes.
        QSet<qint64> pids;
        for (const auto &record : TestSupport::readProbeRecords(probeOut))
            pids.insert(record.pid);
        QCOMPARE(pids.size(), clicks);
        QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), 0, 10000);
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
        LinksFolder links;
        const QString probeOut = links.probeOut();
        qputenv("GP_PROBE_OUT", probeOut.toUtf8());
        links.skin("autorun=slow\n");
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), links.path(QStringLiteral("slow")));
        links.probeLink(QStringLiteral("a.link"), 1);
        qputenv("GP_PROBE_SLEEP_MS", "1500");
        MainWindow window(true);
        window.onReloadRequest(links.path());
        // The background program is running (its record comes first thing);
        // a quit now is deferred.
        const auto running = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(running.size(), 1);
        window.quitRequest();
        qunsetenv("GP_PROBE_SLEEP_MS");
        QVERIFY(!window.isVisible());
        QVERIFY(QFileInfo::exists(QStringLiteral("/proc/%1").arg(running.first().pid)));
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        // The program ran to its end before the launcher's loop ended.
        QTRY_VERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1/cmdline").arg(running.first().pid))
            || QFile(QStringLiteral("/proc/%1/cmdline").arg(running.first().pid)).size() == 0);
    }

    void reloadWhileTheBackgroundPassRuns()
    {
        LinksFolder links;
        const QString probeOut = links.probeOut();
        qputenv("GP_PROBE_OUT", probeOut.toUtf8());
        links.skin("autorun=slow, slow\nautorun_args_1=second\n");
        QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), links.path(QStringLiteral("slow")));
        links.probeLink(QStringLiteral("a.link"), 1);
        qputenv("GP_PROBE_SLEEP_MS", "300");
        {
            MainWindow window(true);
            window.onReloadRequest(links.path());
            QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 1).size(), 1);
            window.onReloadRequest(links.path()); // the first pass still runs
            QCOMPARE(window.launchButtons().size(), 1);
        } // the destructor waits for the pass
        qunsetenv("GP_PROBE_SLEEP_MS");
        // Both passes ran every entry with its own arguments.
        const auto records = TestSupport::readProbeRecords(probeOut);
        QCOMPARE(records.size(), 4);
        int seconds = 0;
        for (const auto &record : records)
            seconds += record.arguments.contains(QStringLiteral("second")) ? 1 : 0;
        QCOMPARE(seconds, 2);
    }
};

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
