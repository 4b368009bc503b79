#pragma once

#include <QColor>
#include <QFuture>
#include <QImage>
#include <QWidget>

#include "overlay.h"

// The title of a launch button: one or more lines, each aligned within a
// rectangle of the widget's size moved down by the line spacing, with a drop
// shadow while highlighted.
//
// Once it is made visible, its picture is drawn on a thread of its own while
// the window is still being built and shown, so that the first paint only
// copies it; the first text a process draws is its costliest (the font is
// matched and its glyphs rendered). A later paint, or one whose title
// changed meanwhile, draws on the spot. Only so many pictures wait at a
// time: the titles of a window crowded with buttons are not all held.
class TextOverlay final : public QWidget, public Overlay {
public:
    TextOverlay(QWidget *parent, QWidget *owner, const QSize &size, const QString &text, const QFont &font,
        const QColor &textColor, const Qt::Alignment &alignment, int lineSpacing, double radius,
        const QPointF &blurOffset, const QColor &blurColor, bool blurAround, double blurDistance, bool colorized);
    ~TextOverlay() override;

    QWidget *widget() override { return this; }

    QString text() const { return shownText; }
    // The title as an overlay of this size paints it when not highlighted:
    // each line in its own rectangle, lineSpacing pixels below the last.
    static QImage picture(const QSize &size, const QString &text, const QFont &font, const QColor &textColor,
        int alignment, int lineSpacing);
    void setText(const QString &text);
    void showHighlight();
    void hideHighlight();
    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // What a picture is drawn from: a picture drawn ahead serves a paint
    // only if nothing of it changed since.
    struct Drawing {
        QSize size;
        QString text;
        QFont font;
        QColor color;
        bool operator==(const Drawing &other) const;
    };
    Drawing drawing() const;
    QImage currentPicture();
    void dropDrawnAhead();

    QFuture<QImage> drawnAhead;
    Drawing drawnAheadFrom;
    bool aheadPending = false;
    int alignment;
    QColor textColor;
    int lineSpacing;
    QWidget *owner;
    QString shownText;
};
