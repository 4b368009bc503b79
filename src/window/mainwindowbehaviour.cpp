// Window behaviour: actions, tray, window controls, minimise and restore,
// stay on top, dragging by the background, painting, quitting and reload.
#include "mainwindow.h"

#include <memory>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStateMachine>

#include "config/vocabulary.h"
#include "platform/logging.h"
#include "platform/platform.h"
#include "widgets/imagefiles.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"

namespace {

// The steps of init that advance the reload's progress dialog.
constexpr int reloadSteps = 6;

} // namespace

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
    // Which launcher this is, for the user who reports a fault.
    versionAction = new QAction(tr("gatepoint versione %1").arg(QStringLiteral(GATEPOINT_VERSION)), this);
    versionAction->setEnabled(false);
    trayMenu->addAction(versionAction);
    trayMenu->addSeparator();
    trayMenu->addAction(minimizeAction);
    trayMenu->addAction(restoreAction);
    trayMenu->addSeparator();
    trayMenu->addAction(quitAction);
    trayIcon = new QSystemTrayIcon(windowIconPicture, this);
    trayIcon->setContextMenu(trayMenu);
    trayIcon->setToolTip(config.title);
    trayIcon->setVisible(interactive);
}

void MainWindow::createToolButtons()
{
    auto make = [this](const LauncherConfig::Control &group, const QString &text) {
        auto *button = new ToolButton(this);
        button->setUncheckedPixmap(ImageFiles::pixmap(group.image), true);
        button->setToolTip(text);
        button->setAccessibleName(text);
        button->setPosition(QPointF(group.llx, group.lly));
        // Reachable by Tab for keyboard users; a click leaves the focus on
        // the launch button it was on.
        button->setFocusPolicy(Qt::TabFocus);
        button->show();
        return button;
    };
    if (config.info.present) {
        infoButton = make(config.info, tr("Informazioni"));
        infoButton->setCommand(config.info.process, config.info.args, QString());
    }
    if (config.document.present) {
        documentsButton = make(config.document, tr("Documenti"));
        documentsButton->setCommand(QStringLiteral("OPENFOLDER"), config.document.args, QString());
    }
    if (config.alwaysOnTop.present) {
        stayOnTopButton = make(config.alwaysOnTop, tr("Primo piano"));
        stayOnTopButton->setCheckedPixmap(ImageFiles::pixmap(config.alwaysOnTop.toggleImage), false);
    }
    if (config.minimize.present)
        minimizeButton = make(config.minimize, tr("Minimizza"));
    if (config.exit.present)
        exitButton = make(config.exit, tr("Esci"));
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
    delete versionAction;
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
    if (autorunRunning > 0) {
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

void MainWindow::bringForward()
{
    qCDebug(lcWindow) << "MainWindow::bringForward()";
    // A window on its way out (a quit waits for an autorun pass) or one that
    // never passed its checks stays as it is.
    if (quitRequested || !skinShown)
        return;
    if (!isVisible()) {
        // Started hidden: shown as a first start shows it.
        present(false, false);
        return;
    }
    if (windowState() & Qt::WindowMinimized)
        showNormal();
    raise();
    activateWindow();
    Platform::takeKeyboardFocus(this);
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
    progressDialog = new QProgressDialog(tr("Elaborazione in corso ..."), QString(), 0, reloadSteps, nullptr);
    progressDialog->setAttribute(Qt::WA_DeleteOnClose);
    progressDialog->setWindowModality(Qt::WindowModal);
    progressDialog->setWindowIcon(windowIcon());
    progressDialog->setWindowTitle(tr("Attendere"));
    progressDialog->setValue(0);
    progressDialog->show();

    // The window stays mapped while it is rebuilt, its picture frozen: an
    // unmap followed at once by a map is lost by some window managers,
    // which leaves the rebuilt window invisible.
    const bool wasVisible = isVisible();
    setUpdatesEnabled(false);
    // A pass of the previous configuration works on its own copy of the
    // lists; it is left to finish on its own.
    teardown();
    init(path);
    if (!passedChecks() && skinShown) {
        // A skin that fails its checks is not shown; the one on screen is
        // built again instead and the session goes on.
        qCDebug(lcWindow) << "MainWindow::onReloadRequest: the skin fails its checks, keeping" << shownOverride;
        teardown();
        init(shownOverride);
        delete progressDialog;
        setUpdatesEnabled(true);
        if (!passedChecks()) {
            // The skin on screen has gone bad as well: end as a start-up
            // on it would.
            hide();
            if (!validInstance && canRunResult)
                QMessageBox::critical(nullptr, QCoreApplication::translate("main", "Avvio"),
                    QCoreApplication::translate("main", "Non sono presenti risorse valide"), QMessageBox::Ok);
            QCoreApplication::exit(-1);
            return;
        }
        present(false, wasVisible);
        return;
    }
    delete progressDialog;
    setUpdatesEnabled(true);
    if (!passedChecks()) {
        hide();
        return;
    }
    shownOverride = path;
    skinShown = true;
    if (interactive)
        runAutorunPrograms();
    present(false, wasVisible);
}

void MainWindow::start(bool startHidden)
{
    if (passedChecks() && interactive)
        runAutorunPrograms();
    if (passedChecks()) {
        skinShown = true;
        present(startHidden, false);
    }
}

void MainWindow::present(bool startHidden, bool onScreen)
{
    if (startHidden && trayIcon && trayIcon->isVisible()) {
        qCDebug(lcWindow) << "MainWindow: starting hidden, the tray icon brings the window back";
        return;
    }
    if (startHidden)
        qCDebug(lcWindow) << "MainWindow: no system tray to bring a hidden window back, showing it";
    // A new window goes to the middle of the screen; a rebuilt one stays
    // where the user left it, as far as it still fits.
    const QRect available = screen() ? screen()->availableGeometry() : QRect();
    const QPoint preferred
        = onScreen || available.isEmpty() ? pos() : available.center() - QPoint(width() / 2, height() / 2);
    fitOnScreen(preferred);
    show();
    raise();
    activateWindow();
    focusFirstButton();
}

void MainWindow::fitOnScreen(const QPoint &preferred)
{
    QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where) {
        move(preferred);
        return;
    }
    const QRect available = where->availableGeometry();
    // The window controls' extent inside the window: they must stay
    // reachable when the whole window cannot be.
    QRect controls;
    for (const ToolButton *control : { infoButton.data(), documentsButton.data(), stayOnTopButton.data(),
             minimizeButton.data(), exitButton.data() }) {
        if (control)
            controls |= control->geometry();
    }
    auto place = [](int wanted, int length, int start, int end, int controlStart, int controlEnd) {
        if (length <= end - start)
            return qBound(start, wanted, end - length);
        // Too long for the screen: start at its edge, and shift so that the
        // controls are on it where they fit.
        int at = start;
        if (controlEnd > controlStart) {
            if (at + controlEnd > end)
                at = end - controlEnd;
            if (at + controlStart < start)
                at = start - controlStart;
        }
        return at;
    };
    const int x = place(preferred.x(), width(), available.left(), available.right() + 1, controls.left(),
        controls.isEmpty() ? 0 : controls.right() + 1);
    const int y = place(preferred.y(), height(), available.top(), available.bottom() + 1, controls.top(),
        controls.isEmpty() ? 0 : controls.bottom() + 1);
    move(x, y);
}

void MainWindow::focusFirstButton()
{
    if (!firstButton)
        return;
    if (stateMachine && !stateMachine->isRunning()) {
        // The buttons show once the layout machine has entered its home
        // layout; a hidden button cannot keep the focus.
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(stateMachine, &QStateMachine::started, this, [this, connection] {
            QObject::disconnect(*connection);
            focusFirstButton();
        });
        return;
    }
    // Taken when the window becomes active, if it is not yet.
    firstButton->setFocus(Qt::TabFocusReason);
}

LaunchButton *MainWindow::openFolder() const
{
    if (!stateMachine)
        return nullptr;
    const QSet<QAbstractState *> active = stateMachine->configuration();
    for (auto it = subMenuLayouts.constBegin(); it != subMenuLayouts.constEnd(); ++it) {
        if (it.key()->subMenu() && active.contains(it.key()->subMenu()))
            return it.key();
    }
    return nullptr;
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape is the way back out of an open folder; with none open it does
    // nothing.
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        if (LaunchButton *folder = openFolder()) {
            emit folder->clicked(false);
            folder->setFocus(Qt::TabFocusReason);
        }
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
