#include "openfilecommand.h"

#include <QDir>

#include "commands/dialogfollowup.h"
#include "widgets/customfiledialog.h"

ICommand *OpenFileCommand::execute()
{
    CustomFileDialog dialog;
    return runWithFirstChoice(parameters, dialog);
}
