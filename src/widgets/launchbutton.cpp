#include "launchbutton.h"

#include <algorithm>

#include <QAccessible>
#include <QCoreApplication>
#include <QDebug>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QState>
#include <QToolTip>
#include <QUrl>

#include "commands/commandfactory.h"
#include "commands/commandlauncher.h"
#include "commands/dropcommand.h"
#include "commands/icommand.h"
#include "config/inifile.h"
#include "config/paths.h"
#include "config/vocabulary.h"
#include "platform/logging.h"
#include "widgets/activationkeys.h"
#include "widgets/graphicoverlay.h"
#include "widgets/imagefiles.h"
#include "widgets/textoverlay.h"

namespace {
const QString dragAnimation = QStringLiteral("drag");
const QString showCheckedName = QStringLiteral("showChecked");
constexpr double maximumRadius = 35.0;
constexpr qint64 maximumStateFileBytes = 1024 * 1024;

QSize imageSize(const QString &path, const QSize &box)
{
    if (path.isEmpty())
        return QSize();
    // The icon overlay loads this very picture next: loading it here puts it
    // in the pixmap cache, where the overlay finds it, and costs less than
    // reading the header on its own as well.
    const QPixmap pixmap = ImageFiles::pixmap(path, box);
    return pixmap.isNull() ? QSize() : pixmap.size();
}

} // namespace

QSize LaunchButton::ownSize(const ButtonConfig &record)
{
    const QSize picture = imageSize(record.iconPath, QSize(record.width, record.height));
    if (picture.isValid() && record.width == 0 && record.height == 0)
        return picture;
    return QSize(record.width, record.height);
}

namespace {

QPoint rounded(const QPoint &base, double dx, double dy)
{
    return QPoint(base.x() + qRound(dx), base.y() + qRound(dy));
}
} // namespace

QRect LaunchButton::titleArea(const ButtonConfig &record, const QPoint &position)
{
    return { rounded(position, record.titleOffsetW, record.titleOffsetH), ownSize(record) };
}

LaunchButton::LaunchButton(ButtonConfig *record, QWidget *parent)
    : QPushButton(parent)
{
    subMenuState = new QState;
    subMenuGuard = subMenuState;
    setParent(parent);
    setVisible(false);

    if (record)
        config = std::move(*record);

    setEnabled(config.liteEnabled);
    setAcceptDrops(config.acceptDrops);
    connect(this, &LaunchButton::startProcess, this, &LaunchButton::onStartProcess);
    connect(this, &LaunchButton::valueChanged, this, &LaunchButton::onValueChanged);
    if (config.firstAccessibleName.isEmpty())
        config.firstAccessibleName = config.title.isEmpty() ? tr("Nessun testo definito") : config.title;
    if (config.radius > maximumRadius)
        config.radius = maximumRadius;

    setAttribute(Qt::WA_MouseTracking);
    setToolTip(config.toolTip);
    updateAccessibility();

    const QSize buttonSize = ownSize(config);
    setProperty("size", buttonSize);

    std::stable_sort(config.children.begin(), config.children.end(),
        [](const std::unique_ptr<ButtonConfig> &a, const std::unique_ptr<ButtonConfig> &b) {
            return a->priority < b->priority;
        });
    // The child buttons are made when first asked for (a folder opened, a
    // name looked up): a large medium's hidden sub-menus cost nothing
    // before the first frame.

    if (!config.dropPath.isEmpty())
        dragMode = (!config.dragImage.isEmpty() && ImageFiles::fileExists(config.dragImage)) ? 1 : 2;

    const QPointF blurOffset(config.blurX, config.blurY);
    iconOverlay = new GraphicOverlay(parent, this, config.iconPath, buttonSize, true, config.radius, blurOffset,
        config.blurColor, config.blurAround, config.blurDistance, config.colorized);
    if (!config.title.isEmpty()) {
        const Qt::Alignment alignment(config.titleAlignment);
        titleOverlay = new TextOverlay(parent, this, buttonSize, config.title, config.titleFont, config.titleColor,
            alignment, config.titleLineSpace, config.radius, blurOffset, config.blurColor, false, 6.0, false);
    }
    if (!config.hoverImage.isEmpty() && ImageFiles::fileExists(config.hoverImage)) {
        hoverOverlay = new GraphicOverlay(parent, this, config.hoverImage,
            QSize(config.hoverImageWidth, config.hoverImageHeight), false, 5.0, QPointF(5.0, 5.0), QColor(), false, 6.0,
            false);
    }
    if (dragMode == 1) {
        dragOverlay = new GraphicOverlay(
            parent, this, config.dragImage, QSize(0, 0), false, 5.0, QPointF(5.0, 5.0), QColor(), false, 6.0, false);
    }

    if (config.commandType == CommandType::CheckButton)
        refreshCheckImage();
}

