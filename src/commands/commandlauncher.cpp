#include "commandlauncher.h"

#include <memory>

#include <QDebug>

#include "commandfactory.h"
#include "icommand.h"

#include "platform/logging.h"

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
