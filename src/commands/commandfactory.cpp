#include "commandfactory.h"

#include <QHash>

#include "icommand.h"

namespace {

const QHash<QString, int> &typeNames()
{
    static const QHash<QString, int> names {
        { QStringLiteral("RUN"), CommandType::Run },
        { QStringLiteral("OPENFILE"), CommandType::OpenFile },
        { QStringLiteral("RUNINTEMP"), CommandType::RunInTemp },
        { QStringLiteral("RUNANDEXIT"), CommandType::RunAndExit },
        { QStringLiteral("OPENFOLDER"), CommandType::OpenFolder },
        { QStringLiteral("OPENLINK"), CommandType::OpenLink },
        { QStringLiteral("WIN32RUNHIDDEN"), CommandType::Win32RunHidden },
        { QStringLiteral("CHECKBUTTON"), CommandType::CheckButton },
        { QStringLiteral("WINOPENFILEBASE64"), CommandType::WinOpenFileBase64 },
        { QStringLiteral("WINRUNBASE64"), CommandType::WinRunBase64 },
        { QStringLiteral("OPENMULTIPLEFILES"), CommandType::OpenMultipleFiles },
        { QStringLiteral("RELOAD"), CommandType::Reload },
        { QStringLiteral("RUNFOLDER"), CommandType::RunFolder },
    };
    return names;
}

} // namespace

int commandTypeFromName(const QString &name)
{
    return typeNames().value(name.toUpper(), CommandType::Run);
}

ICommand *CommandFactory::create(int type)
{
    const QMap<int, Creator> &table = creators();
    const auto it = table.constFind(type);
    if (it == table.constEnd())
        return nullptr;
    return it.value()();
}

ICommand *createRunFollowUp(const QMap<QString, QVariant> &parameters)
{
    ICommand *run = CommandFactory::create(CommandType::Run);
    if (run)
        run->parameters = parameters;
    return run;
}
