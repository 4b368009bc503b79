#pragma once

#include <functional>

#include <QMap>
#include <QString>
#include <QVariant>

class ICommand;

// The nine keys of a command's parameter map.
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
} // namespace Param

// Command type numbers.
namespace CommandType {
enum : int {
    Run = 1,
    OpenFile = 2,
    RunInTemp = 3,
    RunAndExit = 4,
    OpenFolder = 6,
    OpenLink = 7,
    Win32RunHidden = 8,
    CheckButton = 9,
    WinOpenFileBase64 = 10,
    WinRunBase64 = 11,
    OpenMultipleFiles = 12,
    Reload = 13,
    RunFolder = 14,
};
} // namespace CommandType

// Upper-cases the name and looks it up in the type-name table; a name that
// is not there gives 1 (RUN).
int commandTypeFromName(const QString &name);

// Makes the command object for a type number. The creator table is filled
// once, on first use, under a guard.
class CommandFactory final {
public:
    using Creator = std::function<ICommand *()>;

    // A new command of the class registered for the number (no parent, empty
    // parameter map; the caller owns it), or null when none is registered.
    static ICommand *create(int type);

private:
    static const QMap<int, Creator> &creators();
};

// Creates a RUN command whose parameters are a copy of the given map; used
// by every command that hands over to RUN.
ICommand *createRunFollowUp(const QMap<QString, QVariant> &parameters);
