// What the launcher asks of the system about files: link files read whole
// but only when they are plain files, the stamp that tells a picture's
// versions apart, the run-in-temp copy, and the lock two starts take in turn
// (never taken through a link at its name; that it is exclusive and freed
// when its holder ends however it ends: tst_instance), and the environment
// of the window system connection.
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "testsupport.h"

class TestPlatformIo : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // No OpenGL integration is loaded for the launcher's own window unless
    // the user chose one; the programs it starts later see the user's
    // setting.
    void openGlIntegrationOnlyForTheApplicationObject()
    {
        const char *name = "QT_XCB_GL_INTEGRATION";
        qunsetenv(name);
        Platform::prepareWindowSystem();
        QCOMPARE(qgetenv(name), QByteArray("none"));
        Platform::windowSystemConnected();
        QVERIFY(!qEnvironmentVariableIsSet(name));
        qputenv(name, "xcb_glx");
        Platform::prepareWindowSystem();
        QCOMPARE(qgetenv(name), QByteArray("xcb_glx"));
        Platform::windowSystemConnected();
        QCOMPARE(qgetenv(name), QByteArray("xcb_glx"));
        qunsetenv(name);
    }

    void plainFilesAreReadWhole_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("status");
        using C = Platform::FileContents;
        QTest::newRow("exactly the limit") << "file" << 100 << int(C::Read);
        QTest::newRow("one byte over") << "file" << 101 << int(C::TooLarge);
        QTest::newRow("absent") << "absent" << 0 << int(C::Missing);
        QTest::newRow("folder") << "folder" << 0 << int(C::NotPlainFile);
        QTest::newRow("pipe") << "pipe" << 0 << int(C::NotPlainFile);
    }
    // Link files are read whole, but only plain files: a pipe nobody
    // writes to is refused at once instead of blocking.
    void plainFilesAreReadWhole()
    {
        QFETCH(QString, kind);
        QFETCH(int, size);
        QFETCH(int, status);
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        const QByteArray content(size, 'x');
        if (kind == "file")
            QVERIFY(TestSupport::writeFile(path, content));
        if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const Platform::FileContents read = Platform::readPlainFile(path, 100);
        QCOMPARE(int(read.status), status);
        QCOMPARE(read.data, status == Platform::FileContents::Read ? content : QByteArray());
    }

    // A picture rewritten in place with the same size and its old time put
    // back is still a new version; an untouched one is the same.
    void stampsTellVersionsApart()
    {
        const QString path = dir.filePath(QStringLiteral("stamped.png"));
        QVERIFY(TestSupport::writeFile(path, "first"));
        const Platform::FileStamp first = Platform::fileStamp(path);
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
        QTest::newRow("large") << big << dir.path();
        QTest::newRow("empty") << QByteArray() << dir.path();
        QTest::newRow("across file systems") << big << QStringLiteral("/dev/shm");
    }
    void copiesAreExactAndNew()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, folder);
        QTemporaryDir other(folder + QStringLiteral("/gatepoint-test-XXXXXX"));
        if (!other.isValid())
            QSKIP("no such folder here");
        const QString source = dir.filePath(QStringLiteral("program"));
        const QString copy = other.filePath(QStringLiteral("copy"));
        QFile::remove(source);
        QVERIFY(TestSupport::writeFile(source, content));
        QCOMPARE(::chmod(QFile::encodeName(source).constData(), 04751), 0);
        QVERIFY(Platform::copyFile(source, copy));
        QCOMPARE(Platform::readPlainFile(copy, -1).data, content);
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(copy).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0751);
    }

    // A file already at the target stays as it is; a link there is not
    // followed. No source, a folder or a pipe: nothing copied, nothing left,
    // no wait.
    void copyRefusesWhatItShouldNotTouch()
    {
        const QString source = dir.filePath(QStringLiteral("src"));
        const QString taken = dir.filePath(QStringLiteral("taken"));
        const QString linked = dir.filePath(QStringLiteral("linked"));
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QVERIFY(TestSupport::writeFile(source, "new"));
        QVERIFY(TestSupport::writeFile(taken, "old"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("far")), linked));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!Platform::copyFile(source, taken));
        QVERIFY(!Platform::copyFile(source, linked));
        for (const QString &bad : { dir.filePath(QStringLiteral("absent")), dir.path(), fifo })
            QVERIFY(!Platform::copyFile(bad, dir.filePath(QStringLiteral("out"))));
        QCOMPARE(Platform::readPlainFile(taken, -1).data, QByteArray("old"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("far"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out"))));
    }

    // A link at the lock's name is not followed, and a lock file that
    // cannot be made is not taken for one held elsewhere: the start then
    // runs on its own.
    void lockRefused()
    {
        const QString target = dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("c.lock"))));
        for (const char *name : { "c.lock", "no/such/folder/d.lock" }) {
            Platform::ProcessLock lock(dir.filePath(name));
            QVERIFY(!lock.tryLock(0));
            QVERIFY(!lock.heldElsewhere());
        }
        QVERIFY(!QFileInfo::exists(target));
    }
};

QTEST_MAIN(TestPlatformIo)
#include "tst_platformio.moc"
