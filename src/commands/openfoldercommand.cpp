#include "openfoldercommand.h"

#include <QDir>
#include <QUrl>

#include "commands/commandfactory.h"
#include "commands/startnotices.h"
#include "platform/processstart.h"

// A missing folder is created with its parents first, so a button can point
// at a data folder that the user has not made yet.
bool openFolderCreatingIt(const QString &path)
{
    QDir folder(path);
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
    return Platform::openUrl(QUrl::fromLocalFile(folder.absolutePath()));
}

ICommand *OpenFolderCommand::execute()
{
    const QString cmdline = parameters.value(Param::cmdline).toString();
    if (cmdline.isEmpty())
        return nullptr;
    if (!openFolderCreatingIt(cmdline))
        StartNotices::report(cmdline, StartNotices::SystemError);
    return nullptr;
}
