#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

class CustomFileDialog;
class ICommand;

// Asks the prepared dialog; on a choice appends the first chosen path (native
// separators) to "arguments", marks the start as coming from a file choice
// and returns the RUN command that starts the program with it. Null, with
// the parameters untouched, when the user cancels.
ICommand *runWithFirstChoice(QMap<QString, QVariant> &parameters, CustomFileDialog &dialog);
