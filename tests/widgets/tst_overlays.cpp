// Overlays: geometry and painting of titles and pictures, the highlight
// kinds, the glow effect and the "drag" animations.

#include <QGraphicsColorizeEffect>
#include <QParallelAnimationGroup>
#include <QPointer>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "widgets/customshadoweffect.h"
#include "widgets/graphicoverlay.h"
#include "widgets/textoverlay.h"

namespace {
const QColor blue(0, 0, 255);
const QColor red(255, 0, 0);

bool isBlue(QRgb p)
{
    return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
}
bool isWhite(QRgb p)
{
    return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245;
}
bool isReddish(QRgb p)
{
    return qRed(p) > qBlue(p) + 20 && qRed(p) > qGreen(p) + 20;
}
} // namespace

class OverlaysTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QString picture; // 48 x 32, solid blue

    // A white stage, so that grabbing it shows what an overlay paints over
    // the window behind it.
    std::unique_ptr<QWidget> stage()
    {
        auto w = std::make_unique<QWidget>();
        w->resize(200, 200);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::white);
        w->setPalette(palette);
        w->setAutoFillBackground(true);
        return w;
    }

    GraphicOverlay *picture48(QWidget *parent, const QSize &size, bool centred, bool blurAround = false,
        bool colorized = false, const QColor &colour = red)
    {
        auto *overlay = new GraphicOverlay(
            parent, parent, picture, size, centred, 5.0, QPointF(5, 5), colour, blurAround, 6.0, colorized);
        overlay->move(20, 20);
        overlay->show();
        return overlay;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(scratch.isValid());
        picture = scratch.filePath(QStringLiteral("pic.png"));
        QImage image(48, 32, QImage::Format_ARGB32);
        image.fill(blue);
        QVERIFY(image.save(picture));
    }

    void titleKeepsEmptyLines()
    {
        auto s = stage();
        QFont font;
        font.setPixelSize(10);
        const Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
        auto *title = new TextOverlay(s.get(), s.get(), QSize(100, 80), QStringLiteral("X\n\nX"), font, red, alignment,
            15, 5.0, QPointF(5, 5), Qt::black, false, 6.0, false);
        title->show();
        const QImage image = title->grab().toImage();
        QList<int> inkRows;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (isReddish(image.pixel(x, y))) {
                    inkRows.append(y);
                    break;
                }
            }
        }
        QVERIFY(!inkRows.isEmpty());
        const int first = inkRows.first();
        // Only the first line's ink lies above the third line's top.
        const auto third = std::find_if(inkRows.begin(), inkRows.end(), [first](int y) { return y >= first + 15; });
        QVERIFY(third != inkRows.end());
        QCOMPARE(*third, first + 30);
        QCOMPARE(title->accessibleName(), QStringLiteral(" "));
    }

    void titleShadowOnlyWhileHighlighted()
    {
        auto s = stage();
        QFont font;
        font.setPixelSize(20);
        const Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
        auto *title = new TextOverlay(s.get(), s.get(), QSize(80, 40), QStringLiteral("M"), font, Qt::white, alignment,
            15, 1.0, QPointF(4, 4), Qt::black, false, 6.0, false);
        title->show();
        const auto darkPixels = [&] {
            const QImage image = s->grab(title->geometry()).toImage();
            int dark = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    dark += qGray(image.pixel(x, y)) < 128;
            return dark;
        };
        QCOMPARE(darkPixels(), 0);
        title->showHighlight();
        QVERIFY(darkPixels() > 0);
        QCOMPARE(title->size(), QSize(80, 40));
        title->hideHighlight();
        QCOMPARE(darkPixels(), 0);
    }

    void pictureGeometry()
    {
        auto s = stage();
        GraphicOverlay *own = picture48(s.get(), QSize(0, 0), false);
        QCOMPARE(own->size(), QSize(48, 32));
        delete own;

        auto *scaled = picture48(s.get(), QSize(64, 64), false);
        const QImage stretched = s->grab(scaled->geometry()).toImage();
        QVERIFY(isBlue(stretched.pixel(0, 0)));
        QVERIFY(isBlue(stretched.pixel(63, 63)));
        delete scaled;

        auto *centred = picture48(s.get(), QSize(64, 64), true);
        const QImage image = s->grab(centred->geometry()).toImage();
        QVERIFY(isBlue(image.pixel(8, 16)));
        QVERIFY(isBlue(image.pixel(55, 47)));
        QVERIFY2(isWhite(image.pixel(7, 15)), qPrintable(QString::number(image.pixel(7, 15), 16)));
        QVERIFY(isWhite(image.pixel(56, 48)));
    }

    void missingPictureKeepsSizeAndPaintsNothing()
    {
        auto s = stage();
        QTest::ignoreMessage(
            QtDebugMsg, QRegularExpression(QStringLiteral("^UNABLE TO LOAD IMAGE  \".*nothing.png\"$")));
        auto *none = new GraphicOverlay(s.get(), s.get(), scratch.filePath(QStringLiteral("nothing.png")), QSize(0, 0),
            true, 5.0, QPointF(5, 5), red, false, 6.0, false);
        QCOMPARE(none->size(), QSize(0, 0));

        auto *overlay = picture48(s.get(), QSize(0, 0), true);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^UNABLE TO LOAD IMAGE ")));
        overlay->setImage(QString());
        QCOMPARE(overlay->size(), QSize(48, 32));
        const QImage image = s->grab(overlay->geometry()).toImage();
        QVERIFY(isWhite(image.pixel(24, 16)));
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
        QFETCH(QSize, highlightedSize);
        auto s = stage();
        auto *overlay = picture48(s.get(), QSize(0, 0), false, blurAround, colorized, QColor(255, 0, 0));
        overlay->showHighlight();
        QVERIFY(overlay->isHighlighted());
        QCOMPARE(overlay->size(), highlightedSize);
        const QImage image = s->grab(overlay->geometry()).toImage();

        if (colorized) {
            // The whole picture takes the tint colour.
            QVERIFY(isReddish(image.pixel(24, 16)));
        } else if (blurAround) {
            // The picture sits blurDistance in from the top left, the halo
            // surrounds it on every side, the right and bottom included.
            QVERIFY(isBlue(image.pixel(6 + 24, 6 + 16)));
            int right = 0, bottom = 0, left = 0;
            for (int y = 6; y < 38; ++y) {
                for (int x = 55; x < 60; ++x)
                    right += isReddish(image.pixel(x, y));
                for (int x = 0; x < 5; ++x)
                    left += isReddish(image.pixel(x, y));
            }
            for (int x = 6; x < 54; ++x)
                for (int y = 39; y < 44; ++y)
                    bottom += isReddish(image.pixel(x, y));
            QVERIFY2(right > 20, qPrintable(QString::number(right)));
            QVERIFY2(bottom > 20, qPrintable(QString::number(bottom)));
            QVERIFY2(left > 20, qPrintable(QString::number(left)));
        } else {
            QVERIFY(isBlue(image.pixel(24, 16)));
            QVERIFY(!isWhite(image.pixel(51, 35)));
        }

        overlay->hideHighlight();
        QVERIFY(!overlay->isHighlighted());
        QCOMPARE(overlay->size(), QSize(48, 32));
        const QImage plain = s->grab(overlay->geometry()).toImage();
        QVERIFY(isBlue(plain.pixel(24, 16)));
    }

    void effects()
    {
        QImage image(20, 10, QImage::Format_ARGB32);
        image.fill(blue);
        QVERIFY(Overlay::applyEffectToImage(QImage(), new QGraphicsColorizeEffect, 4, 4).isNull());
        QCOMPARE(Overlay::applyEffectToImage(image, nullptr, 4, 4), image);

        // Without distance and blur the glow is the picture itself.
        auto *none = new CustomShadowEffect;
        none->setDistance(0);
        none->setBlurRadius(0);
        const QImage same = Overlay::applyEffectToImage(image, none, 0, 0);
        QCOMPARE(same.size(), image.size());
        QCOMPARE(same.convertToFormat(QImage::Format_ARGB32), image);

        CustomShadowEffect glow;
        glow.setDistance(3);
        glow.setBlurRadius(2);
        QCOMPARE(glow.boundingRectFor(QRectF(0, 0, 10, 10)), QRectF(-5, -5, 20, 20));
    }

    void animations()
    {
        auto s = stage();
        auto *overlay = picture48(s.get(), QSize(0, 0), false);
        overlay->startAnimation(QStringLiteral("drag")); // nothing stored: nothing happens
        overlay->stopAnimation(QStringLiteral("none"));

        overlay->addShakeAnimation(QPointF(100, 50), QPointF(10, 4), 300);
        auto *shake = qobject_cast<QSequentialAnimationGroup *>(overlay->animation(QStringLiteral("drag")));
        QVERIFY(shake);
        QCOMPARE(shake->loopCount(), -1);
        QCOMPARE(shake->animationCount(), 2);
        auto *forth = qobject_cast<QPropertyAnimation *>(shake->animationAt(0));
        auto *back = qobject_cast<QPropertyAnimation *>(shake->animationAt(1));
        QCOMPARE(forth->propertyName(), QByteArray("pos"));
        QCOMPARE(forth->startValue().toPoint(), QPoint(90, 46));
        QCOMPARE(forth->endValue().toPoint(), QPoint(110, 54));
        QCOMPARE(back->startValue().toPoint(), QPoint(110, 54));
        QCOMPARE(back->endValue().toPoint(), QPoint(90, 46));
        QCOMPARE(forth->duration(), 300);
        QPointer<QAbstractAnimation> replaced(shake);

        overlay->addPulseAnimation(QPointF(100, 50), 0.5, 200);
        QVERIFY(replaced.isNull());
        auto *pulse = qobject_cast<QSequentialAnimationGroup *>(overlay->animation(QStringLiteral("drag")));
        QVERIFY(pulse);
        QCOMPARE(pulse->loopCount(), -1);
        const auto values = [](QAbstractAnimation *group, const QByteArray &property) {
            auto *parallel = qobject_cast<QParallelAnimationGroup *>(group);
            for (int i = 0; parallel && i < parallel->animationCount(); ++i) {
                auto *a = qobject_cast<QPropertyAnimation *>(parallel->animationAt(i));
                if (a && a->propertyName() == property)
                    return qMakePair(a->startValue(), a->endValue());
            }
            return qMakePair(QVariant(), QVariant());
        };
        QCOMPARE(values(pulse->animationAt(0), "size"), qMakePair(QVariant(QSize(48, 32)), QVariant(QSize(24, 16))));
        QCOMPARE(values(pulse->animationAt(0), "pos"), qMakePair(QVariant(QPoint(100, 50)), QVariant(QPoint(112, 58))));
        QCOMPARE(values(pulse->animationAt(1), "size"), qMakePair(QVariant(QSize(24, 16)), QVariant(QSize(48, 32))));
        QCOMPARE(values(pulse->animationAt(1), "pos"), qMakePair(QVariant(QPoint(112, 58)), QVariant(QPoint(100, 50))));

        overlay->startAnimation(QStringLiteral("drag"));
        QCOMPARE(pulse->state(), QAbstractAnimation::Running);
        overlay->stopAnimation(QStringLiteral("drag"));
        QCOMPARE(pulse->state(), QAbstractAnimation::Stopped);
    }
};

QTEST_MAIN(OverlaysTest)
#include "tst_overlays.moc"
