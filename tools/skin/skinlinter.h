#pragma once

#include <vector>

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "config/inifile.h"
#include "config/launcherconfig.h"
#include "config/layout.h"

class QImage;

// Checks a links folder the way the launcher will read it and collects every
// problem an author should hear about before a medium is burnt. The launcher
// itself never complains (it quietly falls back to defaults), so this is the
// only place where a typo in a skin becomes visible.
class SkinLinter final {
public:
    enum class Severity { Warning, Error };

    struct Diagnostic {
        QString file; // relative to the links folder
        int line = 0;
        Severity severity = Severity::Warning;
        QString message;
    };

    explicit SkinLinter(const QString &linksFolder);
    // Where "%respath%" points; by default the folder that holds the links
    // folder, as on a medium.
    void setResourceFolder(const QString &folder);

    // Runs every check; the result is sorted by file and line.
    QVector<Diagnostic> run();

private:
    struct Entry {
        QString group; // empty outside any group
        QString key;
        QString value; // a list joined at ","
        int line = 0;
        int replacedAt = 0; // the later line of the same key, which the launcher reads
    };
    struct IniText {
        QString path;
        IniFile file;
        QVector<Entry> entries; // in file order
        QStringList groups; // the groups the launcher sees
        QMap<QString, int> groupLines;
    };

    static IniText scan(const QString &path);
    void report(const QString &path, int line, Severity severity, const QString &message);

    void lintLauncherConf();
    void lintLinkEntry(const QString &entryPath, bool topLevel);
    void lintLinkFile(const QString &path);
    void lintKeys(const IniText &ini, bool linkFile);
    void lintValue(const IniText &ini, const Entry &entry, const QString &baseGroup, bool linkFile);
    void lintHiddenKeys(const IniText &ini, const QStringList &baseGroups);
    void lintFiles(
        const IniText &ini, const Entry &entry, const QString &baseGroup, bool linkFile, const QString &clickType);
    void lintFonts(const QString &folder);
    void lintLayout();
    // What a reader sees of the placed buttons on this background: titles
    // that blend into it, a folder button that vanishes while open.
    void lintLooks(const std::vector<Layout::Placed> &placed, const QImage &background);
    // The last line of the link file that sets this key (in any language)
    // in its properties, or 0.
    static int propertyLine(const QString &path, const QString &key);

    // The path made absolute against folder, with the placeholders that can
    // be resolved from the medium's layout filled in; empty when some
    // placeholder cannot be resolved here.
    QString resolve(const QString &text, const QString &folder) const;

    QString linksFolder;
    QString resourceFolder;
    LauncherConfig config;
    QVector<Diagnostic> diagnostics;
};

QString severityWord(SkinLinter::Severity severity);
