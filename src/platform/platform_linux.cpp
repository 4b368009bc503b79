// Linux backend: the mount table and sysfs for the token's partitions, the
// POSIX environment, and Qt's own xcb window calls for the window manager.
#include "platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <QWindow>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <thread>
#include <vector>

#include "tokendiscovery.h"

namespace Platform {

QString osName()
{
    return QStringLiteral(GATEPOINT_OS_NAME);
}

bool settingsKeysIgnoreCase()
{
    return false;
}

namespace {
// Joined at the latest when the process ends, whatever path it takes there.
struct FontThread {
    std::thread thread;
    ~FontThread()
    {
        if (thread.joinable())
            thread.join();
    }
};

std::thread &fontThread()
{
    static FontThread holder;
    return holder.thread;
}
} // namespace

void beginPreparingFonts()
{
    std::thread &thread = fontThread();
    if (thread.joinable())
        return;
    // Qt's font database on Linux is fontconfig, loaded with the platform
    // plugin. Loading the library here as well is harmless: the plugin
    // finds it loaded. Its configuration is made once per process and
    // fontconfig guards it, so Qt later finds it ready.
    thread = std::thread([] {
        void *library = dlopen("libfontconfig.so.1", RTLD_NOW);
        if (!library)
            return;
        using Init = int (*)();
        if (auto init = reinterpret_cast<Init>(dlsym(library, "FcInit")))
            init();
        // The library stays loaded: the platform plugin uses it.
    });
}

void fontsPrepared()
{
    std::thread &thread = fontThread();
    if (thread.joinable())
        thread.join();
}

namespace {
const char glIntegration[] = "QT_XCB_GL_INTEGRATION";
bool glIntegrationChosenHere = false;
} // namespace

void prepareWindowSystem()
{
    if (qEnvironmentVariableIsSet(glIntegration))
        return;
    glIntegrationChosenHere = qputenv(glIntegration, "none");
}

void windowSystemConnected()
{
    if (glIntegrationChosenHere)
        qunsetenv(glIntegration);
    glIntegrationChosenHere = false;
}

qint64 currentProcessId()
{
    return QCoreApplication::applicationPid();
}

void setEnvironmentValue(const QString &name, const QString &value)
{
    if (name.isEmpty() || name.contains(QLatin1Char('=')))
        return;
    if (value.isEmpty())
        qunsetenv(name.toLocal8Bit().constData());
    else
        qputenv(name.toLocal8Bit().constData(), value.toUtf8());
}

MediumDrives findMediumDrives(const QString &mediumPath)
{
    // GATEPOINT_SYSTEM_ROOT lets a test point discovery at a fake tree.
    const QString root = qEnvironmentVariableIsSet("GATEPOINT_SYSTEM_ROOT")
        ? qEnvironmentVariable("GATEPOINT_SYSTEM_ROOT")
        : QStringLiteral("/");
    const TokenDiscovery::Drives drives = TokenDiscovery::find(root, mediumPath);
    return { drives.flash, drives.cdrom };
}

QString mediumRoot(const QString &path)
{
    QFile mountInfo(QStringLiteral("/proc/self/mountinfo"));
    if (mountInfo.open(QIODevice::ReadOnly)) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const TokenDiscovery::Mount mount = TokenDiscovery::mountHolding(
            TokenDiscovery::parseMountInfo(mountInfo.read(8 * 1024 * 1024)), canonical.isEmpty() ? path : canonical);
        if (!mount.mountPoint.isEmpty())
            return mount.mountPoint;
    }
    return QStringLiteral("/");
}

