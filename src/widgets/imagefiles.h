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
// - A picture is decoded no larger than it is shown: its header is read
//   first, and a picture larger than the box it is asked for is decoded
//   scaled to fit it, proportions kept. One whose decoding would take more
//   than maximumDecodedBytes, or that does not tell its size, is refused
//   (a null pixmap and a debug line): a small file can describe a picture
//   of gigabytes.
// - Only a regular file is opened, without waiting: a pipe or a device
//   named like a picture cannot block the launcher.
//
// Results are kept in QPixmapCache under the file's path, size and time, so
// the buttons sharing a highlight image read it once.
namespace ImageFiles {

// 64 MiB: a 4096 x 4096 picture at 32 bits a pixel.
constexpr qint64 maximumDecodedBytes = qint64(64) * 1024 * 1024;
// The window and tray icon are decoded at most this large on each side.
constexpr int maximumIconSide = 256;

// The box of pictures that have no size of their own (the background, the
// window controls, a button sized by its picture): the primary screen's
// desktop, but no smaller than 3840 x 2160.
QSize defaultBox();

// box: the size the picture is shown at; a side of 0 or less takes the
// default box's.
QPixmap pixmap(const QString &path, const QSize &box = QSize());

// Drops what was read, so the next reading goes to the files: a skin may
// have been rewritten in place, same size, within the timestamp's grain.
void forgetReadings();

// While one exists, on the GUI thread, each picture file is looked at once
// (whether it is there, and its stamp): the buttons built in one go share
// their pictures, and on a token's slow partition every look is a call
// that costs. Outside a pass each reading looks at the file again, so a
// picture rewritten in place is seen.
class ReadingPass final {
public:
    ReadingPass();
    ~ReadingPass();
    ReadingPass(const ReadingPass &) = delete;
    ReadingPass &operator=(const ReadingPass &) = delete;
};

// Whether a file of that name is there (QFileInfo::exists), looked at once
// per reading pass.
bool fileExists(const QString &path);

// The window and tray icon: a single picture read as above, or every
// picture of a file that holds several sizes (".ico", ".icns"), each at
// most maximumIconSide on a side.
QIcon icon(const QString &path);

// A picture decoded on a thread of its own while the caller goes on: the
// window's background, decoded while the buttons are built and the window
// is shown, and needed only by the first paint. The size comes from the
// file's header at once; it is decoded to fit the default box.
class PendingPixmap {
public:
    PendingPixmap() = default;
    ~PendingPixmap();
    PendingPixmap(const PendingPixmap &) = delete;
    PendingPixmap &operator=(const PendingPixmap &) = delete;

    // Forgets what was read before and starts on path.
    void start(const QString &path);
    // The size the picture is decoded at, known from its header; (0, 0)
    // when there is no picture to read (or it is refused), as for a null
    // QPixmap.
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