const std::vector<LaunchButton *> &LaunchButton::children()
{
    if (childrenMade)
        return childButtons;
    childrenMade = true;
    const ImageFiles::ReadingPass pictures;
    if (config.hasDeferredChildren()) {
        config.readDeferredChildren();
        std::stable_sort(config.children.begin(), config.children.end(),
            [](const std::unique_ptr<ButtonConfig> &a, const std::unique_ptr<ButtonConfig> &b) {
                return a->priority < b->priority;
            });
    }
    for (const auto &childRecord : config.children) {
        auto *child = new LaunchButton(childRecord.get(), parentWidget());
        connect(child, &LaunchButton::done, this, &LaunchButton::onChildDone);
        // Hidden until the sub-menu shows it, also in a window already shown.
        child->setVisible(false);
        child->setFocusPolicy(Qt::NoFocus);
        childButtons.push_back(child);
    }
    std::stable_sort(childButtons.begin(), childButtons.end(),
        [](const LaunchButton *a, const LaunchButton *b) { return a->config.priority < b->config.priority; });
    for (LaunchButton *child : childButtons)
        childGuards.emplace_back(child);
    return childButtons;
}

void LaunchButton::paintEvent(QPaintEvent *)
{
    // The overlays are the button's face: no bevel, no border, no focus
    // frame, in every state. Painting nothing does that without a style
    // sheet per button, which costs a style-sheet parse for each.
}

LaunchButton::~LaunchButton()
{
    // Overlays and child buttons are siblings in the parent widget: when the
    // parent is being destroyed some of them may be gone already.
    delete iconOverlay.data();
    delete titleOverlay.data();
    delete hoverOverlay.data();
    delete dragOverlay.data();
    for (const QPointer<LaunchButton> &child : childGuards)
        delete child.data();
    childButtons.clear();
    // Once the window's state machine has taken the state, it is the
    // machine's to delete.
    if (subMenuGuard && !subMenuGuard->parent())
        delete subMenuGuard.data();
}

void LaunchButton::setShowChecked(bool value)
{
    const bool previous = checked;
    checked = value;
    emit valueChanged(showCheckedName, value, previous);
}

QPoint LaunchButton::positionInParent() const
{
    QWidget *parent = parentWidget();
    return parent ? mapTo(parent, QPoint(0, 0)) : pos();
}

void LaunchButton::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (iconOverlay)
        iconOverlay->setVisible(visible);
    if (titleOverlay)
        titleOverlay->setVisible(visible);
}

void LaunchButton::moveEvent(QMoveEvent *event)
{
    qCDebug(lcWidgets) << "LaunchButton::moveEvent";
    const QPoint p = positionInParent();
    if (titleOverlay)
        titleOverlay->move(rounded(p, config.titleOffsetW, config.titleOffsetH));
    if (iconOverlay) {
        if (config.blurAround && iconOverlay->isHighlighted()) {
            const int d = static_cast<int>(config.blurDistance);
            iconOverlay->move(p - QPoint(d, d));
        } else {
            iconOverlay->move(p);
        }
    }
    if (dragOverlay)
        dragOverlay->move(rounded(p, config.dragX, config.dragY));
    if (hoverOverlay)
        hoverOverlay->move(rounded(p, config.hoverX, config.hoverY));
    event->accept();
}

