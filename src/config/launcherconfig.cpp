#include "launcherconfig.h"

#include <QDir>
#include <QFileInfo>

#include "config/inifile.h"
#include "config/paths.h"

using namespace Vocabulary;

namespace {

// A path of the file resolved in the links folder, kept only when it
// names something there.
QString existingPath(const QDir &links, const QString &text)
{
    if (text.isEmpty())
        return QString();
    const QString path = links.absoluteFilePath(text);
    return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
}

void readControl(IniFile &settings, const QStringList &groups, const QString &name, const QString &group,
    const QDir &links, LauncherConfig::Control &control)
{
    control.present = groups.contains(name);
    settings.beginGroup(group);
    control.image = existingPath(links, settings.value(Key::image).toString());
    control.llx = toReal(settings.value(Key::llx, 0.0));
    control.lly = toReal(settings.value(Key::lly, 0.0));
    if (name == Group::alwaysOnTop)
        control.toggleImage = existingPath(links, settings.value(Key::toggleImage).toString());
    if (name == Group::info) {
        control.process = existingPath(links, settings.value(Key::process).toString());
        control.args = settings.value(Key::args).toStringList();
    }
    if (name == Group::document)
        control.args = settings.value(Key::args).toStringList();
    settings.endGroup();
}

} // namespace

LauncherConfig LauncherConfig::read(const QString &linksDirectory, bool fullReading)
{
    const QString path = QDir(linksDirectory).filePath(File::launcherConf);
    if (!QFileInfo(path).isFile()) {
        LauncherConfig config;
        config.linksDirectory = linksDirectory;
        return config;
    }
    return read(linksDirectory, IniFile(path), fullReading);
}

