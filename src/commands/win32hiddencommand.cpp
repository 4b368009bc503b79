#include "win32hiddencommand.h"

#include "commands/commandfactory.h"

ICommand *Win32HiddenCommand::execute()
{
    parameters.insert(Param::prevcommandtype, int(CommandType::Win32RunHidden));
    return createRunFollowUp(parameters);
}
