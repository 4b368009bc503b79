#pragma once

#include <QList>
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

// The whole command line, read as the system gave it, before the toolkit
// sees any of it. Options come first: the toolkit's own ("-platform X",
// "-style X", "-reverse", "-session X", ...) and "--debug-log FILE", in any
// order. The first argument that is neither starts what parseStartupArguments
// reads ("--hide" or a button name), and from there on nothing is an
// option: every argument after a button name is handed over as given, even
// one that looks like an option. "--help" and "--version" count only as the
// very first argument.
struct CommandLine {
    enum Request { Run, Help, Version };
    Request request = Run;
    QString debugLog; // "--debug-log FILE"; empty: none
    // Positions (in the list given to parseCommandLine) of the arguments
    // that belong to the toolkit, for the application object.
    QList<int> toolkitArguments;
    StartupArguments startup;
};

// arguments: the command line after the program name.
CommandLine parseCommandLine(const QStringList &arguments);

// What --help prints.
QString usageText(const QString &programName);
