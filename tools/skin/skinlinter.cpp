#include "skinlinter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRect>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTextStream>

#include "commands/commandfactory.h"
#include "config/backgroundsignature.h"
#include "config/buttonconfig.h"
#include "config/inifile.h"
#include "config/launcherconfig.h"
#include "config/layout.h"
#include "config/vocabulary.h"
#include "commands/dropcommand.h"
#include "widgets/imagefiles.h"
#include "widgets/launchbutton.h"
#include "widgets/textoverlay.h"

using namespace Vocabulary;

namespace {

enum class Form {
    Text,
    TextList,
    Int,
    Real,
    Bool,
    Colour,
    ColourAlpha,
    Style,
    Weight,
    Align,
    Orient,
    Filter,
    Type,
    Path
};

struct KeyRule {
    Form form;
    bool localised;
};

using GroupRules = QMap<QString, KeyRule>;

// Both platform words: a skin is authored once for every platform, so a
// group hidden on either of them is worth a word.
const QStringList platformWords = { QStringLiteral("linux"), QStringLiteral("windows") };

GroupRules buttonAppearance()
{
    return {
        { Key::bluraround, { Form::Bool, false } },
        { Key::blurdistance, { Form::Real, false } },
        { Key::radius, { Form::Real, false } },
        { Key::blurx, { Form::Real, false } },
        { Key::blury, { Form::Real, false } },
        { Key::blurcolor, { Form::ColourAlpha, false } },
        { Key::colorized, { Form::Bool, false } },
        { Key::titlergb, { Form::Colour, true } },
        { Key::titlefont, { Form::Text, true } },
        { Key::titlepixelsize, { Form::Int, true } },
        { Key::titlepointsize, { Form::Int, true } },
        { Key::titlestyle, { Form::Style, true } },
        { Key::titleweight, { Form::Weight, true } },
        { Key::titleoffsetW, { Form::Real, true } },
        { Key::titleoffsetH, { Form::Real, true } },
        { Key::titlelinespace, { Form::Int, true } },
        { Key::titlealignment, { Form::Align, false } },
        { Key::titleshadow, { Form::Bool, false } },
    };
}

const QMap<QString, GroupRules> &linkRules()
{
    static const QMap<QString, GroupRules> table = [] {
        QMap<QString, GroupRules> groups;
        GroupRules properties = buttonAppearance();
        const QStringList localisedTexts
            = { Key::title, Key::checktitle, Key::firstaccessiblename, Key::firstaccessibledescription,
                  Key::secondaccessiblename, Key::secondaccessibledescription, Key::tooltip };
        for (const QString &key : localisedTexts)
            properties.insert(key, { Form::Text, true });
        properties.insert(Key::drop, { Form::Int, false });
        properties.insert(Key::liteEnabled, { Form::Int, true });
        properties.insert(Key::icon, { Form::Path, true });
        properties.insert(Key::iconLite, { Form::Path, true });
        properties.insert(Key::checkicon, { Form::Path, true });
        properties.insert(Key::pressedicon, { Form::Path, false });
        properties.insert(Key::pressedfilepath, { Form::Path, false });
        properties.insert(Key::pressedsection, { Form::Text, false });
        properties.insert(Key::wpath, { Form::Path, false });
        properties.insert(Key::priority, { Form::Int, false });
        properties.insert(Key::width, { Form::Int, false });
        properties.insert(Key::height, { Form::Int, false });
        properties.insert(Key::massive, { Form::Int, false });
        groups.insert(Group::properties, properties);
        groups.insert(Group::hover,
            { { Key::ulx, { Form::Real, false } }, { Key::uly, { Form::Real, false } },
                { Key::image, { Form::Path, false } }, { Key::checkimage, { Form::Path, false } },
                { Key::width, { Form::Int, false } }, { Key::height, { Form::Int, false } } });
        groups.insert(Group::drop,
            { { Key::duration, { Form::Int, false } }, { Key::ulx, { Form::Real, false } },
                { Key::uly, { Form::Real, false } }, { Key::image, { Form::Path, false } },
                { Key::bouncex, { Form::Real, false } }, { Key::bouncey, { Form::Real, false } },
                { Key::bouncetime, { Form::Int, false } }, { Key::type, { Form::Type, false } },
                { Key::args, { Form::TextList, false } }, { Key::path, { Form::Path, false } } });
        groups.insert(
            Group::ondrop, { { Key::submenu, { Form::Path, false } }, { Key::filter, { Form::Filter, false } } });
        groups.insert(Group::click,
            { { Key::args, { Form::TextList, false } }, { Key::ext, { Form::TextList, false } },
                { Key::type, { Form::Type, false } }, { Key::profile, { Form::Text, false } },
                { Key::profileKey, { Form::Text, false } }, { Key::path, { Form::Path, false } } });
        groups.insert(QString(), { { Key::scalefactor, { Form::Real, false } } });
        return groups;
    }();
    return table;
}

const QMap<QString, GroupRules> &launcherRules()
{
    static const QMap<QString, GroupRules> table = [] {
        QMap<QString, GroupRules> groups;
        groups.insert(Group::app,
            { { Key::autorun, { Form::TextList, false } }, { Key::title, { Form::Text, false } },
                { Key::background, { Form::Path, false } }, { Key::backgroundLite, { Form::Path, false } },
                { Key::pincheck, { Form::Bool, false } }, { Key::paddingLeft, { Form::Real, false } },
                { Key::paddingTop, { Form::Real, false } }, { Key::layout, { Form::Orient, false } } });
        GroupRules button = buttonAppearance();
        button.insert(Key::shiftduration, { Form::Int, false });
        button.insert(Key::marginRight, { Form::Real, false });
        button.insert(Key::marginTop, { Form::Real, false });
        button.insert(Key::layout, { Form::Orient, false });
        button.insert(Key::width, { Form::Real, false });
        button.insert(Key::height, { Form::Real, false });
        groups.insert(Group::button, button);
        groups.insert(Group::buttonDragging,
            { { Key::bouncetime, { Form::Int, false } }, { Key::bouncex, { Form::Real, false } },
                { Key::bouncey, { Form::Real, false } }, { Key::ulx, { Form::Real, false } },
                { Key::uly, { Form::Real, false } }, { Key::duration, { Form::Int, false } },
                { Key::image, { Form::Path, false } }, { Key::scalefactor, { Form::Real, false } } });
        groups.insert(Group::buttonHover,
            { { Key::ulx, { Form::Real, false } }, { Key::uly, { Form::Real, false } },
                { Key::image, { Form::Path, false } }, { Key::checkimage, { Form::Path, false } },
                { Key::width, { Form::Int, false } }, { Key::height, { Form::Int, false } } });
        const GroupRules control = { { Key::image, { Form::Path, false } }, { Key::llx, { Form::Real, false } },
            { Key::lly, { Form::Real, false } } };
        groups.insert(Group::exit, control);
        groups.insert(Group::minimize, control);
        GroupRules onTop = control;
        onTop.insert(Key::toggleImage, { Form::Path, false });
        groups.insert(Group::alwaysOnTop, onTop);
        GroupRules info = control;
        info.insert(Key::process, { Form::Path, false });
        info.insert(Key::args, { Form::TextList, false });
        groups.insert(Group::info, info);
        GroupRules document = control;
        document.insert(Key::args, { Form::TextList, false });
        groups.insert(Group::document, document);
        return groups;
    }();
    return table;
}

int editDistance(const QString &a, const QString &b)
{
    QVector<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({ row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1) });
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The word of the list nearest to a misspelt one, or empty when none is
// near enough to be a typo.
QString nearestWord(const QString &word, const QStringList &words, Qt::CaseSensitivity sensitivity)
{
    QString best;
    int bestDistance = 3; // farther than this is no typo
    const QString typed = sensitivity == Qt::CaseSensitive ? word : word.toUpper();
    for (const QString &candidate : words) {
        const int distance = editDistance(typed, sensitivity == Qt::CaseSensitive ? candidate : candidate.toUpper());
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

// The group a platform variant stands for ("click_linux" -> "click").
QString baseGroupOf(const QString &group)
{
    for (const QString &word : platformWords) {
        const QString suffix = QLatin1Char('_') + word;
        if (group.endsWith(suffix, Qt::CaseInsensitive))
            return group.left(group.size() - suffix.size());
    }
    return group;
}

// key, key.xx or key.xx_YY: the base key and whether a language was given.
QString baseKeyOf(const QString &key, bool &localisedForm)
{
    localisedForm = false;
    const int dot = key.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return key;
    const QString language = key.mid(dot + 1);
    const bool shortCode = language.size() == 2 && language.at(0).isLower() && language.at(1).isLower();
    const bool fullCode = language.size() == 5 && language.at(2) == QLatin1Char('_') && language.at(0).isLower()
        && language.at(1).isLower() && language.at(3).isUpper() && language.at(4).isUpper();
    if (!shortCode && !fullCode)
        return key;
    localisedForm = true;
    return key.left(dot);
}

bool isNumber(const QString &text, bool integer)
{
    bool ok = false;
    if (integer)
        text.trimmed().toInt(&ok, 10);
    else
        text.trimmed().toDouble(&ok);
    return ok;
}

QString colourText(const QColor &colour, bool alpha)
{
    QString text = QStringLiteral("%1/%2/%3").arg(colour.red()).arg(colour.green()).arg(colour.blue());
    if (alpha)
        text += QStringLiteral("/%1").arg(colour.alpha());
    return text;
}

bool isColour(const QString &text, bool allowAlpha)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 3 && !(allowAlpha && parts.size() == 4))
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        const int value = part.trimmed().toInt(&ok, 10);
        if (!ok || value < 0 || value > 255)
            return false;
    }
    return true;
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString linkFileOf(const ButtonConfig &record)
{
    return record.isFolder ? record.filePath + QLatin1Char('/') + File::folderLink : record.filePath;
}

// Relative luminance of an sRGB colour, and the contrast ratio of two
// luminances, as the web's accessibility guidelines define them (1:1 for
// equal colours up to 21:1 for black on white).
double luminance(QRgb colour)
{
    auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) + 0.0722 * linear(qBlue(colour));
}

