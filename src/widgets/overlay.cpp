#include "overlay.h"

#include <memory>

#include <QGraphicsEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QPalette>
#include <QWidget>

const QPalette &Overlay::transparentPalette()
{
    static const QPalette palette(Qt::transparent);
    return palette;
}

Overlay::Overlay(double radius, const QPointF &blurOffset, const QColor &blurColor, bool blurAround,
    double blurDistance, bool colorized)
    : blurColor(blurColor)
    , blurAround(blurAround)
    , colorized(colorized)
    , blurOffset(blurOffset)
    , radius(radius)
    , blurDistance(blurDistance)
{
}

Overlay::~Overlay()
{
    qDeleteAll(animations);
}

void Overlay::setAnimation(const QString &name, QAbstractAnimation *animation)
{
    QAbstractAnimation *previous = animations.value(name);
    if (previous == animation)
        return;
    if (previous) {
        previous->stop();
        delete previous;
    }
    animations.insert(name, animation);
}

void Overlay::startAnimation(const QString &name)
{
    if (QAbstractAnimation *a = animations.value(name))
        a->start(QAbstractAnimation::KeepWhenStopped);
}

void Overlay::stopAnimation(const QString &name)
{
    if (QAbstractAnimation *a = animations.value(name))
        a->stop();
}

void Overlay::addShakeAnimation(const QPointF &position, const QPointF &amplitude, qint16 duration)
{
    QWidget *target = widget();
    auto *forth = new QPropertyAnimation(target, "pos");
    forth->setStartValue((position - amplitude).toPoint());
    forth->setEndValue((position + amplitude).toPoint());
    forth->setDuration(duration);
    auto *back = new QPropertyAnimation(target, "pos");
    back->setStartValue((position + amplitude).toPoint());
    back->setEndValue((position - amplitude).toPoint());
    back->setDuration(duration);

    auto *group = new QSequentialAnimationGroup;
    group->addAnimation(forth);
    group->addAnimation(back);
    group->setLoopCount(-1);
    setAnimation(QStringLiteral("drag"), group);
}

void Overlay::addPulseAnimation(const QPointF &position, double scale, qint16 duration)
{
    QWidget *target = widget();
    const qint16 w = static_cast<qint16>(target->width());
    const qint16 h = static_cast<qint16>(target->height());
    const qint16 sw = static_cast<qint16>(w * scale);
    const qint16 sh = static_cast<qint16>(h * scale);
    const int dx = w / 2 - sw / 2;
    const int dy = h / 2 - sh / 2;
    const QPoint home(static_cast<int>(position.x()), static_cast<int>(position.y()));
    const QPoint inner(static_cast<int>(position.x() + dx), static_cast<int>(position.y() + dy));

    const auto make = [target, duration](const char *property, const QVariant &from, const QVariant &to) {
        auto *a = new QPropertyAnimation(target, property);
        a->setStartValue(from);
        a->setEndValue(to);
        a->setDuration(duration);
        return a;
    };

    auto *shrink = new QParallelAnimationGroup;
    shrink->addAnimation(make("size", QSize(w, h), QSize(sw, sh)));
    shrink->addAnimation(make("pos", home, inner));
    auto *grow = new QParallelAnimationGroup;
    grow->addAnimation(make("size", QSize(sw, sh), QSize(w, h)));
    grow->addAnimation(make("pos", inner, home));

    auto *group = new QSequentialAnimationGroup;
    group->addAnimation(shrink);
    group->addAnimation(grow);
    group->setLoopCount(-1);
    setAnimation(QStringLiteral("drag"), group);
}

QImage Overlay::applyEffectToImage(const QImage &image, QGraphicsEffect *effect, double extentX, double extentY)
{
    std::unique_ptr<QGraphicsEffect> owned(effect);
    if (image.isNull())
        return QImage();
    if (!effect)
        return image.copy();

    QGraphicsScene scene;
    auto *item = new QGraphicsPixmapItem(QPixmap::fromImage(image));
    item->setGraphicsEffect(owned.release());
    scene.addItem(item);

    QImage result(
        static_cast<int>(image.width() + extentX), static_cast<int>(image.height() + extentY), QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    scene.render(&painter, QRectF(), QRectF(0, 0, result.width(), result.height()), Qt::KeepAspectRatio);
    return result;
}
