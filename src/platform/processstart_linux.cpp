// Linux: programs are spawned directly (posix_spawn), so every argument is
// handed over as the bytes it stands for and the child's environment is its
// own. A thread per detached program reaps it and reports its end.
#include "processstart.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "logging.h"
#include "textbytes.h"

extern char **environ;

namespace Platform {

namespace {

// Owns the byte strings behind an argv or envp array.
class CStringArray {
public:
    explicit CStringArray(const QList<QByteArray> &items)
        : bytes(items)
    {
        for (const QByteArray &item : bytes)
            pointers.push_back(const_cast<char *>(item.constData()));
        pointers.push_back(nullptr);
    }
    char **data() { return pointers.data(); }

private:
    QList<QByteArray> bytes;
    std::vector<char *> pointers;
};

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void waitForChild(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
}

} // namespace

StartOutcome startProgram(const ProgramStart &start)
{
    StartOutcome outcome;
    const QFileInfo info(start.program);
    if (start.program.isEmpty() || !info.exists()) {
        outcome.error = systemError(ENOENT);
        return outcome;
    }
    if (start.hidden && !(info.isFile() && info.isExecutable())) {
        // A document goes to the desktop's default handler, as the shell's
        // "open" would do with it.
        outcome.started = openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
        if (!outcome.started)
            outcome.error = QStringLiteral("no handler");
        return outcome;
    }

    // A hidden start hands over one Windows command line; the program sees
    // the words that line splits into.
    const QStringList arguments
        = start.hidden ? splitWindowsCommandLine(windowsCommandLine(start.arguments)) : start.arguments;

    const QByteArray program = encodeText(start.program);
    QList<QByteArray> argv { program };
    for (const QString &argument : arguments)
        argv.append(encodeText(argument));
    CStringArray argvArray(argv);

    QList<QByteArray> envp;
    if (!start.environment.isEmpty()) {
        for (const QString &entry : start.environment.toStringList())
            envp.append(encodeText(entry));
    }
    CStringArray envpArray(envp);
    char **environment = start.environment.isEmpty() ? environ : envpArray.data();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray workingDir = encodeText(start.workingDir);
    if (!start.workingDir.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDir.constData());
    // Nobody feeds the program's input: a program that reads it sees its
    // end instead of blocking the launcher that waits for it.
    if (start.waitForEnd || start.hidden)
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (start.hidden) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // A detached program leaves the launcher's process group, so a signal
    // to the launcher's terminal group does not reach it.
    if (!start.waitForEnd) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    posix_spawnattr_setflags(&attributes, flags);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, program.constData(), &actions, &attributes, argvArray.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        outcome.error = systemError(error);
        return outcome;
    }
    outcome.started = true;
    outcome.processId = pid;
    if (start.started)
        start.started(pid);

    if (start.waitForEnd) {
        waitForChild(pid);
        if (start.ended)
            start.ended();
        return outcome;
    }
    // The child is ours to reap; a thread waits for it so that it never
    // lingers as a zombie, and reports its end.
    std::thread([pid, ended = start.ended] {
        waitForChild(pid);
        if (ended)
            ended();
    }).detach();
    return outcome;
}

bool openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

QString userName()
{
    if (const passwd *entry = ::getpwuid(::getuid())) {
        if (entry->pw_name && *entry->pw_name)
            return QString::fromLocal8Bit(entry->pw_name);
    }
    const QString fromEnvironment = qEnvironmentVariable("USER");
    return fromEnvironment.isEmpty() ? QString::number(::getuid()) : fromEnvironment;
}

QString executableSuffix()
{
    return QString();
}

namespace {

bool ownerOnly(const struct stat &info)
{
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// Whether somebody else could rename or replace what lies in the folder:
// anybody but its owner may write there without the sticky bit, or its
// owner is neither this user nor the system.
bool othersCanRenameIn(const QString &folder)
{
    struct stat info;
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return true;
    if (info.st_uid != ::getuid() && info.st_uid != 0)
        return true;
    return (info.st_mode & (S_IWGRP | S_IWOTH)) && !(info.st_mode & S_ISVTX);
}

// Made with mode 0700 when missing; looked at without following a link.
QString ensurePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    struct stat info;
    if (::lstat(name.constData(), &info) != 0 || !ownerOnly(info)) {
        qCDebug(lcPlatform) << "not a private folder of this user:" << path;
        return QString();
    }
    return path;
}

} // namespace

