#include "runcommand.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include "commands/commandfactory.h"
#include "commands/startnotices.h"
#include "commands/temporarycopies.h"
#include "config/paths.h"
#include "platform/logging.h"
#include "platform/platform.h"
#include "platform/processstart.h"

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

// The tools on the medium find their Python runtime through PYTHONPATH: the
// copy in the resource directory wins over one beside the program.
QString pythonPath(const QString &cmdline)
{
    const QString resourceBlob = QFileInfo(baseDirectory(true).filePath(blobFileName)).canonicalFilePath();
    qCDebug(lcCommands) << resourceBlob;
    QString blob = resourceBlob;
    if (blob.isEmpty() && !cmdline.isEmpty())
        blob = QFileInfo(QFileInfo(cmdline).dir().filePath(blobFileName)).canonicalFilePath();
    return blob;
}

} // namespace

ICommand *RunCommand::execute()
{
    const QStringList arguments = parameters.value(Param::arguments).toStringList();
    const QString cmdline = parameters.value(Param::cmdline).toString();
    const QString workingDirParam = parameters.value(Param::workingdir).toString();
    const QString tempPath = parameters.value(Param::temppath).toString();
    const QString pidPath = parameters.value(Param::pidpath).toString();
    const int previousType = parameters.value(Param::prevcommandtype).toInt();
    const bool runAndWait = parameters.value(Param::runandwait).toBool();
    const QString copyIdentity = parameters.value(Param::copyidentity).toString();
    const bool hidden = previousType == CommandType::Win32RunHidden;
    const bool inTemp = previousType == CommandType::RunInTemp;

    QDir workingDir;
    if (!workingDirParam.isEmpty()) {
        workingDir = QDir(workingDirParam);
    } else {
        workingDir = QDir(cmdline);
        workingDir.cdUp();
    }
    // A copy made by RUNINTEMP runs in the folder it was copied to.
    if (inTemp)
        workingDir = QDir(tempPath);
    const QString workingFolder = QDir::toNativeSeparators(workingDir.canonicalPath());

    // The program's own environment: the launcher's stays as it is, so a
    // start never sees values meant for another one.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString blob = pythonPath(cmdline);
    if (!blob.isEmpty())
        Platform::setInEnvironment(environment, QStringLiteral("PYTHONPATH"), blob);
    QString flash;
    QString cdrom;
    findMediumDrives(flash, cdrom);
    Platform::setInEnvironment(environment, QStringLiteral("__COMPAT_LAYER"), QString());
    Platform::setInEnvironment(environment, QStringLiteral("RESOURCEDIR"), workingFolder);
    Platform::setInEnvironment(environment, QStringLiteral("RWROOT"), flash);

    // The file is checked where a link leads, but started by the configured
    // name: a multi-call program tells by argv[0] what it is to do.
    const QFileInfo configured(cmdline);
    const QFileInfo target(configured.canonicalFilePath());
    const QString program = cmdline.isEmpty() ? QString() : QDir::cleanPath(configured.absoluteFilePath());
    qCDebug(lcCommands) << "Launching command line:" << program << "Arguments:" << arguments << "WD:" << workingFolder;

    if (cmdline.isEmpty() || !target.exists() || target.isDir()) {
        StartNotices::report(cmdline, StartNotices::Missing);
        return nullptr;
    }
    if (!hidden && !target.isExecutable()) {
        StartNotices::report(program, StartNotices::NotProgram);
        return nullptr;
    }
    if (!copyIdentity.isEmpty() && Platform::fileIdentity(program) != copyIdentity) {
        // Somebody swapped the file or its folder since the copy was made:
        // whatever lies there now is not ours, so it is neither run nor
        // removed.
        qCDebug(lcCommands) << "[gatepoint] the temporary copy is not the file written, not started:" << program;
        StartNotices::report(program, StartNotices::CopyReplaced);
        return nullptr;
    }

    Platform::ProgramStart start;
    start.program = program;
    start.arguments = arguments;
    start.workingDir = workingFolder;
    start.environment = environment;
    start.hidden = hidden;
    start.waitForEnd = runAndWait;
    start.started = [&](qint64 pid) {
        // The shell reports no process for a hidden start.
        if (!hidden)
            writeProcessId(pidPath, pid);
        if (inTemp)
            TemporaryCopies::started(program, pid);
    };
    if (inTemp)
        start.ended = [program] { TemporaryCopies::ended(program); };
    const Platform::StartOutcome outcome = Platform::startProgram(start);
    if (!outcome.started) {
        if (inTemp)
            TemporaryCopies::ended(program);
        StartNotices::report(program, StartNotices::SystemError, outcome.error);
        return nullptr;
    }

    if (hidden)
        return nullptr;
    // Only a program that runs lets the launcher go.
    if (inTemp || previousType == CommandType::RunAndExit)
        QCoreApplication::quit();
    else
        emit done();
    return nullptr;
}
