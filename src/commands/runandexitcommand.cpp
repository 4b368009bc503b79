#include "runandexitcommand.h"

#include "commands/commandfactory.h"

ICommand *RunAndExitCommand::execute()
{
    parameters.insert(Param::prevcommandtype, int(CommandType::RunAndExit));
    return createRunFollowUp(parameters);
}