QString privateCopyFolder()
{
    const QString suffix = QString::number(::getuid());
    const QString temp = QDir::tempPath();
    // A relative TMPDIR would put the copies in whatever folder the
    // launcher was started in.
    const QString named = qEnvironmentVariable("TMPDIR");
    const bool relative = !named.isEmpty() && !QDir::isAbsolutePath(named);
    if (!relative && !othersCanRenameIn(temp))
        return ensurePrivateFolder(QDir(temp).absoluteFilePath(QStringLiteral("gatepoint-") + suffix));
    qCDebug(lcPlatform) << "the temporary folder is relative or others may rename entries in it, not used:" << temp;

    // The session's runtime folder is the user's alone; else a folder in
    // the user's cache.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info;
    if (!runtime.isEmpty() && ::stat(QFile::encodeName(runtime).constData(), &info) == 0 && ownerOnly(info))
        return ensurePrivateFolder(QDir(runtime).absoluteFilePath(QStringLiteral("gatepoint-copies")));
    const QString cache = QDir::home().absoluteFilePath(QStringLiteral(".cache"));
    QDir().mkpath(cache);
    if (othersCanRenameIn(cache))
        return QString();
    return ensurePrivateFolder(QDir(cache).absoluteFilePath(QStringLiteral("gatepoint-copies-") + suffix));
}

InstanceChannel instanceChannel(const QString &key)
{
    // Somebody else's folder of a candidate's name (made first, in a
    // shared temporary folder) is passed over: the next candidate is ours.
    const auto channelIn = [&key](const QString &candidate) -> InstanceChannel {
        // A local socket's path must fit the address structure.
        const QString base = candidate + QLatin1Char('/') + key;
        if (QFile::encodeName(base).size() >= int(sizeof(sockaddr_un::sun_path))) {
            qCDebug(lcPlatform) << "path too long for a local socket, not used:" << candidate;
            return {};
        }
        if (ensurePrivateFolder(candidate).isEmpty())
            return {};
        return { base + QStringLiteral(".lock"), base };
    };
    InstanceChannel channel;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info;
    if (QDir::isAbsolutePath(runtime) && ::stat(QFile::encodeName(runtime).constData(), &info) == 0 && ownerOnly(info))
        channel = channelIn(QDir(runtime).absoluteFilePath(QStringLiteral("gatepoint")));
    else if (!runtime.isEmpty())
        qCDebug(lcPlatform) << "the runtime folder is not private, not used:" << runtime;
    if (!channel.lockPath.isEmpty())
        return channel;

    // A relative TMPDIR names a different folder for every folder the
    // launcher is started in (Qt makes it absolute against the current
    // one): no lock would ever meet another.
    const QString uid = QString::number(::getuid());
    const QString named = qEnvironmentVariable("TMPDIR");
    const QString temp = QDir::tempPath();
    if (!named.isEmpty() && !QDir::isAbsolutePath(named))
        qCDebug(lcPlatform) << "the temporary folder is relative, not used:" << named;
    else if (!othersCanRenameIn(temp))
        channel = channelIn(QDir(temp).absoluteFilePath(QStringLiteral("gatepoint-instance-") + uid));
    if (!channel.lockPath.isEmpty())
        return channel;

    const QString cache = QDir::home().absoluteFilePath(QStringLiteral(".cache"));
    QDir().mkpath(cache);
    if (QDir::isAbsolutePath(cache) && !othersCanRenameIn(cache)) {
        QString host = QSysInfo::machineHostName();
        host.remove(QLatin1Char('/'));
        channel = channelIn(QDir(cache).absoluteFilePath(QStringLiteral("gatepoint-instance-") + host));
    }
    if (channel.lockPath.isEmpty())
        qCDebug(lcPlatform) << "no private folder for the single-instance lock";
    return channel;
}

// Device and inode name the file; a freed inode is soon given to the next
// new file, so the status-change time (set when the file is made) tells a
// new file of the same number from the old.
QString identityOf(const struct stat &info)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(quint64(info.st_dev))
        .arg(quint64(info.st_ino))
        .arg(qint64(info.st_ctim.tv_sec))
        .arg(qint64(info.st_ctim.tv_nsec));
}

QString fileIdentity(const QString &path)
{
    struct stat info;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return identityOf(info);
}

bool programFileBusy(const QString &path)
{
    // The system refuses to open a running program's file for writing.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == ETXTBSY;
}

bool processAlive(qint64 processId)
{
    if (processId <= 0)
        return false;
    if (::kill(pid_t(processId), 0) != 0 && errno != EPERM)
        return false;
    // A zombie has ended; only its parent has not looked yet.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const int close = line.lastIndexOf(')');
        if (close > 0 && close + 2 < line.size() && line.at(close + 2) == 'Z')
            return false;
    }
    return true;
}

QStringList commandLineArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(decodeText(QByteArray(argv[i])));
    return arguments;
}

} // namespace Platform