double contrastRatio(double a, double b)
{
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// Body text asks for 4.5:1 and large text for 3:1; below 1.5:1 a title is
// hard to make out at any size.
constexpr double minimumTitleContrast = 1.5;
// A picture none of whose pixels is more opaque than this shows nothing.
constexpr int visibleAlpha = 16;

// A button as the window shows it in one state of the layout.
struct Shown {
    const ButtonConfig *record = nullptr;
    QPoint position;
    bool open = false; // a folder button while its folder is open
};

// An open folder button shows its check icon and check title when it has
// them and keeps its picture and title otherwise (LaunchButton::onValueChanged).
QString pictureOf(const Shown &button)
{
    const ButtonConfig &record = *button.record;
    return button.open && !record.checkIconPath.isEmpty() ? record.checkIconPath : record.iconPath;
}

QString titleOf(const Shown &button)
{
    const ButtonConfig &record = *button.record;
    if (record.title.isEmpty())
        return QString(); // no title overlay at all
    return button.open && !record.checkTitle.isEmpty() ? record.checkTitle : record.title;
}

// The picture as the button's picture overlay decodes it.
QImage pictureImage(const Shown &button)
{
    return ImageFiles::pixmap(pictureOf(button), LaunchButton::ownSize(*button.record)).toImage();
}

bool showsAnything(const QImage &picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) >= visibleAlpha)
                return true;
        }
    }
    return false;
}

