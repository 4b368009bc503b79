// Construction and link loading: the links folder, "launcher.conf", the
// start-up gates, the fonts, the buttons and their layout machine.
#include "mainwindow.h"

#include <algorithm>
#include <utility>
#include <memory>

#include <QDebug>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLayout>
#include <QProgressDialog>
#include <QPropertyAnimation>
#include <QSet>
#include <QSignalTransition>
#include <QState>
#include <QStateMachine>
#include <QtConcurrent>

#include "config/backgroundsignature.h"
#include "config/buttonconfig.h"
#include "config/inifile.h"
#include "config/launcherconfig.h"
#include "config/layout.h"
#include "config/paths.h"
#include "config/recordreading.h"
#include "config/vocabulary.h"
#include "platform/logging.h"
#include "platform/platform.h"
#include "widgets/imagefiles.h"
#include "widgets/launchbutton.h"
#include "widgets/toolbutton.h"
#include "window/appflags.h"

using namespace Vocabulary;

namespace {

// A skin author can put anything into a links folder; a launcher that
// shows more buttons than this is broken anyway, and reading them all
// would only delay the window.
constexpr int maximumLinkEntries = 20000;
// Larger than any real font or links.conf; a file past these is refused
// rather than read into memory.
constexpr qint64 maximumFontFileBytes = qint64(64) * 1024 * 1024;
constexpr qint64 maximumLinksConfBytes = 1024 * 1024;

// Background autorun passes alive at once; each reload starts one, and one
// waiting on an agent that never ends keeps its thread.
constexpr int maximumAutorunPasses = 64;

// The button's own size: the configured one, or its picture's when none is
// configured.
QSize ownSize(const LaunchButton *button)
{
    return { button->width(), button->height() };
}

// Spreads a layout's property assignments over parts of one parallel state.
// A state scans its whole assignment list on every new assignment, building a
// key each time, so one state for a thousand links costs millions of
// allocations; a part per link instead makes the machine sort thousands of
// states when it enters the layout. Parts of two dozen keep both small.
class LayoutParts {
public:
    explicit LayoutParts(QState *layout)
        : layout(layout)
    {
        layout->setChildMode(QState::ParallelStates);
    }

    void assign(QObject *target, const char *property, const QVariant &value)
    {
        if (!part || used == assignmentsPerPart) {
            part = new QState(layout);
            used = 0;
        }
        part->assignProperty(target, property, value);
        ++used;
    }

private:
    static constexpr int assignmentsPerPart = 24;
    QState *layout;
    QState *part = nullptr;
    int used = 0;
};

// A click that opens or closes a sub-menu; a sub-menu whose entries, read
// on that first click, turn out to be none does not open.
class SubMenuTransition final : public QSignalTransition {
public:
    SubMenuTransition(LaunchButton *button, QState *source, QState *target)
        : QSignalTransition(button, &QAbstractButton::clicked, source)
        , button(button)
    {
        setTargetState(target);
    }

protected:
    bool eventTest(QEvent *event) override
    {
        return QSignalTransition::eventTest(event) && button && button->hasChildren();
    }

private:
    QPointer<LaunchButton> button;
};

} // namespace

MainWindow::MainWindow(bool isInteractive, QWidget *parent)
    : QMainWindow(parent)
    , interactive(isInteractive)
{
    setAttribute(Qt::WA_MouseTracking);
    // The window places every widget itself and has no bars, docks or
    // central widget: its own layout has nothing to do. Left on, it would
    // lay out again, over all the window's children, each time one more
    // button shows, so that showing n buttons cost n squared.
    if (QLayout *own = layout())
        own->setEnabled(false);
    // A pass waits on its program for as long as that runs; a thread per
    // pass, never reused for anything else.
    autorunPool.setMaxThreadCount(maximumAutorunPasses);
    startFailureNotice = new StartFailureNotice(this);
    init(QString());
}

MainWindow::~MainWindow()
{
    // The background passes read their own copies of the lists, but they
    // still count their programs in the window: let them end first.
    autorunPool.waitForDone();
    teardown();
}

bool MainWindow::canRun() const
{
    return canRunResult;
}

bool MainWindow::isValidInstance() const
{
    return validInstance;
}

