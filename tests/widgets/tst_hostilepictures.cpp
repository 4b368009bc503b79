// Pictures whose few bytes describe gigabytes of pixels: a PNG of 30000 x
// 30000, an SVG of the same size, a 4000 x 4000 window icon. The real
// program starts on a skin made of them within a bound of memory that the
// system measures, which holds only when each is decoded at the size it is
// shown or refused.
#include <QtTest>

#include <QBuffer>

#include "testsupport.h"
#include "widgets/imagefiles.h"
#include "../window/windowfixture.h"

namespace {

// A black PNG of any size, small on disk: one bit a pixel or eight bits a
// channel, every row of zeros compressed.
QByteArray hugePng(int side, bool rgba)
{
    QImage image(side, side, rgba ? QImage::Format_ARGB32 : QImage::Format_Mono);
    if (!rgba)
        image.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    image.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QByteArray hugeSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30000\" height=\"30000\">"
                           "<rect width=\"30000\" height=\"30000\" fill=\"red\"/></svg>";

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray bytes4000;
    QByteArray bytes30000;

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        bytes4000 = hugePng(4000, true);
        bytes30000 = hugePng(30000, false);
        QVERIFY(bytes30000.size() < 1024 * 1024);
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("4000.png")), bytes4000));
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("30000.png")), bytes30000));
    }

    // The window icon has at most maximumIconSide on a side, and one too
    // large to decode is refused. (The skin below has a 4000 one only.)
    void windowIcon()
    {
        const QSize side(ImageFiles::maximumIconSide, ImageFiles::maximumIconSide);
        QCOMPARE(ImageFiles::icon(dir.filePath(QStringLiteral("4000.png"))).availableSizes(), QList<QSize> { side });
        QVERIFY(ImageFiles::icon(dir.filePath(QStringLiteral("30000.png"))).availableSizes().isEmpty());
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
        links.write(QStringLiteral("huge.svg"), hugeSvg);
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button]\nwidth=64\nheight=64\n");
        const QByteArray probe = TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8();
        links.write(QStringLiteral("good.link"), "[properties]\nicon=big.png\n[click]\npath=" + probe + "\n");
        links.write(QStringLiteral("svg.link"), "[properties]\nicon=huge.svg\nwidth=0\nheight=0\n[click]\npath=x\n");
        links.write(QStringLiteral("png.link"), "[properties]\nicon=huge.png\n[click]\npath=x\n");

        const TestSupport::Finished run = links.runLauncher(
            { QStringLiteral("good"), QStringLiteral("a.pdf") }, 120000, { time, QStringLiteral("-v") });
        QVERIFY2(run.code == 0, qPrintable(run.out.right(2000)));
        const auto records = TestSupport::waitForProbeRecords(links.probeOut(), 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { "a.pdf" });
        const QRegularExpressionMatch peak
            = QRegularExpression(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)")).match(run.out);
        QVERIFY(peak.hasMatch());
        // Decoding the 30000 x 30000 pictures whole would take 3.4 GiB each;
        // a start with the bounded readers stays within a few hundred MiB,
        // a 4000 x 4000 picture decoded whole (61 MiB) included.
        QVERIFY(peak.captured(1).toLongLong() < 512 * 1024);
    }
};

QTEST_MAIN(TestHostilePictures)
#include "tst_hostilepictures.moc"
