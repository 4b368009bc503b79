#include "openfolderexecutecommand.h"

#include <QDir>

#include "commands/commandfactory.h"
#include "commands/customfiledialog.h"
#include "commands/dialogfollowup.h"
#include "config/inifile.h"

namespace {

constexpr qint64 maximumProfileBytes = 1024 * 1024;

// The profile's settings file is only read: the chosen folder is not
// remembered for the next time.
QString startFolder(const QString &profile, const QString &key)
{
    const QString home = QDir::home().absolutePath();
    if (profile.isEmpty() || key.isEmpty())
        return home;
    const QString settingsPath = QDir(profile).filePath(QStringLiteral("default.conf"));
    // Only a plain file is read: a pipe of that name would block for ever.
    const IniFile settings(settingsPath, maximumProfileBytes);
    const QString folder = settings.value(key, home).toString();
    return folder.isEmpty() ? home : folder;
}

} // namespace

ICommand *OpenFolderExecuteCommand::execute()
{
    const QString profile = parameters.value(Param::profile).toString();
    const QString profileKey = parameters.value(Param::profileKey).toString();

    CustomFileDialog dialog;
    dialog.setFileMode(4);
    dialog.setDirectory(QDir(startFolder(profile, profileKey)));
    return runWithFirstChoice(parameters, dialog);
}
