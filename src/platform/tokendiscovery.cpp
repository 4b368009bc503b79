#include "tokendiscovery.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace TokenDiscovery {
namespace {

// mountinfo escapes space, tab, newline and backslash as \ooo.
QString unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            for (char c : digits)
                ok = ok && c >= '0' && c <= '7';
            if (ok) {
                out.append(char(digits.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QString::fromUtf8(out);
}

// Reads a small sysfs attribute; sysfs files are tiny, so cap the read.
QByteArray readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(256).trimmed();
}

bool isPathUnder(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

enum class Kind { Other, CdRom, Flash };

// The disk node of a block device: the device itself, or its parent when
// the device is a partition.
QString diskNode(const QString &blockNode)
{
    if (QFileInfo::exists(blockNode + QStringLiteral("/partition")))
        return QFileInfo(blockNode).path();
    return blockNode;
}

Kind kindOfDisk(const QString &disk)
{
    const QString name = QFileInfo(disk).fileName();
    if (name.startsWith(QLatin1String("sr")) || readAttribute(disk + QStringLiteral("/device/type")) == "5")
        return Kind::CdRom;
    if (readAttribute(disk + QStringLiteral("/removable")) == "1")
        return Kind::Flash;
    return Kind::Other;
}

// The nearest ancestor that is a USB device (it carries idVendor); the
// partitions of one token all sit below it.
QString usbDeviceOf(const QString &node, const QString &devicesRoot)
{
    QString current = node;
    while (isPathUnder(current, devicesRoot) && current != devicesRoot) {
        if (QFileInfo::exists(current + QStringLiteral("/idVendor")))
            return current;
        const QString up = QFileInfo(current).path();
        if (up == current)
            break;
        current = up;
    }
    return {};
}

} // namespace

QList<Mount> parseMountInfo(const QByteArray &text)
{
    QList<Mount> mounts;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray &device = fields.at(2);
        const int colon = device.indexOf(':');
        bool majorOk = false;
        bool minorOk = false;
        if (colon <= 0)
            continue;
        device.left(colon).toUInt(&majorOk);
        device.mid(colon + 1).toUInt(&minorOk);
        if (!majorOk || !minorOk)
            continue;
        const QString mountPoint = unescapeOctal(fields.at(4));
        if (!mountPoint.startsWith(QLatin1Char('/')))
            continue;
        mounts.append({ QString::fromLatin1(device), mountPoint });
    }
    return mounts;
}

Mount mountHolding(const QList<Mount> &mounts, const QString &path)
{
    Mount best;
    for (const Mount &mount : mounts) {
        if (isPathUnder(path, mount.mountPoint) && mount.mountPoint.size() >= best.mountPoint.size())
            best = mount;
    }
    return best;
}

Drives find(const QString &systemRoot, const QString &path)
{
    Drives drives;
    const QString root = QDir::cleanPath(systemRoot);
    const QString prefix = root == QLatin1String("/") ? QString() : root;

    QFile mountInfoFile(prefix + QStringLiteral("/proc/self/mountinfo"));
    if (!mountInfoFile.open(QIODevice::ReadOnly))
        return drives;
    // A mount table of a few megabytes is already absurd.
    const QList<Mount> mounts = parseMountInfo(mountInfoFile.read(8 * 1024 * 1024));

    const QString canonical = QFileInfo(path).canonicalFilePath();
    const Mount start = mountHolding(mounts, canonical.isEmpty() ? QDir::cleanPath(path) : canonical);
    if (start.device.isEmpty())
        return drives;

    const QString blockRoot = prefix + QStringLiteral("/sys/dev/block");
    const QString devicesRoot = QFileInfo(prefix + QStringLiteral("/sys/devices")).canonicalFilePath();
    if (devicesRoot.isEmpty())
        return drives;

    const QString startNode = QFileInfo(blockRoot + QLatin1Char('/') + start.device).canonicalFilePath();
    if (startNode.isEmpty() || !isPathUnder(startNode, devicesRoot))
        return drives;
    const QString startDisk = diskNode(startNode);
    if (kindOfDisk(startDisk) == Kind::Other)
        return drives; // a fixed disk
    const QString usbDevice = usbDeviceOf(startDisk, devicesRoot);
    if (usbDevice.isEmpty())
        return drives;

    QMap<QString, QString> mountPointOf;
    for (const Mount &mount : mounts) {
        if (!mountPointOf.contains(mount.device))
            mountPointOf.insert(mount.device, mount.mountPoint);
    }

    // Every block device below the same USB device, in name order so the
    // result is stable.
    QStringList entries = QDir(blockRoot).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    std::sort(entries.begin(), entries.end(), [&](const QString &a, const QString &b) {
        return QFileInfo(blockRoot + QLatin1Char('/') + a).canonicalFilePath()
            < QFileInfo(blockRoot + QLatin1Char('/') + b).canonicalFilePath();
    });
    for (const QString &entry : entries) {
        if (!mountPointOf.contains(entry))
            continue; // not mounted: nothing to point at
        const QString node = QFileInfo(blockRoot + QLatin1Char('/') + entry).canonicalFilePath();
        if (node.isEmpty() || !isPathUnder(node, usbDevice) || node == usbDevice)
            continue;
        switch (kindOfDisk(diskNode(node))) {
        case Kind::CdRom:
            if (drives.cdrom.isEmpty())
                drives.cdrom = mountPointOf.value(entry);
            break;
        case Kind::Flash:
            if (drives.flash.isEmpty())
                drives.flash = mountPointOf.value(entry);
            break;
        case Kind::Other:
            break;
        }
    }
    return drives;
}

} // namespace TokenDiscovery
