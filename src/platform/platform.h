#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;
class QWidget;

// The only door to the operating system. Everything below is implemented
// once per platform (*_linux.cpp, *_win.cpp); the rest of the launcher
// never includes an operating-system header.
namespace Platform {

// The platform word, fixed at build time: "linux" or "windows". It forms the
// per-platform configuration names ("load_" + word, group + "_" + word).
QString osName();

// Whether INI keys are compared without regard to case, as QSettings
// compares them on this platform.
bool settingsKeysIgnoreCase();

// --- Start-up ----------------------------------------------------------------

// Begins loading the system's font configuration on a thread of its own;
// call it first thing, before the application object exists. The window's
// titles need it for the first frame, and reading it (dozens of XML files
// on Linux) is the longest single step of a start: done meanwhile, it no
// longer adds to it. fontsPrepared() waits for the thread; call it before
// the first font is asked for. A platform whose fonts need no such step
// does nothing.
void beginPreparingFonts();
void fontsPrepared();

// The window is drawn without OpenGL; connecting the window system's OpenGL
// support (GLX on X11) is a good part of a start on X. Call the first
// before the application object exists: unless the user chose an OpenGL
// integration, none is loaded. The second, once the application object
// exists, takes that choice back out of the environment, so the programs
// the launcher starts get their own OpenGL as before.
void prepareWindowSystem();
void windowSystemConnected();

// --- Environment -----------------------------------------------------------

// Id of the running launcher process.
qint64 currentProcessId();

// Sets one variable of the launcher's own environment, inherited by every
// program started afterwards. An empty value removes the variable.
void setEnvironmentValue(const QString &name, const QString &value);

// --- Drives ------------------------------------------------------------------

// The two partitions of the security token that holds mediumPath.
// Windows: drive strings such as "e:"; Linux: mount points. Empty when the
// medium is not a token (a fixed disk) or the partition is not mounted.
struct MediumDrives {
    QString flash;
    QString cdrom;
};

// mediumPath is a folder on the medium (the resource directory).
MediumDrives findMediumDrives(const QString &mediumPath);

// The root of the medium that holds path. Windows: the drive ("E:", every
// slash removed). Linux: the mount point that holds the path.
QString mediumRoot(const QString &path);

// --- Window manager ------------------------------------------------------------

// Minimises the top-level window even when it refuses ordinary minimising.
void forceMinimize(QWidget *window);

// Keeps the window above the others (true) or releases it (false), without
// activating, moving or resizing it.
void setStayOnTop(QWidget *window, bool onTop);

// Gives the keyboard to a shown top-level window, where no window manager
// does it on the toolkit's request (a bare X server). Does nothing where a
// window manager runs or the window is not on screen.
void takeKeyboardFocus(QWidget *window);

// --- Files -------------------------------------------------------------------

// A small file read whole, in as few system calls as the platform allows:
// the launcher reads one per button. Only a plain file is read: a pipe or a
// device named like a link file would block the reader or never end.
struct FileContents {
    enum Status { Read, Missing, NotPlainFile, Unreadable, TooLarge };
    Status status = Missing;
    QByteArray data; // empty unless Read
};

// maximumBytes < 0: no limit. A file that grows past the limit while it is
// read is TooLarge as well.
FileContents readPlainFile(const QString &path, qint64 maximumBytes);

// A plain file opened for reading, for readers that take a device (pictures):
// opened without waiting, so a pipe or a device named like a picture cannot
// block, and handed over only when it is a regular file. Null otherwise;
// status (when given) says why.
std::unique_ptr<QFile> openPlainFile(const QString &path, FileContents::Status *status = nullptr);

// A file the user names for the debug lines, opened for appending and made
// (mode 0600) when missing. Only a plain file is taken: a pipe with nobody
// reading it or a device would block the launcher. Null on failure; error
// (when given) says why.
std::unique_ptr<QFile> openAppendFile(const QString &path, QString *error = nullptr);

// Replaces the file at path with data, for files the launcher writes where a
// user or a configuration says (the process-id file): the bytes go to a new
// file of a fresh name in the same folder, which is then renamed over path,
// so no link at path is followed and no pipe or device is opened. An entry at
// path that is not a plain file (a symbolic link, a pipe, a device, a folder)
// is left alone and the write fails. On failure nothing at path changes and
// error (when given) says why.
bool replaceFile(const QString &path, const QByteArray &data, QString *error = nullptr);

// What tells one version of a file from the next without reading it: its
// size and its change times, as the system keeps them. Two stamps that
// compare equal name the same content as far as the system can tell; a file
// that cannot be looked at has the empty stamp.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0; // status change (Linux) or creation (Windows)
    quint64 identity = 0; // inode (Linux); 0 where the system has none
    bool operator==(const FileStamp &other) const
    {
        return size == other.size && modifiedNs == other.modifiedNs && changedNs == other.changedNs
            && identity == other.identity;
    }
    bool operator!=(const FileStamp &other) const { return !(*this == other); }
};

// One system call, no time-zone work (QFileInfo::lastModified() converts to
// local time and back, a few times dearer than the look itself).
FileStamp fileStamp(const QString &path);

// Copies a file to a path that must not exist yet, with the source's
// permissions, as QFile::copy does; the system copies the bytes itself where
// it can (no pass through this process's memory). A failed copy leaves
// nothing at newPath. identity, when given, receives the fileIdentity of
// the file written, taken from the file itself rather than by its name.
bool copyFile(const QString &path, const QString &newPath, QString *identity = nullptr);

// --- Locks between processes -------------------------------------------------

// An exclusive lock on a file that processes take in turn, released by
// unlock(), by the destructor, or by the system when the process ends,
// however it ends. On Linux it is flock(): taking it writes nothing and
// waits for no disk. The file itself stays where it is.
class ProcessLock final {
public:
    explicit ProcessLock(const QString &path);
    ~ProcessLock();
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;

    // Waits up to timeoutMs for the lock; false when it stays taken or the
    // file cannot be opened.
    bool tryLock(int timeoutMs);
    void unlock();
    // After a failed tryLock: whether somebody else held the lock (rather
    // than the file could not be opened).
    bool heldElsewhere() const { return busy; }

private:
    struct Handle;
    QString path;
    std::unique_ptr<Handle> handle;
    bool busy = false;
};

} // namespace Platform
