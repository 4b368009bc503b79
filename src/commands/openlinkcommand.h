#pragma once

#include "commands/icommand.h"

// Opens a web link, or a local file with its default application.
class OpenLinkCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