ToolButton *MainWindow::toolButton(const QString &group) const
{
    if (group == Group::exit)
        return exitButton;
    if (group == Group::minimize)
        return minimizeButton;
    if (group == Group::alwaysOnTop)
        return stayOnTopButton;
    if (group == Group::info)
        return infoButton;
    if (group == Group::document)
        return documentsButton;
    return nullptr;
}

void MainWindow::resetState()
{
    for (LauncherConfig::Control *control :
        { &config.exit, &config.minimize, &config.alwaysOnTop, &config.info, &config.document })
        *control = LauncherConfig::Control();
    config.anyAutorunWaits = false;
    canRunResult = true;
    config.pinCheckRequired = false;
    validInstance = false;
    config.layout.shiftDuration = Default::shiftDuration;
    fullMode = true;
    windowIconPath.clear();
    // A reload reads the skin's pictures afresh.
    ImageFiles::forgetReadings();
    buttons.clear();
    config.autorun.clear();
}

void MainWindow::advanceProgress()
{
    if (progressDialog && progressDialog->value() < progressDialog->maximum())
        progressDialog->setValue(progressDialog->value() + 1);
}

void MainWindow::init(const QString &linksFolderOverride)
{
    qCDebug(lcWindow) << "init";
    resetState();

    loadLauncherConfiguration(linksFolderOverride, true);

    if (config.pinCheckRequired) {
        // Only the exact text "1" passes; what merely reads as the number
        // one ("+1", "01", "1 ") does not.
        const QByteArray done = qgetenv("PIN_CHECK_DONE");
        if (done != "1") {
            qCDebug(lcWindow) << "MainWindow::init: PIN check not passed, PIN_CHECK_DONE is" << done;
            canRunResult = false;
            return;
        }
    }

    validInstance = verifyBackground();
    if (!validInstance)
        return;
    // Decoded on its own thread while the rest is built; only the first
    // paint needs it.
    backgroundPicture.start(config.backgroundPath);

    if (framelessWindow) {
        // No border is drawn anyway: the window paints only its background.
        // A style sheet saying so would send every one of the thousands of
        // buttons and overlays through the style-sheet engine before the
        // first frame, the costliest step of a large medium's start.
        // Setting flags hides a window on screen; a reload keeps the same.
        const Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint;
        if (windowFlags() != flags)
            setWindowFlags(flags);
    }
    setAttribute(Qt::WA_TranslucentBackground);
    advanceProgress();

    createActions();
    advanceProgress();

    const QDir links(linksDirectory);
    windowIconPath = links.filePath(File::iconPng);
    if (!QFileInfo::exists(windowIconPath))
        windowIconPath = links.filePath(File::iconIco);
    windowIconPicture = ImageFiles::icon(windowIconPath);
    setWindowIcon(windowIconPicture);
    setWindowIconText(config.title);
    setWindowTitle(config.title);
    createTray();
    startFailureNotice->setTrayIcon(trayIcon);

    loadFonts(links.filePath(File::fontsFolder));
    advanceProgress();

    setFixedSize(backgroundPicture.size());
    createToolButtons();
    advanceProgress();

    createButtons();
    advanceProgress();

    connectSignals();
    advanceProgress();

    setFocusPolicy(Qt::NoFocus);
    // Shown by start() or by the reload that called this, once: a window
    // mapped, unmapped and mapped again in quick succession is left
    // unmapped by some window managers.
}

void MainWindow::loadLauncherConfiguration(const QString &linksFolderOverride, bool fullReading)
{
    // Where the links folder lies.
    if (!linksFolderOverride.isEmpty()) {
        linksFolder = linksFolderOverride;
    } else {
        const QString besideProgram = baseDirectory(false).filePath(File::linksConf);
        const QString inHome = QDir::home().filePath(File::homeLinksConf);
        const QString linksConf = QFileInfo::exists(besideProgram) ? besideProgram
            : QFileInfo::exists(inHome)                            ? inHome
                                                                   : QString();
        if (!linksConf.isEmpty()) {
            // A pipe or a device named links.conf reads as an empty file.
            const IniFile settings(linksConf, maximumLinksConfBytes);
            linksFolder = settings.value(Key::loadConfpath, linksFolder).toString();
            linksFolder
                = settings.value(Key::loadPrefix + osName() + QLatin1Char('/') + Key::confpath, linksFolder).toString();
        } else {
            linksFolder = File::linksFolder;
        }
    }
    linksDirectory = QDir::cleanPath(baseDirectory(true).absoluteFilePath(linksFolder));
    if (!QFileInfo(linksDirectory).isDir()) {
        linksFolder = File::linksFolder;
        linksDirectory = QDir::cleanPath(baseDirectory(false).absoluteFilePath(File::linksFolder));
    }

    LauncherConfig read = LauncherConfig::read(linksDirectory, fullReading);
    if (read.found)
        config = std::move(read);
}