void forceMinimize(QWidget *window)
{
    if (!window)
        return;
    QWidget *top = window->window();
    top->setWindowState((top->windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    if (QWindow *handle = top->windowHandle())
        handle->showMinimized();
}

void setStayOnTop(QWidget *window, bool onTop)
{
    if (!window)
        return;
    QWidget *top = window->window();
    // QWidget::setWindowFlags would hide the window; the window handle keeps
    // it mapped and only tells the window manager.
    if (QWindow *handle = top->windowHandle()) {
        Qt::WindowFlags flags = handle->flags();
        flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
        handle->setFlags(flags);
    }
}

FileStamp fileStamp(const QString &path)
{
    FileStamp stamp;
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return stamp;
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    stamp.identity = quint64(info.st_ino);
    return stamp;
}

FileContents readPlainFile(const QString &path, qint64 maximumBytes)
{
    FileContents result;
    if (path.isEmpty())
        return result;
    // Non-blocking, so opening a pipe returns at once; only the type check
    // below decides whether anything is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        result.status = (errno == ENOENT || errno == ENOTDIR) ? FileContents::Missing : FileContents::Unreadable;
        return result;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        result.status = FileContents::NotPlainFile;
        return result;
    }
    if (maximumBytes >= 0 && qint64(info.st_size) > maximumBytes) {
        ::close(fd);
        result.status = FileContents::TooLarge;
        return result;
    }
    // One byte more than allowed is asked for, so growth past the limit
    // shows; a plain file's read is short only at its end.
    const qint64 limit = maximumBytes < 0 ? std::numeric_limits<int>::max() - 1 : maximumBytes;
    qint64 want = qMin<qint64>(qint64(info.st_size), limit) + 1;
    QByteArray data;
    qint64 size = 0;
    while (true) {
        if (data.size() < size + want)
            data.resize(int(qMin<qint64>(size + want, limit + 1)));
        const qint64 room = data.size() - size;
        if (room <= 0)
            break;
        const ssize_t got = ::read(fd, data.data() + size, size_t(room));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            result.status = FileContents::Unreadable;
            return result;
        }
        if (got == 0)
            break;
        size += got;
        if (got < room)
            break;
        want = 64 * 1024;
    }
    ::close(fd);
    data.resize(int(size));
    if (size > limit) {
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
    if (path.isEmpty())
        return fail(FileContents::Missing);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail((errno == ENOENT || errno == ENOTDIR) ? FileContents::Missing : FileContents::Unreadable);
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(FileContents::NotPlainFile);
    }
    // A plain file never blocks; the flag is cleared so Qt's reads behave
    // as on any file.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(FileContents::Unreadable);
    }
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
    if (path.isEmpty())
        return fail(QStringLiteral("no path"));
    const int fd = ::open(
        QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a plain file"));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file->errorString());
    }
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
    const QByteArray target = QFile::encodeName(path);
    struct stat existing;
    if (::lstat(target.constData(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return fail(QStringLiteral("not a plain file (a link, pipe, device or folder): left alone"));

    // mkostemp creates the name exclusively: it follows no link and opens
    // nothing that was there before.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    QByteArray name = folder + "/." + QFile::encodeName(QFileInfo(path).fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot create a file beside it: ") + QString::fromLocal8Bit(::strerror(errno)));
    ::fchmod(fd, 0644);
    const char *bytes = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(name.constData());
            return fail(QStringLiteral("write failed: ") + QString::fromLocal8Bit(::strerror(saved)));
        }
        bytes += written;
        left -= written;
    }
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(name.constData());
        return fail(QStringLiteral("write failed: ") + QString::fromLocal8Bit(::strerror(saved)));
    }
    if (::rename(name.constData(), target.constData()) != 0) {
        const int saved = errno;
        ::unlink(name.constData());
        return fail(QStringLiteral("rename failed: ") + QString::fromLocal8Bit(::strerror(saved)));
    }
    return true;
}

// In processstart_linux.cpp.
QString identityOf(const struct stat &info);

bool copyFile(const QString &path, const QString &newPath, QString *identity)
{
    const int in = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0)
        return false;
    struct stat info;
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return false;
    }
    // O_EXCL: the copy is a file made here, never one somebody left there.
    const QByteArray target = QFile::encodeName(newPath);
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    bool kernelCopy = true;
    off_t copied = 0;
    std::vector<char> buffer;
    while (ok && copied < info.st_size) {
        const size_t want = size_t(qMin<off_t>(info.st_size - copied, off_t(1) << 30));
        ssize_t done = -1;
        if (kernelCopy) {
            done = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
            if (done < 0
                && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF
                    || errno == EPERM)) {
                // Not between these two file systems: copy through memory.
                kernelCopy = false;
                continue;
            }
        } else {
            if (buffer.empty())
                buffer.resize(1 << 20);
            const ssize_t got = ::read(in, buffer.data(), qMin(buffer.size(), want));
            done = got;
            for (ssize_t written = 0; got > 0 && written < got;) {
                const ssize_t put = ::write(out, buffer.data() + written, size_t(got - written));
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0) {
                    done = -1;
                    break;
                }
                written += put;
            }
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            // An error, or the source shrank under the copy.
            ok = false;
            break;
        }
        copied += done;
    }
    // The source's read, write and run bits, as QFile::copy gives them
    // (never set-user-id and the like).
    ok = ok && ::fchmod(out, info.st_mode & 0777) == 0;
    struct stat written;
    ok = ok && ::fstat(out, &written) == 0;
    ok = (::close(out) == 0) && ok;
    ::close(in);
    // Some file systems stamp the change time only when the file is
    // closed: the name is looked at once more, and must still lead to the
    // file just written.
    struct stat named;
    if (ok && identity) {
        ok = ::lstat(target.constData(), &named) == 0 && named.st_dev == written.st_dev
            && named.st_ino == written.st_ino;
        if (ok)
            *identity = identityOf(named);
    }
    if (!ok)
        ::unlink(target.constData());
    return ok;
}

struct ProcessLock::Handle {
    int fd = -1;
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
    if (handle)
        return true;
    // flock() belongs to the open file: the system drops it with the last
    // descriptor, so a killed holder leaves no stale lock. The file is not
    // followed through a link and not removed afterwards, which would let
    // two processes lock two different files of one name.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return false;
        }
        if (waited.elapsed() >= timeoutMs) {
            ::close(fd);
            busy = true;
            return false;
        }
        QThread::msleep(5);
    }
    handle = std::make_unique<Handle>();
    handle->fd = fd;
    return true;
}

void ProcessLock::unlock()
{
    if (!handle)
        return;
    ::flock(handle->fd, LOCK_UN);
    ::close(handle->fd);
    handle.reset();
}

} // namespace Platform
