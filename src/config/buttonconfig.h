#pragma once

#include <memory>
#include <vector>

#include <QColor>
#include <QFileInfo>
#include <QFont>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "config/vocabulary.h"

class IniFile;

// The record of one link file or link folder, with the records of its
// folder entries or drop sub-menu entries as children.
//
// A record owns its children. It is moved, not copied: the launch button
// takes the record over (children included) and the creator's record is
// left empty.
struct ButtonConfig final {
    using Children = std::vector<std::unique_ptr<ButtonConfig>>;

    // How much of a subtree the constructor reads: all of it, or the entry
    // alone, its folder's or drop sub-menu's entries left for
    // readDeferredChildren() (the launcher reads those when first needed:
    // a folder opened, a drag, a name looked up).
    enum class Reading { WholeTree, EntryOnly };

    // A record with the built-in defaults and nothing read.
    ButtonConfig();
    // Builds the record of a link file or link folder with its subtree.
    // Never fails: a record for which nothing was found keeps its defaults
    // and an empty iconPath.
    ButtonConfig(const QFileInfo &entry, const QMap<QString, QVariant> &inheritedDefaults, bool fullMode,
        Reading reading = Reading::WholeTree);
    ~ButtonConfig();

    ButtonConfig(ButtonConfig &&) noexcept;
    ButtonConfig &operator=(ButtonConfig &&) noexcept;
    ButtonConfig(const ButtonConfig &) = delete;
    ButtonConfig &operator=(const ButtonConfig &) = delete;

    // Fills the record from one INI file; relative paths resolve against
    // the folder that holds the file.
    void readConfiguration(const QString &filePath, bool fullMode);

    // Whether entries are still to be read into children.
    bool hasDeferredChildren() const { return !deferredFolder.isEmpty(); }
    // Reads the entries left by an EntryOnly reading into children, each of
    // them read EntryOnly in turn, with the same messages and the same
    // records as a whole reading gives at that level. Once; does nothing
    // when nothing is left.
    void readDeferredChildren();

    // The inherited default of that name when the creator supplied one,
    // else the fallback.
    QVariant inheritedOr(const QString &name, const QVariant &fallback) const;

    // The localised lookup: key.<full>, key.<short>, key.en, key.it, key;
    // the first non-empty text wins, else the fallback unchanged.
    static QVariant localisedValue(const IniFile &settings, const QString &key, const QVariant &fallback);
    // The same with the language code given (one file reads many keys).
    static QVariant localisedValue(
        const IniFile &settings, const QString &key, const QVariant &fallback, const QString &language);

    Children children;
    QMap<QString, QVariant> inheritedDefaults;
    bool fullMode = true;
    bool loaded = false;
    bool acceptDrops = false;
    int titleAlignment = Qt::AlignHCenter;
    bool blurAround = Vocabulary::Default::blurAround;
    QColor blurColor = Vocabulary::colorWithAlpha(Vocabulary::Default::blurColor, QColor());
    bool colorized = Vocabulary::Default::colorized;
    double blurDistance = Vocabulary::Default::blurDistance;
    double blurX = Vocabulary::Default::blurX;
    double blurY = Vocabulary::Default::blurY;
    double radius = Vocabulary::Default::radius;
    double bounceX = Vocabulary::Default::bounceX;
    double bounceY = Vocabulary::Default::bounceY;
    int bounceTime = Vocabulary::Default::bounceTime;
    bool isFolder = false;
    QStringList clickArgs;
    QStringList extensions;
    QString commandPath;
    int commandType = 0;
    QString profile;
    QString profileKey;
    QString fileName;
    QString filePath; // absolute path of the entry (link file or link folder)
    QString pressedFilePath;
    QString pressedSection;
    QString pressedIcon;
    qint16 dragDuration = Vocabulary::Default::dragDuration;
    QString dragImage;
    double dragX = Vocabulary::Default::dragX;
    double dragY = Vocabulary::Default::dragY;
    QStringList dropArgs;
    QString dropFilter = Vocabulary::Default::dropFilter;
    QString dropPath;
    bool dropOpensMenu = false;
    int dropType = 0;
    QString firstAccessibleDescription;
    QString firstAccessibleName;
    QString iconPath;
    QString title;
    int height = 0;
    QString hoverCheckImage;
    QString hoverImage;
    int hoverImageWidth = Vocabulary::Default::hoverImageWidth;
    int hoverImageHeight = Vocabulary::Default::hoverImageHeight;
    double hoverX = Vocabulary::Default::hoverX;
    double hoverY = Vocabulary::Default::hoverY;
    int titleLineSpace = Vocabulary::Default::titleLineSpace;
    bool massive = false;
    int priority = 0;
    double scaleFactor = Vocabulary::Default::scaleFactor;
    QString secondAccessibleDescription;
    QString secondAccessibleName;
    QString checkIconPath;
    QString checkTitle;
    QFont titleFont = QFont(Vocabulary::Default::titleFont, Vocabulary::Default::titleFontPointSize);
    QColor titleColor = Qt::black;
    double titleOffsetW = Vocabulary::Default::titleOffsetW;
    double titleOffsetH = Vocabulary::Default::titleOffsetH;
    bool titleShadow = Vocabulary::Default::titleShadow;
    QString toolTip;
    int width = 0;
    QString workingDir;
    bool liteEnabled = true;
    // The folder whose "*.link" files are still to be read into children
    // (empty when none are), and whether that is a link folder (entries
    // without an icon left out) rather than a drop sub-menu.
    QString deferredFolder;
    bool deferredFolderEntries = false;
    Reading reading = Reading::WholeTree;
};
