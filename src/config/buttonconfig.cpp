#include "buttonconfig.h"

#include <utility>

#include <QDebug>
#include <QDir>

#include "config/debugtext.h"
#include "config/inifile.h"
#include "config/language.h"
#include "config/paths.h"
#include "config/vocabulary.h"
#include "config/vocabulary.h"
#include "platform/logging.h"

using namespace Vocabulary;

namespace {

// Files that are not INI text at all (a picture renamed, a runaway file)
// are not parsed: beyond this size the record keeps its defaults. No real
// link file comes near it.
constexpr qint64 maximumLinkFileSize = 4 * 1024 * 1024;

// A drop sub-menu may name its own folder (or a parent), whose entries name
// it again: without a bound the tree would be built until the stack runs
// out. No real menu is nested this deep.
constexpr int maximumNesting = 8;
// Entries that name their own folder also multiply: bound the records of
// one tree as well.
constexpr int maximumTreeRecords = 2000;
thread_local int nesting = 0;
thread_local int treeRecords = 0;

struct NestingGuard {
    NestingGuard() { ++nesting; }
    ~NestingGuard() { --nesting; }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;
};

QString absoluteIn(const QDir &dir, const QString &path)
{
    return QDir::cleanPath(dir.absoluteFilePath(path));
}

// Click and drop paths: placeholders, environment paths and web links stay
// as written; anything else is made absolute in the link file's folder.
QString resolveCommandPath(const QDir &dir, const QString &text, int type, const QString &current)
{
    if (text.isEmpty())
        return current;
    if (text.startsWith(QLatin1Char('%')) || text.contains(QLatin1Char('$')) || type == CommandType::OpenLink)
        return text;
    return absoluteIn(dir, text);
}

QStringList textList(const QVariant &value)
{
    if (value.type() == QVariant::StringList)
        return value.toStringList();
    const QString text = value.toString();
    if (text.isEmpty())
        return {};
    return { text };
}

} // namespace

ButtonConfig::ButtonConfig() = default;
ButtonConfig::~ButtonConfig()
{
    // Children go first, from the front, recursively.
    for (auto &child : children)
        child.reset();
}
ButtonConfig::ButtonConfig(ButtonConfig &&) noexcept = default;
ButtonConfig &ButtonConfig::operator=(ButtonConfig &&) noexcept = default;

ButtonConfig::ButtonConfig(const QFileInfo &entry, const QMap<QString, QVariant> &defaults, bool full, Reading how)
    : inheritedDefaults(defaults)
    , fullMode(full)
    , reading(how)
{
    fileName = entry.fileName();
    filePath = entry.absoluteFilePath();
    const NestingGuard guard;
    // A tree reads "lang.ini" once.
    std::unique_ptr<LanguagePass> pass;
    if (nesting == 1) {
        treeRecords = 0;
        pass = std::make_unique<LanguagePass>();
    }
    ++treeRecords;
    if (nesting > maximumNesting || treeRecords > maximumTreeRecords) {
        qCDebug(lcConfig) << "readConfiguration: menus nested too deep, entry left out:" << filePath;
        return;
    }

    if (entry.isDir()) {
        const QDir folder(entry.absoluteFilePath());
        if (!QFileInfo(folder.filePath(File::folderLink)).isFile()) {
            qCDebug(lcConfig) << "Unable to find settings file '" << File::folderLink << "' "
                              << "in folder '" << folder.absolutePath() << "'";
            return;
        }
        readConfiguration(folder.filePath(File::folderLink), fullMode);
        isFolder = true;
        if (reading == Reading::EntryOnly) {
            deferredFolder = folder.absolutePath();
            deferredFolderEntries = true;
            return;
        }
        const QFileInfoList files
            = folder.entryInfoList({ File::linkPattern }, QDir::Files | QDir::Readable, QDir::NoSort);
        for (const QFileInfo &file : files) {
            if (treeRecords >= maximumTreeRecords)
                break;
            if (file.baseName() == File::folderLinkBaseName)
                continue;
            auto child = std::make_unique<ButtonConfig>(file, inheritedDefaults, fullMode);
            if (!child->iconPath.isEmpty())
                children.push_back(std::move(child));
        }
        return;
    }

    readConfiguration(entry.absoluteFilePath(), fullMode);
    acceptDrops = true;
}

void ButtonConfig::readDeferredChildren()
{
    if (deferredFolder.isEmpty())
        return;
    const QDir folder(std::exchange(deferredFolder, QString()));
    const LanguagePass pass;
    const QFileInfoList files = folder.entryInfoList({ File::linkPattern }, QDir::Files | QDir::Readable, QDir::NoSort);
    for (const QFileInfo &file : files) {
        // The same bound as a whole tree's, for the entries of one level.
        if (int(children.size()) >= maximumTreeRecords)
            break;
        if (file.baseName() == File::folderLinkBaseName)
            continue;
        auto child = std::make_unique<ButtonConfig>(file, inheritedDefaults, fullMode, Reading::EntryOnly);
        if (deferredFolderEntries && child->iconPath.isEmpty())
            continue;
        children.push_back(std::move(child));
    }
}

