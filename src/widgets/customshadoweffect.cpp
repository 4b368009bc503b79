#include "customshadoweffect.h"

#include <QDebug>
#include <QImage>
#include <QPainter>

#include "platform/logging.h"

// Exported by libQt5Widgets without a public header.
extern void qt_blurImage(
    QPainter *p, QImage &blurImage, qreal radius, bool quality, bool alphaOnly, int transposed = 0);

CustomShadowEffect::CustomShadowEffect(QObject *parent)
    : QGraphicsEffect(parent)
{
}

QRectF CustomShadowEffect::boundingRectFor(const QRectF &rect) const
{
    const qreal d = distance + blurRadius;
    return rect.united(rect.adjusted(-d, -d, d, d));
}

void CustomShadowEffect::setDistance(double value)
{
    distance = value;
    updateBoundingRect();
}

void CustomShadowEffect::setBlurRadius(double value)
{
    blurRadius = value;
    updateBoundingRect();
}

void CustomShadowEffect::draw(QPainter *painter)
{
    if (distance + blurRadius <= 0) {
        drawSource(painter);
        return;
    }

    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
    if (source.isNull())
        return;

    const QTransform saved = painter->worldTransform();
    painter->setWorldTransform(QTransform());

    const QSize size(static_cast<int>(source.width() + 2 * distance), static_cast<int>(source.height() + 2 * distance));
    QImage grown(size, QImage::Format_ARGB32_Premultiplied);
    grown.fill(0);
    {
        QPainter p(&grown);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawPixmap(0, 0, source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }

    QImage blurred(size, QImage::Format_ARGB32_Premultiplied);
    blurred.fill(0);
    {
        QPainter p(&blurred);
        qt_blurImage(&p, grown, blurRadius, false, true);
    }
    {
        QPainter p(&blurred);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(blurred.rect(), color);
    }

    qCDebug(lcWidgets) << "DEBUG " << offset.x() << "," << offset.y();
    painter->drawImage(offset, blurred);
    painter->drawPixmap(offset + QPoint(static_cast<int>(distance), static_cast<int>(distance)), source);
    painter->setWorldTransform(saved);
}
