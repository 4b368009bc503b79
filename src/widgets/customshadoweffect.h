#pragma once

#include <QColor>
#include <QGraphicsEffect>

// A blurred, tinted halo on every side of the source: the glow highlight of
// a launch button's picture. The source is drawn distance pixels right of
// and below its origin, so the halo fits an image 2 x distance larger.
class CustomShadowEffect final : public QGraphicsEffect {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CustomShadowEffect)

public:
    explicit CustomShadowEffect(QObject *parent = nullptr);

    QRectF boundingRectFor(const QRectF &rect) const override;

    void setDistance(double value);
    double getDistance() const { return distance; }
    void setBlurRadius(double value);
    double getBlurRadius() const { return blurRadius; }
    void setColor(const QColor &value) { color = value; }
    QColor getColor() const { return color; }

protected:
    void draw(QPainter *painter) override;

private:
    double distance = 4.0;
    double blurRadius = 10.0;
    QColor color = QColor(0, 0, 0, 80);
};
