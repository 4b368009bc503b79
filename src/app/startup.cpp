#include "startup.h"

StartupArguments parseStartupArguments(const QStringList &arguments)
{
    static const QString hideSwitch = QStringLiteral("--hide");
    static const QString pidPathPrefix = QStringLiteral("processpidpath");
    static const QString pidPathSeparator = QStringLiteral("::");

    StartupArguments result;
    if (arguments.size() >= 2) {
        if (arguments.at(1).compare(hideSwitch, Qt::CaseInsensitive) == 0)
            result.hide = true;
        else
            result.hasFileArguments = true;
    }
    if (!result.hasFileArguments)
        return result; // anything after a leading --hide is ignored

    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.startsWith(pidPathPrefix)) {
            // Without "::" there is no second part: an empty pid path.
            const QStringList parts = argument.split(pidPathSeparator);
            result.processPidPath = parts.size() > 1 ? parts.at(1) : QString();
            continue;
        }
        result.fileArguments.append(argument);
    }
    return result;
}