void LaunchButton::focusInEvent(QFocusEvent *event)
{
    QPushButton::focusInEvent(event);
    qCDebug(lcWidgets) << config.fileName + QStringLiteral(" FOCUS IN EVENT");
    if (hoverOverlay) {
        hoverOverlay->show();
        hoverOverlay->raise();
        return;
    }
    if (iconOverlay) {
        iconOverlay->showHighlight();
        if (config.blurAround) {
            const int d = static_cast<int>(config.blurDistance);
            iconOverlay->move(positionInParent() - QPoint(d, d));
        }
        iconOverlay->raise();
    }
    if (titleOverlay) {
        if (config.titleShadow)
            titleOverlay->showHighlight();
        titleOverlay->raise();
    }
    QCoreApplication::postEvent(
        this, new QHelpEvent(QEvent::ToolTip, positionInParent(), mapToGlobal(QPoint(0, height() - 1))));
}

void LaunchButton::focusOutEvent(QFocusEvent *event)
{
    QPushButton::focusOutEvent(event);
    qCDebug(lcWidgets) << config.fileName + QStringLiteral(" FOCUS OUT EVENT");
    if (hoverOverlay) {
        hoverOverlay->hide();
        return;
    }
    if (iconOverlay) {
        iconOverlay->hideHighlight();
        if (config.blurAround)
            iconOverlay->move(positionInParent());
    }
    if (config.titleShadow && titleOverlay)
        titleOverlay->hideHighlight();
}

void LaunchButton::setHomePosition(const QPoint &position)
{
    switch (dragMode) {
    case 2: {
        const QPointF amplitude(config.bounceX, config.bounceY);
        const auto duration = static_cast<qint16>(config.bounceTime);
        if (iconOverlay)
            iconOverlay->addShakeAnimation(position, amplitude, duration);
        if (titleOverlay)
            titleOverlay->addShakeAnimation(
                QPointF(position) + QPointF(config.titleOffsetW, config.titleOffsetH), amplitude, duration);
        break;
    }
    case 1:
        if (dragOverlay)
            dragOverlay->addPulseAnimation(
                QPointF(position) + QPointF(config.dragX, config.dragY), config.scaleFactor, config.dragDuration);
        break;
    default:
        break;
    }
}

void LaunchButton::restoreOverlays()
{
    if (dragOverlay) {
        dragOverlay->stopAnimation(dragAnimation);
        dragOverlay->hide();
        return;
    }
    const QPoint p = positionInParent();
    if (iconOverlay) {
        iconOverlay->stopAnimation(dragAnimation);
        iconOverlay->setProperty("pos", p);
    }
    if (titleOverlay) {
        titleOverlay->stopAnimation(dragAnimation);
        titleOverlay->setProperty("pos", QPointF(p) + QPointF(config.titleOffsetW, config.titleOffsetH));
    }
}

void LaunchButton::refreshCheckImage()
{
    if (config.pressedFilePath.isEmpty() || !iconOverlay)
        return;
    if (!QFileInfo::exists(config.pressedFilePath)) {
        iconOverlay->setImage(config.iconPath);
        return;
    }
    if (config.pressedSection.isEmpty()) {
        iconOverlay->setImage(config.pressedIcon);
        return;
    }
    // Read whole on every refresh (no cache that a rewrite within the file
    // system's time grain could hide), and only when it is a plain file.
    const IniFile state(config.pressedFilePath, maximumStateFileBytes);
    const bool pressed = state.value(config.pressedSection, 0).toInt() == 1;
    iconOverlay->setImage(pressed ? config.pressedIcon : config.iconPath);
}

void LaunchButton::updateAccessibility()
{
    if (!config.loaded)
        return;
    if (!checked) {
        if (!config.firstAccessibleName.isEmpty() || !config.title.isEmpty())
            setAccessibleName(config.firstAccessibleName);
        if (!config.firstAccessibleDescription.isEmpty())
            setAccessibleDescription(config.firstAccessibleDescription);
    } else {
        if (!config.secondAccessibleName.isEmpty())
            setAccessibleName(config.secondAccessibleName);
        if (!config.secondAccessibleDescription.isEmpty())
            setAccessibleDescription(config.secondAccessibleDescription);
    }
}