bool MainWindow::verifyBackground() const
{
    return BackgroundSignature::verifyFile(config.backgroundPath);
}

void MainWindow::loadFonts(const QString &folder)
{
    // Folders are entered by their canonical path once, so a symbolic-link
    // loop or a folder reached twice cannot make this run forever.
    QSet<QString> visited;
    std::function<void(const QString &)> walk = [&](const QString &path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || visited.contains(canonical))
            return;
        visited.insert(canonical);
        const QFileInfoList entries = QDir(canonical).entryInfoList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
        for (const QFileInfo &entry : entries) {
            if (entry.isSymLink() || entry.fileName().startsWith(QLatin1Char('.')))
                continue;
            if (entry.isDir()) {
                walk(entry.canonicalFilePath());
                continue;
            }
            const QString suffix = entry.suffix().toLower();
            if (suffix != QLatin1String("ttf") && suffix != QLatin1String("otf") && suffix != QLatin1String("ttc"))
                continue;
            // Read through the platform: a pipe named like a font would
            // block the font database's own open for ever.
            const Platform::FileContents font
                = Platform::readPlainFile(entry.canonicalFilePath(), maximumFontFileBytes);
            if (font.status != Platform::FileContents::Read
                || QFontDatabase::addApplicationFontFromData(font.data) == -1)
                qCDebug(lcWindow) << "### loading font " << entry.fileName() << " failed";
        }
    };
    walk(folder);
}

void MainWindow::createButtons()
{
    const QDir links(linksDirectory);
    const QFileInfoList entries = links.entryInfoList(
        { File::linkPattern }, QDir::Dirs | QDir::Files | QDir::Drives | QDir::NoDotAndDotDot, QDir::NoSort);
    // Read on two threads: on a medium of many links this is most of the
    // start-up's work, and the debug lines still come in entry order.
    // A folder's entries, and a drop sub-menu's, are read when first needed.
    TopLevelRecords read = readTopLevelRecords(
        entries, config.buttonDefaults, fullMode, maximumLinkEntries, 2, ButtonConfig::Reading::EntryOnly);
    if (read.capped)
        qCDebug(lcWindow) << "MainWindow::createButtons: too many links, the rest is left out" << links.absolutePath();
    std::vector<std::unique_ptr<ButtonConfig>> &records = read.records;
    std::stable_sort(
        records.begin(), records.end(), [](const auto &a, const auto &b) { return a->priority < b->priority; });

    // The buttons share their pictures: each file is looked at once.
    const ImageFiles::ReadingPass pictures;
    for (auto &record : records) {
        auto *button = new LaunchButton(record.get(), this);
        const QSize size = Layout::buttonSize(ownSize(button), config.layout);
        button->setGeometry(0, 0, size.width(), size.height());
        button->setFocusPolicy(Qt::StrongFocus);
        connect(button, &LaunchButton::reload, this, &MainWindow::onReloadRequest);
        buttons.append(button);
    }
    buildLayout();
}

