#pragma once

#include "commands/icommand.h"

// Asks for a folder, starting where the profile's "default.conf" says, and
// runs the program with it as last argument.
class OpenFolderExecuteCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
