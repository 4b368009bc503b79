// screenshot: grabs the whole X screen, for machines without ImageMagick.

#include "skincommand.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

namespace Skin {

int runScreenshot(const QStringList &arguments)
{
    QStringList options;
    QStringList positionals;
    QString error;
    if (!splitArguments(arguments, {}, options, positionals, error)) {
        err() << "gatepoint-skin screenshot: " << error << '\n';
        return UsageError;
    }
    if (positionals.size() != 1) {
        err() << "gatepoint-skin screenshot: expected OUT.png\n";
        return UsageError;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        err() << "gatepoint-skin screenshot: no screen\n";
        return Failure;
    }
    // Window id 0 is the root window: everything on the screen.
    const QPixmap shot = screen->grabWindow(0);
    if (shot.isNull()) {
        err() << "gatepoint-skin screenshot: the screen cannot be grabbed on platform "
              << QGuiApplication::platformName() << '\n';
        return Failure;
    }
    if (!shot.save(positionals.first(), "PNG")) {
        err() << positionals.first() << ": cannot write picture\n";
        return Failure;
    }
    out() << positionals.first() << ": " << shot.width() << 'x' << shot.height() << '\n';
    return Success;
}

} // namespace Skin
