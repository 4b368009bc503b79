#include "textoverlay.h"

#include <QGraphicsDropShadowEffect>
#include <QImage>
#include <QPainter>
#include <QThreadPool>
#include <QVariant>
#include <QtConcurrent>

namespace {

// One thread draws the titles ahead, one after the other: the font is
// matched once per thread, so a second thread would only match it again.
QThreadPool &titlePainter()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

// Pictures drawn ahead and not painted yet, on the GUI thread.
int waitingPictures = 0;
constexpr int maximumWaitingPictures = 64;

} // namespace

TextOverlay::TextOverlay(QWidget *parent, QWidget *owner, const QSize &size, const QString &text, const QFont &font,
    const QColor &textColor, const Qt::Alignment &alignment, int lineSpacing, double radius, const QPointF &blurOffset,
    const QColor &blurColor, bool blurAround, double blurDistance, bool colorized)
    : QWidget(parent)
    , Overlay(radius, blurOffset, blurColor, blurAround, blurDistance, colorized)
    , alignment(static_cast<int>(alignment))
    , textColor(textColor)
    , lineSpacing(lineSpacing)
    , owner(owner)
    , shownText(text)
{
    setPalette(Overlay::transparentPalette());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFont(font);
    setProperty("size", size);
    // The text is painted in textColor by paintEvent; no style sheet needed
    // (one per title would be parsed for each).
    setVisible(false);
    // A blank name keeps screen readers from announcing the title twice:
    // the button already carries it.
    setAccessibleName(QStringLiteral(" "));
}

void TextOverlay::setText(const QString &text)
{
    shownText = text;
    repaint();
}

void TextOverlay::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (!visible || isHidden() || aheadPending || shownText.isEmpty() || waitingPictures >= maximumWaitingPictures)
        return;
    drawnAheadFrom = drawing();
    // The thread gets a font of its own: a font's cached engine belongs to
    // the thread that first drew with it.
    QFont font = drawnAheadFrom.font;
    font.setStyleStrategy(font.styleStrategy());
    drawnAhead = QtConcurrent::run(&titlePainter(),
        [size = drawnAheadFrom.size, text = shownText, font, color = textColor, alignment = alignment,
            lineSpacing = lineSpacing] { return picture(size, text, font, color, alignment, lineSpacing); });
    aheadPending = true;
    ++waitingPictures;
}

TextOverlay::~TextOverlay()
{
    // Text is drawn with the application's fonts: no drawing may outlive
    // the window, which goes before the application does.
    if (aheadPending)
        drawnAhead.waitForFinished();
    dropDrawnAhead();
}

void TextOverlay::dropDrawnAhead()
{
    if (!aheadPending)
        return;
    aheadPending = false;
    --waitingPictures;
    drawnAhead = QFuture<QImage>();
}

bool TextOverlay::Drawing::operator==(const Drawing &other) const
{
    return size == other.size && text == other.text && font == other.font && color == other.color;
}

TextOverlay::Drawing TextOverlay::drawing() const
{
    return { size(), shownText, font(), textColor };
}

QImage TextOverlay::currentPicture()
{
    if (aheadPending) {
        // Taken once: the picture is not kept, as none is for later paints.
        QImage ahead = drawnAhead.result();
        dropDrawnAhead();
        if (drawnAheadFrom == drawing())
            return ahead;
    }
    return picture(size(), shownText, font(), textColor, alignment, lineSpacing);
}

void TextOverlay::showHighlight()
{
    highlighted = true;
    repaint();
}

void TextOverlay::hideHighlight()
{
    highlighted = false;
    repaint();
}

QImage TextOverlay::picture(
    const QSize &size, const QString &text, const QFont &font, const QColor &textColor, int alignment, int lineSpacing)
{
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(textColor);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QRect(0, i * lineSpacing, size.width(), size.height()), alignment, lines.at(i));
    return image;
}

void TextOverlay::paintEvent(QPaintEvent *)
{
    QImage image = currentPicture();
    if (highlighted) {
        auto *shadow = new QGraphicsDropShadowEffect;
        shadow->setBlurRadius(radius);
        shadow->setOffset(blurOffset);
        shadow->setColor(blurColor);
        image = applyEffectToImage(image, shadow, blurOffset.x(), blurOffset.y());
    }
    QPainter(this).drawImage(0, 0, image);
}
