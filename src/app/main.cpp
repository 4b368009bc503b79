// The process entry: single instance, translations, command line, the main
// window and the exit code.
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "window/appflags.h"
#include "config/language.h"
#include "app/debuglog.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "commands/temporarycopies.h"
#include "config/backgroundsignature.h"
#include "platform/platform.h"
#include "platform/processstart.h"
#include "window/mainwindow.h"

namespace {

// The longest the instance waits for its first frame before it answers
// later starts all the same (a window the window manager keeps unexposed).
constexpr int firstFrameWaitMs = 2000;

// Answering later starts costs the first frame nothing: the server starts
// listening once the window has painted (or at once when it starts hidden).
// A start in the meantime is refused all the same, for the lock decides;
// only its knock finds nobody, and the window comes up on its own anyway.
class ListenAfterFirstFrame final : public QObject {
public:
    ListenAfterFirstFrame(QWidget *window, SingleInstance *instance)
        : QObject(window)
        , instance(instance)
    {
        if (!window->isVisible()) {
            QTimer::singleShot(0, this, &ListenAfterFirstFrame::listen);
            return;
        }
        window->installEventFilter(this);
        QTimer::singleShot(firstFrameWaitMs, this, &ListenAfterFirstFrame::listen);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            watched->removeEventFilter(this);
            // After the frame is out, not inside its paint.
            QTimer::singleShot(0, this, &ListenAfterFirstFrame::listen);
        }
        return false;
    }

private:
    void listen()
    {
        if (instance)
            instance->listen();
    }

    QPointer<SingleInstance> instance;
    bool painted = false;
};

int printAndExit(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Read as the system gave it, before the application object takes its
    // options out: every argument after a button name is a file to hand
    // over, as given, and only options before it are the toolkit's.
    const CommandLine commandLine = parseCommandLine(Platform::commandLineArguments(argc, argv));
    const StartupArguments &startup = commandLine.startup;

    if (commandLine.request != CommandLine::Run) {
        int noArguments = 1;
        QCoreApplication app(noArguments, argv);
        installTranslations(&app, QStringLiteral("gatepoint"));
        if (commandLine.request == CommandLine::Version)
            return printAndExit(QStringLiteral("gatepoint %1\n").arg(QStringLiteral(GATEPOINT_VERSION)));
        return printAndExit(usageText(QStringLiteral("gatepoint")));
    }

    DebugLog::start(DebugLog::requestedPath(commandLine.debugLog));

    Platform::beginPreparingFonts();
#ifdef GATEPOINT_ISSUER_PUBLIC_KEY
    // Built for a token's issuer: backgrounds must carry the issuer's
    // signature as well as the digest.
    BackgroundSignature::requireIssuerSignature(QByteArray::fromBase64(QByteArrayLiteral(GATEPOINT_ISSUER_PUBLIC_KEY)));
#endif
    std::vector<char *> toolkitArgv { argv[0] };
    for (const int index : commandLine.toolkitArguments) {
        if (index + 1 < argc)
            toolkitArgv.push_back(argv[index + 1]);
    }
    int toolkitArgc = int(toolkitArgv.size());
    toolkitArgv.push_back(nullptr);
    Platform::prepareWindowSystem();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(toolkitArgc, toolkitArgv.data());
    Platform::windowSystemConnected();
    QCoreApplication::setApplicationVersion(QStringLiteral(GATEPOINT_VERSION));
    SingleInstance instance(QCoreApplication::applicationFilePath());

    installTranslations(&app, QStringLiteral("gatepoint"));

    // A hand-over runs beside an instance and never becomes one.
    if (!startup.hasFileArguments && instance.isRunning()) {
        Platform::fontsPrepared();
        QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("main", "Attenzione"),
            QCoreApplication::translate("main", "E' gia' in esecuzione un'altra istanza del processo"),
            QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setModal(true);
        if (!startup.hide) {
            box.exec();
            // Then the running window comes forward: the last thing the
            // user sees is the launcher they asked for. A start with --hide
            // wants no window.
            instance.knock();
        }
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
        QObject::connect(&instance, &SingleInstance::activationRequested, &window, &MainWindow::bringForward);
        // With --hide only the tray icon shows, where there is a tray.
        window.start(startup.hide);
        new ListenAfterFirstFrame(&window, &instance);
        return app.exec();
    }

    QStringList fileArguments = startup.fileArguments;
    window._cmd(fileArguments, startup.processPidPath);
    QApplication::closeAllWindows();
    return 0;
}
