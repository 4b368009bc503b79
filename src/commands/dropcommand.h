#pragma once

#include <QString>

#include "commands/icommand.h"

// Files dropped on a button, turned into the arguments of the button's drop
// command. It reads, besides the usual parameters ("arguments" holds the
// configured drop arguments):
//   "dropped"  the local paths the drag carried, in order (text list);
//   "massive"  the massive-input form (bool);
//   "droptype" the configured drop command type (int).
// and returns that command (RUN for type 11, whose paths go in base64) with
// the arguments filled in, or null when the drop holds no file to hand
// over.
class DropCommand final : public ICommand {
public:
    using ICommand::ICommand;

    static inline const QString droppedKey = QStringLiteral("dropped");
    static inline const QString massiveKey = QStringLiteral("massive");
    static inline const QString dropTypeKey = QStringLiteral("droptype");

    ICommand *execute() override;

    // The command a drop of this configured type runs.
    static int commandTypeFor(int dropType);
};