// The window in one state: its background, and over it each button's
// picture where its overlay paints it (centred in the button's own size).
QImage paintScene(const QImage &background, const std::vector<Shown> &buttons)
{
    QImage scene(background.size(), QImage::Format_RGB32);
    scene.fill(Qt::black);
    QPainter painter(&scene);
    painter.drawImage(0, 0, background);
    for (const Shown &button : buttons) {
        const QImage picture = pictureImage(button);
        const QSize own = LaunchButton::ownSize(*button.record);
        const QSize area = own == QSize(0, 0) ? picture.size() : own;
        const QPoint inside(picture.width() < area.width() ? (area.width() - picture.width()) / 2 : 0,
            picture.height() < area.height() ? (area.height() - picture.height()) / 2 : 0);
        painter.setClipRect(QRect(button.position, area));
        painter.drawImage(button.position + inside, picture);
    }
    return scene;
}

// What lies under a button's title in a scene, seen through the title's own
// glyphs: their coverage (0 when the title paints nothing inside the window)
// and the mean luminance beneath them, weighted by that coverage.
struct TitleGround {
    double coverage = 0.0;
    double luminance = 0.0;
};

TitleGround groundOf(const QImage &scene, const Shown &button)
{
    const QString text = titleOf(button);
    const QRect area = LaunchButton::titleArea(*button.record, button.position);
    if (text.trimmed().isEmpty() || area.isEmpty())
        return {};
    const ButtonConfig &record = *button.record;
    const QImage glyphs = TextOverlay::picture(
        area.size(), text, record.titleFont, Qt::white, record.titleAlignment, record.titleLineSpace);
    double coverage = 0.0;
    double sum = 0.0;
    for (int y = 0; y < glyphs.height(); ++y) {
        for (int x = 0; x < glyphs.width(); ++x) {
            const int alpha = qAlpha(glyphs.pixel(x, y));
            const QPoint at = area.topLeft() + QPoint(x, y);
            if (alpha == 0 || !scene.rect().contains(at))
                continue;
            coverage += alpha;
            sum += alpha * luminance(scene.pixel(at));
        }
    }
    return { coverage, coverage > 0.0 ? sum / coverage : 0.0 };
}

} // namespace