QVariant ButtonConfig::inheritedOr(const QString &name, const QVariant &fallback) const
{
    const auto it = inheritedDefaults.constFind(name);
    return it != inheritedDefaults.constEnd() ? it.value() : fallback;
}

QVariant ButtonConfig::localisedValue(const IniFile &settings, const QString &key, const QVariant &fallback)
{
    return localisedValue(settings, key, fallback, currentLanguage());
}

QVariant ButtonConfig::localisedValue(
    const IniFile &settings, const QString &key, const QVariant &fallback, const QString &full)
{
    // Texts are shown as written, commas and all.
    auto textAt = [&settings](const QString &candidate) { return settings.text(candidate); };
    // Most keys have no language variants at all: one lookup then.
    if (!settings.hasDottedKeys(key)) {
        const QString text = textAt(key);
        return text.isEmpty() ? fallback : QVariant(text);
    }
    const QString shortCode = full.section(QLatin1Char('_'), 0, 0);
    const QString candidates[] = {
        key + QLatin1Char('.') + full,
        key + QLatin1Char('.') + shortCode,
        key + QStringLiteral(".en"),
        key + QStringLiteral(".it"),
        key,
    };
    for (const QString &candidate : candidates) {
        const QString text = textAt(candidate);
        if (!text.isEmpty())
            return QVariant(text);
    }
    return fallback;
}

