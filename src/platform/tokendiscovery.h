#pragma once

#include <QList>
#include <QString>

// Finds the partitions of a removable security token from a Linux mount
// table and sysfs tree. The token shows a CD-ROM partition and a removable
// flash partition; both are block devices below the same USB device, which
// is how the two are paired (a second token has another USB device).
//
// Everything is read below a root folder ("/" on a running system), so
// tests can lay out a fake tree. The code is plain file reading and builds
// on every platform.
namespace TokenDiscovery {

struct Mount {
    QString device; // "major:minor"
    QString mountPoint; // unescaped
};

// Parses the text of /proc/self/mountinfo. Malformed lines are skipped.
QList<Mount> parseMountInfo(const QByteArray &text);

// The mount whose mount point holds path (longest prefix), or an empty
// mount when none does.
Mount mountHolding(const QList<Mount> &mounts, const QString &path);

struct Drives {
    QString flash;
    QString cdrom;
};

// The mount points of the token's flash and CD-ROM partitions, when path
// lies on a token; empty strings on a fixed disk or when a partition is not
// mounted.
Drives find(const QString &systemRoot, const QString &path);

} // namespace TokenDiscovery
