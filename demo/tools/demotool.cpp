// demotool: the program the demo skin's buttons start. It shows what the
// launcher handed it (arguments, working folder and the variables the
// launcher prepares) so every button of the demo can be checked by eye.
//
//   demotool [--autoclose] [ARGUMENTS...]   show a window (closes after 8 s
//                                           with --autoclose)
//   demotool --toggle FILE KEY              flip the 0/1 value KEY of the INI
//                                           file FILE and exit (the check
//                                           button keeps its state there)

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int autoCloseMs = 8000;

int toggle(const QString &file, const QString &key)
{
    if (file.isEmpty() || key.isEmpty())
        return 2;
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(key, settings.value(key, 0).toInt() == 1 ? 0 : 1);
    settings.sync();
    return settings.status() == QSettings::NoError ? 0 : 1;
}

QString variable(const char *name)
{
    if (!qEnvironmentVariableIsSet(name))
        return QStringLiteral("(unset)");
    return qEnvironmentVariable(name);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);

    if (arguments.value(0) == QLatin1String("--toggle"))
        return toggle(arguments.value(1), arguments.value(2));

    const bool autoClose = arguments.removeAll(QStringLiteral("--autoclose")) > 0;

    QWidget window;
    window.setWindowTitle(QStringLiteral("gatepoint demotool"));
    auto *layout = new QVBoxLayout(&window);

    layout->addWidget(new QLabel(QStringLiteral("Arguments (%1):").arg(arguments.size()), &window));
    auto *list = new QListWidget(&window);
    for (const QString &argument : qAsConst(arguments))
        list->addItem(argument.isEmpty() ? QStringLiteral("(empty)") : argument);
    layout->addWidget(list);

    const QString details = QStringLiteral("Working folder: %1\nPYTHONPATH: %2\nRESOURCEDIR: %3\nRWROOT: %4")
                                .arg(QDir::toNativeSeparators(QDir::currentPath()), variable("PYTHONPATH"),
                                    variable("RESOURCEDIR"), variable("RWROOT"));
    auto *label = new QLabel(details, &window);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);

    auto *close = new QPushButton(QStringLiteral("Close"), &window);
    QObject::connect(close, &QPushButton::clicked, &window, &QWidget::close);
    layout->addWidget(close);

    if (autoClose)
        QTimer::singleShot(autoCloseMs, &window, &QWidget::close);

    // Kept in the lower right corner, out of the way of the launcher window,
    // which sits in the upper left on a desktop without a window manager.
    window.resize(480, 360);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.right() - window.width() - 40, area.bottom() - window.height() - 60);
    }
    window.show();
    return app.exec();
}
