#pragma once

#include "commands/icommand.h"

// Hands the program over to RUN, which starts it and ends the launcher.
class RunAndExitCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
