// Windows backend: the device tree (SetupAPI and the configuration manager)
// for the token's partitions, the C runtime's environment, the shell for
// hidden starts and the window manager for minimise and stay-on-top.
#include "platform.h"
#include "processstart.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <stdlib.h>
#include <winioctl.h>

#include <initguid.h>
#include <devguid.h>
#include <ntddstor.h>

#include <vector>

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QFileInfo>
#include <QLockFile>
#include <QWidget>

namespace Platform {
namespace {

// The device instance of a drive letter, or 0 when the drive is neither
// removable nor a CD-ROM or its device cannot be found.
DEVINST deviceOfDrive(char letter)
{
    char root[] = { letter, ':', '\\', 0 };
    char drive[] = { letter, ':', 0 };
    const UINT driveType = GetDriveTypeA(root);
    if (driveType != DRIVE_REMOVABLE && driveType != DRIVE_CDROM)
        return 0;

    char dosDevice[260] = { 0 };
    if (!QueryDosDeviceA(drive, dosDevice, sizeof(dosDevice)))
        return 0;

    char volumePath[] = { '\\', '\\', '.', '\\', letter, ':', 0 };
    STORAGE_DEVICE_NUMBER number = {};
    HANDLE volume = CreateFileA(volumePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (volume != INVALID_HANDLE_VALUE) {
        DWORD returned = 0;
        DeviceIoControl(
            volume, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof(number), &returned, nullptr);
        CloseHandle(volume);
    }

    const GUID *interfaceClass = &GUID_DEVINTERFACE_DISK;
    if (driveType == DRIVE_CDROM)
        interfaceClass = &GUID_DEVINTERFACE_CDROM;
    else if (strstr(dosDevice, "\\Floppy"))
        interfaceClass = &GUID_DEVINTERFACE_FLOPPY;

    HDEVINFO list = SetupDiGetClassDevsA(interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return 0;

    DEVINST found = 0;
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(list, nullptr, interfaceClass, index, &interfaceData); ++index) {
        DWORD size = 0;
        // The first call only asks for the size, so it must fail.
        if (SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, nullptr, 0, &size, nullptr))
            break;
        if (size == 0 || size > 1024)
            break;
        std::vector<char> buffer(size);
        auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA deviceData = {};
        deviceData.cbSize = sizeof(deviceData);
        if (!SetupDiGetDeviceInterfaceDetailA(list, &interfaceData, detail, size, &size, &deviceData))
            continue;
        HANDLE device = CreateFileA(
            detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        STORAGE_DEVICE_NUMBER candidate = {};
        DWORD returned = 0;
        const BOOL ok = DeviceIoControl(
            device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &candidate, sizeof(candidate), &returned, nullptr);
        CloseHandle(device);
        if (ok && candidate.DeviceNumber == number.DeviceNumber && candidate.DeviceType == number.DeviceType) {
            found = deviceData.DevInst;
            break;
        }
    }
    SetupDiDestroyDeviceInfoList(list);
    return found;
}

} // namespace

QString osName()
{
    return QStringLiteral(GATEPOINT_OS_NAME);
}

bool settingsKeysIgnoreCase()
{
    return true;
}

// Windows fonts come from the system's own font service: nothing to load.
void beginPreparingFonts() { }
void fontsPrepared() { }
void prepareWindowSystem() { }
void windowSystemConnected() { }

qint64 currentProcessId()
{
    return qint64(GetCurrentProcessId());
}

void setEnvironmentValue(const QString &name, const QString &value)
{
    if (name.isEmpty() || name.contains(QLatin1Char('=')))
        return;
    // "NAME=" removes the variable.
    const QByteArray assignment = (name + QLatin1Char('=') + value).toUtf8();
    _putenv(assignment.constData());
}

QString mediumRoot(const QString &path)
{
    QDir dir(path);
    while (!dir.isRoot() && dir.cdUp()) { }
    QString root = dir.absolutePath();
    root.remove(QLatin1Char('/'));
    root.remove(QLatin1Char('\\'));
    return root;
}

MediumDrives findMediumDrives(const QString &mediumPath)
{
    MediumDrives drives;
    const QString root = mediumRoot(mediumPath);
    if (root.isEmpty() || !root.at(0).isLetter())
        return drives;
    const char start = root.at(0).toLower().toLatin1();

    const DEVINST startDevice = deviceOfDrive(start);
    if (!startDevice)
        return drives;
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, startDevice, 0) != CR_SUCCESS)
        return drives;

    // The partitions of one token are the children of one parent node.
    std::vector<DEVINST> children;
    DEVINST child = 0;
    if (CM_Get_Child(&child, parent, 0) != CR_SUCCESS)
        return drives;
    children.push_back(child);
    while (CM_Get_Sibling(&child, child, 0) == CR_SUCCESS)
        children.push_back(child);

