#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "overlay.h"

// A picture of a launch button (its icon, hover or drag image), scaled to
// the widget or drawn unscaled and centred, with a glow, drop shadow or tint
// while highlighted.
class GraphicOverlay final : public QWidget, public Overlay {
public:
    // A size of 0 x 0 means the image's own size. A picture larger than the
    // size is decoded scaled down to fit it.
    GraphicOverlay(QWidget *parent, QWidget *owner, const QString &imagePath, const QSize &size, bool centred,
        double radius, const QPointF &blurOffset, const QColor &blurColor, bool blurAround, double blurDistance,
        bool colorized);

    QWidget *widget() override { return this; }

    // Loads a new picture. A picture that does not load leaves the overlay
    // empty but keeps its size and the highlight of the last good picture.
    void setImage(const QString &imagePath);
    QString imagePath() const { return shownImagePath; }
    const QPixmap &image() const { return pixmap; }

    void showHighlight();
    void hideHighlight();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The highlight is rendered the first time it is needed, not per loaded
    // image: a window of many buttons must not pay for effect renders
    // before its first frame.
    const QImage &highlight();

    QWidget *owner;
    QPixmap pixmap;
    QSize baseSize;
    // Pictures are decoded to fit the size given at construction (a side of
    // 0: the default box).
    QSize decodeBox;
    QImage highlightImage;
    bool centred;
    QPixmap highlightSource;
    bool highlightStale = false;
    QString shownImagePath;
};
