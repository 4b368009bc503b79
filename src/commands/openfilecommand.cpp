#include "openfilecommand.h"

#include <QDir>

#include "commands/dialogfollowup.h"
#include "commands/customfiledialog.h"

ICommand *OpenFileCommand::execute()
{
    CustomFileDialog dialog;
    return runWithFirstChoice(parameters, dialog);
}
