#pragma once

#include "commands/icommand.h"

// Asks the window to reload, with the button's first argument.
class ReloadCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
