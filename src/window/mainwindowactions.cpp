// What the window itself starts: the document actions (sign, verify,
// time-stamp), the hand-over of files to a button, and the autorun pass.
#include "mainwindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QtConcurrent>

#include "commands/autorunstart.h"
#include "commands/customfiledialog.h"
#include "config/buttonconfig.h"
#include "config/paths.h"
#include "config/vocabulary.h"
#include "platform/logging.h"
#include "platform/platform.h"
#include "widgets/launchbutton.h"

using namespace Vocabulary;

namespace {

// The name a hand-over uses for a button: its link file's base name.
QString buttonName(const LaunchButton *button)
{
    return button->configuration().fileName.section(QLatin1Char('/'), -1).section(QLatin1Char('.'), 0, 0);
}

bool offerTo(LaunchButton *button, QStringList &args, const QString &pidPath)
{
    if (args.isEmpty() || args.first() != buttonName(button))
        return false;
    args.removeFirst();
    button->handOver(args, pidPath);
    return true;
}

const QString pythonPathVariable = QStringLiteral("PYTHONPATH");

} // namespace

void MainWindow::launch_cmd_sign()
{
    launchDocumentAction(QStringLiteral("sign"));
}

void MainWindow::launch_cmd_verify()
{
    launchDocumentAction(QStringLiteral("verify"));
}

void MainWindow::launch_cmd_timestamp()
{
    launchDocumentAction(QStringLiteral("timestamp"));
}

void MainWindow::launchDocumentAction(const QString &action)
{
    QStringList args { action };
    CustomFileDialog dialog(nullptr);
    dialog.setNameFilters({ tr("All files (*.*)") });
    if (dialog.exec() == 0)
        return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return;
    // The chosen path goes over as it is: the tool opens it by name.
    args.append(QDir::toNativeSeparators(chosen.first()));
    _cmd(args, QString());
}

void MainWindow::_cmd(QStringList &args)
{
    _cmd(args, QString());
}

void MainWindow::_cmd(QStringList &args, const QString &processPidFilePath)
{
    setEnvironmentValue(pythonPathVariable, QDir::toNativeSeparators(baseDirectory(true).absoluteFilePath(File::blob)));
    for (LaunchButton *button : qAsConst(buttons)) {
        if (button->children().empty()) {
            if (offerTo(button, args, processPidFilePath))
                return;
            continue;
        }
        for (LaunchButton *child : button->children()) {
            if (offerTo(child, args, processPidFilePath))
                return;
        }
    }
}

QString MainWindow::programPath(const QString &name)
{
    return autorunProgramPath(name);
}

void MainWindow::runAutorunPrograms()
{
    // The waiting programs end before the window shows; the others start
    // one after another while it is in use.
    if (config.anyAutorunWaits)
        runAutorun(true);
    if (!config.autorun.isEmpty())
        runAutorun(false);
}

void MainWindow::runAutorun(bool waitPass)
{
    // The pass works on its own copy: a reload may rebuild the lists while
    // the background pass is still running.
    const QList<AutorunEntry> entries = config.autorun;
    if (waitPass) {
        runAutorunPass(entries, true);
        return;
    }
    // An earlier pass may still wait on its program (an agent that runs
    // for the whole session); this one does not wait for it.
    autorunPool.start([this, entries] { runAutorunPass(entries, false); });
}

void MainWindow::runAutorunPass(const QList<AutorunEntry> &entries, bool waitPass)
{
    const QString pid = QString::number(Platform::currentProcessId());
    for (const AutorunEntry &entry : entries) {
        if (entry.wait != waitPass)
            continue;
        QStringList arguments = entry.arguments;
        for (QString &argument : arguments)
            argument.replace(QStringLiteral("%pid%"), pid);

        ++autorunRunning;
        runAutorunProgram(programPath(entry.program), arguments);
        const bool lastRunning = --autorunRunning == 0;

        // A quit asked for while programs ran ends the application once
        // the last of them has ended; no pass starts another after it.
        if (quitRequested) {
            if (lastRunning)
                QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
            return;
        }
    }
}
