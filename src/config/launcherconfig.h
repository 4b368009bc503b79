#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "config/vocabulary.h"

class IniFile;

// What "launcher.conf" says about a skin: the window's title and
// background, the autorun programs, the layout, the defaults shared by all
// buttons and the window controls. The window, the linter, the preview and
// the packer all read a skin through this one reading.
struct LauncherConfig final {
    struct AutorunEntry {
        QString program; // absolute when it names a file in the links folder
        QStringList arguments;
        bool wait = false;
    };

    // One of [exit], [minimize], [always_on_top], [info], [document].
    struct Control {
        bool present = false;
        QString image; // absolute, empty when the file is missing
        double llx = 0.0;
        double lly = 0.0;
        QString toggleImage; // always_on_top
        QString process; // info
        QStringList args; // info, document
    };

    struct Layout {
        double paddingLeft = Vocabulary::Default::paddingLeft;
        double paddingTop = Vocabulary::Default::paddingTop;
        double marginRight = Vocabulary::Default::marginRight;
        double marginTop = Vocabulary::Default::marginTop;
        bool vertical = false;
        int shiftDuration = Vocabulary::Default::shiftDuration; // milliseconds
        // The size of a button whose record gives none; 0 leaves it open.
        double buttonWidth = 0.0;
        double buttonHeight = 0.0;
    };

    // Reads the links folder's launcher.conf. A missing file leaves every
    // value at its default (found tells which). With fullReading false the
    // lite background is read instead of the full one.
    static LauncherConfig read(const QString &linksDirectory, bool fullReading = true);
    // The same from a file already read (a tool that wants its lines too).
    static LauncherConfig read(const QString &linksDirectory, const IniFile &file, bool fullReading = true);

    // The control of that group name, or null for another name.
    const Control *control(const QString &group) const;

    QString linksDirectory;
    bool found = false;
    QString title;
    QString backgroundPath; // absolute, empty when the file is missing
    bool pinCheckRequired = false;
    QList<AutorunEntry> autorun;
    bool anyAutorunWaits = false;
    Layout layout;
    // The inherited defaults every link record reads (unconverted text, or
    // the built-in default), by inherited-default name.
    QMap<QString, QVariant> buttonDefaults;
    // From each base group to the group really read (a platform group
    // replaces its base group whole).
    QMap<QString, QString> groupNames;
    Control exit;
    Control minimize;
    Control alwaysOnTop;
    Control info;
    Control document;
};
