// Windows: programs start through QProcess, which passes a command line of
// its own quoting, or for a hidden start the one built here; documents go
// to the shell.
#include "processstart.h"

#include <windows.h>
#include <shellapi.h>

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <memory>

#include "logging.h"

namespace Platform {

namespace {

bool isProgramFile(const QFileInfo &info)
{
    const QString suffix = info.suffix().toLower();
    return info.isFile() && (suffix == QLatin1String("exe") || suffix == QLatin1String("com"));
}

struct EndWatch {
    HANDLE process;
    std::function<void()> ended;
};

DWORD WINAPI waitForEnd(LPVOID parameter)
{
    std::unique_ptr<EndWatch> watch(static_cast<EndWatch *>(parameter));
    WaitForSingleObject(watch->process, INFINITE);
    CloseHandle(watch->process);
    watch->ended();
    return 0;
}

void reportEnd(qint64 processId, const std::function<void()> &ended)
{
    if (!ended)
        return;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(processId));
    if (!process) {
        ended();
        return;
    }
    auto *watch = new EndWatch { process, ended };
    HANDLE thread = CreateThread(nullptr, 0, waitForEnd, watch, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
        return;
    }
    delete watch;
    CloseHandle(process);
}

} // namespace

StartOutcome startProgram(const ProgramStart &start)
{
    StartOutcome outcome;
    const QFileInfo info(start.program);
    if (start.program.isEmpty() || !info.exists()) {
        outcome.error = QStringLiteral("file not found");
        return outcome;
    }
    const QString commandLine = windowsCommandLine(start.arguments);
    if (start.hidden && !isProgramFile(info)) {
        const QString file = QDir::toNativeSeparators(info.absoluteFilePath());
        const QString folder = QDir::toNativeSeparators(start.workingDir);
        const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open",
            reinterpret_cast<LPCWSTR>(file.utf16()), reinterpret_cast<LPCWSTR>(commandLine.utf16()),
            folder.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(folder.utf16()), SW_HIDE));
        outcome.started = result > 32;
        if (!outcome.started)
            outcome.error = QStringLiteral("shell error %1").arg(qint64(result));
        return outcome;
    }

    QProcess process;
    process.setProgram(QDir::toNativeSeparators(start.program));
    if (start.hidden) {
        process.setNativeArguments(commandLine);
        process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
            arguments->flags |= CREATE_NO_WINDOW;
            arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
            arguments->startupInfo->wShowWindow = SW_HIDE;
        });
    } else {
        process.setArguments(start.arguments);
    }
    if (!start.workingDir.isEmpty())
        process.setWorkingDirectory(start.workingDir);
    if (!start.environment.isEmpty())
        process.setProcessEnvironment(start.environment);

    if (start.waitForEnd) {
        process.setStandardInputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start();
        if (!process.waitForStarted(-1)) {
            outcome.error = process.errorString();
            return outcome;
        }
        outcome.started = true;
        outcome.processId = process.processId();
        if (start.started)
            start.started(outcome.processId);
        process.waitForFinished(-1);
        if (start.ended)
            start.ended();
        return outcome;
    }

    qint64 processId = 0;
    if (!process.startDetached(&processId)) {
        outcome.error = process.errorString();
        return outcome;
    }
    outcome.started = true;
    outcome.processId = processId;
    if (start.started)
        start.started(processId);
    reportEnd(processId, start.ended);
    return outcome;
}

bool openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

QString userName()
{
    wchar_t name[256 + 1];
    DWORD size = DWORD(sizeof name / sizeof name[0]);
    if (GetUserNameW(name, &size) && size > 1)
        return QString::fromWCharArray(name, int(size - 1));
    const QString fromEnvironment = qEnvironmentVariable("USERNAME");
    return fromEnvironment.isEmpty() ? QStringLiteral("user") : fromEnvironment;
}

QString executableSuffix()
{
    return QStringLiteral(".exe");
}

// The temporary folder lies in the user's own profile on Windows; a folder
// of the launcher's in it is private as well.
QString privateCopyFolder()
{
    QString name = userName();
    name.remove(QLatin1Char('/')).remove(QLatin1Char('\\')).remove(QLatin1Char(':'));
    const QString path = QDir(QDir::tempPath()).absoluteFilePath(QStringLiteral("gatepoint-") + name);
    QDir().mkpath(path);
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir()) {
        qCDebug(lcPlatform) << "not a private folder of this user:" << path;
        return QString();
    }
    return path;
}

// The lock lies in the user's own temporary folder (in the profile); the
// local server is a named pipe, which Qt opens for this user alone
// (UserAccessOption), and the lock, not the pipe, tells whether an
// instance runs.
InstanceChannel instanceChannel(const QString &key)
{
    QString user = userName();
    user.remove(QLatin1Char('/')).remove(QLatin1Char('\\')).remove(QLatin1Char(':'));
    const QString folder = QDir(QDir::tempPath()).absoluteFilePath(QStringLiteral("gatepoint-instance-") + user);
    QDir().mkpath(folder);
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir()) {
        qCDebug(lcPlatform) << "not a private folder of this user:" << folder;
        return {};
    }
    return { QDir(folder).absoluteFilePath(key + QStringLiteral(".lock")), key + QLatin1Char('-') + user };
}

QString fileIdentity(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QString native = QDir::toNativeSeparators(path);
    HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(native.utf16()), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return QString();
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!known)
        return QString();
    const quint64 index = (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return QString::number(information.dwVolumeSerialNumber) + QLatin1Char(':') + QString::number(index);
}

bool programFileBusy(const QString &)
{
    return false;
}

bool processAlive(qint64 processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(processId));
    if (!process)
        return false;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

QStringList commandLineArguments(int, char **)
{
    QStringList arguments;
    int count = 0;
    LPWSTR *words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.append(QString::fromWCharArray(words[i]));
    LocalFree(words);
    return arguments;
}

} // namespace Platform
