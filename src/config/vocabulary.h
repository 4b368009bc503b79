#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

// Command type numbers, as link files give them in "type" (or by name).
namespace CommandType {
enum : int {
    Run = 1,
    OpenFile = 2,
    RunInTemp = 3,
    RunAndExit = 4,
    OpenFolder = 6,
    OpenLink = 7,
    Win32RunHidden = 8,
    CheckButton = 9,
    WinOpenFileBase64 = 10,
    WinRunBase64 = 11,
    OpenMultipleFiles = 12,
    Reload = 13,
    RunFolder = 14,
};
} // namespace CommandType

// Upper-cases the name and looks it up in the type-name table; a name that
// is not there gives 1 (RUN).
int commandTypeFromName(const QString &name);

// The type names, upper case, with their numbers.
const QHash<QString, int> &commandTypeNames();

// Every name the configuration files use: groups, keys, value words,
// defaults and file names. Other code spells a configuration key only
// through these constants.
namespace Vocabulary {

// --- File and folder names ---------------------------------------------------
namespace File {
inline const QString launcherConf = QStringLiteral("launcher.conf");
inline const QString linksConf = QStringLiteral("links.conf");
inline const QString linkPattern = QStringLiteral("*.link");
inline const QString linkSuffix = QStringLiteral(".link");
inline const QString folderLink = QStringLiteral("_.link");
inline const QString folderLinkBaseName = QStringLiteral("_");
inline const QString defaultConf = QStringLiteral("default.conf");
inline const QString langIni = QStringLiteral("lang.ini");
inline const QString blob = QStringLiteral("blob.bin");
inline const QString iconPng = QStringLiteral("icon.png");
inline const QString iconIco = QStringLiteral("icon.ico");
inline const QString fontsFolder = QStringLiteral("fonts");
inline const QString linksFolder = QStringLiteral("links");
inline const QString commonsFolder = QStringLiteral("Commons");
inline const QString homeLinksConf = QStringLiteral("gatepoint/links.conf");
} // namespace File

// --- Group names -------------------------------------------------------------
namespace Group {
// launcher.conf
inline const QString app = QStringLiteral("app");
inline const QString button = QStringLiteral("button");
inline const QString buttonDragging = QStringLiteral("button-dragging");
inline const QString buttonHover = QStringLiteral("button-hover");
inline const QString exit = QStringLiteral("exit");
inline const QString minimize = QStringLiteral("minimize");
inline const QString alwaysOnTop = QStringLiteral("always_on_top");
inline const QString info = QStringLiteral("info");
inline const QString document = QStringLiteral("document");
// link files
inline const QString properties = QStringLiteral("properties");
inline const QString click = QStringLiteral("click");
inline const QString drop = QStringLiteral("drop");
inline const QString ondrop = QStringLiteral("ondrop");
inline const QString hover = QStringLiteral("hover");
// links.conf and lang.ini
inline const QString load = QStringLiteral("load");
inline const QString lang = QStringLiteral("lang");
} // namespace Group

// --- Keys --------------------------------------------------------------------
namespace Key {
// The literal keys addressed with their group.
inline const QString propertiesDrop = QStringLiteral("properties/drop");
inline const QString loadConfpath = QStringLiteral("load/confpath");
inline const QString confpath = QStringLiteral("confpath");
inline const QString loadPrefix = QStringLiteral("load_");
inline const QString langLang = QStringLiteral("lang/lang");
inline const QString langLangpath = QStringLiteral("lang/langpath");

// hover / drop / ondrop / click
inline const QString ulx = QStringLiteral("ulx");
inline const QString uly = QStringLiteral("uly");
inline const QString image = QStringLiteral("image");
inline const QString checkimage = QStringLiteral("checkimage");
inline const QString width = QStringLiteral("width");
inline const QString height = QStringLiteral("height");
inline const QString duration = QStringLiteral("duration");
inline const QString bouncex = QStringLiteral("bouncex");
inline const QString bouncey = QStringLiteral("bouncey");
inline const QString bouncetime = QStringLiteral("bouncetime");
inline const QString scalefactor = QStringLiteral("scalefactor");
inline const QString type = QStringLiteral("type");
inline const QString args = QStringLiteral("args");
inline const QString path = QStringLiteral("path");
inline const QString submenu = QStringLiteral("submenu");
inline const QString filter = QStringLiteral("filter");
inline const QString ext = QStringLiteral("ext");
inline const QString profile = QStringLiteral("profile");
inline const QString profileKey = QStringLiteral("profile-key");

// properties
inline const QString drop = QStringLiteral("drop");
inline const QString liteEnabled = QStringLiteral("lite_enabled");
inline const QString icon = QStringLiteral("icon");
inline const QString iconLite = QStringLiteral("icon_lite");
inline const QString checkicon = QStringLiteral("checkicon");
inline const QString bluraround = QStringLiteral("bluraround");
inline const QString blurdistance = QStringLiteral("blurdistance");
inline const QString radius = QStringLiteral("radius");
inline const QString blurx = QStringLiteral("blurx");
inline const QString blury = QStringLiteral("blury");
inline const QString blurcolor = QStringLiteral("blurcolor");
inline const QString colorized = QStringLiteral("colorized");
inline const QString title = QStringLiteral("title");
inline const QString checktitle = QStringLiteral("checktitle");
inline const QString titlergb = QStringLiteral("titlergb");
inline const QString titlefont = QStringLiteral("titlefont");
inline const QString titlepixelsize = QStringLiteral("titlepixelsize");
inline const QString titlepointsize = QStringLiteral("titlepointsize");
inline const QString titlestyle = QStringLiteral("titlestyle");
inline const QString titleweight = QStringLiteral("titleweight");
inline const QString titleoffsetW = QStringLiteral("titleoffsetW");
inline const QString titleoffsetH = QStringLiteral("titleoffsetH");
inline const QString titlelinespace = QStringLiteral("titlelinespace");
inline const QString titlealignment = QStringLiteral("titlealignment");
inline const QString titleshadow = QStringLiteral("titleshadow");
inline const QString pressedicon = QStringLiteral("pressedicon");
inline const QString pressedfilepath = QStringLiteral("pressedfilepath");
inline const QString pressedsection = QStringLiteral("pressedsection");
inline const QString wpath = QStringLiteral("wpath");
inline const QString priority = QStringLiteral("priority");
inline const QString firstaccessiblename = QStringLiteral("firstaccessiblename");
inline const QString firstaccessibledescription = QStringLiteral("firstaccessibledescription");
inline const QString secondaccessiblename = QStringLiteral("secondaccessiblename");
inline const QString secondaccessibledescription = QStringLiteral("secondaccessibledescription");
inline const QString tooltip = QStringLiteral("tooltip");
inline const QString massive = QStringLiteral("massive");

// launcher.conf [app]
inline const QString autorun = QStringLiteral("autorun");
inline const QString autorunArgs = QStringLiteral("autorun_args_%1");
inline const QString autorunWait = QStringLiteral("autorun_wait_%1");
inline const QString background = QStringLiteral("background");
inline const QString backgroundLite = QStringLiteral("background_lite");
inline const QString pincheck = QStringLiteral("pincheck");
inline const QString paddingLeft = QStringLiteral("padding-left");
inline const QString paddingTop = QStringLiteral("padding-top");
inline const QString layout = QStringLiteral("layout");
// launcher.conf [button]
inline const QString shiftduration = QStringLiteral("shiftduration");
inline const QString marginRight = QStringLiteral("margin-right");
inline const QString marginTop = QStringLiteral("margin-top");
// launcher.conf window controls
inline const QString llx = QStringLiteral("llx");
inline const QString lly = QStringLiteral("lly");
inline const QString toggleImage = QStringLiteral("toggle_image");
inline const QString process = QStringLiteral("process");
} // namespace Key

// --- Inherited-default names (filled from launcher.conf) ----------------------
namespace Inherited {
inline const QString hoverx = QStringLiteral("hoverx");
inline const QString hovery = QStringLiteral("hovery");
inline const QString hoverimage = QStringLiteral("hoverimage");
inline const QString hovercheckimage = QStringLiteral("hovercheckimage");
inline const QString hoverimagewidth = QStringLiteral("hoverimagewidth");
inline const QString hoverimageheight = QStringLiteral("hoverimageheight");
inline const QString dragduration = QStringLiteral("dragduration");
inline const QString dragx = QStringLiteral("dragx");
inline const QString dragy = QStringLiteral("dragy");
inline const QString dragimage = QStringLiteral("dragimage");
inline const QString bouncex = QStringLiteral("bouncex");
inline const QString bouncey = QStringLiteral("bouncey");
inline const QString bouncetime = QStringLiteral("bouncetime");
inline const QString scalefactor = QStringLiteral("scalefactor");
inline const QString radius = QStringLiteral("radius");
inline const QString bluraround = QStringLiteral("bluraround");
inline const QString blurdistance = QStringLiteral("blurdistance");
inline const QString blurx = QStringLiteral("blurx");
inline const QString blury = QStringLiteral("blury");
inline const QString blurcolor = QStringLiteral("blurcolor");
inline const QString colorized = QStringLiteral("colorized");
inline const QString titlelinespace = QStringLiteral("titlelinespace");
inline const QString titleoffsetW = QStringLiteral("titleoffsetW");
inline const QString titleoffsetH = QStringLiteral("titleoffsetH");
inline const QString titlefont = QStringLiteral("titlefont");
inline const QString titlergb = QStringLiteral("titlergb");
inline const QString titlestyle = QStringLiteral("titlestyle");
inline const QString titleweight = QStringLiteral("titleweight");
inline const QString titlepixelsize = QStringLiteral("titlepixelsize");
inline const QString titlepointsize = QStringLiteral("titlepointsize");
inline const QString titlealignment = QStringLiteral("titlealignment");
inline const QString titleshadow = QStringLiteral("titleshadow");
inline const QString width = QStringLiteral("width");
inline const QString height = QStringLiteral("height");
} // namespace Inherited

// --- Value words and defaults --------------------------------------------------
namespace Word {
inline const QString styleNormal = QStringLiteral("NORMAL");
inline const QString styleItalic = QStringLiteral("ITALIC");
inline const QString styleOblique = QStringLiteral("OBLIQUE");
inline const QString weightLight = QStringLiteral("LIGHT");
inline const QString weightNormal = QStringLiteral("NORMAL");
inline const QString weightDemibold = QStringLiteral("DEMIBOLD");
inline const QString weightBold = QStringLiteral("BOLD");
inline const QString weightBlack = QStringLiteral("BLACK");
inline const QString alignLeft = QStringLiteral("left");
inline const QString alignRight = QStringLiteral("right");
inline const QString alignCenter = QStringLiteral("center");
inline const QString horizontal = QStringLiteral("horizontal");
inline const QString vertical = QStringLiteral("vertical");
inline const QString anyFile = QStringLiteral("*");
inline const QString extFilter = QStringLiteral("ext");
inline const QString autoLanguage = QStringLiteral("auto");
inline const QString openFolder = QStringLiteral("OPENFOLDER");
inline const QString massiveInput = QStringLiteral("--massive-input");
inline const QString rootDir = QStringLiteral("--rootdir");
inline const QString base64Prefix = QStringLiteral("BASE64");
} // namespace Word

// The built-in defaults: a link file's record starts from these, and
// launcher.conf's shared button defaults fall back to them.
namespace Default {
inline const QString empty;
inline const QString blurColor = QStringLiteral("88/88/88/128");
inline const QString titleColor = QStringLiteral("0/0/0");
inline const QString titleFont = QStringLiteral("Helvetica");
inline const QString dropFilter = QStringLiteral("*");
inline constexpr int titleFontPointSize = 18;
inline constexpr double radius = 5.0;
inline constexpr bool blurAround = false;
inline constexpr double blurDistance = 6.0;
inline constexpr double blurX = 5.0;
inline constexpr double blurY = 5.0;
inline constexpr bool colorized = false;
inline constexpr int titleLineSpace = 11;
inline constexpr double titleOffsetW = 0.0;
inline constexpr double titleOffsetH = 0.0;
inline constexpr int titlePixelSize = -1; // not set
inline constexpr int titlePointSize = -1; // not set
inline constexpr bool titleShadow = true;
inline constexpr double hoverX = 0.0;
inline constexpr double hoverY = 15.0;
inline constexpr int hoverImageWidth = 0;
inline constexpr int hoverImageHeight = 0;
inline constexpr int dragDuration = 400;
inline constexpr double dragX = 0.0;
inline constexpr double dragY = 15.0;
inline constexpr double bounceX = 10.0;
inline constexpr double bounceY = 10.0;
inline constexpr int bounceTime = 400;
inline constexpr double scaleFactor = 0.8;
// launcher.conf's layout.
inline constexpr double paddingLeft = 0.0;
inline constexpr double paddingTop = 50.0;
inline constexpr double marginRight = 0.0;
inline constexpr double marginTop = 0.0;
inline constexpr int shiftDuration = 300;
// A longer sub-menu animation leaves the window looking frozen; a skin that
// asks for more gets this.
inline constexpr int maximumShiftDuration = 60000;
} // namespace Default

// --- Property and animation names -------------------------------------------------
namespace Property {
inline const char geometry[] = "geometry";
inline const char focusPolicy[] = "focusPolicy";
inline const char showChecked[] = "showChecked";
inline const char visible[] = "visible";
inline const char pos[] = "pos";
inline const char size[] = "size";
inline const char oldrect[] = "oldrect";
inline const QString dragAnimation = QStringLiteral("drag");
} // namespace Property

// --- Value forms ---------------------------------------------------------------------

// "NORMAL", "ITALIC", "OBLIQUE" after upper-casing; anything else is normal.
QFont::Style styleFromWord(const QString &word);
// "LIGHT" 25, "NORMAL" 50, "DEMIBOLD" 63, "BOLD" 75, "BLACK" 87; else 50.
int weightFromWord(const QString &word);
// "left", "right" (exact); anything else centres.
int alignmentFromWord(const QString &word);
// Only "vertical", case ignored, selects the vertical layout.
bool isVerticalWord(const QString &word);

// Integer and real forms: a text that is no number gives 0 (and so does a
// number out of range).
int toInt(const QVariant &value);
double toReal(const QVariant &value);
// False only for an empty text, "0" and "false" (any case), as
// QVariant::toBool() reads a text; any other word is true.
bool toBool(const QVariant &value);

// "r/g/b" or "r/g/b/a". With fewer than three parts the colour in hand is
// kept (with alpha) or black is given (without alpha).
QColor colorWithAlpha(const QString &text, const QColor &current);
QColor colorWithoutAlpha(const QString &text);

// A command type: a decimal number taken as is, else a type name (1 when
// the name is unknown or empty).
int commandTypeFromText(const QString &text);

// The group to read for a base group: base + "_" + platform word when the
// file has such a group (case ignored), else the base itself.
QString platformGroup(const QStringList &topLevelGroups, const QString &base);
// Whether the list holds the group, case ignored.
bool hasGroup(const QStringList &topLevelGroups, const QString &group);

// A drop filter against the dragged local files: "*" matches anything,
// "ext:SUFFIX" exactly one file with that suffix (case ignored).
bool dropFilterMatches(const QString &filter, const QStringList &localFiles);
// Whether some drop can match the filter.
bool isDropFilter(const QString &filter);

} // namespace Vocabulary
