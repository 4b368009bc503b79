#include "graphicoverlay.h"

#include <QDebug>
#include <QGraphicsColorizeEffect>
#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QVariant>

#include "customshadoweffect.h"
#include "imagefiles.h"

#include "platform/logging.h"

GraphicOverlay::GraphicOverlay(QWidget *parent, QWidget *owner, const QString &imagePath, const QSize &size,
    bool centred, double radius, const QPointF &blurOffset, const QColor &blurColor, bool blurAround,
    double blurDistance, bool colorized)
    : QWidget(parent)
    , Overlay(radius, blurOffset, blurColor, blurAround, blurDistance, colorized)
    , owner(owner)
    , baseSize(-1, -1)
    , decodeBox(size)
    , centred(centred)
{
    setPalette(Overlay::transparentPalette());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setVisible(false);
    setImage(imagePath);
    baseSize = size;
    if (size == QSize(0, 0) && !pixmap.isNull())
        baseSize = pixmap.size();
    setProperty("size", baseSize);
    resize(baseSize);
}

void GraphicOverlay::setImage(const QString &imagePath)
{
    shownImagePath = imagePath;
    pixmap = ImageFiles::pixmap(imagePath, decodeBox);
    if (pixmap.isNull()) {
        qCDebug(lcWidgets) << "UNABLE TO LOAD IMAGE " << imagePath;
        return;
    }
    highlightSource = pixmap;
    highlightStale = true;
    repaint();
}

const QImage &GraphicOverlay::highlight()
{
    if (!highlightStale)
        return highlightImage;
    highlightStale = false;
    const QImage source = highlightSource.toImage();
    if (blurAround) {
        auto *glow = new CustomShadowEffect;
        glow->setBlurRadius(radius);
        glow->setDistance(blurDistance);
        glow->setColor(blurColor);
        highlightImage = applyEffectToImage(source, glow, 2 * blurDistance, 2 * blurDistance);
    } else if (!colorized) {
        auto *shadow = new QGraphicsDropShadowEffect;
        shadow->setBlurRadius(radius);
        shadow->setOffset(blurOffset);
        shadow->setColor(blurColor);
        highlightImage = applyEffectToImage(source, shadow, blurOffset.x(), blurOffset.y());
    } else {
        auto *tint = new QGraphicsColorizeEffect;
        tint->setColor(blurColor);
        tint->setStrength(1.0);
        highlightImage = applyEffectToImage(source, tint, 0, 0);
    }
    return highlightImage;
}

void GraphicOverlay::showHighlight()
{
    highlighted = true;
    if (blurAround) {
        const int grow = static_cast<int>(2 * blurDistance);
        resize(baseSize + QSize(grow, grow));
    } else if (!colorized) {
        resize(baseSize + QSize(static_cast<int>(blurOffset.x()), static_cast<int>(blurOffset.y())));
    }
}

void GraphicOverlay::hideHighlight()
{
    highlighted = false;
    resize(baseSize);
    if (!blurAround)
        repaint();
}

void GraphicOverlay::paintEvent(QPaintEvent *)
{
    const QImage source = highlighted ? highlight() : pixmap.toImage();
    if (source.isNull())
        return;
    QPainter painter(this);
    if (centred) {
        const int x = source.width() < width() ? (width() - source.width()) / 2 : 0;
        const int y = source.height() < height() ? (height() - source.height()) / 2 : 0;
        painter.drawImage(x, y, source);
    } else if (source.size() != size()) {
        painter.drawImage(0, 0, source.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else {
        painter.drawImage(0, 0, source);
    }
}
