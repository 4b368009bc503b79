#pragma once

#include <atomic>

#include <QFuture>
#include <QIcon>
#include <QMainWindow>
#include <QMap>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariant>

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QShortcut>
#include <QHash>
#include <QState>
#include <QStateMachine>
#include <QThreadPool>

#include "config/launcherconfig.h"
#include "widgets/imagefiles.h"
#include "widgets/startfailurenotice.h"
#include "widgets/toolbutton.h"

class LaunchButton;
class QAbstractTransition;

// The launcher's only window: a frameless window drawn from the skin's
// background, with one launch button per link, the window controls, the
// tray icon, the document actions and the autorun programs.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // Builds the window from the skin that the links folder lookup finds.
    // Nothing is shown and no program starts until start().
    explicit MainWindow(bool interactive, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs the autorun programs (the waiting ones to their end, the others
    // in the background) and shows the window. With startHidden the window
    // stays hidden while a tray icon can bring it back.
    void start(bool startHidden = false);

    // Read by the fuzzer on its own; the window reads it through init.
    void loadLauncherConfiguration(const QString &linksFolderOverride, bool fullReading);
    bool verifyBackground() const;

    // The top-level launch buttons in layout order.
    const QList<LaunchButton *> &launchButtons() const { return buttons; }
    QString linksFolderPath() const { return linksFolder; }
    QString background() const { return config.backgroundPath; }
    QStateMachine *layoutMachine() const { return stateMachine; }
    QSystemTrayIcon *tray() const { return trayIcon; }
    ToolButton *toolButton(const QString &group) const;
    const QMap<QString, QVariant> &defaults() const { return config.buttonDefaults; }

    // The absolute path of a program named in the autorun list.
    static QString programPath(const QString &name);

public slots:
    bool canRun() const;
    bool isValidInstance() const;
    void _cmd(QStringList &args, const QString &processPidFilePath);
    void _cmd(QStringList &args);

    void quitRequest();
    void minimize();
    void restore();
    // Restores, raises and activates the window, also when it is minimised
    // or hidden (a later start of the launcher asks for it).
    void bringForward();
    void toggleStayOnTop(bool value);
    void systemTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void onReloadRequest(QString path);
    void launch_cmd_sign();
    void launch_cmd_verify();
    void launch_cmd_timestamp();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    using AutorunEntry = LauncherConfig::AutorunEntry;

    // The whole initialisation; an empty override looks the links folder up.
    void init(const QString &linksFolderOverride);
    void loadFonts(const QString &folder);
    void createButtons();
    bool passedChecks() const { return canRunResult && validInstance; }

    void resetState();
    void teardown();
    void advanceProgress();
    void createActions();
    void createTray();
    void createToolButtons();
    void connectSignals();
    void buildLayout();
    void launchDocumentAction(const QString &action);
    void runAutorunPrograms();
    void runAutorun(bool waitPass);
    void present(bool startHidden, bool onScreen);
    void fitOnScreen(const QPoint &preferred);
    void focusFirstButton();
    LaunchButton *openFolder() const;
    void runAutorunPass(const QList<AutorunEntry> &entries, bool waitPass);
    void animateShift(QAbstractTransition *there, QAbstractTransition *back, QObject *target);
    void layOutSubMenu(LaunchButton *button);

    bool interactive;
    bool canRunResult = true;
    bool validInstance = false;
    bool fullMode = true;

    QString linksFolder = QStringLiteral("links");
    QString linksDirectory; // the resolved, absolute links folder
    QString windowIconPath;
    QIcon windowIconPicture;
    // What launcher.conf says; a links folder without one keeps the values
    // of the last that had one, but for those a reset clears.
    LauncherConfig config;

    QList<LaunchButton *> buttons;
    // The top-level button that comes first in reading order at home.
    QPointer<LaunchButton> firstButton;
    // The links folder override of the skin on screen, for going back to it
    // when a reload's skin fails its checks.
    QString shownOverride;
    bool skinShown = false;
    QPointer<QStateMachine> stateMachine;
    QState *homeState = nullptr;
    // What a folder button's sub-menu needs to be laid out on first opening.
    struct SubMenuLayout {
        double y;
        QAbstractTransition *there;
        QAbstractTransition *back;
        bool laidOut;
    };
    QHash<LaunchButton *, SubMenuLayout> subMenuLayouts;
    QPointer<QProgressDialog> progressDialog;
    // Background passes run on a pool of their own: each reload starts one
    // while earlier ones may still wait on long-running programs, and a
    // shared pool's few threads would make the newest pass wait for them.
    QThreadPool autorunPool;

    QPointer<QAction> minimizeAction;
    QPointer<QAction> restoreAction;
    QPointer<QAction> quitAction;
    QPointer<QAction> versionAction;
    QList<QPointer<QShortcut>> shortcuts;
    QPointer<QMenu> trayMenu;
    QPointer<QSystemTrayIcon> trayIcon;
    QPointer<ToolButton> exitButton;
    QPointer<ToolButton> minimizeButton;
    QPointer<ToolButton> stayOnTopButton;
    QPointer<ToolButton> documentsButton;
    QPointer<ToolButton> infoButton;

    // Decoded while the buttons are made; the first paint waits for it.
    ImageFiles::PendingPixmap backgroundPicture;
    QPoint dragOffset;
    bool justRestored = false;
    // Autorun programs running now, over every pass.
    std::atomic_int autorunRunning { 0 };
    StartFailureNotice *startFailureNotice = nullptr;
    std::atomic_bool quitRequested { false };
};
