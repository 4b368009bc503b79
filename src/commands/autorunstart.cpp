#include "autorunstart.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include "commands/startnotices.h"
#include "config/paths.h"
#include "config/vocabulary.h"
#include "platform/logging.h"
#include "platform/processstart.h"

QString autorunProgramPath(const QString &name)
{
    return QDir::cleanPath(baseDirectory(false).absoluteFilePath(name + Platform::executableSuffix()));
}

bool runAutorunProgram(const QString &programPath, const QStringList &arguments)
{
    const QFileInfo program(programPath);
    if (!program.exists()) {
        qCDebug(lcCommands) << "UNABLE TO EXECUTE " << program.absoluteFilePath();
        StartNotices::report(program.absoluteFilePath(), StartNotices::Missing);
        return false;
    }
    QString flash;
    QString cdrom;
    findMediumDrives(flash, cdrom);
    QFileInfo blob(program.absoluteDir().filePath(Vocabulary::File::blob));
    if (!blob.exists())
        blob = QFileInfo(baseDirectory(true).filePath(Vocabulary::File::blob));

    Platform::ProgramStart start;
    start.program = program.absoluteFilePath();
    start.arguments = arguments;
    start.workingDir = program.absolutePath();
    start.environment = QProcessEnvironment::systemEnvironment();
    Platform::setInEnvironment(start.environment, QStringLiteral("RWROOT"), flash);
    Platform::setInEnvironment(
        start.environment, QStringLiteral("PYTHONPATH"), QDir::toNativeSeparators(blob.absoluteFilePath()));
    Platform::setInEnvironment(start.environment, QStringLiteral("RESOURCEDIR"),
        QDir::toNativeSeparators(program.absoluteDir().canonicalPath()));
    start.waitForEnd = true;
    const Platform::StartOutcome outcome = Platform::startProgram(start);
    if (!outcome.started)
        StartNotices::report(start.program, StartNotices::SystemError, outcome.error);
    return outcome.started;
}
