#include "imagefiles.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include "platform/logging.h"
#include "platform/platform.h"

namespace ImageFiles {
namespace {

// Formats built into QtGui; no plugin is needed to read them.
QByteArray builtinFormat(const QFileInfo &info)
{
    static const char *const builtin[] = { "png", "bmp", "ppm", "pgm", "pbm", "xbm", "xpm" };
    const QByteArray suffix = info.suffix().toLower().toLatin1();
    for (const char *format : builtin) {
        if (suffix == format)
            return suffix;
    }
    return QByteArray();
}

QImage readImage(const QFileInfo &info)
{
    const QString path = info.filePath();
    const QByteArray format = builtinFormat(info);
    if (!format.isEmpty()) {
        QImageReader reader(path, format);
        reader.setAutoDetectImageFormat(false);
        QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    return QImageReader(path).read();
}

QSize readHeaderSize(const QFileInfo &info)
{
    const QByteArray format = builtinFormat(info);
    if (!format.isEmpty()) {
        QImageReader reader(info.filePath(), format);
        reader.setAutoDetectImageFormat(false);
        const QSize size = reader.size();
        if (size.isValid())
            return size;
    }
    return QImageReader(info.filePath()).size();
}

// Whether the file can be read as a picture at all; a name without a suffix
// that is not there may still mean "name.png" and the like, which only
// Qt's own reader tries (fallback is set then).
bool isPictureFile(const QFileInfo &info, const QString &path, bool &fallback)
{
    fallback = false;
    if (!info.exists()) {
        fallback = info.completeSuffix().isEmpty();
        return false;
    }
    if (!info.isFile()) {
        // A folder, or a pipe or device that would block the reader.
        qCDebug(lcWidgets) << "not a picture file:" << path;
        return false;
    }
    return true;
}

// The file's path and its version as the system stamps it: a picture
// rewritten in place gets a new key.
QString cacheKey(const QFileInfo &info)
{
    const QString path = info.absoluteFilePath();
    const Platform::FileStamp stamp = Platform::fileStamp(path);
    return QStringLiteral("gatepoint:") + path + QLatin1Char(':') + QString::number(stamp.size) + QLatin1Char(':')
        + QString::number(stamp.modifiedNs) + QLatin1Char(':') + QString::number(stamp.changedNs) + QLatin1Char(':')
        + QString::number(stamp.identity);
}

// The pixmap cache belongs to the GUI thread.
bool inGuiThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

// One thread of its own, so a picture never waits behind other work on the
// global pool (an autorun pass waiting for its programs, say).
QThreadPool &readerPool()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

} // namespace

QPixmap pixmap(const QString &path)
{
    if (path.isEmpty())
        return QPixmap();
    const QFileInfo info(path);
    bool fallback = false;
    if (!isPictureFile(info, path, fallback))
        return fallback ? QPixmap(path) : QPixmap();

    const bool cached = inGuiThread();
    const QString key = cacheKey(info);
    QPixmap result;
    if (cached && QPixmapCache::find(key, &result))
        return result;

    QImage image = readImage(info);
    if (image.isNull())
        return QPixmap();
    result = QPixmap::fromImage(std::move(image));
    if (cached)
        QPixmapCache::insert(key, result);
    return result;
}

void forgetReadings()
{
    QPixmapCache::clear();
}

PendingPixmap::~PendingPixmap()
{
    reading.waitForFinished();
}

void PendingPixmap::clear()
{
    reading.waitForFinished();
    reading = QFuture<QImage>();
    waiting = false;
    key.clear();
    headerSize = QSize(0, 0);
    result = QPixmap();
}

void PendingPixmap::start(const QString &path)
{
    clear();
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    bool fallback = false;
    if (!isPictureFile(info, path, fallback)) {
        if (fallback) {
            result = QPixmap(path);
            headerSize = result.size();
        }
        return;
    }
    key = cacheKey(info);
    if (inGuiThread() && QPixmapCache::find(key, &result)) {
        headerSize = result.size();
        return;
    }
    const QSize size = readHeaderSize(info);
    headerSize = size.isValid() ? size : QSize(0, 0);
    reading = QtConcurrent::run(&readerPool(), [info] { return readImage(info); });
    waiting = true;
}

const QPixmap &PendingPixmap::pixmap()
{
    if (!waiting)
        return result;
    waiting = false;
    QImage image = reading.result();
    reading = QFuture<QImage>();
    if (image.isNull())
        return result;
    result = QPixmap::fromImage(std::move(image));
    if (inGuiThread())
        QPixmapCache::insert(key, result);
    return result;
}

QIcon icon(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ico") || suffix == QLatin1String("icns"))
        return QIcon(path);
    const QPixmap picture = pixmap(path);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

} // namespace ImageFiles
