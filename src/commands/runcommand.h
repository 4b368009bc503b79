#pragma once

#include "commands/icommand.h"

// Starts a program: detached, attached and waited for ("runandwait"), or
// hidden (after WIN32RUNHIDDEN). Prepares the environment the tools on the
// medium expect, writes the process-id file of a started program and then
// reports done() or, after RUNINTEMP / RUNANDEXIT, ends the launcher.
class RunCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
