#pragma once

#include "commands/icommand.h"

// Hands the program over to RUN for a start without a visible window.
class Win32HiddenCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
