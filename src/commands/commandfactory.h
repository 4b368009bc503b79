#pragma once

#include <functional>

#include <QMap>
#include <QString>
#include <QVariant>

#include "config/vocabulary.h"

class ICommand;

// The keys of a command's parameter map.
namespace Param {
inline const QString prevcommandtype = QStringLiteral("prevcommandtype");
inline const QString arguments = QStringLiteral("arguments");
inline const QString cmdline = QStringLiteral("cmdline");
inline const QString runandwait = QStringLiteral("runandwait");
inline const QString temppath = QStringLiteral("temppath");
inline const QString pidpath = QStringLiteral("pidpath");
inline const QString profile = QStringLiteral("profile");
inline const QString profileKey = QStringLiteral("profile-key");
inline const QString workingdir = QStringLiteral("workingdir");
// What RUNINTEMP wrote (Platform::fileIdentity): RUN starts the copy only
// while its path still names that file.
inline const QString copyidentity = QStringLiteral("copyidentity");
} // namespace Param

// Makes the command object for a type number. The creator table is filled
// once, on first use, under a guard.
class CommandFactory final {
public:
    using Creator = std::function<ICommand *()>;

    // A new command of the class registered for the number (no parent, empty
    // parameter map; the caller owns it), or null when none is registered.
    static ICommand *create(int type);
    // Whether create makes a command for the number.
    static bool exists(int type);

private:
    static const QMap<int, Creator> &creators();
};

// Creates a RUN command whose parameters are a copy of the given map; used
// by every command that hands over to RUN.
ICommand *createRunFollowUp(const QMap<QString, QVariant> &parameters);