void LaunchButton::setAccessibleNameIfChanged(const QString &name)
{
    if (!config.loaded || name.isEmpty() || accessibleName() == name)
        return;
    setAccessibleName(name);
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void LaunchButton::setAccessibleDescriptionIfChanged(const QString &description)
{
    if (!config.loaded || description.isEmpty() || accessibleDescription() == description)
        return;
    setAccessibleDescription(description);
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void LaunchButton::onValueChanged(QString name, QVariant value, QVariant oldValue)
{
    qCDebug(lcWidgets) << QStringLiteral("VALUE CHANGED ") + name;
    if (name != showCheckedName)
        return;
    if (oldValue.isValid() && value.toBool() == oldValue.toBool())
        return;
    qCDebug(lcWidgets) << "LaunchButton::onValueChanged(" << config.fileName << ")";
    if (!value.toBool()) {
        if (hoverOverlay)
            hoverOverlay->setImage(config.hoverImage);
        if (titleOverlay)
            titleOverlay->setText(config.title);
        if (iconOverlay)
            iconOverlay->setImage(config.iconPath);
        setAccessibleNameIfChanged(config.firstAccessibleName);
        setAccessibleDescriptionIfChanged(config.firstAccessibleDescription);
    } else {
        // An open folder without a look of its own keeps its picture and
        // title: it is the way back and must stay recognisable.
        if (titleOverlay && !config.checkTitle.isEmpty())
            titleOverlay->setText(config.checkTitle);
        if (hoverOverlay && !config.hoverCheckImage.isEmpty())
            hoverOverlay->setImage(config.hoverCheckImage);
        if (iconOverlay && !config.checkIconPath.isEmpty())
            iconOverlay->setImage(config.checkIconPath);
        setAccessibleNameIfChanged(config.secondAccessibleName);
        setAccessibleDescriptionIfChanged(config.secondAccessibleDescription);
    }
    update();
}

void LaunchButton::mousePressEvent(QMouseEvent *event)
{
    // The push button's own press handling is skipped on purpose: the
    // button has no pressed look and no clicked() of its own.
    if (event->button() == Qt::LeftButton)
        emit startProcess();
    event->ignore();
}

void LaunchButton::mouseMoveEvent(QMouseEvent *event)
{
    qCDebug(lcWidgets) << QStringLiteral("LaunchButton::mouseMoveEvent ") + config.fileName;
    activateWindow();
    setFocus(Qt::TabFocusReason);
    event->accept();
}

void LaunchButton::keyPressEvent(QKeyEvent *event)
{
    // Return, the keypad's Enter and Space run the button once per press: a
    // held key's repeats would start the program again and again.
    if (isActivationKey(event->key())) {
        if (!event->isAutoRepeat())
            emit startProcess();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void LaunchButton::keyReleaseEvent(QKeyEvent *event)
{
    // The push button would click on Space's release as well.
    if (isActivationKey(event->key())) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

void LaunchButton::onStartProcess()
{
    if (dropMenuOpen) {
        dropMenuOpen = false;
        emit clicked(false);
        return;
    }
    if (config.isFolder)
        emit clicked(false);
    if (!config.commandPath.isEmpty() || !hasChildren())
        startCommand(config.commandType, config.commandPath, config.clickArgs, {}, QString());
}

void LaunchButton::onChildDone()
{
    if (!dropMenuOpen)
        return;
    dropMenuOpen = false;
    emit clicked(false);
}

void LaunchButton::handOver(const QStringList &arguments, const QString &processIdFilePath)
{
    startCommand(CommandType::Run, config.commandPath, {}, arguments, processIdFilePath);
}

LaunchRequest LaunchButton::request(
    int type, const QString &path, const QStringList &configured, const QStringList &user, const QString &pidPath) const
{
    LaunchRequest request;
    request.type = type;
    request.commandPath = path;
    request.configuredArguments = configured;
    request.userArguments = user;
    request.workingDir = config.workingDir;
    request.profile = config.profile;
    request.profileKey = config.profileKey;
    request.pidPath = pidPath;
    return request;
}

void LaunchButton::startCommand(int type, const QString &path, const QStringList &configured, const QStringList &user,
    const QString &processIdFilePath)
{
    run(request(type, path, configured, user, processIdFilePath), nullptr);
}

void LaunchButton::run(const LaunchRequest &request, std::unique_ptr<ICommand> first)
{
    const auto connectCommand = [this](ICommand *command) {
        connect(command, &ICommand::reload, this, &LaunchButton::reload, Qt::QueuedConnection);
        connect(command, &ICommand::done, this, &LaunchButton::done, Qt::QueuedConnection);
        connect(command, &ICommand::update, this, QOverload<>::of(&QWidget::update));
    };
    launch(request, connectCommand, std::move(first));

    if (config.commandType == CommandType::CheckButton)
        refreshCheckImage();
}

namespace {

// The local files a drag carries, in order. Links to web pages, text and
// anything else a drag may hold are no files to hand over.
QStringList localFiles(const QMimeData *data)
{
    QStringList files;
    if (!data)
        return files;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString local = url.toLocalFile();
        if (!local.isEmpty())
            files.append(local);
    }
    return files;
}

} // namespace

void LaunchButton::dragEnterEvent(QDragEnterEvent *event)
{
    qCDebug(lcWidgets) << QStringLiteral("LaunchButton::dragEnterEvent ") + config.fileName;
    if (dropMenuOpen)
        return;
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        qCDebug(lcWidgets) << "LaunchButton::dragEnterEvent: refused, the drag holds no local file" << config.fileName;
        event->ignore();
        return;
    }
    if (hasChildren()) {
        qCDebug(lcWidgets) << config.dropFilter;
        if (Vocabulary::dropFilterMatches(config.dropFilter, files) && config.dropOpensMenu) {
            event->accept();
            dropMenuOpen = true;
            emit clicked(false);
            return;
        }
    }
    if (config.dropPath.isEmpty()) {
        event->ignore();
        return;
    }
    if (dragOverlay) {
        dragOverlay->show();
        dragOverlay->startAnimation(dragAnimation);
    } else {
        if (iconOverlay)
            iconOverlay->startAnimation(dragAnimation);
        if (titleOverlay)
            titleOverlay->startAnimation(dragAnimation);
    }
    setFocus(Qt::TabFocusReason);
    QToolTip::showText(mapToGlobal(QPoint(0, height() - 1)), config.toolTip);
    if (hoverOverlay) {
        if (iconOverlay)
            iconOverlay->hideHighlight();
        hoverOverlay->hide();
    } else {
        if (iconOverlay)
            iconOverlay->hideHighlight();
        if (titleOverlay)
            titleOverlay->hideHighlight();
    }
    event->acceptProposedAction();
}

void LaunchButton::dragMoveEvent(QDragMoveEvent *event)
{
    qCDebug(lcWidgets) << QStringLiteral("LaunchButton::dragMoveEvent ") + config.fileName;
    if (config.dropPath.isEmpty() || localFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->accept();
}

void LaunchButton::dragLeaveEvent(QDragLeaveEvent *event)
{
    qCDebug(lcWidgets) << QStringLiteral("LaunchButton::dragLeaveEvent ") + config.fileName;
    restoreOverlays();
    event->accept();
}

void LaunchButton::dropEvent(QDropEvent *event)
{
    qCDebug(lcWidgets) << QStringLiteral("LaunchButton::dropEvent ") + config.fileName;
    restoreOverlays();
    if (hasChildren() && (config.dropPath.isEmpty() || dropMenuOpen))
        return;
    const QList<QUrl> urls = event->mimeData() ? event->mimeData()->urls() : QList<QUrl>();
    if (urls.isEmpty()) {
        qCWarning(lcWidgets) << "Dropped data list is empty!";
        return;
    }
    if (config.dropPath.isEmpty()) {
        qCWarning(lcWidgets) << "Reading from configuraion: drop/path is empty!";
        return;
    }
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        qCDebug(lcWidgets) << "LaunchButton::dropEvent: refused, the drop holds no local file" << config.fileName;
        return;
    }
    event->acceptProposedAction();

    LaunchRequest drop = request(config.dropType, config.dropPath, config.dropArgs, {}, QString());
    drop.extraParameters.insert(DropCommand::droppedKey, files);
    drop.extraParameters.insert(DropCommand::massiveKey, config.massive);
    drop.extraParameters.insert(DropCommand::dropTypeKey, config.dropType);
    run(drop, std::make_unique<DropCommand>());
}
