#pragma once

#include <QColor>
#include <QMap>
#include <QPointF>
#include <QString>

class QAbstractAnimation;
class QGraphicsEffect;
class QImage;
class QPalette;
class QWidget;

// The second base of the overlay widgets: the highlight settings shared by
// the picture and the title of a launch button, and the named animations the
// button runs while files are dragged over it.
//
// The overlay owns its animations: replacing a name deletes the animation
// stored before, and the destructor deletes what is left.
class Overlay {
public:
    Overlay(double radius, const QPointF &blurOffset, const QColor &blurColor, bool blurAround, double blurDistance,
        bool colorized);
    virtual ~Overlay();

    Overlay(const Overlay &) = delete;
    Overlay &operator=(const Overlay &) = delete;

    // The widget that is this overlay.
    virtual QWidget *widget() = 0;

    bool isHighlighted() const { return highlighted; }

    void setAnimation(const QString &name, QAbstractAnimation *animation);
    void startAnimation(const QString &name);
    void stopAnimation(const QString &name);

    // A loop forever between position - amplitude and position + amplitude.
    void addShakeAnimation(const QPointF &position, const QPointF &amplitude, qint16 duration);
    // A loop forever that shrinks the widget towards its centre and back.
    void addPulseAnimation(const QPointF &position, double scale, qint16 duration);

    // Renders image with effect applied into an image larger by the extents.
    // Takes ownership of effect. Whatever the effect paints left of or above
    // the image's origin is cut off.
    static QImage applyEffectToImage(const QImage &image, QGraphicsEffect *effect, double extentX, double extentY);

    // Every role transparent. One shared palette: building one is costly and
    // a medium has thousands of overlays.
    static const QPalette &transparentPalette();

protected:
    QMap<QString, QAbstractAnimation *> animations;
    QColor blurColor;
    bool blurAround;
    bool colorized;
    QPointF blurOffset;
    double radius;
    bool highlighted = false;
    double blurDistance;
};
