// Overlays: how titles and pictures paint, plain and highlighted, as the
// pixels on the window show them.

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "testsupport.h"
#include "widgets/graphicoverlay.h"
#include "widgets/textoverlay.h"

namespace {
const QColor red(255, 0, 0);
const auto isBlue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; };
const auto isWhite = [](QRgb p) { return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245; };
const auto isReddish = [](QRgb p) { return qRed(p) > qBlue(p) + 20 && qRed(p) > qGreen(p) + 20; };
int count(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixel(x, y));
    return n;
}
} // namespace

class OverlaysTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QString picture; // 48 x 32, solid blue
    std::unique_ptr<QWidget> stage;

    GraphicOverlay *overlay(const QSize &size, bool centred, bool blurAround = false, bool colorized = false)
    {
        auto *o = new GraphicOverlay(
            stage.get(), stage.get(), picture, size, centred, 5.0, QPointF(5, 5), red, blurAround, 6.0, colorized);
        o->move(20, 20);
        o->show();
        return o;
    }
    TextOverlay *title(const QString &text, int pixelSize, const QColor &colour, const QSize &size)
    {
        QFont font;
        font.setPixelSize(pixelSize);
        auto *t = new TextOverlay(stage.get(), stage.get(), size, text, font, colour, Qt::AlignLeft | Qt::AlignTop, 15,
            1.0, QPointF(4, 4), Qt::black, false, 6.0, false);
        t->show();
        return t;
    }
    QImage grab(QWidget *w) { return stage->grab(w->geometry()).toImage(); }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        picture = scratch.filePath(QStringLiteral("pic.png"));
        QVERIFY(TestSupport::writeFile(picture, TestSupport::pngBytes(48, 32, Qt::blue)));
    }
    // A white stage, so that a grab shows what an overlay paints over it.
    void init()
    {
        stage = std::make_unique<QWidget>();
        stage->resize(200, 200);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::white);
        stage->setPalette(palette);
        stage->setAutoFillBackground(true);
    }
    void cleanup() { stage.reset(); }

    // An empty line keeps its place: the third line's ink starts two line
    // spacings below the first's. The shadow shows only while highlighted.
    void titleLinesAndShadow()
    {
        TextOverlay *t = title(QStringLiteral("X\n\nX"), 10, red, QSize(100, 80));
        const QImage image = grab(t);
        const auto ink = [&](int y) { return count(image, QRect(0, y, image.width(), 1), isReddish) > 0; };
        int first = 0;
        while (first < image.height() && !ink(first))
            ++first;
        for (int y = first + 15; y < first + 30; ++y)
            QVERIFY(!ink(y));
        QVERIFY(ink(first + 30));
        const auto shadow = [&] { return count(grab(t), t->rect(), [](QRgb p) { return qGray(p) < 20; }); };
        QCOMPARE(shadow(), 0);
        t->showHighlight();
        QVERIFY(shadow() > 0);
        t->hideHighlight();
        QCOMPARE(shadow(), 0);
    }

    // Stretched to the overlay, or unscaled in its middle; a picture that
    // goes away keeps the size and paints nothing.
    void pictureIsStretchedOrCentred()
    {
        GraphicOverlay *scaled = overlay(QSize(64, 64), false);
        const QImage stretched = grab(scaled);
        QVERIFY(isBlue(stretched.pixel(0, 0)) && isBlue(stretched.pixel(63, 63)));
        delete scaled;
        GraphicOverlay *middle = overlay(QSize(64, 64), true);
        const QImage centred = grab(middle);
        QCOMPARE(count(centred, centred.rect(), isBlue), 48 * 32);
        QCOMPARE(count(centred, QRect(8, 16, 48, 32), isBlue), 48 * 32);
        delete middle;
        GraphicOverlay *gone = overlay(QSize(0, 0), true);
        gone->setImage(QString());
        QCOMPARE(gone->size(), QSize(48, 32));
        QCOMPARE(count(grab(gone), gone->rect(), isWhite), 48 * 32);
    }

    void highlightKinds_data()
    {
        QTest::addColumn<bool>("blurAround");
        QTest::addColumn<bool>("colorized");
        QTest::addColumn<QSize>("highlightedSize");
        QTest::newRow("glow") << true << false << QSize(60, 44);
        QTest::newRow("drop shadow") << false << false << QSize(53, 37);
        QTest::newRow("tint") << false << true << QSize(48, 32);
    }
    void highlightKinds()
    {
        QFETCH(bool, blurAround);
        QFETCH(bool, colorized);
        GraphicOverlay *o = overlay(QSize(0, 0), false, blurAround, colorized);
        o->showHighlight();
        QTEST(o->size(), "highlightedSize");
        const QImage image = grab(o);
        if (colorized) {
            QVERIFY(isReddish(image.pixel(24, 16))); // the whole picture takes the tint
        } else if (blurAround) {
            // The picture sits blurDistance in from the top left; the halo
            // surrounds it on every side, the right and bottom included.
            QVERIFY(isBlue(image.pixel(6 + 24, 6 + 16)));
            QVERIFY(count(image, QRect(55, 6, 5, 32), isReddish) > 20);
            QVERIFY(count(image, QRect(0, 6, 5, 32), isReddish) > 20);
            QVERIFY(count(image, QRect(6, 39, 48, 5), isReddish) > 20);
        } else {
            QVERIFY(isBlue(image.pixel(24, 16)));
            QVERIFY(!isWhite(image.pixel(51, 35)));
        }
        o->hideHighlight();
        QCOMPARE(o->size(), QSize(48, 32));
        QVERIFY(isBlue(grab(o).pixel(24, 16)));
    }
};

QTEST_MAIN(OverlaysTest)
#include "tst_overlays.moc"
