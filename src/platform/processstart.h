#pragma once

#include <functional>

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtGlobal>

// Starting programs and opening documents: the one place where the launcher
// hands something to the operating system to run.
namespace Platform {

// What to start. The program is started by exactly this path, so a program
// reached through a symbolic link sees its own name as argv[0]. Every
// argument reaches it byte for byte: nothing is interpreted by a shell.
struct ProgramStart {
    QString program;
    QStringList arguments;
    QString workingDir; // empty: the launcher's own
    // The whole environment of the new process. An empty one means the
    // launcher's own; the launcher's environment itself is never changed.
    QProcessEnvironment environment;
    // No window, as the Windows shell starts a program hidden: the arguments
    // are joined into one Windows command line (windowsCommandLine) and the
    // program receives what that line splits into.
    bool hidden = false;
    // Attached: returns when the program has ended. Its input is empty and
    // its output goes where the launcher's goes.
    bool waitForEnd = false;
    // Called with the process id as soon as the program runs (before the
    // wait of an attached start).
    std::function<void(qint64)> started;
    // Called once the program has ended: on a thread of its own for a
    // detached start, before startProgram returns for an attached one.
    std::function<void()> ended;
};

struct StartOutcome {
    bool started = false;
    qint64 processId = 0;
    QString error; // the system's reason when nothing started
};

StartOutcome startProgram(const ProgramStart &start);

// Hands a document, folder or link to the desktop's default handler.
bool openUrl(const QUrl &url);

// The environment for a child: the launcher's own with one variable set, or
// removed when the value is empty (as the Windows runtime treats "NAME=").
void setInEnvironment(QProcessEnvironment &environment, const QString &name, const QString &value);

// The login name of the user running the launcher; never empty.
QString userName();

// What the platform appends to a program's name: ".exe" or nothing.
QString executableSuffix();

// Arguments quoted the way Windows programs split their command line
// (CommandLineToArgvW), joined by spaces; splitWindowsCommandLine reverses
// it exactly.
QString windowsCommandLine(const QStringList &arguments);
QStringList splitWindowsCommandLine(const QString &commandLine);

// --- Temporary copies of programs ------------------------------------------

// Where copies of the medium's programs may be placed: a folder of this
// user's in the temporary folder when nobody else can rename entries there
// (its parent is sticky, or writable only by its owner, who is the user or
// the system), else a private folder of the user's own. The folder is made
// when missing and checked after making (owner, no access for others, not
// a link). Empty when no such folder can be had.
QString privateCopyFolder();

// --- The single-instance channel ----------------------------------------------

// Where one installation's instances meet: the lock that the running
// instance holds, and the name its local server listens on. Both lie in a
// folder of this user's alone, so nobody else can take the name first,
// hold the lock or read what passes. On Linux that is the session's
// runtime folder (XDG_RUNTIME_DIR) where it is set and private; else a
// folder in the temporary folder when nobody else can rename entries there;
// else one in the user's cache, named after the host as well (a home may
// be shared between machines). Each is made with mode 0700 when missing
// and used only when it is a folder, not a link, owned by the user and
// closed to everybody else. Both paths are empty when no such folder can be
// had. key tells installations apart (letters and digits only).
struct InstanceChannel {
    QString lockPath;
    QString serverName;
};
InstanceChannel instanceChannel(const QString &key);

// What a file is, beyond its name: device and inode (Linux), volume and file
// index (Windows). Two equal identities name the same file, not a file of
// the same name. Empty for a path that names nothing; links are not followed.
QString fileIdentity(const QString &path);

// Whether a program still runs from this file. Where the system cannot tell,
// false; removing a running program's file then fails (Windows).
bool programFileBusy(const QString &path);

// Whether a process with this id still runs.
bool processAlive(qint64 processId);

// The launcher's own command line after the program name, as the system
// gave it and before any toolkit takes its options out.
QStringList commandLineArguments(int argc, char **argv);

} // namespace Platform
