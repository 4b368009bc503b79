#pragma once

#include "commands/icommand.h"

// Copies the program into this user's private temporary folder and hands
// the copy over to RUN, which starts it there and ends the launcher.
class RunInTempCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
