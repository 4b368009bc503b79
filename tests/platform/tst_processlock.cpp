// The lock two starts of the launcher take in turn around "is anybody
// listening, else listen": exclusive, free again when its holder ends however
// it ends, and never taken through a link planted at its name.
#include <QtTest>

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <sys/types.h>

#include "platform/platform.h"
#include "testsupport.h"

class TestProcessLock : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void exclusiveUntilReleased()
    {
        const QString path = dir.filePath(QStringLiteral("a.lock"));
        Platform::ProcessLock first(path);
        QVERIFY(first.tryLock(0));
        QVERIFY(first.tryLock(0)); // taking it again is a no-op
        {
            Platform::ProcessLock second(path);
            QElapsedTimer waited;
            waited.start();
            QVERIFY(!second.tryLock(100));
            QVERIFY(waited.elapsed() >= 90);
            first.unlock();
            QVERIFY(second.tryLock(0));
        }
        // The destructor released it.
        QVERIFY(first.tryLock(0));
    }

    // A holder killed outright leaves no lock behind: the next start does not
    // wait for a stale file to age.
    void killedHolderLeavesNoLock()
    {
        const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
        if (flock.isEmpty())
            QSKIP("no flock(1) here");
        const QString path = dir.filePath(QStringLiteral("b.lock"));
        const QString marker = dir.filePath(QStringLiteral("b.held"));
        QProcess holder;
        // -o: the command does not inherit the lock; flock(1) alone holds it.
        holder.start(flock, { QStringLiteral("-o"), path, QStringLiteral("sh"), QStringLiteral("-c"),
                                QStringLiteral("touch \"$0\"; sleep 30"), marker });
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);

        Platform::ProcessLock lock(path);
        QVERIFY(!lock.tryLock(50));
        ::kill(pid_t(holder.processId()), SIGKILL);
        holder.waitForFinished();
        QVERIFY(lock.tryLock(0));
    }

    void linkAtTheNameIsNotFollowed()
    {
        const QString target = dir.filePath(QStringLiteral("elsewhere"));
        const QString path = dir.filePath(QStringLiteral("c.lock"));
        QVERIFY(QFile::link(target, path));
        Platform::ProcessLock lock(path);
        QVERIFY(!lock.tryLock(0));
        QVERIFY(!QFileInfo::exists(target));
    }

    void unopenableFileFailsAtOnce()
    {
        Platform::ProcessLock lock(dir.filePath(QStringLiteral("no/such/folder/d.lock")));
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!lock.tryLock(5000));
        QVERIFY(waited.elapsed() < 1000);
    }
};

QTEST_MAIN(TestProcessLock)
#include "tst_processlock.moc"