LauncherConfig LauncherConfig::read(const QString &linksDirectory, const IniFile &file, bool fullReading)
{
    LauncherConfig config;
    config.linksDirectory = linksDirectory;
    config.found = QFileInfo(QDir(linksDirectory).filePath(File::launcherConf)).isFile();
    if (!config.found)
        return config;

    const QDir links(linksDirectory);
    IniFile settings = file;
    const QStringList groups = settings.childGroups();
    for (const QString &base : { Group::app, Group::button, Group::buttonHover, Group::buttonDragging, Group::exit,
             Group::minimize, Group::alwaysOnTop, Group::info, Group::document })
        config.groupNames.insert(base, platformGroup(groups, base));

    // [app]
    settings.beginGroup(config.groupNames.value(Group::app));
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
        config.anyAutorunWaits = config.anyAutorunWaits || entry.wait;
        config.autorun.append(entry);
    }
    config.title = settings.text(Key::title);
    const QString backgroundText = settings.value(fullReading ? Key::background : Key::backgroundLite).toString();
    config.backgroundPath = !backgroundText.isEmpty() && QFileInfo::exists(links.filePath(backgroundText))
        ? QDir::cleanPath(links.absoluteFilePath(backgroundText))
        : QString();
    config.pinCheckRequired = toBool(settings.value(Key::pincheck, false));
    Layout &layout = config.layout;
    layout.paddingLeft = toReal(settings.value(Key::paddingLeft, Default::paddingLeft));
    layout.paddingTop = toReal(settings.value(Key::paddingTop, Default::paddingTop));
    layout.vertical = isVerticalWord(settings.value(Key::layout, Word::horizontal).toString());
    settings.endGroup();

    // [button]
    settings.beginGroup(config.groupNames.value(Group::button));
    layout.shiftDuration
        = qBound(0, toInt(settings.value(Key::shiftduration, Default::shiftDuration)), Default::maximumShiftDuration);
    layout.marginRight = toReal(settings.value(Key::marginRight, Default::marginRight));
    layout.marginTop = toReal(settings.value(Key::marginTop, Default::marginTop));
    if (settings.contains(Key::layout))
        layout.vertical = isVerticalWord(settings.value(Key::layout).toString());
    layout.buttonHeight = toReal(settings.value(Key::height, 0.0));
    layout.buttonWidth = toReal(settings.value(Key::width, 0.0));
    QMap<QString, QVariant> &defaults = config.buttonDefaults;
    defaults.insert(Inherited::width, layout.buttonWidth);
    defaults.insert(Inherited::height, layout.buttonHeight);
    const QList<QPair<QString, QVariant>> buttonKeys {
        { Inherited::radius, Default::radius },
        { Inherited::bluraround, Default::blurAround },
        { Inherited::blurdistance, Default::blurDistance },
        { Inherited::blurx, Default::blurX },
        { Inherited::blury, Default::blurY },
        { Inherited::blurcolor, Default::blurColor },
        { Inherited::colorized, Default::colorized },
        { Inherited::titlelinespace, Default::titleLineSpace },
        { Inherited::titleoffsetW, Default::titleOffsetW },
        { Inherited::titleoffsetH, Default::titleOffsetH },
        { Inherited::titlefont, Default::titleFont },
        { Inherited::titlergb, Default::titleColor },
        { Inherited::titlestyle, Word::styleNormal },
        { Inherited::titleweight, Word::weightNormal },
        { Inherited::titlepixelsize, Default::titlePixelSize },
        { Inherited::titlepointsize, Default::titlePointSize },
        { Inherited::titlealignment, Word::alignCenter },
        { Inherited::titleshadow, Default::titleShadow },
    };
    for (const auto &key : buttonKeys)
        defaults.insert(key.first, settings.value(key.first, key.second));
    settings.endGroup();

    // [button-dragging]
    settings.beginGroup(config.groupNames.value(Group::buttonDragging));
    defaults.insert(Inherited::bouncetime, settings.value(Key::bouncetime, Default::bounceTime));
    defaults.insert(Inherited::bouncex, settings.value(Key::bouncex, Default::bounceX));
    defaults.insert(Inherited::bouncey, settings.value(Key::bouncey, Default::bounceY));
    defaults.insert(Inherited::dragx, settings.value(Key::ulx, Default::dragX));
    defaults.insert(Inherited::dragy, settings.value(Key::uly, Default::dragY));
    defaults.insert(Inherited::dragduration, settings.value(Key::duration, Default::dragDuration));
    if (settings.contains(Key::image))
        defaults.insert(
            Inherited::dragimage, QDir::cleanPath(links.absoluteFilePath(settings.value(Key::image).toString())));
    defaults.insert(Inherited::scalefactor, settings.value(Key::scalefactor, Default::scaleFactor));
    settings.endGroup();

    // [button-hover]: the group's width is stored under the height name and
    // its height under the width name; existing skins are drawn for that.
    settings.beginGroup(config.groupNames.value(Group::buttonHover));
    defaults.insert(Inherited::hoverx, settings.value(Key::ulx, Default::hoverX));
    defaults.insert(Inherited::hovery, settings.value(Key::uly, Default::hoverY));
    if (settings.contains(Key::image))
        defaults.insert(
            Inherited::hoverimage, QDir::cleanPath(links.absoluteFilePath(settings.value(Key::image).toString())));
    if (settings.contains(Key::checkimage))
        defaults.insert(Inherited::hovercheckimage,
            QDir::cleanPath(links.absoluteFilePath(settings.value(Key::checkimage).toString())));
    defaults.insert(Inherited::hoverimageheight, settings.value(Key::width, Default::hoverImageHeight));
    defaults.insert(Inherited::hoverimagewidth, settings.value(Key::height, Default::hoverImageWidth));
    settings.endGroup();

    const QList<QPair<QString, Control *>> controls { { Group::exit, &config.exit },
        { Group::minimize, &config.minimize }, { Group::alwaysOnTop, &config.alwaysOnTop },
        { Group::info, &config.info }, { Group::document, &config.document } };
    for (const auto &control : controls)
        readControl(settings, groups, control.first, config.groupNames.value(control.first), links, *control.second);
    return config;
}

const LauncherConfig::Control *LauncherConfig::control(const QString &group) const
{
    if (group == Group::exit)
        return &exit;
    if (group == Group::minimize)
        return &minimize;
    if (group == Group::alwaysOnTop)
        return &alwaysOnTop;
    if (group == Group::info)
        return &info;
    if (group == Group::document)
        return &document;
    return nullptr;
}
