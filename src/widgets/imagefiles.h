#pragma once

#include <QFuture>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

// Pictures of the skin, read the way QPixmap(path) reads them, with two
// differences that matter for the first frame:
//
// - A name ending in a format Qt reads itself (".png", ".bmp", ".xpm" and
//   the like) is read by that reader at once. QImageReader would first load
//   every image plugin installed on the system (GIF, ICO, JPEG, SVG and what
//   they link) to ask each whether it reads the format better. A file whose
//   name lies about its kind is still read: it falls back to detection by
//   content, as before.
// - The decoded picture goes into the pixmap without being copied.
//
// Results are kept in QPixmapCache under the file's path, size and time, so
// the buttons sharing a highlight image read it once.
namespace ImageFiles {

QPixmap pixmap(const QString &path);

// Drops what was read, so the next reading goes to the files: a skin may
// have been rewritten in place, same size, within the timestamp's grain.
void forgetReadings();

// The window and tray icon: a single picture read as above, or through
// QIcon's own reader for formats that hold several sizes (".ico", ".icns").
QIcon icon(const QString &path);

// A picture decoded on a thread of its own while the caller goes on: the
// window's background, decoded while the buttons are built and the window
// is shown, and needed only by the first paint. The size comes from the
// file's header at once.
class PendingPixmap {
public:
    PendingPixmap() = default;
    ~PendingPixmap();
    PendingPixmap(const PendingPixmap &) = delete;
    PendingPixmap &operator=(const PendingPixmap &) = delete;

    // Forgets what was read before and starts on path.
    void start(const QString &path);
    // The picture's size as its header gives it; (0, 0) when there is no
    // picture to read, as for a null QPixmap.
    QSize size() const { return headerSize; }
    // The picture, waiting for the reading the first time; null when the
    // file is missing or does not decode.
    const QPixmap &pixmap();
    void clear();

private:
    QString key;
    QSize headerSize { 0, 0 };
    QFuture<QImage> reading;
    QPixmap result;
    bool waiting = false;
};

} // namespace ImageFiles
