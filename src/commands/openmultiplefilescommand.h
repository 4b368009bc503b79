#pragma once

#include "commands/icommand.h"

// Asks for any number of files and runs the program once with
// "--massive-input" followed by all of them.
class OpenMultipleFilesCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
