#include "checkbuttoncommand.h"

#include "commands/commandfactory.h"

// "prevcommandtype" stays as it is: for RUN this is a direct start.
ICommand *CheckButtonCommand::execute()
{
    ICommand *run = createRunFollowUp(parameters);
    if (run)
        run->parameters.insert(Param::runandwait, true);
    return run;
}
