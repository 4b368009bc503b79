#include "win64openfilecommand.h"

#include <QDir>

#include "commands/commandfactory.h"
#include "commands/customfiledialog.h"

ICommand *Win64OpenFileCommand::execute()
{
    QStringList arguments = parameters.value(Param::arguments).toStringList();

    CustomFileDialog dialog;
    dialog.setNameFilters({ QStringLiteral("All files (*.*)") });
    if (dialog.exec() == 0)
        return nullptr;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return nullptr;

    // The receiving tools unescape quotes after decoding.
    QString path = QDir::toNativeSeparators(chosen.first());
    path.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    path.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    arguments.append(QStringLiteral("BASE64") + QString::fromLatin1(path.toUtf8().toBase64()));

    parameters.insert(Param::arguments, arguments);
    parameters.insert(Param::prevcommandtype, int(CommandType::WinOpenFileBase64));
    return createRunFollowUp(parameters);
}
