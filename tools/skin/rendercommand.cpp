// render-svg: turns a skin's SVG sources into the pictures a medium carries,
// so no picture of the demo skin has to be stored or downloaded.

#include "skincommand.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

namespace Skin {

namespace {

// Big enough for any background, small enough that a typo in the size
// cannot ask for gigabytes of pixels.
constexpr int maximumDimension = 8192;

} // namespace

int runRenderSvg(const QStringList &arguments)
{
    QStringList options;
    QStringList positionals;
    QString error;
    if (!splitArguments(arguments, {}, options, positionals, error)) {
        err() << "gatepoint-skin render-svg: " << error << '\n';
        return UsageError;
    }
    if (positionals.size() != 2 && positionals.size() != 4) {
        err() << "gatepoint-skin render-svg: expected IN.svg OUT.png [WIDTH HEIGHT]\n";
        return UsageError;
    }
    const QString input = positionals.at(0);
    const QString output = positionals.at(1);

    if (!QFileInfo(input).isFile()) {
        err() << input << ": file not found\n";
        return Failure;
    }
    QSvgRenderer renderer;
    if (!renderer.load(input) || !renderer.isValid()) {
        err() << input << ": not a valid SVG file\n";
        return Failure;
    }

    QSize size = renderer.defaultSize();
    if (positionals.size() == 4) {
        int width = 0;
        int height = 0;
        if (!parseDimension(positionals.at(2), maximumDimension, width)
            || !parseDimension(positionals.at(3), maximumDimension, height)) {
            err() << "gatepoint-skin render-svg: WIDTH and HEIGHT must be whole numbers from 1 to " << maximumDimension
                  << '\n';
            return UsageError;
        }
        size = QSize(width, height);
    }
    if (size.isEmpty() || size.width() > maximumDimension || size.height() > maximumDimension) {
        err() << input << ": no usable size; give WIDTH and HEIGHT\n";
        return Failure;
    }

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (!image.save(output, "PNG")) {
        err() << output << ": cannot write picture\n";
        return Failure;
    }
    out() << output << ": " << size.width() << 'x' << size.height() << '\n';
    return Success;
}

} // namespace Skin
