#include "dialogfollowup.h"

#include <QDir>

#include "commands/commandfactory.h"
#include "commands/customfiledialog.h"

ICommand *runWithFirstChoice(QMap<QString, QVariant> &parameters, CustomFileDialog &dialog)
{
    if (dialog.exec() == 0)
        return nullptr;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return nullptr;
    QStringList arguments = parameters.value(Param::arguments).toStringList();
    arguments.append(QDir::toNativeSeparators(chosen.first()));
    parameters.insert(Param::arguments, arguments);
    parameters.insert(Param::prevcommandtype, int(CommandType::OpenFile));
    return createRunFollowUp(parameters);
}
