// What the launcher asks of the system: link files read whole but only when
// they are plain files, the stamp that tells a picture's versions apart, the
// run-in-temp copy, the environment of the window system connection, the
// token's partitions paired from a mount table and a sysfs tree; and
// starting a program: Windows command-line quoting against the splitting
// rules, bytes that are not UTF-8, and every start keeping its own
// environment while the autorun thread starts programs with other values.
// (The lock two starts take in turn: tst_instance.)
#include <QtTest>

#include <QtConcurrent>

#include <fcntl.h>
#include <sys/stat.h>

#include "../commands/commandharness.h"
#include "commands/autorunstart.h"
#include "config/paths.h"
#include "platform/platform.h"
#include "platform/processstart.h"
#include "platform/textbytes.h"
#include "platform/tokendiscovery.h"

namespace {

// One fake system for token discovery: a /proc/self/mountinfo and a /sys
// tree laid out with the link depths of a real one.
struct FakeSystem {
    QTemporaryDir root;
    int tokens = 0;

    void write(const QString &path, const QByteArray &text) { TestSupport::writeFile(root.path() + path, text); }

    // A block device with the one attribute that tells its kind, and
    // /sys/dev/block/MAJ:MIN linking to it relatively, as on a real system.
    void block(const QString &path, int major, int minor, const QString &attribute, const QByteArray &value)
    {
        write(path + '/' + attribute, value + '\n');
        QDir().mkpath(root.path() + "/sys/dev/block");
        QFile::link("../.." + path.mid(4), root.path() + QStringLiteral("/sys/dev/block/%1:%2").arg(major).arg(minor));
    }

    // A USB mass-storage device with two LUNs, a cd (srN, 11:N) and a flash
    // disk with one partition (sdX, 8:16k and 8:16k+1), numbered in order.
    void usbToken()
    {
        const int port = tokens + 1;
        const QString usb = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(port);
        write(usb + "/idVendor", "1234\n");
        const QString lun = usb + QStringLiteral("/1-%1:1.0/host%2/target%2:0:0/%2:0:0:").arg(port).arg(port + 5);
        block(lun + "0/block/sr" + QString::number(tokens), 11, tokens, "removable", "0");
        const QString sd = QStringLiteral("sd") + QChar('b' + tokens);
        block(lun + "1/block/" + sd, 8, 16 * port, "removable", "1");
        block(lun + "1/block/" + sd + '/' + sd + '1', 8, 16 * port + 1, "partition", "1");
        ++tokens;
    }

    // The mount table: devices and their mount points, escaped as the
    // system escapes them.
    void mount(const QList<QPair<QByteArray, QByteArray>> &mounts)
    {
        QByteArray table;
        for (const auto &mount : mounts)
            table += "20 1 " + mount.first + " / " + mount.second + " rw - fs /dev/x rw\n";
        write("/proc/self/mountinfo", table);
    }
};

} // namespace

class TestPlatform : public QObject {
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
            big[i] = char((uint(i) * 2654435761u) >> 24); // no period a block size divides
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
        const QString source = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        const QString copy = other.filePath(QStringLiteral("copy"));
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

