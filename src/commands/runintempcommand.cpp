#include "runintempcommand.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include "commands/commandfactory.h"
#include "platform/logging.h"
#include "commands/startnotices.h"
#include "commands/temporarycopies.h"
#include "platform/platform.h"
#include "platform/processstart.h"

namespace {

constexpr int removeAttempts = 10;
constexpr unsigned long removePauseMs = 100;
constexpr int numberedNameDraws = 50;

// A path is taken when anything sits there, a dangling link included.
bool pathTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A name that is free already needs no freeing. A copy that exists (a
// program that still runs from it, for instance) gets a few chances to go.
bool freeName(const QString &path)
{
    if (!pathTaken(path))
        return true;
    // A copy whose program still runs stays where it is.
    if (TemporaryCopies::inUse(path))
        return false;
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
    if (cmdline.isEmpty() || !programInfo.exists() || programInfo.isDir()) {
        StartNotices::report(cmdline, StartNotices::Missing);
        return nullptr;
    }

    // The shared temporary folder is writable by everybody: a copy placed
    // there could be swapped for another program between the copy and the
    // start. The platform finds a folder nobody else may change.
    const QString folderPath = Platform::privateCopyFolder();
    if (folderPath.isEmpty()) {
        qCDebug(lcCommands) << "[gatepoint] unsafe temporary folder, nothing started; under" << QDir::tempPath();
        StartNotices::report(cmdline, StartNotices::NoSafeFolder);
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
            StartNotices::report(cmdline, StartNotices::SystemError, QStringLiteral("copy"));
            return nullptr;
        }
        qCDebug(lcCommands) << "[gatepoint] replaced with \"" << tempFile << "\"";
    }

    // Only a copy made here and now may be started: whatever else sits at
    // that path is not the program the button names.
    QString identity;
    if (!Platform::copyFile(cmdline, tempFile, &identity)) {
        qCDebug(lcCommands) << "[gatepoint] unable to copy" << cmdline << "to" << tempFile;
        StartNotices::report(cmdline, StartNotices::SystemError, QStringLiteral("copy"));
        return nullptr;
    }

    parameters.insert(Param::cmdline, tempFile);
    parameters.insert(Param::temppath, folder.absolutePath());
    parameters.insert(Param::copyidentity, identity);
    parameters.insert(Param::prevcommandtype, int(CommandType::RunInTemp));
    return createRunFollowUp(parameters);
}
