#pragma once

#include "commands/icommand.h"

// Asks for one file and runs the program with its path, base64-encoded
// behind "BASE64", as the last argument.
class Win64OpenFileCommand final : public ICommand {
public:
    using ICommand::ICommand;

    ICommand *execute() override;
};
