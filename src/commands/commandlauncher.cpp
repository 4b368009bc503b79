#include "commandlauncher.h"

#include <memory>

#include <QDebug>
#include <QRegularExpression>

#include "commandfactory.h"
#include "icommand.h"

#include "config/paths.h"
#include "platform/logging.h"
#include "startnotices.h"

bool runCommandChain(
    int type, const QMap<QString, QVariant> &parameters, const std::function<void(ICommand *)> &connectCommand)
{
    std::unique_ptr<ICommand> command(CommandFactory::create(type));
    if (!command) {
        qCDebug(lcCommands) << "Unknown command" << type;
        return false;
    }
    runCommandChain(std::move(command), parameters, connectCommand);
    return true;
}

void runCommandChain(std::unique_ptr<ICommand> command, const QMap<QString, QVariant> &parameters,
    const std::function<void(ICommand *)> &connectCommand)
{
    if (!command)
        return;
    command->parameters = parameters;
    // Each command is deleted right after its execute; the follow-up it
    // returns is ours from then on. Queued signals reach the receiver after
    // the command is gone.
    while (command) {
        if (connectCommand)
            connectCommand(command.get());
        std::unique_ptr<ICommand> next(command->execute());
        command = std::move(next);
    }
}

bool hasUrlScheme(const QString &text)
{
    static const QRegularExpression scheme(
        QStringLiteral("^(https?|mailto|ftp|file):"), QRegularExpression::CaseInsensitiveOption);
    return scheme.match(text).hasMatch();
}

bool launch(const LaunchRequest &request, const std::function<void(ICommand *)> &connectCommand,
    std::unique_ptr<ICommand> first)
{
    bool drivesFound = true;
    const QString commandLine = hasUrlScheme(request.commandPath)
        ? request.commandPath
        : expandPlaceholders(request.commandPath, &drivesFound);
    QStringList arguments;
    arguments.reserve(request.configuredArguments.size() + request.userArguments.size());
    for (const QString &argument : request.configuredArguments)
        arguments.append(hasUrlScheme(argument) ? argument : expandPlaceholders(argument, &drivesFound));
    const QString workingDir = expandPlaceholders(request.workingDir, &drivesFound);
    if (!drivesFound) {
        qCDebug(lcCommands) << "Drive placeholder not resolved, nothing started:" << request.commandPath
                            << request.configuredArguments << request.workingDir;
        StartNotices::report(request.commandPath, StartNotices::DriveMissing);
        return false;
    }
    arguments.append(request.userArguments);

    QMap<QString, QVariant> parameters;
    parameters.insert(Param::cmdline, commandLine);
    parameters.insert(Param::arguments, arguments);
    parameters.insert(Param::workingdir, workingDir);
    parameters.insert(Param::profile, request.profile);
    parameters.insert(Param::profileKey, request.profileKey);
    parameters.insert(Param::pidpath, request.pidPath);
    for (auto it = request.extraParameters.cbegin(); it != request.extraParameters.cend(); ++it)
        parameters.insert(it.key(), it.value());
    if (!first)
        return runCommandChain(request.type, parameters, connectCommand);
    runCommandChain(std::move(first), parameters, connectCommand);
    return true;
}
