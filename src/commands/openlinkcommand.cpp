#include "openlinkcommand.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "commands/commandfactory.h"

// Anything that does not begin with "http" is a local file, resolved against
// the current folder. The file URL is built from the path, not from text, so
// that "#" or "?" in a file name stay part of the name and a Linux path does
// not gain a fourth slash.
ICommand *OpenLinkCommand::execute()
{
    const QString cmdline = parameters.value(Param::cmdline).toString();
    if (cmdline.isEmpty())
        return nullptr;
    if (cmdline.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        QDesktopServices::openUrl(QUrl(cmdline, QUrl::TolerantMode));
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(cmdline).absoluteFilePath()));
    return nullptr;
}
