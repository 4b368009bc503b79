#include "reloadcommand.h"

#include "commands/commandfactory.h"

ICommand *ReloadCommand::execute()
{
    const QStringList arguments = parameters.value(Param::arguments).toStringList();
    if (!arguments.isEmpty())
        emit reload(arguments.first());
    return nullptr;
}
