// The process entry: single instance, translations, command line, the main
// window and the exit code.
#include <QApplication>
#include <QMessageBox>

#include "window/appflags.h"
#include "config/language.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "commands/temporarycopies.h"
#include "platform/platform.h"
#include "platform/processstart.h"
#include "window/mainwindow.h"

int main(int argc, char *argv[])
{
    Platform::beginPreparingFonts();
    Platform::prepareWindowSystem();
    // Taken before the application object removes its own options: every
    // argument after a button name is a file to hand over, as given.
    const QStringList commandLine = Platform::commandLineArguments(argc, argv);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    Platform::windowSystemConnected();
    SingleInstance instance(QCoreApplication::applicationFilePath());

    installTranslations(&app, QStringLiteral("gatepoint"));

    const StartupArguments startup
        = parseStartupArguments(QStringList { QCoreApplication::applicationFilePath() } + commandLine);

    if (instance.isRunning() && !startup.hasFileArguments) {
        Platform::fontsPrepared();
        QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("main", "Attenzione"),
            QCoreApplication::translate("main", "E' gia' in esecuzione un'altra istanza del processo"),
            QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setModal(true);
        if (!startup.hide)
            box.exec();
        return 1;
    }

    framelessWindow = true;
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    Platform::fontsPrepared();
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    QGuiApplication::setQuitOnLastWindowClosed(!framelessWindow);

    // Copies of programs left by earlier runs go once their programs ended.
    TemporaryCopies::sweep();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { TemporaryCopies::sweep(); });

    MainWindow window(!startup.hasFileArguments);
    if (!window.canRun())
        return -1;
    if (!window.isValidInstance()) {
        QMessageBox::critical(nullptr, QCoreApplication::translate("main", "Avvio"),
            QCoreApplication::translate("main", "Non sono presenti risorse valide"), QMessageBox::Ok);
        return -1;
    }

    if (!startup.hasFileArguments) {
        // With --hide only the tray icon shows, where there is a tray.
        window.start(startup.hide);
        return app.exec();
    }

    QStringList fileArguments = startup.fileArguments;
    window._cmd(fileArguments, startup.processPidPath);
    QApplication::closeAllWindows();
    return 0;
}
