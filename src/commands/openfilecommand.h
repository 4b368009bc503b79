#pragma once

#include "commands/icommand.h"

// Asks for one existing file and runs the program with it as last argument.
class OpenFileCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
