// launcher.conf from arbitrary bytes, read by the window as at start-up.
#include <QDir>

#include "window/appflags.h"
#include "fuzzsupport.h"
#include "window/mainwindow.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    static MainWindow *window = [] {
        framelessWindow = true;
        return new MainWindow(false);
    }();
    const QString links = scratch().filePath(QStringLiteral("links"));
    QDir().mkpath(links);
    writeInput(QStringLiteral("links/launcher.conf"), data, size);
    window->loadLauncherConfiguration(links, size % 2 == 0);
    window->verifyBackground();
    return 0;
}
