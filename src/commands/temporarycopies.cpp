#include "temporarycopies.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/logging.h"
#include "platform/processstart.h"

namespace {

// Beside each running copy lies the id of its process, so that a later
// launcher can tell a copy in use from one left behind.
const QString processIdSuffix = QStringLiteral(".gatepoint-pid");

qint64 recordedProcess(const QString &copy)
{
    QFile file(copy + processIdSuffix);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.read(32).trimmed().toLongLong();
}

} // namespace

namespace TemporaryCopies {

bool inUse(const QString &copy)
{
    return Platform::programFileBusy(copy) || Platform::processAlive(recordedProcess(copy));
}

void started(const QString &copy, qint64 processId)
{
    QFile file(copy + processIdSuffix);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QByteArray::number(processId));
}

void ended(const QString &copy)
{
    // Another start of the same copy may still run from it.
    if (Platform::programFileBusy(copy))
        return;
    QFile::remove(copy);
    QFile::remove(copy + processIdSuffix);
    qCDebug(lcCommands) << "[gatepoint] temporary copy removed:" << copy;
}

int sweep()
{
    const QString folder = Platform::privateCopyFolder();
    if (folder.isEmpty())
        return 0;
    int removed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (path.endsWith(processIdSuffix)) {
            const QString copy = path.left(path.size() - processIdSuffix.size());
            if (!QFileInfo::exists(copy) && !Platform::processAlive(recordedProcess(copy)))
                QFile::remove(path);
            continue;
        }
        if (inUse(path))
            continue;
        if (QFile::remove(path)) {
            QFile::remove(path + processIdSuffix);
            ++removed;
        }
    }
    if (removed > 0)
        qCDebug(lcCommands) << "[gatepoint] temporary copies removed:" << removed;
    return removed;
}

} // namespace TemporaryCopies
