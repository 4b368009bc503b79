#pragma once

#include "commands/icommand.h"

// Opens a folder in the file browser, creating it first when missing.
class OpenFolderCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
