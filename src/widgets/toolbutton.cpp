#include "toolbutton.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QUrl>

#include "config/paths.h"
#include "platform/logging.h"
#include "widgets/activationkeys.h"

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
    if (command == QLatin1String("OPENFOLDER")) {
        // Without a folder there is nothing to open; opening the application
        // folder instead would surprise the user.
        if (arguments.isEmpty() || arguments.first().isEmpty())
            return;
        const QString folder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(arguments.first());
        QDir dir(folder);
        if (!dir.exists())
            dir.mkpath(QStringLiteral("."));
        // "file:///" already carries the root slash of a Unix path.
        QString path = dir.absolutePath();
        if (path.startsWith(QLatin1Char('/')))
            path.remove(0, 1);
        QDesktopServices::openUrl(QUrl(QStringLiteral("file:///") + path, QUrl::TolerantMode));
        return;
    }

    const QDir folder = workingDir.isEmpty() ? QFileInfo(command).dir() : QDir(workingDir);
    const QString workingFolder = QDir::toNativeSeparators(folder.canonicalPath());
    setEnvironmentValue(QStringLiteral("RESOURCEDIR"), workingFolder);
    qCDebug(lcWidgets) << "Launching command line:" << command << "Arguments:" << arguments << "WD:" << workingFolder;
    QProcess::startDetached(command, arguments, workingFolder);
}
