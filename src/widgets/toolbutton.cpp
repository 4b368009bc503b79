#include "toolbutton.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "commands/openfoldercommand.h"
#include "commands/startnotices.h"
#include "config/paths.h"
#include "platform/logging.h"
#include "widgets/activationkeys.h"
#include "platform/processstart.h"

ToolButton::ToolButton(QWidget *parent)
    : QPushButton(parent)
{
}

void ToolButton::setCheckedPixmap(const QPixmap &pixmap, bool current)
{
    checkedPixmap = pixmap;
    if (current)
        currentPixmap = pixmap;
}

void ToolButton::setUncheckedPixmap(const QPixmap &pixmap, bool current)
{
    uncheckedPixmap = pixmap;
    if (current)
        currentPixmap = pixmap;
}

void ToolButton::setPosition(const QPointF &position)
{
    const QSize size = currentPixmap.isNull() ? QSize(16, 16) : currentPixmap.size();
    setGeometry(QRect(QPoint(static_cast<int>(position.x()), static_cast<int>(position.y())), size));
}

void ToolButton::setCommand(const QString &command, const QStringList &arguments, const QString &workingDir)
{
    this->command = command;
    this->arguments = arguments;
    this->workingDir = workingDir;
}

void ToolButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    activate();
    event->accept();
}

void ToolButton::keyPressEvent(QKeyEvent *event)
{
    // Like a click, once per press of the key.
    if (isActivationKey(event->key())) {
        if (!event->isAutoRepeat())
            activate();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void ToolButton::keyReleaseEvent(QKeyEvent *event)
{
    if (isActivationKey(event->key())) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

void ToolButton::activate()
{
    checked = !checked;
    const QPixmap &next = checked ? checkedPixmap : uncheckedPixmap;
    if (!next.isNull())
        currentPixmap = next;
    update();
    if (!command.isEmpty())
        runCommand();
    emit clicked(false);
    emit toggled(checked);
}

void ToolButton::paintEvent(QPaintEvent *)
{
    if (currentPixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, currentPixmap.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    if (hasFocus()) {
        // Only the keyboard gives a control the focus: show where it is.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ToolButton::runCommand()
{
    // The window controls' command lines come from launcher.conf like every
    // other configured path: placeholders are expanded, and a path on a
    // token partition that is not there is not used.
    bool drivesFound = true;
    const QString program = expandPlaceholders(command, &drivesFound);
    QStringList expanded;
    for (const QString &argument : qAsConst(arguments))
        expanded.append(expandPlaceholders(argument, &drivesFound));
    const QString folderText = expandPlaceholders(workingDir, &drivesFound);
    if (!drivesFound) {
        qCDebug(lcWidgets) << "ToolButton: drive placeholder not resolved, nothing started:" << command << arguments;
        StartNotices::report(command, StartNotices::DriveMissing);
        return;
    }

    if (command == QLatin1String("OPENFOLDER")) {
        // Without a folder there is nothing to open; opening the application
        // folder instead would surprise the user.
        if (expanded.isEmpty() || expanded.first().isEmpty())
            return;
        const QString folder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(expanded.first());
        if (!openFolderCreatingIt(folder))
            StartNotices::report(folder, StartNotices::SystemError);
        return;
    }

    const QDir folder = folderText.isEmpty() ? QFileInfo(program).dir() : QDir(folderText);
    const QString workingFolder = QDir::toNativeSeparators(folder.canonicalPath());
    qCDebug(lcWidgets) << "Launching command line:" << program << "Arguments:" << expanded << "WD:" << workingFolder;
    Platform::ProgramStart start;
    start.program = program;
    start.arguments = expanded;
    start.workingDir = workingFolder;
    start.environment = QProcessEnvironment::systemEnvironment();
    Platform::setInEnvironment(start.environment, QStringLiteral("RESOURCEDIR"), workingFolder);
    const Platform::StartOutcome outcome = Platform::startProgram(start);
    if (!outcome.started)
        StartNotices::report(program, StartNotices::SystemError, outcome.error);
}
