#pragma once

#include <functional>
#include <memory>

#include <QMap>
#include <QString>
#include <QStringList>
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
// One start of a button's command, as the button knows it: what the
// configuration says (placeholders still in) and what the user handed over.
struct LaunchRequest {
    int type = 0;
    QString commandPath;
    // Placeholders are expanded in these, before the user's arguments follow.
    QStringList configuredArguments;
    // Dropped, chosen or handed-over paths: delivered exactly as given.
    QStringList userArguments;
    QString workingDir;
    QString profile;
    QString profileKey;
    QString pidPath;
    // Further parameters for the chain's first command.
    QMap<QString, QVariant> extraParameters;
};

// The launch protocol for a button: expands the configured command path and
// arguments (a command path that is a URL stays as configured), writes the
// parameters and runs the chain. A configured path that names a token
// partition that is not there starts nothing and is reported to
// StartNotices. Returns whether a chain ran.
// With first, the chain begins with that command instead of the type's.
bool launch(const LaunchRequest &request, const std::function<void(ICommand *)> &connectCommand,
    std::unique_ptr<ICommand> first = nullptr);

// Whether the text is a URL of a scheme the launcher opens as such.
bool hasUrlScheme(const QString &text);
