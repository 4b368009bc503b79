#include "imagefiles.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QPixmapCache>
#include <QScreen>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include "platform/logging.h"
#include "platform/platform.h"

namespace ImageFiles {
namespace {

// The smallest box a picture without a size of its own is decoded to fit:
// a skin drawn for a larger screen than this one keeps its pictures whole.
constexpr int floorBoxWidth = 3840;
constexpr int floorBoxHeight = 2160;

// Formats built into QtGui; no plugin is needed to read them.
QByteArray builtinFormat(const QString &path)
{
    static const char *const builtin[] = { "png", "bmp", "ppm", "pgm", "pbm", "xbm", "xpm" };
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    for (const char *format : builtin) {
        if (suffix == format)
            return suffix;
    }
    return QByteArray();
}

// The pixmap cache belongs to the GUI thread.
bool inGuiThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

QSize effectiveBox(const QSize &box)
{
    const QSize fallback = defaultBox();
    return QSize(box.width() > 0 ? box.width() : fallback.width(), box.height() > 0 ? box.height() : fallback.height());
}

// The size a picture of this size is decoded at: its own, or made to fit
// the box with its proportions kept.
QSize fitted(const QSize &size, const QSize &box)
{
    if (size.width() <= box.width() && size.height() <= box.height())
        return size;
    QSize target = size.scaled(box, Qt::KeepAspectRatio);
    return target.expandedTo(QSize(1, 1));
}

qint64 bytesFor(const QSize &size, QImage::Format format)
{
    int bytesPerPixel = 4;
    if (format != QImage::Format_Invalid)
        bytesPerPixel = qMax(bytesPerPixel, int(QImage::toPixelFormat(format).bitsPerPixel() / 8));
    return qint64(size.width()) * qint64(size.height()) * bytesPerPixel;
}

// What is known of a picture before it is decoded.
struct Plan {
    QSize size; // as the file's header gives it
    QSize target; // as it will be decoded
    bool refused = false;
};

// Reads the header through reader and decides the size to decode at; a
// picture that does not tell its size, or whose decoding would take more
// than the bound, is refused with a debug line.
Plan plan(QImageReader &reader, const QString &path, const QSize &box)
{
    Plan result;
    result.size = reader.size();
    if (!result.size.isValid() || result.size.isEmpty()) {
        result.refused = true;
        return result;
    }
    result.target = fitted(result.size, box);
    // A reader that scales while decoding needs only the target's memory;
    // the others decode the whole picture first and scale it afterwards,
    // whatever supportsOption(ScaledSize) says (the PNG reader claims it).
    // A JPEG is scaled while decoding by an eighth at most.
    const QByteArray format = reader.format().toLower();
    QSize decoded = result.size;
    if (format == "svg" || format == "svgz")
        decoded = result.target;
    else if (format == "jpeg" || format == "jpg")
        decoded = QSize((result.size.width() + 7) / 8, (result.size.height() + 7) / 8).expandedTo(result.target);
    const qint64 bytes = bytesFor(decoded, reader.imageFormat());
    if (bytes > maximumDecodedBytes) {
        qCDebug(lcWidgets) << "picture refused:" << path << "is" << result.size.width() << "x" << result.size.height()
                           << "pixels; decoding it would take" << bytes << "bytes, more than" << maximumDecodedBytes;
        result.refused = true;
    }
    return result;
}

// A reader on the open file: by the format its suffix names, without asking
// the plugins when Qt reads that format itself, else by its content.
std::unique_ptr<QImageReader> readerFor(QFile &file, const QString &path, bool byContent)
{
    file.seek(0);
    if (byContent)
        return std::make_unique<QImageReader>(&file);
    const QByteArray builtin = builtinFormat(path);
    if (!builtin.isEmpty()) {
        auto reader = std::make_unique<QImageReader>(&file, builtin);
        reader->setAutoDetectImageFormat(false);
        return reader;
    }
    // Other suffixes are a hint, as a file name is to QImageReader.
    return std::make_unique<QImageReader>(&file, QFileInfo(path).suffix().toLower().toLatin1());
}

// Decodes one picture at most as large as box. size receives the header's
// size (invalid when there is none); a refused picture comes back null.
QImage readImage(const QString &path, const QSize &box, QSize *size = nullptr, bool *refusedOut = nullptr)
{
    if (size)
        *size = QSize();
    Platform::FileContents::Status status = Platform::FileContents::Missing;
    const std::unique_ptr<QFile> file = Platform::openPlainFile(path, &status);
    if (!file) {
        if (status == Platform::FileContents::NotPlainFile)
            qCDebug(lcWidgets) << "not a picture file:" << path;
        return QImage();
    }
    for (const bool byContent : { false, true }) {
        std::unique_ptr<QImageReader> reader = readerFor(*file, path, byContent);
        const Plan decided = plan(*reader, path, box);
        if (decided.refused && decided.size.isValid()) {
            // Too large: its header was read, and another reader would say
            // the same.
            if (size)
                *size = decided.size;
            if (refusedOut)
                *refusedOut = true;
            return QImage();
        }
        if (decided.refused)
            continue;
        if (size)
            *size = decided.size;
        if (decided.target != decided.size)
            reader->setScaledSize(decided.target);
        QImage image = reader->read();
        if (!image.isNull())
            return image;
    }
    return QImage();
}

// What the open reading passes have learnt of the files (GUI thread only).
struct PassMemory {
    int open = 0;
    QHash<QString, bool> exists;
    QHash<QString, QString> pictures;
    QHash<QString, QString> stamps;
};

PassMemory &passMemory()
{
    static PassMemory memory;
    return memory;
}

bool remembering()
{
    return passMemory().open > 0 && inGuiThread();
}

QString lookForPicture(const QString &path);
QString readStamp(const QString &path);

// A name that is not there may still mean "name.png" and the like when it
// has no suffix, as QPixmap(path) takes it; the first such file is used.
QString existingPicturePath(const QString &path)
{
    if (!remembering())
        return lookForPicture(path);
    auto known = passMemory().pictures.constFind(path);
    if (known == passMemory().pictures.constEnd())
        known = passMemory().pictures.insert(path, lookForPicture(path));
    return known.value();
}

QString stampKey(const QString &path)
{
    if (!remembering())
        return readStamp(path);
    auto known = passMemory().stamps.constFind(path);
    if (known == passMemory().stamps.constEnd())
        known = passMemory().stamps.insert(path, readStamp(path));
    return known.value();
}

QString lookForPicture(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return path;
    if (!info.completeSuffix().isEmpty())
        return QString();
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray &format : formats) {
        const QString candidate = path + QLatin1Char('.') + QString::fromLatin1(format);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return QString();
}

// The file's path and its version as the system stamps it: a picture
// rewritten in place gets a new key.
QString readStamp(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const Platform::FileStamp stamp = Platform::fileStamp(absolute);
    return QStringLiteral("gatepoint:") + absolute + QLatin1Char(':') + QString::number(stamp.size) + QLatin1Char(':')
        + QString::number(stamp.modifiedNs) + QLatin1Char(':') + QString::number(stamp.changedNs) + QLatin1Char(':')
        + QString::number(stamp.identity);
}

QString sizedKey(const QString &stamp, const QSize &target)
{
    return stamp + QLatin1Char('@') + QString::number(target.width()) + QLatin1Char('x')
        + QString::number(target.height());
}

// What the GUI thread learnt of each file version: its header's size, so a
// second request at another box finds the decoded picture without opening
// the file, and the pictures refused, so a refused picture shared by many
// buttons is looked at once.
struct Headers {
    QHash<QString, QSize> sizes;
    QSet<QString> refused;
};

Headers &headers()
{
    static Headers known;
    return known;
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

QSize defaultBox()
{
    QSize box(floorBoxWidth, floorBoxHeight);
    if (inGuiThread() && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            box = box.expandedTo(screen->virtualSize());
    }
    return box;
}

QPixmap pixmap(const QString &requested, const QSize &box)
{
    if (requested.isEmpty())
        return QPixmap();
    const QString path = existingPicturePath(requested);
    if (path.isEmpty())
        return QPixmap();
    const QSize bounds = effectiveBox(box);

    const bool cached = inGuiThread();
    QString stamp;
    QPixmap result;
    if (cached) {
        stamp = stampKey(path);
        if (headers().refused.contains(stamp))
            return QPixmap();
        const auto known = headers().sizes.constFind(stamp);
        if (known != headers().sizes.constEnd()
            && QPixmapCache::find(sizedKey(stamp, fitted(known.value(), bounds)), &result))
            return result;
    }

    QSize size;
    bool refused = false;
    QImage image = readImage(path, bounds, &size, &refused);
    if (cached && refused)
        headers().refused.insert(stamp);
    if (image.isNull())
        return QPixmap();
    result = QPixmap::fromImage(std::move(image));
    if (cached && size.isValid()) {
        headers().sizes.insert(stamp, size);
        QPixmapCache::insert(sizedKey(stamp, fitted(size, bounds)), result);
    }
    return result;
}

ReadingPass::ReadingPass()
{
    ++passMemory().open;
}

ReadingPass::~ReadingPass()
{
    PassMemory &memory = passMemory();
    if (--memory.open == 0) {
        memory.exists.clear();
        memory.pictures.clear();
        memory.stamps.clear();
    }
}

bool fileExists(const QString &path)
{
    if (!remembering())
        return QFileInfo::exists(path);
    auto known = passMemory().exists.constFind(path);
    if (known == passMemory().exists.constEnd())
        known = passMemory().exists.insert(path, QFileInfo::exists(path));
    return known.value();
}

void forgetReadings()
{
    QPixmapCache::clear();
    headers().sizes.clear();
    headers().refused.clear();
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

void PendingPixmap::start(const QString &requested)
{
    clear();
    if (requested.isEmpty())
        return;
    const QString path = existingPicturePath(requested);
    if (path.isEmpty())
        return;
    const QSize bounds = defaultBox();
    const QString stamp = stampKey(path);
    const bool cached = inGuiThread();
    if (cached) {
        const auto known = headers().sizes.constFind(stamp);
        if (known != headers().sizes.constEnd()) {
            key = sizedKey(stamp, fitted(known.value(), bounds));
            if (QPixmapCache::find(key, &result)) {
                headerSize = result.size();
                return;
            }
        }
    }

    // The header is read here, so the size is known at once; the pixels
    // are decoded on the reader's thread.
    Platform::FileContents::Status status = Platform::FileContents::Missing;
    const std::unique_ptr<QFile> file = Platform::openPlainFile(path, &status);
    if (!file) {
        if (status == Platform::FileContents::NotPlainFile)
            qCDebug(lcWidgets) << "not a picture file:" << path;
        return;
    }
    QSize target;
    for (const bool byContent : { false, true }) {
        std::unique_ptr<QImageReader> reader = readerFor(*file, path, byContent);
        const Plan decided = plan(*reader, path, bounds);
        if (decided.refused && decided.size.isValid())
            return;
        if (!decided.refused) {
            target = decided.target;
            if (cached)
                headers().sizes.insert(stamp, decided.size);
            break;
        }
    }
    if (!target.isValid())
        return;
    headerSize = target;
    key = sizedKey(stamp, target);
    reading = QtConcurrent::run(&readerPool(), [path, bounds] { return readImage(path, bounds); });
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
    if (inGuiThread() && !key.isEmpty())
        QPixmapCache::insert(key, result);
    return result;
}

QIcon icon(const QString &path)
{
    const QSize iconBox(maximumIconSide, maximumIconSide);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("ico") && suffix != QLatin1String("icns")) {
        const QPixmap picture = pixmap(path, iconBox);
        return picture.isNull() ? QIcon() : QIcon(picture);
    }
    // A file of several sizes: each picture is read on its own terms, so one
    // oversized entry cannot take the others with it.
    Platform::FileContents::Status status = Platform::FileContents::Missing;
    const std::unique_ptr<QFile> file = Platform::openPlainFile(path, &status);
    if (!file) {
        if (status == Platform::FileContents::NotPlainFile)
            qCDebug(lcWidgets) << "not a picture file:" << path;
        return QIcon();
    }
    QIcon result;
    QImageReader reader(file.get(), suffix.toLatin1());
    const int count = qMax(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const Plan decided = plan(reader, path, iconBox);
        if (decided.refused)
            continue;
        if (decided.target != decided.size)
            reader.setScaledSize(decided.target);
        const QImage image = reader.read();
        reader.setScaledSize(QSize());
        if (!image.isNull())
            result.addPixmap(QPixmap::fromImage(image));
    }
    return result;
}

} // namespace ImageFiles
