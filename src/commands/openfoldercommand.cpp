#include "openfoldercommand.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "commands/commandfactory.h"

// A missing folder is created with its parents first, so a button can point
// at a data folder that the user has not made yet.
ICommand *OpenFolderCommand::execute()
{
    const QString cmdline = parameters.value(Param::cmdline).toString();
    if (cmdline.isEmpty())
        return nullptr;
    QDir folder(cmdline);
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder.absolutePath()));
    return nullptr;
}
