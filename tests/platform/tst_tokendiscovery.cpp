// Pairing the token's partitions from a mount table and a sysfs tree laid
// out in a temporary folder with the link depths of a real system.
#include <QtTest>

#include "platform/tokendiscovery.h"
#include "testsupport.h"

namespace {

// One fake system: a /proc/self/mountinfo and a /sys tree.
struct FakeSystem {
    QTemporaryDir root;
    QByteArray mountinfo;
    int tokens = 0;

    void write(const QString &path, const QByteArray &text) { TestSupport::writeFile(root.path() + path, text); }

    // A block device with the one attribute that tells its kind, and
    // /sys/dev/block/MAJ:MIN linking to it relatively, as on a real system.
    void block(const QString &path, int major, int minor, const QString &attribute, const QByteArray &value)
    {
        const QString device = QStringLiteral("%1:%2").arg(major).arg(minor);
        write(path + '/' + attribute, value + '\n');
        QDir().mkpath(root.path() + "/sys/dev/block");
        QFile::link("../.." + path.mid(4), root.path() + "/sys/dev/block/" + device);
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

    void mount(const char *device, const QByteArray &mountPoint)
    {
        mountinfo += "20 1 " + QByteArray(device) + " / " + mountPoint + " rw - fs /dev/x rw\n";
        write("/proc/self/mountinfo", mountinfo);
    }
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
        const QString ata = "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
        system.block(ata, 8, 0, "removable", "0");
        system.block(ata + "/sda1", 8, 1, "partition", "1");
        system.mount("8:1", "/");
        for (int token = 0; token < 4; ++token)
            system.usbToken();
        system.mount("11:0", "/media/user/TOKEN\\040CD");
        system.mount("8:17", "/media/a-flash");
        system.mount("11:1", "/media/b-cd");
        system.mount("8:33", "/media/b-flash");
        system.mount("11:2", "/media/c-cd");
        system.mount("11:3", "/media/d-cd");
        system.mount("8:64", "/media/whole"); // the fourth token's disk itself
        const auto drives = TokenDiscovery::find(system.root.path(), start);
        QTEST(drives.cdrom, "cdrom");
        QTEST(drives.flash, "flash");
    }

    // Nothing is found, and nothing breaks, in a table that makes no sense
    // or a tree that is not there.
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
};

QTEST_GUILESS_MAIN(TestTokenDiscovery)
#include "tst_tokendiscovery.moc"
