#pragma once

#include "commands/icommand.h"

// Runs the program and waits for its end, so the button reads the checked
// state the program left behind.
class CheckButtonCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
