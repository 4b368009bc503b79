#include "runintempcommand.h"

#include <optional>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QThread>

#include "commands/commandfactory.h"
#include "platform/logging.h"
#include "platform/platform.h"

namespace {

constexpr int removeAttempts = 10;
constexpr unsigned long removePauseMs = 100;
constexpr int numberedNameDraws = 50;

// What QFileInfo reports where the file system has no owner ids (Windows).
constexpr uint noOwnerId = uint(-2);

// The user id as the file system records it: the owner of a file this
// process has just created. Avoids asking the operating system directly.
// Nothing when no such file can be made: then nothing is trusted.
std::optional<uint> currentOwnerId()
{
    QTemporaryFile probe(QDir::tempPath() + QStringLiteral("/gatepoint-owner-XXXXXX"));
    if (!probe.open())
        return std::nullopt;
    return QFileInfo(probe.fileName()).ownerId();
}

// A path is taken when anything sits there, a dangling link included.
bool pathTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The shared temporary folder is writable by everybody: a copy placed there
// could be swapped for another program between the copy and the start. The
// copy therefore goes into a folder of this user's that nobody else may
// write. Where the file system has no owner ids, the temporary folder is
// already private to the user and a plain sub-folder will do.
QString privateTempFolder()
{
    const std::optional<uint> knownOwner = currentOwnerId();
    if (!knownOwner)
        return QString();
    const uint owner = *knownOwner;
    const bool hasOwners = owner != noOwnerId;
    QString suffix;
    if (hasOwners) {
        suffix = QString::number(owner);
    } else {
        suffix = qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER"));
        suffix.remove(QLatin1Char('/')).remove(QLatin1Char('\\'));
        if (suffix.isEmpty())
            suffix = QStringLiteral("user");
    }
    const QString path = QDir(QDir::tempPath()).absoluteFilePath(QStringLiteral("gatepoint-") + suffix);

    if (!pathTaken(path) && QDir().mkdir(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // Checked after creating as well: somebody may have won the race.
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return QString();
    if (hasOwners) {
        if (info.ownerId() != owner)
            return QString();
        if (info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther))
            return QString();
    }
    return path;
}

// A name that is free already needs no freeing. A copy that exists (a
// program that still runs from it, for instance) gets a few chances to go.
bool freeName(const QString &path)
{
    if (!pathTaken(path))
        return true;
    for (int attempt = 0; attempt < removeAttempts; ++attempt) {
        if (QFile::remove(path))
            return true;
        QThread::msleep(removePauseMs);
    }
    return false;
}

// A five-digit number in front of the file name, drawn until the name is
// free; empty when every draw hit a taken name.
QString numberedFreePath(const QDir &folder, const QString &fileName)
{
    for (int draw = 0; draw < numberedNameDraws; ++draw) {
        const int number = QRandomGenerator::global()->bounded(10000, 100000);
        const QString candidate = folder.absoluteFilePath(QString::number(number) + fileName);
        if (!pathTaken(candidate))
            return candidate;
    }
    return QString();
}

} // namespace

ICommand *RunInTempCommand::execute()
{
    const QString cmdline = parameters.value(Param::cmdline).toString();
    const QFileInfo programInfo(cmdline);
    if (cmdline.isEmpty() || !programInfo.exists() || programInfo.isDir())
        return nullptr;

    const QString folderPath = privateTempFolder();
    if (folderPath.isEmpty()) {
        qCDebug(lcCommands) << "[gatepoint] unsafe temporary folder, nothing started; under" << QDir::tempPath();
        return nullptr;
    }
    const QDir folder(folderPath);
    const QString fileName = programInfo.fileName();

    QString tempFile = folder.absoluteFilePath(fileName);
    if (!freeName(tempFile)) {
        qCDebug(lcCommands) << "[gatepoint] unable to remove tempFile, replacing its name...";
        tempFile = numberedFreePath(folder, fileName);
        if (tempFile.isEmpty()) {
            qCDebug(lcCommands) << "[gatepoint] no free name for the temporary copy of" << fileName;
            return nullptr;
        }
        qCDebug(lcCommands) << "[gatepoint] replaced with \"" << tempFile << "\"";
    }

    // Only a copy made here and now may be started: whatever else sits at
    // that path is not the program the button names.
    if (!Platform::copyFile(cmdline, tempFile)) {
        qCDebug(lcCommands) << "[gatepoint] unable to copy" << cmdline << "to" << tempFile;
        return nullptr;
    }

    parameters.insert(Param::cmdline, tempFile);
    parameters.insert(Param::temppath, folder.absolutePath());
    parameters.insert(Param::prevcommandtype, int(CommandType::RunInTemp));
    return createRunFollowUp(parameters);
}
