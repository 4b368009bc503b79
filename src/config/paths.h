#pragma once

#include <QDir>
#include <QString>

// Application and resource folders and the path placeholders of
// configured command lines and arguments.

// The application directory (false) or the resource directory (true): the
// folder "Commons" one or two levels above the application directory, else
// the application directory itself. The resource directory is cached.
QDir baseDirectory(bool resources);

// The resource directory climbed up to its root. Windows: the drive ("e:"
// style, slashes removed). Linux: the mount point that holds the resource
// directory.
QString mediumRoot();

// The platform word ("linux" or "windows").
QString osName();

// Replaces %cdrom%, %flash%, %root%, $ components, %exepath%, %respath%,
// %lang% and %pid% in a path or argument, in that order.
QString expandPlaceholders(const QString &text);

// The same; drivesFound becomes false when the text names a partition
// (%cdrom%, %flash%) that was not found, so the result names a place on the
// host instead of the token and must not be used.
QString expandPlaceholders(const QString &text, bool *drivesFound);

// Fills the drive strings of the token's flash and CD-ROM partitions, or
// empty strings. Runs anew at every call.
void findMediumDrives(QString &flash, QString &cdrom);

// Replaces every "/"-separated component that starts with "$" by the value
// of the environment variable of that name.
QString expandEnvironmentPath(const QString &path);

// Sets one variable of the launcher's own environment (empty removes it).
void setEnvironmentValue(const QString &name, const QString &value);

// Forgets the cached resource directory (tests lay out several media).
void resetResourceDirectoryCache();
