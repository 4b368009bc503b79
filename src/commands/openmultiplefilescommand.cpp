#include "openmultiplefilescommand.h"

#include <QDir>

#include "commands/commandfactory.h"
#include "commands/customfiledialog.h"

// The same form as several files dropped on a button: the marker, then the
// files in the order the dialog gives them.
ICommand *OpenMultipleFilesCommand::execute()
{
    QStringList arguments = parameters.value(Param::arguments).toStringList();

    CustomFileDialog dialog;
    dialog.setFileMode(3);
    dialog.setNameFilters({ QStringLiteral("All files (*.*)") });
    if (dialog.exec() == 0)
        return nullptr;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return nullptr;

    arguments.append(QStringLiteral("--massive-input"));
    for (const QString &file : chosen)
        arguments.append(QDir::toNativeSeparators(file));
    parameters.insert(Param::arguments, arguments);
    parameters.insert(Param::prevcommandtype, int(CommandType::OpenMultipleFiles));
    return createRunFollowUp(parameters);
}
