#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "overlay.h"

// The title of a launch button: one or more lines, each aligned within a
// rectangle of the widget's size moved down by the line spacing, with a drop
// shadow while highlighted.
class TextOverlay final : public QWidget, public Overlay {
public:
    TextOverlay(QWidget *parent, QWidget *owner, const QSize &size, const QString &text, const QFont &font,
        const QColor &textColor, const Qt::Alignment &alignment, int lineSpacing, double radius,
        const QPointF &blurOffset, const QColor &blurColor, bool blurAround, double blurDistance, bool colorized);

    QWidget *widget() override { return this; }

    QString text() const { return shownText; }
    // The title as an overlay of this size paints it when not highlighted:
    // each line in its own rectangle, lineSpacing pixels below the last.
    static QImage picture(const QSize &size, const QString &text, const QFont &font, const QColor &textColor,
        int alignment, int lineSpacing);
    void setText(const QString &text);
    void showHighlight();
    void hideHighlight();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int alignment;
    QColor textColor;
    int lineSpacing;
    QWidget *owner;
    QString shownText;
};
