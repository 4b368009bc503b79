#include "commandfactory.h"

#include <QHash>

#include "icommand.h"

ICommand *CommandFactory::create(int type)
{
    const QMap<int, Creator> &table = creators();
    const auto it = table.constFind(type);
    if (it == table.constEnd())
        return nullptr;
    return it.value()();
}

bool CommandFactory::exists(int type)
{
    return creators().contains(type);
}

ICommand *createRunFollowUp(const QMap<QString, QVariant> &parameters)
{
    ICommand *run = CommandFactory::create(CommandType::Run);
    if (run)
        run->parameters = parameters;
    return run;
}
