#include "openlinkcommand.h"

#include <QFileInfo>
#include <QUrl>

#include "commands/commandfactory.h"
#include "commands/commandlauncher.h"
#include "commands/startnotices.h"
#include "platform/processstart.h"

// Text with a URL scheme is that URL, exactly as configured; anything else
// is a local file, resolved against the current folder. The file URL is
// built from the path, not from text, so that "#" or "?" in a file name stay
// part of the name and a Linux path does not gain a fourth slash.
ICommand *OpenLinkCommand::execute()
{
    const QString cmdline = parameters.value(Param::cmdline).toString();
    if (cmdline.isEmpty())
        return nullptr;
    const QUrl url = hasUrlScheme(cmdline) ? QUrl(cmdline, QUrl::TolerantMode)
                                           : QUrl::fromLocalFile(QFileInfo(cmdline).absoluteFilePath());
    if (!Platform::openUrl(url))
        StartNotices::report(cmdline, StartNotices::SystemError);
    return nullptr;
}