    // Pairing the token's partitions. One system: a fixed disk, two tokens,
    // a token whose flash is not mounted and one whose flash has no
    // partition table (its disk itself is mounted).
    void pairsThePartitionsOfOneToken_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("cdrom");
        QTest::addColumn<QString>("flash");
        const char *rows[][4] = {
            { "from the cd", "/media/user/TOKEN CD/Commons", "/media/user/TOKEN CD", "/media/a-flash" },
            { "from the flash", "/media/a-flash/data", "/media/user/TOKEN CD", "/media/a-flash" },
            { "second token", "/media/b-cd/Commons", "/media/b-cd", "/media/b-flash" },
            { "fixed disk", "/home/user/medium/Commons", "", "" },
            { "flash not mounted", "/media/c-cd/Commons", "/media/c-cd", "" },
            { "partitionless flash", "/media/d-cd", "/media/d-cd", "/media/whole" },
            { "a name that only starts alike", "/media/b-cdx", "", "" },
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void pairsThePartitionsOfOneToken()
    {
        QFETCH(QString, start);
        FakeSystem system;
        const QString ata = "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
        system.block(ata, 8, 0, "removable", "0");
        system.block(ata + "/sda1", 8, 1, "partition", "1");
        for (int token = 0; token < 4; ++token)
            system.usbToken();
        system.mount({ { "8:1", "/" }, { "11:0", "/media/user/TOKEN\\040CD" }, { "8:17", "/media/a-flash" },
            { "11:1", "/media/b-cd" }, { "8:33", "/media/b-flash" }, { "11:2", "/media/c-cd" },
            { "11:3", "/media/d-cd" }, { "8:64", "/media/whole" } });
        const auto drives = TokenDiscovery::find(system.root.path(), start);
        QTEST(drives.cdrom, "cdrom");
        QTEST(drives.flash, "flash");
    }

    // Nothing is found, and nothing breaks, in a mount table that makes no
    // sense or a tree that is not there.
    void garbageAndMissingTrees_data()
    {
        QTest::addColumn<QByteArray>("mountinfo");
        QTest::newRow("binary") << QByteArray("\x00\xff\x01 8:17 / /media/cd\n\xfe", 22);
        QTest::newRow("bad device") << QByteArray("1 1 x:y / /media/cd rw - fs /dev/x rw\n1 1 8: / /media/cd rw\n");
        QTest::newRow("relative mount point") << QByteArray("1 1 11:0 / media/cd rw - fs /dev/x rw\n");
        QTest::newRow("short lines") << QByteArray("1 1 11:0\n\n\n");
    }
    void garbageAndMissingTrees()
    {
        QFETCH(QByteArray, mountinfo);
        FakeSystem system;
        system.usbToken();
        system.write("/proc/self/mountinfo", mountinfo);
        const auto drives = TokenDiscovery::find(system.root.path(), QStringLiteral("/media/cd"));
        QVERIFY(drives.cdrom.isEmpty() && drives.flash.isEmpty());
        QVERIFY(TokenDiscovery::find(system.root.path() + "/missing", QStringLiteral("/")).cdrom.isEmpty());
    }

    // Command lines as Windows programs receive them, split as
    // CommandLineToArgvW splits them; every list quoted into one line comes
    // back from it as it was.
    void windowsCommandLines_data()
    {
        QTest::addColumn<QString>("line"); // none: only quoted and split
        QTest::addColumn<QStringList>("words");
        QTest::newRow("space in a path") << QString() << QStringList { "e:/My Documents", "x" };
        QTest::newRow("empty") << QString() << QStringList { "", "x", "" };
        QTest::newRow("quotes") << QString() << QStringList { "say \"hi\"", "\"" };
        QTest::newRow("backslashes") << QString() << QStringList { "C:\\a b\\", "\\\\\"x\\" };
        QTest::newRow("tab and newline") << QString() << QStringList { "a\tb", "c\nd" };
        QTest::newRow("shell words") << QString() << QStringList { "$(id)", "a;b|c&d'e" };
        QTest::newRow("quoted part") << QStringLiteral("\"a b\" c") << QStringList { "a b", "c" };
        QTest::newRow("escaped quote") << QStringLiteral("a\\\"b") << QStringList { "a\"b" };
        QTest::newRow("backslash before closing quote") << QStringLiteral("\"a\\\\\" b") << QStringList { "a\\", "b" };
        QTest::newRow("literal backslashes") << QStringLiteral("a\\\\b  c") << QStringList { "a\\\\b", "c" };
        QTest::newRow("doubled quote inside quotes") << QStringLiteral("\"a\"\"b\"") << QStringList { "a\"b" };
        QTest::newRow("unclosed quote") << QStringLiteral("\"a b") << QStringList { "a b" };
    }
    void windowsCommandLines()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        if (!line.isNull())
            QCOMPARE(Platform::splitWindowsCommandLine(line), words);
        QCOMPARE(Platform::splitWindowsCommandLine(Platform::windowsCommandLine(words)), words);
    }

    // Stray bytes, a cut sequence and an encoded surrogate half come back
    // as they were, beside the text around them.
    void bytesThatAreNotTextComeBack()
    {
        static const char name[] = "a\xff\xfe-\xc3\xa8-\xe2\x82-\xf0\x9f\x98\x80-\xed\xa0\x80.txt";
        const QByteArray bytes(name, sizeof name - 1);
        const QString text = Platform::decodeText(bytes);
        QVERIFY(text.contains(QString::fromUtf8("-\xc3\xa8-")) && text.contains(QString::fromUtf8("\xf0\x9f\x98\x80")));
        QCOMPARE(Platform::encodeText(text), bytes);
    }

    // The autorun thread starts programs of its own folder again and again
    // while clicks start the probe in another: every program sees the
    // values of its own start, and the launcher's environment stays as it
    // was.
    void clickDuringAutorunKeepsItsValues()
    {
        QTemporaryDir scratch;
        const QString out = Harness::probeOutput(scratch);
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("autorun"))
            && QDir(scratch.path()).mkpath(QStringLiteral("click")));
        const QString autorunFolder = QDir(scratch.filePath(QStringLiteral("autorun"))).canonicalPath();
        const QString clickFolder = QDir(scratch.filePath(QStringLiteral("click"))).canonicalPath();
        const QString autorunProbe = autorunFolder + QStringLiteral("/gp_probe");
        QVERIFY(QFile::copy(TestSupport::helperPath(QStringLiteral("gp_probe")), autorunProbe));
        qunsetenv("RESOURCEDIR");
        const QString launcherPython = qEnvironmentVariable("PYTHONPATH");
        const QString autorunPython
            = QFileInfo(baseDirectory(true).filePath(QStringLiteral("blob.bin"))).absoluteFilePath();

        constexpr int rounds = 12;
        QFuture<void> pass = QtConcurrent::run([&] {
            for (int i = 0; i < rounds; ++i)
                runAutorunProgram(autorunProbe, { QStringLiteral("autorun") });
        });
        int clicks = 0;
        while (!pass.isFinished() || clicks < 3) {
            auto parameters = Harness::probeClick({ QStringLiteral("click") });
            parameters.insert(Param::workingdir, clickFolder);
            QCOMPARE(Harness::runChain(CommandType::Run, parameters).done, 1);
            TestSupport::waitForProbeRecords(out, ++clicks, 2000);
        }
        pass.waitForFinished();

        const auto records = TestSupport::waitForProbeRecords(out, rounds + clicks);
        QCOMPARE(records.size(), rounds + clicks);
        for (const TestSupport::ProbeRecord &record : records) {
            const bool fromClick = record.arguments == QStringList { QStringLiteral("click") };
            QCOMPARE(record.env.value(QStringLiteral("RESOURCEDIR")), fromClick ? clickFolder : autorunFolder);
            QCOMPARE(record.env.value(QStringLiteral("PYTHONPATH")), fromClick ? launcherPython : autorunPython);
        }
        QVERIFY(!qEnvironmentVariableIsSet("RESOURCEDIR"));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
