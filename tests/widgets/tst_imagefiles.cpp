// Skin pictures: read as QPixmap(path) reads them, without loading the
// system's image plugins for formats Qt reads itself, and the background
// decoded while the window is built.
#include <QtTest>

#include <QBuffer>
#include <QPainter>
#include <QPixmapCache>

#include <sys/stat.h>

#include "testsupport.h"
#include "widgets/imagefiles.h"

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage sample()
{
    QImage image(37, 23, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(3, 4, 20, 10, QColor(200, 30, 40, 128));
    painter.fillRect(10, 8, 25, 12, Qt::darkBlue);
    return image;
}

// A 3 x 2 RGBA PNG, written by hand: encoding one with Qt would itself load
// the image plugins.
const QByteArray tinyPng("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x03\x00"
                         "\x00\x00\x02\x08\x06\x00\x00\x00\x9d\x74\x66\x1a\x00\x00\x00\x14\x49\x44\x41\x54\x78"
                         "\x9c\x63\xf8\xcf\xc0\xf0\x1f\x08\x1b\x80\x14\x88\x46\x70\x00\x8a\x1b\x0a\xf7\x54\xd5"
                         "\x5d\x2f\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    77);

bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

} // namespace

class TestImageFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        TestSupport::writeFile(path, bytes);
        return path;
    }

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // First, while nothing else in this process has read a picture.
    void builtinFormatsLoadNoPlugin()
    {
        QVERIFY(!imagePluginLoaded());
        const QPixmap picture = ImageFiles::pixmap(write(QStringLiteral("first.png"), tinyPng));
        QCOMPARE(picture.toImage().pixelColor(1, 0), QColor(0, 255, 0, 128));
        ImageFiles::PendingPixmap background;
        background.start(write(QStringLiteral("background.png"), tinyPng));
        QCOMPARE(background.size(), QSize(3, 2));
        QCOMPARE(background.pixmap().size(), QSize(3, 2));
        QVERIFY2(!imagePluginLoaded(), "a PNG read loaded the image plugins");
    }

    void picturesReadAsQPixmapReadsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("upper-case suffix") << "b.PNG" << encoded(sample(), "PNG");
        QTest::newRow("jpeg named png") << "e.png" << encoded(sample(), "JPEG");
        QTest::newRow("png without suffix") << "g" << encoded(sample(), "PNG");
        QTest::newRow("corrupt") << "h.png" << encoded(sample(), "PNG").left(60);
        QTest::newRow("empty") << "i.png" << QByteArray();
    }
    void picturesReadAsQPixmapReadsThem()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = write(name, bytes);
        QPixmapCache::clear();
        const QImage expected = QPixmap(path).toImage();
        QPixmapCache::clear();
        QCOMPARE(ImageFiles::pixmap(path).toImage(), expected);
        ImageFiles::PendingPixmap pending;
        pending.start(path);
        QCOMPARE(pending.pixmap().toImage(), expected);
        QCOMPARE(pending.size(), expected.isNull() ? QSize(0, 0) : expected.size());
    }

    // Nothing read from no name, a missing file, a folder or a pipe nobody
    // writes to, and nothing blocks.
    void missingAndOddFiles()
    {
        QDir(dir.path()).mkdir(QStringLiteral("folder.png"));
        const QString pipe = dir.filePath(QStringLiteral("pipe.png"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        for (const QString &path : { QString(), dir.filePath(QStringLiteral("nothing.png")),
                 dir.filePath(QStringLiteral("folder.png")), pipe }) {
            QVERIFY(ImageFiles::pixmap(path).isNull());
            QVERIFY(ImageFiles::icon(path).isNull());
            ImageFiles::PendingPixmap pending;
            pending.start(path);
            QCOMPARE(pending.size(), QSize(0, 0));
            QVERIFY(pending.pixmap().isNull());
        }
    }

    // A picture is read again, not taken from the cache, once its reading
    // is forgotten. Within a pass (the buttons built in one go) each
    // picture is looked at once; after it, and in the next pass, a removal
    // and a rewrite are seen; after forgetReadings() (a reload) even a
    // rewrite with the same size and time stamp.
    void readingsAreForgotten()
    {
        const QString path = write(QStringLiteral("changing.png"), TestSupport::pngBytes(12, 12));
        {
            const ImageFiles::ReadingPass pass;
            QCOMPARE(ImageFiles::pixmap(path).size(), QSize(12, 12));
            QVERIFY(ImageFiles::fileExists(path));
            QFile::remove(path);
        }
        QVERIFY(!ImageFiles::fileExists(path));
        QVERIFY(ImageFiles::pixmap(path).isNull());
        {
            const ImageFiles::ReadingPass next; // the next reload's
            QVERIFY(!ImageFiles::fileExists(path));
        }
        // Two pictures of one length: the reader ignores what follows the end.
        QByteArray red = TestSupport::pngBytes(10, 10, Qt::red);
        QByteArray green = TestSupport::pngBytes(10, 10, Qt::green);
        const int length = qMax(red.size(), green.size());
        red.append(QByteArray(length - red.size(), '\0'));
        green.append(QByteArray(length - green.size(), '\0'));
        write(QStringLiteral("changing.png"), red);
        QCOMPARE(ImageFiles::pixmap(path).toImage().pixelColor(5, 5), QColor(Qt::red));
        const QDateTime stamp = QFileInfo(path).lastModified();
        write(QStringLiteral("changing.png"), green);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        file.close();
        ImageFiles::forgetReadings();
        QCOMPARE(ImageFiles::pixmap(path).toImage().pixelColor(5, 5), QColor(Qt::green));
        ImageFiles::PendingPixmap pending;
        pending.start(path);
        QCOMPARE(pending.pixmap().toImage().pixelColor(5, 5), QColor(Qt::green));
    }
};

QTEST_MAIN(TestImageFiles)
#include "tst_imagefiles.moc"
