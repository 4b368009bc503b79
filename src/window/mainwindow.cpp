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
#include <QSettings>
#include <QSignalTransition>
#include <QState>
#include <QStateMachine>
#include <QtConcurrent>

#include "config/backgroundsignature.h"
#include "config/buttonconfig.h"
#include "config/inifile.h"
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

QSize buttonSize(const LaunchButton *button, double defaultWidth, double defaultHeight)
{
    // The button's own size: the configured one, or its picture's when none
    // is configured; the window's defaults fill what is still zero.
    int w = button->width();
    int h = button->height();
    if (w == 0)
        w = int(defaultWidth);
    if (h == 0)
        h = int(defaultHeight);
    return { qMax(0, w), qMax(0, h) };
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
    for (ToolGroup *group : { &exitGroup, &minimizeGroup, &stayOnTopGroup, &infoGroup, &documentGroup })
        *group = ToolGroup();
    anyAutorunWaits = false;
    canRunResult = true;
    pinCheckRequired = false;
    validInstance = false;
    shiftDuration = 300;
    fullMode = true;
    windowIconPath.clear();
    // A reload reads the skin's pictures afresh.
    ImageFiles::forgetReadings();
    buttons.clear();
    autorun.clear();
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

    if (pinCheckRequired) {
        bool ok = false;
        const int done = qEnvironmentVariable("PIN_CHECK_DONE", QStringLiteral("0")).toInt(&ok, 10);
        if (!ok || done != 1) {
            canRunResult = false;
            return;
        }
    }

    validInstance = verifyBackground();
    if (!validInstance)
        return;

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
    setWindowIconText(windowTitle);
    setWindowTitle(windowTitle);
    createTray();
    startFailureNotice->setTrayIcon(trayIcon);

    loadFonts(links.filePath(File::fontsFolder));
    advanceProgress();

    backgroundPicture.start(backgroundPath);
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

void MainWindow::readToolGroup(QSettings &settings, const QStringList &groups, const QString &name, ToolGroup &group)
{
    const QDir links(linksDirectory);
    auto resolved = [&](const QString &text) {
        if (text.isEmpty())
            return QString();
        const QString path = links.absoluteFilePath(text);
        return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
    };
    group.present = groups.contains(name);
    settings.beginGroup(groupNames.value(name, name));
    group.image = resolved(settings.value(Key::image).toString());
    group.llx = toReal(settings.value(Key::llx, 0.0));
    group.lly = toReal(settings.value(Key::lly, 0.0));
    if (name == Group::alwaysOnTop)
        group.toggleImage = resolved(settings.value(Key::toggleImage).toString());
    if (name == Group::info) {
        group.process = resolved(settings.value(Key::process).toString());
        group.args = settings.value(Key::args).toStringList();
    }
    if (name == Group::document)
        group.args = settings.value(Key::args).toStringList();
    settings.endGroup();
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

    const QDir links(linksDirectory);
    const QString confPath = links.filePath(File::launcherConf);
    if (!QFileInfo(confPath).isFile())
        return;

    QSettings settings(confPath, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    const QStringList groups = settings.childGroups();
    groupNames.clear();
    for (const QString &base : { Group::app, Group::button, Group::buttonHover, Group::buttonDragging, Group::exit,
             Group::minimize, Group::alwaysOnTop, Group::info, Group::document })
        groupNames.insert(base, platformGroup(groups, base));

    // [app]
    settings.beginGroup(groupNames.value(Group::app));
    const QStringList programs = settings.value(Key::autorun).toStringList();
    for (int i = 0; i < programs.size(); ++i) {
        AutorunEntry entry;
        entry.program = programs.at(i);
        if (!entry.program.isEmpty() && QFileInfo::exists(links.filePath(entry.program)))
            entry.program = QDir::cleanPath(links.absoluteFilePath(entry.program));
        const QVariant rawArguments = settings.value(Key::autorunArgs.arg(i), QString());
        const QString argumentText = rawArguments.type() == QVariant::StringList
            ? rawArguments.toStringList().join(QLatin1Char(','))
            : rawArguments.toString();
        // An entry without arguments starts its program with none.
        if (!argumentText.isEmpty())
            entry.arguments = expandPlaceholders(argumentText).split(QLatin1Char(','), Qt::KeepEmptyParts);
        entry.wait = toBool(settings.value(Key::autorunWait.arg(i), false));
        anyAutorunWaits = anyAutorunWaits || entry.wait;
        autorun.append(entry);
    }
    windowTitle = settings.value(Key::title, QString()).toString();
    const QString backgroundText = settings.value(fullReading ? Key::background : Key::backgroundLite).toString();
    backgroundPath = !backgroundText.isEmpty() && QFileInfo::exists(links.filePath(backgroundText))
        ? QDir::cleanPath(links.absoluteFilePath(backgroundText))
        : QString();
    pinCheckRequired = toBool(settings.value(Key::pincheck, false));
    paddingLeft = toReal(settings.value(Key::paddingLeft, 0.0));
    paddingTop = toReal(settings.value(Key::paddingTop, 50.0));
    verticalLayout = isVerticalWord(settings.value(Key::layout, Word::horizontal).toString());
    settings.endGroup();

    // [button]
    settings.beginGroup(groupNames.value(Group::button));
    shiftDuration = qBound(0, toInt(settings.value(Key::shiftduration, shiftDuration)), 60000);
    marginRight = toReal(settings.value(Key::marginRight, 0.0));
    marginTop = toReal(settings.value(Key::marginTop, 0.0));
    if (settings.contains(Key::layout))
        verticalLayout = isVerticalWord(settings.value(Key::layout).toString());
    buttonHeight = toReal(settings.value(Key::height, 0.0));
    buttonWidth = toReal(settings.value(Key::width, 0.0));
    buttonDefaults.clear();
    buttonDefaults.insert(Inherited::width, buttonWidth);
    buttonDefaults.insert(Inherited::height, buttonHeight);
    const QList<QPair<QString, QVariant>> buttonKeys {
        { Inherited::radius, 5.0 },
        { Inherited::bluraround, 0 },
        { Inherited::blurdistance, 6.0 },
        { Inherited::blurx, 5 },
        { Inherited::blury, 5 },
        { Inherited::blurcolor, Default::blurColor },
        { Inherited::colorized, false },
        { Inherited::titlelinespace, 11 },
        { Inherited::titleoffsetW, 0 },
        { Inherited::titleoffsetH, 0 },
        { Inherited::titlefont, Default::titleFont },
        { Inherited::titlergb, Default::titleColor },
        { Inherited::titlestyle, Word::styleNormal },
        { Inherited::titleweight, Word::weightNormal },
        { Inherited::titlepixelsize, -1 },
        { Inherited::titlepointsize, -1 },
        { Inherited::titlealignment, Word::alignCenter },
        { Inherited::titleshadow, true },
    };
    for (const auto &key : buttonKeys)
        buttonDefaults.insert(key.first, settings.value(key.first, key.second));
    settings.endGroup();

    // [button-dragging]
    settings.beginGroup(groupNames.value(Group::buttonDragging));
    buttonDefaults.insert(Inherited::bouncetime, settings.value(Key::bouncetime, 400));
    buttonDefaults.insert(Inherited::bouncex, settings.value(Key::bouncex, 10));
    buttonDefaults.insert(Inherited::bouncey, settings.value(Key::bouncey, 10));
    buttonDefaults.insert(Inherited::dragx, settings.value(Key::ulx, 0));
    buttonDefaults.insert(Inherited::dragy, settings.value(Key::uly, 15));
    buttonDefaults.insert(Inherited::dragduration, settings.value(Key::duration, 400));
    if (settings.contains(Key::image))
        buttonDefaults.insert(
            Inherited::dragimage, QDir::cleanPath(links.absoluteFilePath(settings.value(Key::image).toString())));
    buttonDefaults.insert(Inherited::scalefactor, settings.value(Key::scalefactor, 0.8));
    settings.endGroup();

    // [button-hover]: the group's width is stored under the height name and
    // its height under the width name; existing skins are drawn for that.
    settings.beginGroup(groupNames.value(Group::buttonHover));
    buttonDefaults.insert(Inherited::hoverx, settings.value(Key::ulx, 0));
    buttonDefaults.insert(Inherited::hovery, settings.value(Key::uly, 15));
    if (settings.contains(Key::image))
        buttonDefaults.insert(
            Inherited::hoverimage, QDir::cleanPath(links.absoluteFilePath(settings.value(Key::image).toString())));
    if (settings.contains(Key::checkimage))
        buttonDefaults.insert(Inherited::hovercheckimage,
            QDir::cleanPath(links.absoluteFilePath(settings.value(Key::checkimage).toString())));
    buttonDefaults.insert(Inherited::hoverimageheight, settings.value(Key::width, 0));
    buttonDefaults.insert(Inherited::hoverimagewidth, settings.value(Key::height, 0));
    settings.endGroup();

    readToolGroup(settings, groups, Group::exit, exitGroup);
    readToolGroup(settings, groups, Group::minimize, minimizeGroup);
    readToolGroup(settings, groups, Group::alwaysOnTop, stayOnTopGroup);
    readToolGroup(settings, groups, Group::info, infoGroup);
    readToolGroup(settings, groups, Group::document, documentGroup);
}

bool MainWindow::verifyBackground() const
{
    return BackgroundSignature::verifyFile(backgroundPath);
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
        entries, buttonDefaults, fullMode, maximumLinkEntries, 2, ButtonConfig::Reading::EntryOnly);
    if (read.capped)
        qCDebug(lcWindow) << "MainWindow::createButtons: too many links, the rest is left out" << links.absolutePath();
    std::vector<std::unique_ptr<ButtonConfig>> &records = read.records;
    std::stable_sort(
        records.begin(), records.end(), [](const auto &a, const auto &b) { return a->priority < b->priority; });

    // The buttons share their pictures: each file is looked at once.
    const ImageFiles::ReadingPass pictures;
    for (auto &record : records) {
        auto *button = new LaunchButton(record.get(), this);
        const QSize size = buttonSize(button, buttonWidth, buttonHeight);
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

    struct Slot {
        double x;
        double y;
        QSize size;
    };
    QList<Slot> places;
    double sumWidths = 0.0;
    double sumHeights = 0.0;
    std::pair<double, double> firstPlace;
    for (int i = 0; i < buttons.size(); ++i) {
        LaunchButton *button = buttons.at(i);
        const QSize size = buttonSize(button, buttonWidth, buttonHeight);
        double x;
        double y;
        if (verticalLayout) {
            x = paddingLeft;
            y = paddingTop + i * marginTop + sumHeights;
        } else {
            x = paddingLeft + i * marginRight + sumWidths;
            y = paddingTop;
        }
        sumWidths += size.width();
        sumHeights += size.height();
        places.append({ x, y, size });
        if (i > 0)
            QWidget::setTabOrder(buttons.at(i - 1), button);
        // Keyboard focus starts on the button a reader meets first: the
        // top row, then the left.
        if (i == 0 || std::make_pair(y, x) < firstPlace) {
            firstPlace = std::make_pair(y, x);
            firstButton = button;
        }
        button->setHomePosition(QPoint(int(x), int(y)));
        home.assign(button, Property::geometry, QRectF(x, y, size.width(), size.height()));
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
        const Slot &own = places.at(i);
        QState *subState = button->subMenu();
        stateMachine->addState(subState);
        LayoutParts open(subState);

        const QRectF first = verticalLayout ? QRectF(own.x, paddingTop + 0.01, own.size.width(), own.size.height())
                                            : QRectF(paddingLeft + 0.01, own.y, own.size.width(), own.size.height());
        open.assign(button, Property::geometry, first);
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
        subMenuLayouts.insert(button, { own.y, there, back, false });
    }

    if (!stateMachine->isRunning())
        stateMachine->start();
}

void MainWindow::animateShift(QAbstractTransition *there, QAbstractTransition *back, QObject *target)
{
    for (QAbstractTransition *transition : { there, back }) {
        auto *animation = new QPropertyAnimation(target, Property::geometry, stateMachine);
        animation->setDuration(shiftDuration);
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
        const QSize size = buttonSize(other, buttonWidth, buttonHeight);
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
        const QSize size = buttonSize(child, buttonWidth, buttonHeight);
        const int slot = int(k) + 1;
        double x;
        double y;
        if (verticalLayout) {
            x = paddingLeft;
            y = slot * size.height() + slot * marginTop + paddingTop;
        } else {
            x = slot * size.width() + slot * marginRight + paddingLeft;
            y = it->y;
        }
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
