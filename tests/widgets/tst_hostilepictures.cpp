// Pictures whose few bytes describe gigabytes of pixels: a PNG of 30000 x
// 30000, an SVG of the same size, a 4000 x 4000 window icon. Each is decoded
// at the size it is shown or refused, and the real program starts on a skin
// made of them within a bound of memory that the system measures.
#include <QtTest>

#include <QBuffer>

#include "testsupport.h"
#include "widgets/imagefiles.h"
#include "../window/windowfixture.h"

namespace {

// A black PNG of any size, small on disk: one bit a pixel or eight bits a
// channel, every row of zeros compressed.
QByteArray hugePng(int width, int height, bool rgba)
{
    QImage image(width, height, rgba ? QImage::Format_ARGB32 : QImage::Format_Mono);
    if (!rgba)
        image.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    image.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray hugeSvg(int side)
{
    const QByteArray s = QByteArray::number(side);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + s + "\" height=\"" + s + "\"><rect width=\"" + s
        + "\" height=\"" + s + "\" fill=\"red\"/></svg>";
}

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString png4000;
    QString png30000;
    QString svg30000;
    QByteArray bytes4000;
    QByteArray bytes30000;

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        png4000 = dir.filePath(QStringLiteral("4000.png"));
        png30000 = dir.filePath(QStringLiteral("30000.png"));
        svg30000 = dir.filePath(QStringLiteral("30000.svg"));
        bytes4000 = hugePng(4000, 4000, true);
        bytes30000 = hugePng(30000, 30000, false);
        QVERIFY(TestSupport::writeFile(png4000, bytes4000));
        QVERIFY(TestSupport::writeFile(png30000, bytes30000));
        QVERIFY(TestSupport::writeFile(svg30000, hugeSvg(30000)));
        QVERIFY(QFileInfo(png30000).size() < 1024 * 1024);
    }

    void decodedAtTheSizeShown_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected"); // invalid: refused
        QTest::newRow("4000 png on a 64 button") << "4000.png" << QSize(64, 64) << QSize(64, 64);
        QTest::newRow("4000 png on a wide button") << "4000.png" << QSize(200, 50) << QSize(50, 50);
        QTest::newRow("30000 png refused") << "30000.png" << QSize(64, 64) << QSize();
        QTest::newRow("30000 svg on a 64 button") << "30000.svg" << QSize(64, 64) << QSize(64, 64);
        const QSize box = ImageFiles::defaultBox();
        const int side = qMin(box.width(), box.height());
        QTest::newRow("30000 svg without a size") << "30000.svg" << QSize() << QSize(side, side);
    }
    void decodedAtTheSizeShown()
    {
        QFETCH(QString, name);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        const QPixmap picture = ImageFiles::pixmap(dir.filePath(name), box);
        QCOMPARE(picture.isNull() ? QSize() : picture.size(), expected);
        // A refused picture is looked at once, however many buttons share it.
        if (!expected.isValid())
            QVERIFY(ImageFiles::pixmap(dir.filePath(name), box).isNull());
    }

    void windowIconAndBackgroundAreBounded()
    {
        const QSize limit(ImageFiles::maximumIconSide, ImageFiles::maximumIconSide);
        QCOMPARE(ImageFiles::icon(png4000).availableSizes(), QList<QSize> { limit });
        QCOMPARE(ImageFiles::icon(svg30000).availableSizes(), QList<QSize> { limit });
        QVERIFY(ImageFiles::icon(png30000).isNull());

        ImageFiles::PendingPixmap background;
        background.start(svg30000);
        const QSize box = ImageFiles::defaultBox();
        QVERIFY(background.size().width() <= box.width() && background.size().height() <= box.height());
        QCOMPARE(background.pixmap().size(), background.size());
        background.start(png30000);
        QCOMPARE(background.size(), QSize(0, 0));
        QVERIFY(background.pixmap().isNull());
    }

    // The real program on a skin of such pictures: it starts, hands the file
    // over and ends, and its peak memory stays far below what decoding any
    // of them whole would take.
    void launcherStartsInBoundedMemory()
    {
        const QString time = QStringLiteral("/usr/bin/time");
        if (!QFileInfo(time).isExecutable())
            QSKIP("needs /usr/bin/time (Debian package time)");
        LinksFolder links;
        links.layOutMedium();
        // The background is signed like any other; its pixels are refused.
        links.write(QStringLiteral("bg.png"), BackgroundSignature::sign(bytes30000));
        links.write(QStringLiteral("icon.png"), bytes4000); // the window icon
        links.write(QStringLiteral("big.png"), bytes4000);
        links.write(QStringLiteral("huge.png"), bytes30000);
        links.write(QStringLiteral("huge.svg"), hugeSvg(30000));
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button]\nwidth=64\nheight=64\n");
        const QByteArray probe = TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8();
        links.write(QStringLiteral("good.link"), "[properties]\nicon=big.png\n[click]\npath=" + probe + "\n");
        links.write(QStringLiteral("svg.link"), "[properties]\nicon=huge.svg\nwidth=0\nheight=0\n[click]\npath=x\n");
        links.write(QStringLiteral("png.link"), "[properties]\nicon=huge.png\n[click]\npath=x\n");

        const TestSupport::Finished run = links.runLauncher(
            { QStringLiteral("good"), QStringLiteral("a.pdf") }, 120000, { time, QStringLiteral("-v") });
        const QString &output = run.out;
        QVERIFY2(run.code == 0, qPrintable(output.right(2000)));
        const auto records = TestSupport::waitForProbeRecords(links.probeOut(), 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { "a.pdf" });

        const QRegularExpression peak(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"));
        const QRegularExpressionMatch match = peak.match(output);
        QVERIFY(match.hasMatch());
        const qint64 peakKb = match.captured(1).toLongLong();
        // Decoding the 30000 x 30000 pictures whole would take 3.4 GiB each;
        // a start with the bounded readers stays within a few hundred MiB,
        // a 4000 x 4000 picture decoded whole (61 MiB) included.
        QVERIFY(peakKb < 512 * 1024);
    }
};

QTEST_MAIN(TestHostilePictures)
#include "tst_hostilepictures.moc"
