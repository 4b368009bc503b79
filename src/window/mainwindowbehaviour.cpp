// Window behaviour: actions, tray, window controls, minimise and restore,
// stay on top, dragging by the background, painting, quitting and reload.
#include "mainwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QShortcut>
#include <QStateMachine>

#include "config/vocabulary.h"
#include "platform/logging.h"
#include "platform/platform.h"
#include "widgets/imagefiles.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"

void MainWindow::createActions()
{
    minimizeAction = new QAction(tr("Mi&nimizza"), this);
    restoreAction = new QAction(tr("&Ripristina"), this);
    quitAction = new QAction(tr("&Esci"), this);
    for (const char *keys : { "Ctrl+f", "Ctrl+v", "Ctrl+t" }) {
        auto *shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcuts.append(shortcut);
    }
}

void MainWindow::createTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    trayMenu = new QMenu(this);
    trayMenu->addAction(minimizeAction);
    trayMenu->addAction(restoreAction);
    trayMenu->addSeparator();
    trayMenu->addAction(quitAction);
    trayIcon = new QSystemTrayIcon(windowIconPicture, this);
    trayIcon->setContextMenu(trayMenu);
    trayIcon->setVisible(interactive);
}

void MainWindow::createToolButtons()
{
    auto make = [this](const ToolGroup &group, const QString &text) {
        auto *button = new ToolButton(this);
        button->setUncheckedPixmap(ImageFiles::pixmap(group.image), true);
        button->setToolTip(text);
        button->setAccessibleName(text);
        button->setPosition(QPointF(group.llx, group.lly));
        button->setFocusPolicy(Qt::NoFocus);
        button->show();
        return button;
    };
    if (infoGroup.present) {
        infoButton = make(infoGroup, tr("Informazioni"));
        infoButton->setCommand(infoGroup.process, infoGroup.args, QString());
    }
    if (documentGroup.present) {
        documentsButton = make(documentGroup, tr("Documenti"));
        documentsButton->setCommand(QStringLiteral("OPENFOLDER"), documentGroup.args, QString());
    }
    if (stayOnTopGroup.present) {
        stayOnTopButton = make(stayOnTopGroup, tr("Primo piano"));
        stayOnTopButton->setCheckedPixmap(ImageFiles::pixmap(stayOnTopGroup.toggleImage), false);
    }
    if (minimizeGroup.present)
        minimizeButton = make(minimizeGroup, tr("Minimizza"));
    if (exitGroup.present)
        exitButton = make(exitGroup, tr("Esci"));
}

void MainWindow::connectSignals()
{
    if (stayOnTopButton)
        connect(stayOnTopButton, &ToolButton::toggled, this, &MainWindow::toggleStayOnTop);
    if (exitButton)
        connect(exitButton, &ToolButton::clicked, this, &MainWindow::quitRequest);
    if (minimizeButton)
        connect(minimizeButton, &ToolButton::clicked, this, &MainWindow::minimize);
    connect(quitAction, &QAction::triggered, this, &MainWindow::quitRequest);
    connect(minimizeAction, &QAction::triggered, this, &MainWindow::minimize);
    connect(restoreAction, &QAction::triggered, this, &MainWindow::restore);
    if (trayIcon && trayIcon->isVisible())
        connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::systemTrayActivated);
    if (shortcuts.size() == 3) {
        connect(shortcuts.at(0), &QShortcut::activated, this, &MainWindow::launch_cmd_sign);
        connect(shortcuts.at(1), &QShortcut::activated, this, &MainWindow::launch_cmd_verify);
        connect(shortcuts.at(2), &QShortcut::activated, this, &MainWindow::launch_cmd_timestamp);
    }
}

void MainWindow::teardown()
{
    // The machine goes first: its transitions listen to the buttons.
    if (stateMachine) {
        stateMachine->stop();
        delete stateMachine;
    }
    homeState = nullptr;
    subMenuLayouts.clear();
    qDeleteAll(buttons);
    buttons.clear();
    delete trayIcon;
    delete trayMenu;
    delete minimizeAction;
    delete restoreAction;
    delete quitAction;
    for (const QPointer<QShortcut> &shortcut : shortcuts)
        delete shortcut;
    shortcuts.clear();
    delete exitButton;
    delete minimizeButton;
    delete stayOnTopButton;
    delete documentsButton;
    delete infoButton;
}

void MainWindow::quitRequest()
{
    quitRequested = true;
    if (autorunRunning) {
        // The autorun pass ends the application when its program exits.
        hide();
        if (trayIcon)
            trayIcon->setVisible(false);
        return;
    }
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    quitRequest();
    event->accept();
}

void MainWindow::minimize()
{
    qCDebug(lcWindow) << "MainWindow::minimize()";
    Platform::forceMinimize(this);
}

void MainWindow::restore()
{
    qCDebug(lcWindow) << "MainWindow::restore()";
    showNormal();
}

void MainWindow::systemTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger && restoreAction)
        restoreAction->trigger();
}

void MainWindow::toggleStayOnTop(bool value)
{
    qCDebug(lcWindow) << "MainWindow::toggleStayOnTop";
    Platform::setStayOnTop(this, value);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    qCDebug(lcWindow) << "MainWindow::changeEvent";
    if (windowState() & Qt::WindowMinimized) {
        qCDebug(lcWindow) << "MINIMIZE";
        setProperty(Vocabulary::Property::oldrect, saveGeometry());
    } else {
        qCDebug(lcWindow) << "RESTORE";
        restoreGeometry(property(Vocabulary::Property::oldrect).toByteArray());
        justRestored = true;
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    qCDebug(lcWindow) << "MainWindow::moveEvent";
    QMainWindow::moveEvent(event);
    repaint();
}

void MainWindow::showEvent(QShowEvent *event)
{
    qCDebug(lcWindow) << "MainWindow::showEvent()";
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest));
    QMainWindow::showEvent(event);
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    QMainWindow::paintEvent(event);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::transparent);
    painter.setBrush(Qt::transparent);
    painter.drawPixmap(0, 0, backgroundPicture.pixmap());
    event->accept();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    qCDebug(lcWindow) << "MainWindow::mousePressEvent";
    QMainWindow::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        dragOffset = event->globalPos() - frameGeometry().topLeft();
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    qCDebug(lcWindow) << "MainWindow::mouseReleaseEvent";
    QMainWindow::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        dragOffset = event->globalPos() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    qCDebug(lcWindow) << "MainWindow::mouseMoveEvent";
    QMainWindow::mouseMoveEvent(event);
    if ((windowState() & Qt::WindowMinimized) || !(event->buttons() & Qt::LeftButton))
        return;
    if (justRestored) {
        justRestored = false;
        return;
    }
    move(event->globalPos() - dragOffset);
}

void MainWindow::onReloadRequest(QString path)
{
    qCDebug(lcWindow) << QStringLiteral("MainWindow::onReloadRequest(%1)").arg(path);
    delete progressDialog;
    progressDialog = new QProgressDialog(tr("Elaborazione in corso ..."), QString(), 0, 6, nullptr);
    progressDialog->setAttribute(Qt::WA_DeleteOnClose);
    progressDialog->setWindowModality(Qt::WindowModal);
    progressDialog->setWindowIcon(windowIcon());
    progressDialog->setWindowTitle(tr("Attendere"));
    progressDialog->setValue(0);
    progressDialog->show();

    hide();
    // A pass of the previous configuration works on its own copy of the
    // lists; it is left to finish on its own.
    teardown();
    init(path);
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
}
