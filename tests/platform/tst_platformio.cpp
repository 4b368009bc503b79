// What the launcher asks of the system about files: link files read whole
// but only when they are plain files, the stamp that tells a picture's
// versions apart, the run-in-temp copy, and the lock two starts take in turn
// around "is anybody listening, else listen" (exclusive, free again when its
// holder ends however it ends, never taken through a link at its name).
#include <QtTest>

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/platform.h"
#include "testsupport.h"

class TestPlatformIo : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void openGlIntegrationOnlyForTheApplicationObject_data()
    {
        // None is loaded for the launcher's own window unless the user
        // chose one; the programs it starts later see the user's setting.
        QTest::addColumn<QByteArray>("userChoice");
        QTest::addColumn<QByteArray>("whileConnecting");
        QTest::newRow("unset") << QByteArray() << QByteArray("none");
        QTest::newRow("chosen") << QByteArray("xcb_glx") << QByteArray("xcb_glx");
    }

    void openGlIntegrationOnlyForTheApplicationObject()
    {
        QFETCH(QByteArray, userChoice);
        QFETCH(QByteArray, whileConnecting);
        const char *name = "QT_XCB_GL_INTEGRATION";
        if (userChoice.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, userChoice);
        Platform::prepareWindowSystem();
        QCOMPARE(qgetenv(name), whileConnecting);
        Platform::windowSystemConnected();
        QCOMPARE(qEnvironmentVariableIsSet(name), !userChoice.isEmpty());
        QCOMPARE(qgetenv(name), userChoice);
        qunsetenv(name);
    }

    void initTestCase() { TestSupport::isolate(); }

    // Link files are read whole, but only plain files: a pipe nobody
    // writes to is refused at once instead of blocking.
    void plainFilesAreReadWhole_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        using C = Platform::FileContents;
        QTest::newRow("empty") << "file" << QByteArray() << int(C::Read);
        QTest::newRow("exactly the limit") << "file" << QByteArray(100, 'x') << int(C::Read);
        QTest::newRow("one byte over") << "file" << QByteArray(101, 'x') << int(C::TooLarge);
        QTest::newRow("absent") << "absent" << QByteArray() << int(C::Missing);
        QTest::newRow("no name") << "" << QByteArray() << int(C::Missing);
        QTest::newRow("folder") << "folder" << QByteArray() << int(C::NotPlainFile);
        QTest::newRow("pipe") << "pipe" << QByteArray() << int(C::NotPlainFile);
        if (::geteuid() != 0)
            QTest::newRow("unreadable") << "unreadable" << QByteArray("x") << int(C::Unreadable);
    }
    void plainFilesAreReadWhole()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        const QString path = kind.isEmpty() ? QString() : dir.filePath(kind + QStringLiteral(".link"));
        if (kind == QLatin1String("file") || kind == QLatin1String("unreadable"))
            QVERIFY(TestSupport::writeFile(path, content));
        if (kind == QLatin1String("unreadable"))
            QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        if (kind == QLatin1String("pipe"))
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const Platform::FileContents read = Platform::readPlainFile(path, 100);
        QCOMPARE(int(read.status), status);
        QCOMPARE(read.data, status == Platform::FileContents::Read ? content : QByteArray());
        QFile::remove(path);
    }

    // A picture rewritten in place with the same size and its old time put
    // back is still a new version; an untouched one is the same.
    void stampsTellVersionsApart()
    {
        const QString path = dir.filePath(QStringLiteral("stamped.png"));
        QVERIFY(TestSupport::writeFile(path, "first"));
        const Platform::FileStamp first = Platform::fileStamp(path);
        QCOMPARE(first.size, qint64(5));
        QVERIFY(first == Platform::fileStamp(path));

        struct stat before;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
        QTest::qWait(20);
        QVERIFY(TestSupport::writeFile(path, "other"));
        const struct timespec times[2] = { before.st_atim, before.st_mtim };
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        const Platform::FileStamp second = Platform::fileStamp(path);
        QCOMPARE(second.size, first.size);
        QCOMPARE(second.modifiedNs, first.modifiedNs);
        QVERIFY(second != first);

        QCOMPARE(Platform::fileStamp(dir.filePath(QStringLiteral("absent.png"))).size, qint64(-1));
        QVERIFY(Platform::fileStamp(QString()) == Platform::FileStamp());
    }

    // Exact copies, on one file system or across two (where the kernel may
    // refuse its own copy); set-user-id is not carried over, the read,
    // write and run bits are.
    void copiesAreExactAndNew_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("folder");
        QByteArray big(3 * 1024 * 1024 + 17, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char((uint(i) * 7919u) >> 3);
        QTest::newRow("large") << big << QString();
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("across file systems") << big << QStringLiteral("/dev/shm");
    }
    void copiesAreExactAndNew()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, folder);
        QTemporaryDir other(folder.isEmpty() ? dir.filePath(QStringLiteral("XXXXXX"))
                                             : folder + QStringLiteral("/gatepoint-test-XXXXXX"));
        if (!other.isValid())
            QSKIP("no such folder here");
        const QString source = dir.filePath(QStringLiteral("program"));
        const QString copy = other.filePath(QStringLiteral("copy"));
        QFile::remove(source);
        QVERIFY(TestSupport::writeFile(source, content));
        QCOMPARE(::chmod(QFile::encodeName(source).constData(), 04751), 0);
        QVERIFY(Platform::copyFile(source, copy));
        QFile read(copy);
        QVERIFY(read.open(QIODevice::ReadOnly));
        QCOMPARE(read.readAll(), content);
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(copy).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0751);
    }

    void copyRefusesWhatItShouldNotTouch()
    {
        const QString source = dir.filePath(QStringLiteral("src"));
        QVERIFY(TestSupport::writeFile(source, "new"));
        // A file already at the target stays as it is.
        const QString taken = dir.filePath(QStringLiteral("taken"));
        QVERIFY(TestSupport::writeFile(taken, "old"));
        QVERIFY(!Platform::copyFile(source, taken));
        QFile old(taken);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        // A link at the target is not followed.
        const QString linked = dir.filePath(QStringLiteral("linked"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("far")), linked));
        QVERIFY(!Platform::copyFile(source, linked));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("far"))));
        // No source, a folder or a pipe: nothing copied, nothing left, no wait.
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &bad : { dir.filePath(QStringLiteral("absent")), dir.path(), fifo }) {
            QVERIFY(!Platform::copyFile(bad, dir.filePath(QStringLiteral("out"))));
            QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out"))));
        }
    }

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
        holder.start(flock,
            { QStringLiteral("-o"), path, QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("touch \"$0\"; sleep 30"), marker });
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);

        Platform::ProcessLock lock(path);
        QVERIFY(!lock.tryLock(50));
        ::kill(pid_t(holder.processId()), SIGKILL);
        holder.waitForFinished();
        QVERIFY(lock.tryLock(0));
    }

    // A link at the name is not followed; a lock file that cannot be made
    // fails at once instead of waiting out the time given.
    void refusedAtOnce()
    {
        const QString target = dir.filePath(QStringLiteral("elsewhere"));
        const QString link = dir.filePath(QStringLiteral("c.lock"));
        QVERIFY(QFile::link(target, link));
        for (const QString &path : { link, dir.filePath(QStringLiteral("no/such/folder/d.lock")) }) {
            Platform::ProcessLock lock(path);
            QElapsedTimer waited;
            waited.start();
            QVERIFY(!lock.tryLock(5000));
            QVERIFY(waited.elapsed() < 1000);
        }
        QVERIFY(!QFileInfo::exists(target));
    }
};

QTEST_MAIN(TestPlatformIo)
#include "tst_platformio.moc"