void MainWindow::buildLayout()
{
    stateMachine = new QStateMachine(this);
    homeState = new QState(QState::ParallelStates, stateMachine);
    stateMachine->setInitialState(homeState);
    LayoutParts home(homeState);

    std::stable_sort(buttons.begin(), buttons.end(), [](const LaunchButton *a, const LaunchButton *b) {
        return a->configuration().priority > b->configuration().priority;
    });

    QVector<QSize> sizes;
    for (const LaunchButton *button : qAsConst(buttons))
        sizes.append(ownSize(button));
    const QVector<QRectF> places = Layout::homeRects(config.layout, sizes);
    std::pair<double, double> firstPlace;
    for (int i = 0; i < buttons.size(); ++i) {
        LaunchButton *button = buttons.at(i);
        const QRectF &place = places.at(i);
        if (i > 0)
            QWidget::setTabOrder(buttons.at(i - 1), button);
        // Keyboard focus starts on the button a reader meets first: the
        // top row, then the left.
        if (i == 0 || std::make_pair(place.y(), place.x()) < firstPlace) {
            firstPlace = std::make_pair(place.y(), place.x());
            firstButton = button;
        }
        button->setHomePosition(QPoint(int(place.x()), int(place.y())));
        home.assign(button, Property::geometry, place);
        home.assign(button, Property::visible, true);
        home.assign(button, Property::focusPolicy, int(Qt::StrongFocus));
        home.assign(button, Property::showChecked, false);
    }

    // The window controls follow the launch buttons in the Tab chain.
    QWidget *previous = buttons.isEmpty() ? nullptr : buttons.last();
    for (ToolButton *control : { infoButton.data(), documentsButton.data(), stayOnTopButton.data(),
             minimizeButton.data(), exitButton.data() }) {
        if (!control)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }

    for (int i = 0; i < buttons.size(); ++i) {
        LaunchButton *button = buttons.at(i);
        if (!button->mayHaveChildren())
            continue;
        const QRectF &own = places.at(i);
        QState *subState = button->subMenu();
        stateMachine->addState(subState);
        LayoutParts open(subState);

        open.assign(button, Property::geometry, Layout::openRect(config.layout, own));
        open.assign(button, Property::showChecked, true);
        // Connected before the transitions, so it runs first on a click:
        // the sub-menu's buttons are made and placed just before it opens.
        connect(button, &QAbstractButton::clicked, this, [this, button] { layOutSubMenu(button); });
        auto *there = new SubMenuTransition(button, homeState, subState);
        auto *back = new SubMenuTransition(button, subState, homeState);
        animateShift(there, back, button);
        // What the sub-menu does to the other buttons is set on its first
        // opening too: for every sub-menu at once that is the square of the
        // number of buttons, in assignments and animations.
        subMenuLayouts.insert(button, { own.y(), there, back, false });
    }

    if (!stateMachine->isRunning())
        stateMachine->start();
}

void MainWindow::animateShift(QAbstractTransition *there, QAbstractTransition *back, QObject *target)
{
    for (QAbstractTransition *transition : { there, back }) {
        auto *animation = new QPropertyAnimation(target, Property::geometry, stateMachine);
        animation->setDuration(config.layout.shiftDuration);
        transition->addAnimation(animation);
    }
}

void MainWindow::layOutSubMenu(LaunchButton *button)
{
    const auto it = subMenuLayouts.find(button);
    if (it == subMenuLayouts.end() || it->laidOut || !homeState)
        return;
    it->laidOut = true;
    // Parts added to the home layout while it is active apply from the next
    // return home on; until then the buttons are put there by hand.
    LayoutParts home(homeState);
    LayoutParts open(button->subMenu());
    // The other top-level buttons leave, from where they stood when the
    // buttons were made (the origin, at their own size).
    for (LaunchButton *other : qAsConst(buttons)) {
        if (other == button)
            continue;
        const QSize size = Layout::buttonSize(ownSize(other), config.layout);
        open.assign(other, Property::geometry, QRectF(500, -500, size.width() - 500, size.height()));
        open.assign(other, Property::visible, false);
        open.assign(other, Property::focusPolicy, int(Qt::NoFocus));
        animateShift(it->there, it->back, other);
    }
    const std::vector<LaunchButton *> &children = button->children();
    for (size_t k = 0; k < children.size(); ++k) {
        LaunchButton *child = children.at(k);
        if (k > 0)
            QWidget::setTabOrder(children.at(k - 1), child);
        const QRectF place = Layout::entryRect(config.layout, int(k), ownSize(child), it->y);
        const double x = place.x();
        const double y = place.y();
        const QSize size(int(place.width()), int(place.height()));
        const QRectF hidden(x, -500, size.width(), size.height());
        child->setGeometry(hidden.toRect());
        child->setVisible(false);
        child->setFocusPolicy(Qt::NoFocus);
        child->setHomePosition(QPoint(int(x), int(y)));
        home.assign(child, Property::geometry, hidden);
        home.assign(child, Property::visible, false);
        home.assign(child, Property::focusPolicy, int(Qt::NoFocus));
        open.assign(child, Property::geometry, QRectF(x, y, size.width(), size.height()));
        open.assign(child, Property::visible, true);
        open.assign(child, Property::focusPolicy, int(Qt::StrongFocus));
        animateShift(it->there, it->back, child);
    }
}
