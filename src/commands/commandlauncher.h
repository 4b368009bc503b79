#pragma once

#include <functional>
#include <memory>

#include <QMap>
#include <QString>
#include <QVariant>

class ICommand;

// The launch protocol: create the command for a type number, give it its
// parameters, and run the chain (connect, execute, delete, follow the
// returned command) until execute returns null.
//
// connectCommand is called for every command of the chain before its
// execute, so the caller can connect reload(QString) and done() with queued
// connections (they are delivered after the command is deleted).
//
// Returns false, after the debug line "Unknown command <type>", when no
// command class exists for the type.
bool runCommandChain(
    int type, const QMap<QString, QVariant> &parameters, const std::function<void(ICommand *)> &connectCommand);

// The same chain, begun with a command the caller made (one that no type
// number names, such as the drop command).
void runCommandChain(std::unique_ptr<ICommand> first, const QMap<QString, QVariant> &parameters,
    const std::function<void(ICommand *)> &connectCommand);