QString severityWord(SkinLinter::Severity severity)
{
    return severity == SkinLinter::Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

SkinLinter::SkinLinter(const QString &folder)
    : linksFolder(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
    , resourceFolder(QFileInfo(linksFolder).absolutePath())
{
}

void SkinLinter::setResourceFolder(const QString &folder)
{
    resourceFolder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QVector<SkinLinter::Diagnostic> SkinLinter::run()
{
    diagnostics.clear();
    if (!QFileInfo(linksFolder).isDir()) {
        report(linksFolder, 0, Severity::Error, QStringLiteral("the links folder does not exist"));
    } else {
        lintLauncherConf();
        const QFileInfoList entries
            = QDir(linksFolder)
                  .entryInfoList({ File::linkPattern }, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries)
            lintLinkEntry(entry.absoluteFilePath(), true);
        lintFonts(linksFolder + QLatin1Char('/') + File::fontsFolder);
        lintLayout();
    }
    std::stable_sort(diagnostics.begin(), diagnostics.end(), [](const Diagnostic &a, const Diagnostic &b) {
        if (a.file != b.file)
            return a.file < b.file;
        return a.line < b.line;
    });
    return diagnostics;
}

SkinLinter::IniText SkinLinter::scan(const QString &path)
{
    // Read as the launcher reads it, so every finding points at a line the
    // launcher really reads ("#key" is a key to it, not a comment).
    IniText ini;
    ini.path = path;
    ini.file = IniFile(path, -1, IniFile::Lines::Keep);
    ini.groups = ini.file.childGroups();
    QHash<QPair<QString, QString>, int> lastLine;
    for (const IniFile::Entry &read : ini.file.entries()) {
        Entry entry;
        entry.group = read.section;
        entry.key = read.key;
        entry.value = read.value.canConvert<QStringList>() && read.value.type() != QVariant::String
            ? read.value.toStringList().join(QLatin1Char(','))
            : read.value.toString();
        entry.line = read.line;
        lastLine.insert({ entry.group, entry.key }, entry.line);
        if (!ini.groupLines.contains(entry.group))
            ini.groupLines.insert(entry.group, entry.group.isEmpty() ? entry.line : ini.file.sectionLine(entry.group));
        ini.entries << entry;
    }
    for (Entry &entry : ini.entries) {
        const int last = lastLine.value({ entry.group, entry.key });
        entry.replacedAt = last != entry.line ? last : 0;
    }
    return ini;
}

void SkinLinter::report(const QString &path, int line, Severity severity, const QString &message)
{
    QString relative = QDir(linksFolder).relativeFilePath(path);
    if (relative.isEmpty())
        relative = QStringLiteral(".");
    diagnostics.append({ relative, line, severity, message });
}

QString SkinLinter::resolve(const QString &text, const QString &folder) const
{
    static const QString respath = QStringLiteral("%respath%");
    QString value = text;
    // The resource folder is known (on a medium it holds the links folder),
    // so that one placeholder can be followed from here; the others name
    // drives, the running launcher or the environment of the user's machine.
    if (value.startsWith(respath, Qt::CaseInsensitive))
        value = resourceFolder + value.mid(respath.size());
    if (value.contains(QLatin1Char('%')) || value.contains(QLatin1Char('$')))
        return QString();
    return QDir::cleanPath(QDir(folder).absoluteFilePath(value));
}

void SkinLinter::lintLauncherConf()
{
    const QString path = linksFolder + QLatin1Char('/') + File::launcherConf;
    if (!QFileInfo::exists(path)) {
        report(
            path, 0, Severity::Error, QStringLiteral("missing: the launcher finds no background and refuses to start"));
        return;
    }
    const IniText ini = scan(path);
    lintKeys(ini, false);
    lintHiddenKeys(ini, launcherRules().keys());

    // The background the launcher will really read.
    config = LauncherConfig::read(linksFolder, ini.file);
    const QString appGroup = config.groupNames.value(Group::app);
    const QString backgroundText = ini.file.value(appGroup + QLatin1Char('/') + Key::background).toString();
    int backgroundLine = 0;
    for (const Entry &entry : ini.entries) {
        if (entry.group == appGroup && entry.key == Key::background)
            backgroundLine = entry.line;
    }
    if (backgroundText.isEmpty()) {
        report(path, ini.groupLines.value(appGroup, 0), Severity::Error,
            QStringLiteral("no background: the launcher refuses to start"));
        return;
    }
    const QString picture = config.backgroundPath;
    if (!QFileInfo(picture).isFile())
        return; // already reported as a missing file
    if (!BackgroundSignature::verifyFile(picture)) {
        report(path, backgroundLine, Severity::Error,
            QStringLiteral("background %1 carries no valid signature (gatepoint-skin sign --replace)")
                .arg(quoted(backgroundText)));
    }
}

void SkinLinter::lintLinkEntry(const QString &entryPath, bool topLevel)
{
    const QFileInfo entry(entryPath);
    if (!entry.isDir()) {
        lintLinkFile(entryPath);
        return;
    }
    const QString folderLink = entryPath + QLatin1Char('/') + File::folderLink;
    if (!QFileInfo(folderLink).isFile()) {
        report(entryPath, 0, topLevel ? Severity::Error : Severity::Warning,
            QStringLiteral("link folder without \"%1\": it gets no button").arg(File::folderLink));
        return;
    }
    lintLinkFile(folderLink);
    const QFileInfoList files = QDir(entryPath).entryInfoList({ File::linkPattern }, QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.completeBaseName() != File::folderLinkBaseName)
            lintLinkFile(file.absoluteFilePath());
    }
}

void SkinLinter::lintLinkFile(const QString &path)
{
    const IniText ini = scan(path);
    lintKeys(ini, true);
    lintHiddenKeys(ini, { Group::properties, Group::ondrop, Group::click, Group::drop, Group::hover });

    const QString clickType
        = ini.file.value(platformGroup(ini.groups, Group::click) + QLatin1Char('/') + Key::type).toString();
    bool hasIcon = false;
    const QString propertiesGroup = platformGroup(ini.groups, Group::properties);
    for (const Entry &entry : ini.entries) {
        // Only the groups the launcher reads on this platform name files.
        if (entry.replacedAt > 0 || platformGroup(ini.groups, baseGroupOf(entry.group)) != entry.group)
            continue;
        bool localisedForm = false;
        if (entry.group == propertiesGroup && baseKeyOf(entry.key, localisedForm) == Key::icon)
            hasIcon = true;
        lintFiles(ini, entry, baseGroupOf(entry.group), true, clickType);
    }
    if (!hasIcon) {
        report(path, ini.groupLines.value(propertiesGroup, 0), Severity::Error,
            QStringLiteral("no icon: the link gets no button"));
    }

    // The drop sub-menu's entries are links of their own.
    const QString ondropGroup = platformGroup(ini.groups, Group::ondrop);
    for (const Entry &entry : ini.entries) {
        if (entry.group != ondropGroup || entry.key != Key::submenu || entry.replacedAt > 0)
            continue;
        const QString folder = QDir(QFileInfo(path).absolutePath()).absoluteFilePath(entry.value);
        if (entry.value.isEmpty() || !QFileInfo(folder).isDir()) {
            report(path, entry.line, Severity::Error,
                QStringLiteral("sub-menu folder %1 does not exist").arg(quoted(entry.value)));
            continue;
        }
        const QFileInfoList files = QDir(folder).entryInfoList({ File::linkPattern }, QDir::Files, QDir::Name);
        for (const QFileInfo &file : files) {
            if (file.completeBaseName() != File::folderLinkBaseName)
                lintLinkFile(file.absoluteFilePath());
        }
    }
}

void SkinLinter::lintKeys(const IniText &ini, bool linkFile)
{
    const QMap<QString, GroupRules> &table = linkFile ? linkRules() : launcherRules();
    QSet<QString> reportedGroups;
    for (const Entry &entry : ini.entries) {
        const QString base = baseGroupOf(entry.group);
        if (entry.replacedAt > 0) {
            report(ini.path, entry.line, Severity::Warning,
                QStringLiteral("%1 is given again on line %2; the launcher reads that one")
                    .arg(quoted(entry.key))
                    .arg(entry.replacedAt));
            continue;
        }
        if (!table.contains(base)) {
            if (!reportedGroups.contains(entry.group)) {
                reportedGroups.insert(entry.group);
                QString message = QStringLiteral("unknown group [%1]").arg(entry.group);
                const QString best = nearestWord(base, table.keys(), Qt::CaseSensitive);
                if (!best.isEmpty())
                    message += QStringLiteral("; did you mean [%1]?").arg(best);
                report(ini.path, ini.groupLines.value(entry.group, entry.line), Severity::Warning, message);
            }
            continue;
        }
        const GroupRules &keys = table.value(base);
        bool localisedForm = false;
        const QString key = baseKeyOf(entry.key, localisedForm);
        bool known = keys.contains(key) && (!localisedForm || keys.value(key).localised);
        if (!linkFile && base == Group::app && !known) {
            const QRegularExpression indexed(QStringLiteral("^autorun_(args|wait)_\\d+$"));
            known = indexed.match(entry.key).hasMatch();
        }
        if (!known) {
            const QString where = entry.group.isEmpty() ? QStringLiteral("outside any group")
                                                        : QStringLiteral("in [%1]").arg(entry.group);
            QString message = QStringLiteral("unknown key %1 %2").arg(quoted(entry.key), where);
            const QString best = nearestWord(key, keys.keys(), Qt::CaseSensitive);
            if (!best.isEmpty())
                message += QStringLiteral("; did you mean %1?").arg(quoted(best));
            report(ini.path, entry.line, Severity::Warning, message);
            continue;
        }
        lintValue(ini, entry, base, linkFile);
        if (!linkFile && platformGroup(ini.groups, base) == entry.group)
            lintFiles(ini, entry, base, false, QString());
    }
}

void SkinLinter::lintValue(const IniText &ini, const Entry &entry, const QString &baseGroup, bool linkFile)
{
    bool localisedForm = false;
    const QString key = baseKeyOf(entry.key, localisedForm);
    const KeyRule table = (linkFile ? linkRules() : launcherRules()).value(baseGroup).value(key);
    const QString &value = entry.value;
    auto warn = [&](const QString &what, const QString &fallback) {
        report(ini.path, entry.line, Severity::Warning,
            QStringLiteral("%1 is not %2 for %3; the launcher uses %4")
                .arg(quoted(value), what, quoted(entry.key), fallback));
    };
    switch (table.form) {
    case Form::Int:
        if (!isNumber(value, true))
            warn(QStringLiteral("a whole number"), QString::number(toInt(value)));
        break;
    case Form::Real:
        if (!isNumber(value, false))
            warn(QStringLiteral("a number"), QString::number(toReal(value)));
        break;
    case Form::Bool:
        if (value.compare(QLatin1String("true"), Qt::CaseInsensitive) != 0
            && value.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0 && !isNumber(value, false))
            warn(QStringLiteral("a boolean"), toBool(value) ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case Form::Colour:
        if (!isColour(value, true))
            warn(QStringLiteral("a colour (r/g/b)"), colourText(colorWithoutAlpha(value), false));
        break;
    case Form::ColourAlpha:
        if (!isColour(value, true)) {
            if (value.split(QLatin1Char('/')).size() < 3)
                warn(QStringLiteral("a colour (r/g/b/a)"), QStringLiteral("the inherited colour"));
            else
                warn(QStringLiteral("a colour (r/g/b/a)"), colourText(colorWithAlpha(value, QColor()), true));
        }
        break;
    case Form::Style:
        if (!QStringList({ Word::styleNormal, Word::styleItalic, Word::styleOblique }).contains(value.toUpper()))
            warn(QStringLiteral("a style (NORMAL, ITALIC, OBLIQUE)"), Word::styleNormal);
        break;
    case Form::Weight:
        if (!QStringList(
                { Word::weightLight, Word::weightNormal, Word::weightDemibold, Word::weightBold, Word::weightBlack })
                 .contains(value.toUpper()))
            warn(QStringLiteral("a weight (LIGHT, NORMAL, DEMIBOLD, BOLD, BLACK)"), Word::weightNormal);
        break;
    case Form::Align:
        if (value != Word::alignLeft && value != Word::alignRight && value != Word::alignCenter)
            warn(QStringLiteral("an alignment (left, right, center)"), Word::alignCenter);
        break;
    case Form::Orient:
        if (value.compare(Word::horizontal, Qt::CaseInsensitive) != 0
            && value.compare(Word::vertical, Qt::CaseInsensitive) != 0)
            warn(QStringLiteral("an orientation (horizontal, vertical)"), Word::horizontal);
        break;
    case Form::Filter: {
        if (!isDropFilter(value)) {
            report(ini.path, entry.line, Severity::Warning,
                QStringLiteral(
                    "%1 is not a drop filter (\"*\" or \"ext:SUFFIX\") for %2; no dropped file opens the sub-menu")
                    .arg(quoted(value), quoted(entry.key)));
        }
        break;
    }
    case Form::Type: {
        bool number = false;
        const int type = value.trimmed().toInt(&number, 10);
        // A drop of type 11 hands its files to a program in base64.
        const int runs = baseGroup == Group::drop ? DropCommand::commandTypeFor(type) : type;
        if (number) {
            if (!CommandFactory::exists(runs)) {
                report(ini.path, entry.line, Severity::Error,
                    QStringLiteral("no command has the type number %1: the button does nothing").arg(type));
            }
        } else if (!value.isEmpty() && value.toUpper() != QLatin1String("RUN")
            && commandTypeFromName(value) == CommandType::Run) {
            QString message = QStringLiteral("unknown command type %1; the launcher runs it as RUN").arg(quoted(value));
            const QString best = nearestWord(value, commandTypeNames().keys(), Qt::CaseInsensitive);
            if (!best.isEmpty())
                message += QStringLiteral("; did you mean %1?").arg(quoted(best));
            report(ini.path, entry.line, Severity::Warning, message);
        }
        break;
    }
    case Form::Text:
    case Form::TextList:
    case Form::Path:
        break;
    }
}

void SkinLinter::lintHiddenKeys(const IniText &ini, const QStringList &baseGroups)
{
    for (const QString &base : baseGroups) {
        if (!ini.groups.contains(base))
            continue;
        for (const QString &word : platformWords) {
            const QString variant = base + QLatin1Char('_') + word;
            QString found;
            for (const QString &group : ini.groups) {
                if (group.compare(variant, Qt::CaseInsensitive) == 0)
                    found = group;
            }
            if (found.isEmpty())
                continue;
            QSet<QString> replaced;
            for (const Entry &entry : ini.entries) {
                if (entry.group == found)
                    replaced.insert(entry.key);
            }
            for (const Entry &entry : ini.entries) {
                // The drop switch is read from the plain group on every platform.
                if (entry.group != base || replaced.contains(entry.key)
                    || (base == Group::properties && entry.key == Key::drop))
                    continue;
                report(ini.path, entry.line, Severity::Warning,
                    QStringLiteral("%1 in [%2] is hidden on %3: [%4] replaces the whole group")
                        .arg(quoted(entry.key), base, word, found));
            }
        }
    }
}

void SkinLinter::lintFiles(
    const IniText &ini, const Entry &entry, const QString &baseGroup, bool linkFile, const QString &clickType)
{
    if (entry.value.isEmpty())
        return;
    bool localisedForm = false;
    const QString key = baseKeyOf(entry.key, localisedForm);
    const QString folder = QFileInfo(ini.path).absolutePath();
    const QString absolute = QDir::cleanPath(QDir(folder).absoluteFilePath(entry.value));

    auto picture = [&](Severity severity, const QString &what) {
        if (!QFileInfo(absolute).isFile()) {
            report(
                ini.path, entry.line, severity, QStringLiteral("%1 %2 does not exist").arg(what, quoted(entry.value)));
            return;
        }
        QImageReader reader(absolute);
        if (!reader.canRead()) {
            report(ini.path, entry.line, severity,
                QStringLiteral("%1 %2 does not load as a picture").arg(what, quoted(entry.value)));
        }
    };

    if (linkFile) {
        if (baseGroup == Group::properties) {
            if (key == Key::icon)
                picture(Severity::Error, QStringLiteral("icon"));
            else if (key == Key::iconLite)
                picture(Severity::Warning, QStringLiteral("lite icon"));
            else if (key == Key::checkicon)
                picture(Severity::Warning, QStringLiteral("check icon"));
            else if (key == Key::pressedicon && commandTypeFromText(clickType) == CommandType::CheckButton)
                picture(Severity::Warning, QStringLiteral("pressed icon"));
            else if (key == Key::wpath && !QFileInfo(absolute).isDir())
                report(ini.path, entry.line, Severity::Error,
                    QStringLiteral("working folder %1 does not exist").arg(quoted(entry.value)));
        } else if ((baseGroup == Group::hover || baseGroup == Group::drop)
            && (key == Key::image || key == Key::checkimage)) {
            picture(Severity::Warning,
                baseGroup == Group::hover ? QStringLiteral("hover image") : QStringLiteral("drag image"));
        } else if ((baseGroup == Group::click || baseGroup == Group::drop) && key == Key::path) {
            const QString typeText = baseGroup == Group::drop
                ? ini.file.value(entry.group + QLatin1Char('/') + Key::type).toString()
                : clickType;
            const int type = commandTypeFromText(typeText);
            if (type == CommandType::OpenLink || type == CommandType::Reload)
                return; // a web address, or no path at all
            const QString resolved = resolve(entry.value, folder);
            if (resolved.isEmpty()) {
                report(ini.path, entry.line, Severity::Warning,
                    QStringLiteral("%1: placeholder cannot be resolved here").arg(quoted(entry.value)));
            } else if (!QFileInfo::exists(resolved)) {
                report(ini.path, entry.line, Severity::Error,
                    QStringLiteral("[%1] path %2 does not exist").arg(baseGroup, quoted(entry.value)));
            }
        }
        return;
    }

    if (baseGroup == Group::app && (key == Key::background || key == Key::backgroundLite)) {
        picture(
            Severity::Error, key == Key::background ? QStringLiteral("background") : QStringLiteral("lite background"));
    } else if ((baseGroup == Group::buttonHover || baseGroup == Group::buttonDragging)
        && (key == Key::image || key == Key::checkimage)) {
        picture(Severity::Warning,
            baseGroup == Group::buttonHover ? QStringLiteral("hover image") : QStringLiteral("drag image"));
    } else if (key == Key::image || key == Key::toggleImage) {
        picture(Severity::Warning, QStringLiteral("control image"));
    } else if (key == Key::process && !QFileInfo::exists(absolute)) {
        report(ini.path, entry.line, Severity::Error,
            QStringLiteral("program %1 does not exist").arg(quoted(entry.value)));
    }
}

void SkinLinter::lintFonts(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo font(it.next());
        const QString suffix = font.suffix().toLower();
        if (font.fileName().startsWith(QLatin1Char('.')) || font.isSymLink()
            || (suffix != QLatin1String("ttf") && suffix != QLatin1String("otf") && suffix != QLatin1String("ttc")))
            continue;
        if (QFontDatabase::addApplicationFont(font.canonicalFilePath()) == -1)
            report(font.absoluteFilePath(), 0, Severity::Error, QStringLiteral("font cannot be registered"));
    }
}

void SkinLinter::lintLayout()
{
    // The records as the window reads them, with the shared defaults.
    std::vector<std::unique_ptr<ButtonConfig>> records;
    const QFileInfoList entries
        = QDir(linksFolder)
              .entryInfoList({ File::linkPattern }, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        auto record = std::make_unique<ButtonConfig>(entry, config.buttonDefaults, true);
        if (!record->iconPath.isEmpty())
            records.push_back(std::move(record));
    }
    auto samePriorities = [&](const std::vector<const ButtonConfig *> &list) {
        for (size_t i = 0; i < list.size(); ++i) {
            for (size_t j = 0; j < i; ++j) {
                if (list[i]->priority == list[j]->priority) {
                    report(linkFileOf(*list[i]), propertyLine(linkFileOf(*list[i]), Key::priority), Severity::Warning,
                        QStringLiteral("priority %1 equals that of %2: their order is undefined")
                            .arg(list[i]->priority)
                            .arg(quoted(list[j]->fileName)));
                    break;
                }
            }
        }
    };

    std::vector<const ButtonConfig *> topLevel;
    for (const auto &record : records)
        topLevel.push_back(record.get());
    samePriorities(topLevel);
    for (const ButtonConfig *record : topLevel) {
        std::vector<const ButtonConfig *> children;
        for (const auto &child : record->children)
            children.push_back(child.get());
        samePriorities(children);
    }

    QSize backgroundSize;
    if (!config.backgroundPath.isEmpty())
        backgroundSize = QImageReader(config.backgroundPath).size();
    if (!backgroundSize.isValid())
        return;
    const QRect bounds(QPoint(0, 0), backgroundSize);
    auto checkInside = [&](const ButtonConfig &record, const QRectF &place) {
        // The window places its buttons at whole pixels.
        const QRect rect(int(place.x()), int(place.y()), int(place.width()), int(place.height()));
        if (bounds.contains(rect))
            return;
        report(linkFileOf(record), propertyLine(linkFileOf(record), Key::priority), Severity::Warning,
            QStringLiteral("button %1 at %2,%3 size %4x%5 falls outside the %6x%7 background")
                .arg(quoted(QFileInfo(record.fileName).completeBaseName()))
                .arg(rect.x())
                .arg(rect.y())
                .arg(rect.width())
                .arg(rect.height())
                .arg(backgroundSize.width())
                .arg(backgroundSize.height()));
    };
    const std::vector<Layout::Placed> placed = Layout::place(config.layout, topLevel, &LaunchButton::ownSize);
    for (const Layout::Placed &button : placed) {
        checkInside(*button.record, button.rect);
        for (const Layout::Placed &entry : button.entries)
            checkInside(*entry.record, entry.rect);
    }
    lintLooks(placed, ImageFiles::pixmap(config.backgroundPath).toImage());
}

int SkinLinter::propertyLine(const QString &path, const QString &key)
{
    const IniText ini = scan(path);
    int line = 0;
    for (const Entry &entry : ini.entries) {
        bool localisedForm = false;
        if (baseGroupOf(entry.group) == Group::properties && baseKeyOf(entry.key, localisedForm) == key)
            line = entry.line;
    }
    return line;
}

void SkinLinter::lintLooks(const std::vector<Layout::Placed> &placed, const QImage &background)
{
    if (background.isNull())
        return;
    // The window places its buttons at whole pixels.
    auto at = [](const QRectF &rect) { return QPoint(int(rect.x()), int(rect.y())); };
    // Each title's lowest contrast over the states that show it.
    struct Lowest {
        double ratio = 0.0;
        bool open = false;
    };
    std::map<const ButtonConfig *, Lowest> lowest;
    auto checkTitles = [&](const std::vector<Shown> &buttons) {
        const QImage scene = paintScene(background, buttons);
        for (const Shown &button : buttons) {
            const TitleGround ground = groundOf(scene, button);
            if (ground.coverage <= 0.0)
                continue;
            const double ratio = contrastRatio(luminance(button.record->titleColor.rgb()), ground.luminance);
            const auto found = lowest.find(button.record);
            if (found == lowest.end() || ratio < found->second.ratio)
                lowest[button.record] = { ratio, button.open };
        }
        return scene;
    };

    std::vector<Shown> home;
    for (const Layout::Placed &button : placed)
        home.push_back({ button.record, at(button.rect), false });
    checkTitles(home);
    for (const Layout::Placed &folder : placed) {
        if (folder.entries.empty())
            continue;
        const Shown button { folder.record, at(Layout::openRect(config.layout, folder.rect)), true };
        std::vector<Shown> open { button };
        for (const Layout::Placed &entry : folder.entries)
            open.push_back({ entry.record, at(entry.rect), false });
        const QImage scene = checkTitles(open);
        // An open folder's button is the way back: it must show something.
        if (showsAnything(pictureImage(button)) || groundOf(scene, button).coverage > 0.0)
            continue;
        const ButtonConfig &record = *folder.record;
        const bool checkIcon = !record.checkIconPath.isEmpty();
        const QString why
            = QStringLiteral("its %1 %2 and %3")
                  .arg(checkIcon ? QStringLiteral("check icon") : QStringLiteral("icon"),
                      pictureImage(button).isNull() ? QStringLiteral("does not load") : QStringLiteral("is blank"),
                      record.title.isEmpty() ? QStringLiteral("it has no title")
                                             : QStringLiteral("its title shows nothing"));
        report(linkFileOf(record), propertyLine(linkFileOf(record), checkIcon ? Key::checkicon : Key::icon),
            Severity::Warning,
            QStringLiteral("button %1 shows nothing while open: %2, so the way back cannot be seen")
                .arg(quoted(QFileInfo(record.fileName).completeBaseName()), why));
    }

    // A link without a colour of its own takes launcher.conf's.
    int sharedColourLine = 0;
    for (const Entry &entry : scan(linksFolder + QLatin1Char('/') + File::launcherConf).entries) {
        if (entry.group == config.groupNames.value(Group::button) && entry.key == Key::titlergb)
            sharedColourLine = entry.line;
    }
    for (const auto &[record, title] : lowest) {
        if (title.ratio >= minimumTitleContrast)
            continue;
        const QString file = linkFileOf(*record);
        int line = propertyLine(file, Key::titlergb);
        QString source;
        if (line == 0) {
            line = propertyLine(file, title.open && !record->checkTitle.isEmpty() ? Key::checktitle : Key::title);
            if (sharedColourLine > 0)
                source = QStringLiteral("; launcher.conf:%1 gives the colour").arg(sharedColourLine);
        }
        report(file, line, Severity::Warning,
            QStringLiteral("title colour %1 barely differs from the background under it%2 (contrast %3:1)%4")
                .arg(colourText(record->titleColor, false), title.open ? QStringLiteral(" while open") : QString(),
                    QString::number(std::floor(title.ratio * 10.0) / 10.0, 'f', 1), source));
    }
}
