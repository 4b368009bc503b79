#include "runcommand.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "commands/commandfactory.h"
#include "config/paths.h"
#include "platform/logging.h"
#include "platform/platform.h"

namespace {

const QString blobFileName = QStringLiteral("blob.bin");

// The id file is written only once the program has really started: a
// failed start must not leave an id that another instance would take for
// a live process, nor wipe the id of an earlier start.
void writeProcessId(const QString &pidPath, qint64 pid)
{
    if (pidPath.isEmpty() || pid <= 0)
        return;
    QString error;
    if (!Platform::replaceFile(pidPath, QByteArray::number(pid), &error))
        qCDebug(lcCommands) << "RunCommand: process-id file not written:" << pidPath << error;
}

// An empty or missing path, or a folder, is no program.
QString resolveProgram(const QString &cmdline)
{
    if (cmdline.isEmpty())
        return QString();
    const QFileInfo info(cmdline);
    if (!info.exists() || info.isDir())
        return QString();
    return info.canonicalFilePath();
}

// The tools on the medium find their Python runtime through PYTHONPATH: the
// copy in the resource directory wins over one beside the program. When
// neither exists, whatever an earlier launch set stays in force.
void exportPythonPath(const QString &cmdline)
{
    const QString resourceBlob = QFileInfo(baseDirectory(true).filePath(blobFileName)).canonicalFilePath();
    qCDebug(lcCommands) << resourceBlob;
    QString blob = resourceBlob;
    if (blob.isEmpty() && !cmdline.isEmpty())
        blob = QFileInfo(QFileInfo(cmdline).dir().filePath(blobFileName)).canonicalFilePath();
    if (!blob.isEmpty())
        setEnvironmentValue(QStringLiteral("PYTHONPATH"), blob);
}

} // namespace

ICommand *RunCommand::execute()
{
    QStringList arguments = parameters.value(Param::arguments).toStringList();
    const QString cmdline = parameters.value(Param::cmdline).toString();
    const QString workingDirParam = parameters.value(Param::workingdir).toString();
    const QString tempPath = parameters.value(Param::temppath).toString();
    const QString pidPath = parameters.value(Param::pidpath).toString();
    const int previousType = parameters.value(Param::prevcommandtype).toInt();
    const bool runAndWait = parameters.value(Param::runandwait).toBool();

    for (QString &argument : arguments)
        argument = expandPlaceholders(argument);

    QDir workingDir;
    if (!workingDirParam.isEmpty()) {
        workingDir = QDir(workingDirParam);
    } else {
        workingDir = QDir(cmdline);
        workingDir.cdUp();
    }
    // A copy made by RUNINTEMP runs in the folder it was copied to.
    if (previousType == CommandType::RunInTemp)
        workingDir = QDir(tempPath);
    const QString workingFolder = QDir::toNativeSeparators(workingDir.canonicalPath());

    exportPythonPath(cmdline);

    QString flash;
    QString cdrom;
    findMediumDrives(flash, cdrom);
    setEnvironmentValue(QStringLiteral("__COMPAT_LAYER"), QString());
    setEnvironmentValue(QStringLiteral("RESOURCEDIR"), workingFolder);
    setEnvironmentValue(QStringLiteral("RWROOT"), flash);

    const QString program = resolveProgram(cmdline);
    qCDebug(lcCommands) << "Launching command line:" << program << "Arguments:" << arguments << "WD:" << workingFolder;

    if (previousType == CommandType::Win32RunHidden) {
        Platform::startHidden(program, arguments.join(QLatin1Char(' ')), workingFolder);
        return nullptr;
    }

    if (program.isEmpty())
        return nullptr;

    if (runAndWait) {
        QProcess process;
        process.setWorkingDirectory(workingFolder);
        process.start(program, arguments, QIODevice::ReadWrite);
        if (process.waitForStarted(-1)) {
            writeProcessId(pidPath, process.processId());
            // Nobody feeds the program's input: a program that reads it must
            // see its end instead of blocking the launcher for ever.
            process.closeWriteChannel();
            process.waitForFinished(-1);
        }
    } else {
        qint64 pid = 0;
        if (QProcess::startDetached(program, arguments, workingFolder, &pid))
            writeProcessId(pidPath, pid);
    }

    if (previousType == CommandType::RunInTemp || previousType == CommandType::RunAndExit)
        QCoreApplication::quit();
    else
        emit done();
    return nullptr;
}
