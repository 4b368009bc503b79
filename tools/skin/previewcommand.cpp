#include "skincommand.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>

#include "config/launcherconfig.h"
#include "window/appflags.h"
#include "widgets/launchbutton.h"
#include "window/mainwindow.h"

namespace Skin {

namespace {

// Lets animations and queued events run; the layout machine moves the
// buttons with animations of the skin's shift duration.
void settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

LaunchButton *findButton(const MainWindow &window, const QString &name)
{
    const QList<LaunchButton *> buttons = window.findChildren<LaunchButton *>();
    for (LaunchButton *button : buttons) {
        if (QFileInfo(button->configuration().fileName).completeBaseName() == name)
            return button;
    }
    return nullptr;
}

} // namespace

int runPreview(const QStringList &arguments)
{
    QString folder;
    QString output;
    QString openName;
    QString focusName;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        QString *target = nullptr;
        if (word == QLatin1String("--out"))
            target = &output;
        else if (word == QLatin1String("--open"))
            target = &openName;
        else if (word == QLatin1String("--focus"))
            target = &focusName;
        if (target) {
            if (i + 1 >= arguments.size()) {
                err() << "gatepoint-skin preview: " << word << " needs a value\n";
                return UsageError;
            }
            *target = arguments.at(++i);
        } else if (word.startsWith(QLatin1String("--")) || !folder.isEmpty()) {
            err() << "gatepoint-skin preview: unexpected argument " << word << '\n';
            return UsageError;
        } else {
            folder = word;
        }
    }
    if (folder.isEmpty() || output.isEmpty()) {
        err() << "gatepoint-skin preview: expected LINKS_FOLDER --out FILE\n";
        return UsageError;
    }
    folder = QFileInfo(folder).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        err() << "gatepoint-skin preview: no such folder " << folder << '\n';
        return Failure;
    }

    const int shiftDuration = LauncherConfig::read(folder).layout.shiftDuration;

    framelessWindow = true;
    MainWindow window(false);
    window.onReloadRequest(folder);
    if (!window.isValidInstance()) {
        err() << "gatepoint-skin preview: the launcher refuses this skin (run gatepoint-skin lint)\n";
        return Failure;
    }
    settle(shiftDuration + 100);

    if (!openName.isEmpty()) {
        LaunchButton *button = findButton(window, openName);
        if (!button) {
            err() << "gatepoint-skin preview: no button " << openName << '\n';
            return Failure;
        }
        // The sub-menu state is entered on the button's clicked signal.
        QMetaObject::invokeMethod(button, "clicked", Q_ARG(bool, false));
        settle(shiftDuration + 100);
    }
    if (!focusName.isEmpty()) {
        LaunchButton *button = findButton(window, focusName);
        if (!button) {
            err() << "gatepoint-skin preview: no button " << focusName << '\n';
            return Failure;
        }
        button->setFocus(Qt::OtherFocusReason);
        settle(100);
    }
    const QImage shot = window.grab().toImage();
    if (shot.isNull() || !shot.save(output, "PNG")) {
        err() << "gatepoint-skin preview: cannot write " << output << '\n';
        return Failure;
    }
    return Success;
}

} // namespace Skin
