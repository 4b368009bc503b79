// Pairing the token's partitions from a mount table and a sysfs tree laid
// out in a temporary folder with the link depths of a real system.
#include <QtTest>

#include "platform/tokendiscovery.h"
#include "testsupport.h"

namespace {

// One fake system: a /proc/self/mountinfo and a /sys tree.
class FakeSystem {
public:
    QString root() const { return dir.path(); }

    // A USB mass-storage device with two LUNs, a cd (srN, 11:N) and a flash
    // disk with one partition (sdX, 8:16k and 8:16k+1), numbered in order.
    void usbToken(int port)
    {
        const QString usb = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(port);
        write(usb + QStringLiteral("/idVendor"), "1234\n");
        const QString scsi = usb + QStringLiteral("/1-%1:1.0/host%2/target%2:0:0/%2:0:0:").arg(port).arg(port + 5);
        write(scsi + QStringLiteral("0/type"), "5\n");
        disk(scsi + QStringLiteral("0/block/sr%1").arg(tokens), QStringLiteral("11:%1").arg(tokens), "0");
        write(scsi + QStringLiteral("1/type"), "0\n");
        const QString sd = QStringLiteral("sd%1").arg(QChar('b' + tokens));
        const int minor = 16 * (tokens + 1);
        disk(scsi + QStringLiteral("1/block/") + sd, QStringLiteral("8:%1").arg(minor), "1");
        partition(
            scsi + QStringLiteral("1/block/%1/%1").arg(sd) + QLatin1Char('1'), QStringLiteral("8:%1").arg(minor + 1));
        ++tokens;
    }

    void fixedDisk()
    {
        const QString ata
            = QStringLiteral("/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda");
        disk(ata, QStringLiteral("8:0"), "0");
        partition(ata + QStringLiteral("/sda1"), QStringLiteral("8:1"));
    }

    void mount(const QString &device, const QByteArray &mountPoint)
    {
        mountinfo
            += QByteArray::number(++mountId) + " 1 " + device.toLatin1() + " / " + mountPoint + " rw - fs /dev/x rw\n";
        write(QStringLiteral("/proc/self/mountinfo"), mountinfo);
    }

    void write(const QString &path, const QByteArray &text) { TestSupport::writeFile(dir.path() + path, text); }

private:
    void disk(const QString &path, const QString &device, const QByteArray &removable)
    {
        write(path + QStringLiteral("/removable"), removable + "\n");
        write(path + QStringLiteral("/dev"), device.toLatin1() + "\n");
        link(path, device);
    }
    void partition(const QString &path, const QString &device)
    {
        write(path + QStringLiteral("/partition"), "1\n");
        write(path + QStringLiteral("/dev"), device.toLatin1() + "\n");
        link(path, device);
    }
    // /sys/dev/block/MAJ:MIN -> ../../devices/..., relative as on a real system.
    void link(const QString &path, const QString &device)
    {
        QDir().mkpath(dir.path() + QStringLiteral("/sys/dev/block"));
        QFile::link(QStringLiteral("../..") + path.mid(4), dir.path() + QStringLiteral("/sys/dev/block/") + device);
    }

    QTemporaryDir dir;
    QByteArray mountinfo;
    int mountId = 20;
    int tokens = 0;
};

} // namespace

class TestTokenDiscovery : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // One system: a fixed disk, two tokens, a token whose flash is not
    // mounted and one whose flash has no partition table.
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
        system.fixedDisk();
        system.mount(QStringLiteral("8:1"), "/");
        for (int port = 1; port <= 4; ++port)
            system.usbToken(port);
        system.mount(QStringLiteral("11:0"), "/media/user/TOKEN\\040CD");
        system.mount(QStringLiteral("8:17"), "/media/a-flash");
        system.mount(QStringLiteral("11:1"), "/media/b-cd");
        system.mount(QStringLiteral("8:33"), "/media/b-flash");
        system.mount(QStringLiteral("11:2"), "/media/c-cd");
        system.mount(QStringLiteral("11:3"), "/media/d-cd");
        system.mount(QStringLiteral("8:64"), "/media/whole"); // the fourth token's disk itself
        const auto drives = TokenDiscovery::find(system.root(), start);
        QTEST(drives.cdrom, "cdrom");
        QTEST(drives.flash, "flash");
    }

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
        system.usbToken(1);
        system.write(QStringLiteral("/proc/self/mountinfo"), mountinfo);
        const auto drives = TokenDiscovery::find(system.root(), QStringLiteral("/media/cd"));
        QVERIFY(drives.cdrom.isEmpty());
        QVERIFY(drives.flash.isEmpty());
        const auto nothing = TokenDiscovery::find(system.root() + QStringLiteral("/missing"), QStringLiteral("/"));
        QVERIFY(nothing.cdrom.isEmpty());
    }

    void mountInfoEscapes()
    {
        const auto mounts = TokenDiscovery::parseMountInfo(
            "36 25 8:17 / /media/a\\040b\\011c\\134d rw - vfat /dev/sdb1 rw\n37 25 8:18 / /media/a rw\n");
        QCOMPARE(mounts.size(), 2);
        QCOMPARE(mounts.at(0).mountPoint, QStringLiteral("/media/a b\tc\\d"));
        // The longest mount point that holds the path wins; "/media/ab" is
        // not inside "/media/a".
        QCOMPARE(TokenDiscovery::mountHolding(mounts, QStringLiteral("/media/a/x")).device, QStringLiteral("8:18"));
        QVERIFY(TokenDiscovery::mountHolding(mounts, QStringLiteral("/media/ab")).device.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTokenDiscovery)
#include "tst_tokendiscovery.moc"
