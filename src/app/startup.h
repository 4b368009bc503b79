#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for.
struct StartupArguments {
    bool hide = false; // first argument "--hide", any case
    bool hasFileArguments = false; // a first argument that is not "--hide"
    QString processPidPath; // from "processpidpath::PATH"
    QStringList fileArguments; // the rest, in order (button name first)
};

// arguments as QCoreApplication::arguments() gives them (program first).
StartupArguments parseStartupArguments(const QStringList &arguments);