void ButtonConfig::readConfiguration(const QString &path, bool full)
{
    qCDebug(lcConfig).noquote() << "readConfiguration file:" << debugQuoted(path);
    const QFileInfo info(path);
    const QDir dir = info.absoluteDir();

    // An oversized file reads as an empty one: every value keeps its default.
    IniFile settings(path, maximumLinkFileSize);
    // Read once per file: the lookup reads "lang.ini" each time.
    const QString language = currentLanguage();

    // 2. The literal key of the plain group.
    if (toInt(settings.value(Key::propertiesDrop, 0)) == 1) {
        acceptDrops = true;
        dropOpensMenu = true;
    }

    // 3. Platform groups.
    const QStringList groups = settings.childGroups();
    const QString propertiesGroup = platformGroup(groups, Group::properties);
    const QString ondropGroup = platformGroup(groups, Group::ondrop);
    const QString clickGroup = platformGroup(groups, Group::click);
    const QString dropGroup = platformGroup(groups, Group::drop);
    const QString hoverGroup = platformGroup(groups, Group::hover);

    auto imageIn = [&](const QString &key, const QString &inheritedName, const QString &current) {
        if (settings.contains(key))
            return absoluteIn(dir, settings.value(key).toString());
        return inheritedOr(inheritedName, current).toString();
    };

    // 4. Hover.
    settings.beginGroup(hoverGroup);
    hoverX = toReal(settings.value(Key::ulx, inheritedOr(Inherited::hoverx, hoverX)));
    hoverY = toReal(settings.value(Key::uly, inheritedOr(Inherited::hovery, hoverY)));
    hoverImage = imageIn(Key::image, Inherited::hoverimage, hoverImage);
    hoverCheckImage = imageIn(Key::checkimage, Inherited::hovercheckimage, hoverCheckImage);
    hoverImageWidth = toInt(settings.value(Key::width, inheritedOr(Inherited::hoverimagewidth, hoverImageWidth)));
    hoverImageHeight = toInt(settings.value(Key::height, inheritedOr(Inherited::hoverimageheight, hoverImageHeight)));
    settings.endGroup();

    // 5. Drop appearance.
    if (hasGroup(groups, dropGroup) && !dropOpensMenu) {
        settings.beginGroup(dropGroup);
        dragDuration = qint16(qBound(
            -32768, toInt(settings.value(Key::duration, inheritedOr(Inherited::dragduration, dragDuration))), 32767));
        dragX = toReal(settings.value(Key::ulx, inheritedOr(Inherited::dragx, dragX)));
        dragY = toReal(settings.value(Key::uly, inheritedOr(Inherited::dragy, dragY)));
        dragImage = imageIn(Key::image, Inherited::dragimage, dragImage);
        bounceX = toReal(settings.value(Key::bouncex, inheritedOr(Inherited::bouncex, bounceX)));
        bounceY = toReal(settings.value(Key::bouncey, inheritedOr(Inherited::bouncey, bounceY)));
        bounceTime = toInt(settings.value(Key::bouncetime, inheritedOr(Inherited::bouncetime, bounceTime)));
        settings.endGroup();
        scaleFactor = toReal(settings.value(Key::scalefactor, inheritedOr(Inherited::scalefactor, scaleFactor)));
    }

    // 6. Drop sub-menu.
    if (hasGroup(groups, ondropGroup) && !dropOpensMenu) {
        settings.beginGroup(ondropGroup);
        const QString submenu = settings.value(Key::submenu).toString();
        if (submenu.isEmpty() || !QFileInfo::exists(dir.filePath(submenu))) {
            qCDebug(lcConfig) << "Unable to find settings file '" << File::folderLink << "' "
                              << "in folder '" << dir.absolutePath() << "'";
        } else {
            dropOpensMenu = true;
            dropFilter = settings.value(Key::filter, dropFilter).toString();
            const QDir menuDir(dir.filePath(submenu));
            if (reading == Reading::EntryOnly) {
                deferredFolder = menuDir.absolutePath();
                deferredFolderEntries = false;
            }
            const QFileInfoList files = reading == Reading::EntryOnly
                ? QFileInfoList()
                : menuDir.entryInfoList({ File::linkPattern }, QDir::Files | QDir::Readable, QDir::NoSort);
            for (const QFileInfo &file : files) {
                if (treeRecords >= maximumTreeRecords)
                    break;
                if (file.baseName() == File::folderLinkBaseName)
                    continue;
                children.push_back(std::make_unique<ButtonConfig>(file, inheritedDefaults, full));
            }
        }
        settings.endGroup();
    }

    // 7. Click.
    settings.beginGroup(clickGroup);
    clickArgs = textList(settings.value(Key::args));
    extensions = textList(settings.value(Key::ext));
    const QString typeText = settings.value(Key::type).toString();
    profile = expandPlaceholders(settings.value(Key::profile).toString());
    profileKey = settings.value(Key::profileKey).toString();
    commandType = commandTypeFromText(typeText);
    const QString clickPath = settings.value(Key::path).toString();
    qCDebug(lcConfig).noquote() << "CONFIGDIR " << debugQuoted(dir.absolutePath());
    qCDebug(lcConfig).noquote() << "COMMAND " << debugQuoted(clickPath);
    commandPath = resolveCommandPath(dir, clickPath, commandType, commandPath);
    qCDebug(lcConfig).noquote() << "COMMANDPATH " << debugQuoted(commandPath);
    settings.endGroup();

    // 8. Properties.
    settings.beginGroup(propertiesGroup);
    liteEnabled = full ? true : toInt(localisedValue(settings, Key::liteEnabled, 1, language)) == 1;

    const QString iconText = localisedValue(settings, Key::icon, QString(), language).toString();
    const QString liteIconText = localisedValue(settings, Key::iconLite, QString(), language).toString();
    if (!iconText.isEmpty()) {
        if (!full && !liteIconText.isEmpty() && QFileInfo::exists(dir.filePath(liteIconText))) {
            iconPath = absoluteIn(dir, liteIconText);
            qCDebug(lcConfig).noquote() << "Icon:" << debugQuoted(iconPath);
        }
        if (!QFileInfo::exists(dir.filePath(iconText))) {
            qCDebug(lcConfig) << "Unable to find icon '" << iconText << "'"
                              << " as specified in config file '" << path << "'";
        } else if (iconPath.isEmpty()) {
            iconPath = absoluteIn(dir, iconText);
            qCDebug(lcConfig).noquote() << "Icon:" << debugQuoted(iconPath);
        }
    }
    const QString checkIconText = localisedValue(settings, Key::checkicon, QString(), language).toString();
    if (!checkIconText.isEmpty()) {
        if (QFileInfo::exists(dir.filePath(checkIconText)))
            checkIconPath = absoluteIn(dir, checkIconText);
        else
            qCDebug(lcConfig) << "Unable to find icon '" << checkIconText << "'"
                              << " as specified in config file '" << path << "'";
    }

    blurAround = toBool(settings.value(Key::bluraround, inheritedOr(Inherited::bluraround, blurAround)));
    blurDistance = toReal(settings.value(Key::blurdistance, inheritedOr(Inherited::blurdistance, blurDistance)));
    radius = toReal(settings.value(Key::radius, inheritedOr(Inherited::radius, radius)));
    blurX = toReal(settings.value(Key::blurx, inheritedOr(Inherited::blurx, blurX)));
    blurY = toReal(settings.value(Key::blury, inheritedOr(Inherited::blury, blurY)));
    blurColor = colorWithAlpha(
        settings.value(Key::blurcolor, inheritedOr(Inherited::blurcolor, Default::blurColor)).toString(), blurColor);
    colorized = toBool(settings.value(Key::colorized, inheritedOr(Inherited::colorized, colorized)));
    title = localisedValue(settings, Key::title, title, language).toString();
    checkTitle = localisedValue(settings, Key::checktitle, checkTitle, language).toString();
    titleColor = colorWithoutAlpha(
        localisedValue(settings, Key::titlergb, inheritedOr(Inherited::titlergb, Default::titleColor), language)
            .toString());

    QFont font;
    font.setFamily(
        localisedValue(settings, Key::titlefont, inheritedOr(Inherited::titlefont, Default::titleFont), language)
            .toString());
    const int pixelSize = toInt(localisedValue(
        settings, Key::titlepixelsize, inheritedOr(Inherited::titlepixelsize, Default::titlePixelSize), language));
    const int pointSize = toInt(localisedValue(
        settings, Key::titlepointsize, inheritedOr(Inherited::titlepointsize, Default::titlePointSize), language));
    // Absurd sizes would make Qt warn and paint nothing useful.
    if (pixelSize != -1 && pixelSize > 0 && pixelSize <= 4096)
        font.setPixelSize(pixelSize);
    else if (pixelSize == -1 && pointSize != -1 && pointSize > 0 && pointSize <= 4096)
        font.setPointSize(pointSize);
    else
        font.setPixelSize(15);
    font.setStyle(styleFromWord(
        localisedValue(settings, Key::titlestyle, inheritedOr(Inherited::titlestyle, Word::styleNormal), language)
            .toString()));
    font.setWeight(weightFromWord(
        localisedValue(settings, Key::titleweight, inheritedOr(Inherited::titleweight, Word::weightNormal), language)
            .toString()));
    titleFont = font;

    titleOffsetW = toReal(
        localisedValue(settings, Key::titleoffsetW, inheritedOr(Inherited::titleoffsetW, titleOffsetW), language));
    titleOffsetH = toReal(
        localisedValue(settings, Key::titleoffsetH, inheritedOr(Inherited::titleoffsetH, titleOffsetH), language));
    titleLineSpace = toInt(localisedValue(
        settings, Key::titlelinespace, inheritedOr(Inherited::titlelinespace, Default::titleLineSpace), language));
    titleAlignment = alignmentFromWord(
        settings.value(Key::titlealignment, inheritedOr(Inherited::titlealignment, Word::alignCenter)).toString());
    titleShadow = toBool(settings.value(Key::titleshadow, inheritedOr(Inherited::titleshadow, Default::titleShadow)));

    if (commandType == CommandType::CheckButton) {
        const QString pressedIconText = settings.value(Key::pressedicon).toString();
        if (!pressedIconText.isEmpty())
            pressedIcon = absoluteIn(dir, pressedIconText);
        // The state file may live on the flash partition ("%flash%/...").
        const QString pressedFileText = settings.value(Key::pressedfilepath).toString();
        bool drivesFound = true;
        const QString pressedFile = expandPlaceholders(pressedFileText, &drivesFound);
        if (!drivesFound)
            qCDebug(lcConfig) << "readConfiguration: the state file's partition is not there:" << pressedFileText;
        else if (!pressedFile.isEmpty())
            pressedFilePath = absoluteIn(dir, pressedFile);
        pressedSection = settings.value(Key::pressedsection).toString();
    }
    const QString workingText = settings.value(Key::wpath).toString();
    // Placeholders stay as written, like the command path's: they are
    // expanded when the program starts.
    workingDir = resolveCommandPath(dir, workingText, 0, workingDir);
    priority = toInt(settings.value(Key::priority, 0));
    firstAccessibleName = localisedValue(settings, Key::firstaccessiblename, QString(), language).toString();
    firstAccessibleDescription
        = localisedValue(settings, Key::firstaccessibledescription, QString(), language).toString();
    secondAccessibleName = localisedValue(settings, Key::secondaccessiblename, QString(), language).toString();
    secondAccessibleDescription
        = localisedValue(settings, Key::secondaccessibledescription, QString(), language).toString();
    width = toInt(settings.value(Key::width, inheritedOr(Inherited::width, 0)));
    height = toInt(settings.value(Key::height, inheritedOr(Inherited::height, 0)));
    toolTip = localisedValue(settings, Key::tooltip, QString(), language).toString();
    massive = toInt(settings.value(Key::massive, 0)) == 1;
    settings.endGroup();

    // 9. The drop command, always.
    settings.beginGroup(dropGroup);
    dropType = commandTypeFromText(settings.value(Key::type).toString());
    dropArgs = textList(settings.value(Key::args));
    dropPath = resolveCommandPath(dir, settings.value(Key::path).toString(), dropType, dropPath);
    settings.endGroup();

    loaded = true;
}
