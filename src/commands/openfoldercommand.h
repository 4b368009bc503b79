#pragma once

#include "commands/icommand.h"

// Opens a folder in the file browser, creating it first when missing.
class OpenFolderCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};

// Creates the folder with its parents when it is missing, then hands it to
// the desktop's file browser. False when it could not be opened.
bool openFolderCreatingIt(const QString &path);
