// commandfactory.h uses QVariant without including it.
#include <QVariant>

#include "commands/commandfactory.h"

#include "commands/checkbuttoncommand.h"
#include "commands/openfilecommand.h"
#include "commands/openfolderexecutecommand.h"
#include "commands/openfoldercommand.h"
#include "commands/openlinkcommand.h"
#include "commands/openmultiplefilescommand.h"
#include "commands/reloadcommand.h"
#include "commands/runandexitcommand.h"
#include "commands/runcommand.h"
#include "commands/runintempcommand.h"
#include "commands/win32hiddencommand.h"
#include "commands/win64openfilecommand.h"

namespace {

template <typename Command> CommandFactory::Creator creatorOf()
{
    return [] { return static_cast<ICommand *>(new Command); };
}

} // namespace

// Filled on first use; the initialisation of a function-local static is
// thread-safe, and nothing changes the table afterwards. Numbers 5 and 11
// have no class.
const QMap<int, CommandFactory::Creator> &CommandFactory::creators()
{
    static const QMap<int, Creator> table {
        { CommandType::Run, creatorOf<RunCommand>() },
        { CommandType::OpenFile, creatorOf<OpenFileCommand>() },
        { CommandType::RunInTemp, creatorOf<RunInTempCommand>() },
        { CommandType::RunAndExit, creatorOf<RunAndExitCommand>() },
        { CommandType::OpenFolder, creatorOf<OpenFolderCommand>() },
        { CommandType::OpenLink, creatorOf<OpenLinkCommand>() },
        { CommandType::Win32RunHidden, creatorOf<Win32HiddenCommand>() },
        { CommandType::CheckButton, creatorOf<CheckButtonCommand>() },
        { CommandType::WinOpenFileBase64, creatorOf<Win64OpenFileCommand>() },
        { CommandType::OpenMultipleFiles, creatorOf<OpenMultipleFilesCommand>() },
        { CommandType::Reload, creatorOf<ReloadCommand>() },
        { CommandType::RunFolder, creatorOf<OpenFolderExecuteCommand>() },
    };
    return table;
}
