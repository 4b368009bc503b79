#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A read-only view of one INI file, read the way QSettings reads an INI file
// with the UTF-8 codec: sections, quoting and escapes, lists at commas,
// comments from ';', the "General" section, "@" values. The small part of
// the QSettings interface the link reader needs is mirrored, so values come
// out as the same QString or QStringList variants.
//
// Why not QSettings itself: it keeps files it has read in a process-wide
// cache and trusts it while size and timestamp are unchanged, so a link file
// rewritten within the file system's timestamp granularity could be read
// stale on a reload; and opening it costs more than the whole of a link
// file's reading does here, a thousand times over on a large medium.
class IniFile {
public:
    // Whether the reader keeps every key line with its line number, for a
    // tool that points an author at them; the launcher does not need them.
    enum class Lines { Drop, Keep };

    // One key line as read: its section as written ("" outside any), its
    // key and value, and its line number from 1. A key given twice is
    // listed twice; value() gives the later one.
    struct Entry {
        QString section;
        QString key;
        QVariant value;
        int line = 0;
    };

    // A missing or unreadable file, anything but a plain file (a pipe would
    // block the reader), or a file larger than maximumBytes reads as an
    // empty one.
    explicit IniFile(const QString &path, qint64 maximumBytes = -1, Lines lines = Lines::Drop);
    static IniFile fromData(const QByteArray &data, bool ignoreKeyCase, Lines lines = Lines::Drop);
    // Copies find their current group in their own data.
    IniFile(const IniFile &other);
    IniFile &operator=(const IniFile &other);

    QVariant value(const QString &key, const QVariant &fallback = QVariant()) const;
    // The value as one text, as it was written: commas and the blanks
    // after them are kept ("Apri, salva"), where value() gives a list.
    QString text(const QString &key) const;
    bool contains(const QString &key) const;
    // Groups below the current group, sorted as QSettings sorts them. A
    // section without keys is not a group.
    QStringList childGroups() const;
    // Whether some key is this key followed by a dot and more ("title.it"
    // for "title"): lets a localised lookup skip the variants no file has.
    bool hasDottedKeys(const QString &key) const;
    void beginGroup(const QString &group);
    void endGroup();

    // False when a line could not be read (a line without "=", a section
    // without "]"); the lines that could are kept, as QSettings keeps them.
    bool isWellFormed() const { return wellFormed; }

    // With Lines::Keep: the key lines in file order, and the line of each
    // section's first header by its name as written (0 when none).
    const QVector<Entry> &entries() const { return keyLines; }
    int sectionLine(const QString &section) const { return sectionLines.value(section); }

    // An empty file.
    IniFile() = default;

private:
    void parse(const QByteArray &data);
    // The body's offsets map to the file's through pieces of (body offset,
    // file offset), when lines are kept.
    using Pieces = QVector<QPair<int, int>>;
    void parseSection(const QString &section, const QByteArray &data, int from, int to, const Pieces &pieces);
    int lineAt(int fileOffset) const;
    QString fullKey(const QString &key) const;
    bool isPlainName(const QString &key) const;
    void findCurrentGroup();
    void buildIndex() const;
    const QVariant *find(const QString &key) const;

    // The keys by group ("" for the top level), those in normal form: the
    // link reader's every lookup goes here.
    struct Leaves {
        QHash<QString, QVariant> values;
        QSet<QString> dotted; // names that have dotted variants ("title" for "title.it")
    };
    QHash<QString, Leaves> leaves;
    const Leaves *current = nullptr; // of the current group, when it has keys
    QHash<QString, QVariant> oddValues; // keys not in normal form ("a//b", "/a", "a/")
    QHash<QString, QString> originalKeys; // lower-case key to key, when case is ignored
    QHash<QString, QString> writtenTexts; // list values by full key, as written
    // Every key by its full name, as QSettings names it, and the stems of
    // the dotted ones: made when a lookup by path first needs them.
    mutable QHash<QString, QVariant> values;
    mutable QSet<QString> dottedStems;
    mutable bool indexed = false;
    QStringList groupStack;
    QString prefix;
    bool ignoreCase = false;
    bool wellFormed = true;
    bool keepLines = false;
    QVector<int> lineStarts; // file offsets where lines begin, when kept
    QVector<Entry> keyLines;
    QHash<QString, int> sectionLines;
};