    QString flashLetters;
    QString cdromLetters;
    for (char letter = 'a'; letter <= 'y'; ++letter) {
        const DEVINST device = deviceOfDrive(letter);
        if (!device)
            continue;
        for (DEVINST candidate : children) {
            if (candidate != device)
                continue;
            char rootPath[] = { letter, ':', '\\', 0 };
            const UINT type = GetDriveTypeA(rootPath);
            if (type == DRIVE_REMOVABLE)
                flashLetters.append(QLatin1Char(letter));
            else if (type == DRIVE_CDROM)
                cdromLetters.append(QLatin1Char(letter));
        }
    }
    if (!flashLetters.isEmpty())
        drives.flash = flashLetters.left(1) + QLatin1Char(':');
    if (!cdromLetters.isEmpty())
        drives.cdrom = cdromLetters.left(1) + QLatin1Char(':');
    return drives;
}

void forceMinimize(QWidget *window)
{
    if (!window)
        return;
    ShowWindow(reinterpret_cast<HWND>(window->window()->winId()), SW_FORCEMINIMIZE);
}

void setStayOnTop(QWidget *window, bool onTop)
{
    if (!window)
        return;
    SetWindowPos(reinterpret_cast<HWND>(window->window()->winId()), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
        SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void takeKeyboardFocus(QWidget *window)
{
    if (!window || !window->isVisible())
        return;
    // Granted when the launcher may take the foreground; else the task bar
    // entry flashes, as Windows wants.
    SetForegroundWindow(reinterpret_cast<HWND>(window->window()->winId()));
}

FileStamp fileStamp(const QString &path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.isEmpty()
        || !GetFileAttributesExW(
            reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), GetFileExInfoStandard, &data))
        return stamp;
    auto ticks = [](const FILETIME &time) {
        // 100-nanosecond steps since 1601; only differences matter here.
        return qint64((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 100;
    };
    stamp.size = qint64((quint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    stamp.modifiedNs = ticks(data.ftLastWriteTime);
    stamp.changedNs = ticks(data.ftCreationTime);
    return stamp;
}

FileContents readPlainFile(const QString &path, qint64 maximumBytes)
{
    FileContents result;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return result;
    if (!info.isFile()) {
        result.status = FileContents::NotPlainFile;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FileContents::Unreadable;
        return result;
    }
    const QByteArray data = maximumBytes >= 0 ? file.read(maximumBytes + 1) : file.readAll();
    if (maximumBytes >= 0 && data.size() > maximumBytes) {
        result.status = FileContents::TooLarge;
        return result;
    }
    result.status = FileContents::Read;
    result.data = data;
    return result;
}

std::unique_ptr<QFile> openPlainFile(const QString &path, FileContents::Status *status)
{
    auto fail = [status](FileContents::Status why) {
        if (status)
            *status = why;
        return std::unique_ptr<QFile>();
    };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return fail(FileContents::Missing);
    if (!info.isFile())
        return fail(FileContents::NotPlainFile);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return fail(FileContents::Unreadable);
    if (status)
        *status = FileContents::Read;
    return file;
}

std::unique_ptr<QFile> openAppendFile(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::unique_ptr<QFile>();
    };
    const QFileInfo info(path);
    if (path.isEmpty())
        return fail(QStringLiteral("no path"));
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("not a plain file"));
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
        return fail(file->errorString());
    return file;
}

bool replaceFile(const QString &path, const QByteArray &data, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no path"));
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && (existing.isSymLink() || !existing.isFile()))
        return fail(QStringLiteral("not a plain file (a link, device or folder): left alone"));
    // QSaveFile writes a new file beside the target and renames it over.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot create a file beside it: ") + file.errorString());
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return fail(QStringLiteral("write failed: ") + file.errorString());
    }
    if (!file.commit())
        return fail(QStringLiteral("rename failed: ") + file.errorString());
    return true;
}

bool copyFile(const QString &path, const QString &newPath, QString *identity)
{
    // QFile::copy is CopyFileW here, done by the system already. The copy
    // lies in the user's own profile, so looking it up by name is safe.
    if (!QFile::copy(path, newPath))
        return false;
    if (identity)
        *identity = fileIdentity(newPath);
    return true;
}

// Windows: Qt's lock file, which there neither syncs to disk nor outlives
// its holder for long (a dead holder's lock is taken over).
struct ProcessLock::Handle {
    explicit Handle(const QString &path)
        : file(path)
    {
        file.setStaleLockTime(10000);
    }
    QLockFile file;
};

ProcessLock::ProcessLock(const QString &lockPath)
    : path(lockPath)
{
}

ProcessLock::~ProcessLock()
{
    unlock();
}

bool ProcessLock::tryLock(int timeoutMs)
{
    busy = false;
    if (handle && handle->file.isLocked())
        return true;
    handle = std::make_unique<Handle>(path);
    if (handle->file.tryLock(timeoutMs))
        return true;
    busy = handle->file.error() == QLockFile::LockFailedError;
    handle.reset();
    return false;
}

void ProcessLock::unlock()
{
    if (handle)
        handle->file.unlock();
    handle.reset();
}

} // namespace Platform
