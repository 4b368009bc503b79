#include "inifile.h"

#include <algorithm>
#include <cstring>

#include <QDebug>
#include <QMap>
#include <QTextCodec>

#include "platform/logging.h"
#include "platform/platform.h"

namespace {

bool isSpecial(char ch)
{
    return ch == '\n' || ch == '\r' || ch == '"' || ch == ';' || ch == '=' || ch == '\\' || ch == ' ' || ch == '\t';
}

bool isSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

// One logical line from dataPos: a backslash carries the line on, quotes
// hold line ends and ';', a ';' ends the line (and starts a comment that
// the next call skips). Blank lines and leading blanks are skipped.
bool readLine(const QByteArray &data, int dataLen, int &dataPos, int &lineStart, int &lineLen, int &equalsPos)
{
    bool inQuotes = false;
    equalsPos = -1;
    int i = lineStart = dataPos;
    while (i < dataLen) {
        char ch = data.at(i);
        while (!isSpecial(ch)) {
            if (++i == dataLen)
                goto lineDone;
            ch = data.at(i);
        }
        ++i;
        if (ch == '=') {
            if (!inQuotes && equalsPos == -1)
                equalsPos = i - 1;
        } else if (ch == ' ' || ch == '\t') {
            if (i == lineStart + 1)
                ++lineStart;
        } else if (ch == '\n' || ch == '\r') {
            if (i == lineStart + 1) {
                ++lineStart;
            } else if (!inQuotes) {
                --i;
                goto lineDone;
            }
        } else if (ch == '\\') {
            if (i < dataLen) {
                const char escaped = data.at(i++);
                if (i < dataLen) {
                    const char next = data.at(i);
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else { // ';'
            if (i == lineStart + 1) {
                while (i < dataLen && data.at(i) != '\n' && data.at(i) != '\r')
                    ++i;
                while (i < dataLen && isSpace(data.at(i)))
                    ++i;
                lineStart = i;
            } else if (!inQuotes) {
                --i;
                goto lineDone;
            }
        }
    }
lineDone:
    dataPos = i;
    lineLen = i - lineStart;
    return lineLen > 0;
}

// Keys and section names: bytes as Latin-1, "%XX" and "%UXXXX" escapes, a
// backslash standing for "/".
void unescapeKey(const QByteArray &key, int from, int to, QString &result)
{
    const char *const begin = key.constData() + from;
    const int length = to - from;
    if (length > 0 && !memchr(begin, '%', size_t(length)) && !memchr(begin, '\\', size_t(length))) {
        result += QLatin1String(begin, length);
        return;
    }
    int i = from;
    while (i < to) {
        const uchar ch = uchar(key.at(i));
        if (ch == '\\') {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (ch != '%' || i == to - 1) {
            result += QLatin1Char(char(ch));
            ++i;
            continue;
        }
        int digits = 2;
        int firstDigit = i + 1;
        if (key.at(i + 1) == 'U') {
            ++firstDigit;
            digits = 4;
        }
        if (firstDigit + digits > to) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        bool ok = false;
        // Read as QSettings reads it, sign and blanks allowed.
        const ushort code = ushort(key.mid(firstDigit, digits).toInt(&ok, 16));
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(code);
        i = firstDigit + digits;
    }
}

void chopTrailingSpaces(QString &text, int limit)
{
    int n = text.size() - 1;
    while (n >= limit && (text.at(n) == QLatin1Char(' ') || text.at(n) == QLatin1Char('\t')))
        text.truncate(n--);
}

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// A value: leading blanks skipped, trailing blanks of unquoted text dropped,
// C escapes, quotes, and commas outside quotes making a list. Returns true
// for a list (in list), else the text is in text. Without splitAtCommas a
// comma is text like any other: the value as written.
bool unescapeValue(const QByteArray &str, int from, int to, QString &text, QStringList &list, QTextCodec *codec,
    bool splitAtCommas = true)
{
    static const char escapeCodes[][2] = { { 'a', '\a' }, { 'b', '\b' }, { 'f', '\f' }, { 'n', '\n' }, { 'r', '\r' },
        { 't', '\t' }, { 'v', '\v' }, { '"', '"' }, { '?', '?' }, { '\'', '\'' }, { '\\', '\\' } };

    bool isList = false;
    bool inQuotes = false;
    bool currentQuoted = false;
    quint16 escapeValue = 0;
    int i = from;
    int chopLimit = 0;
    char ch = 0;

skipSpaces:
    while (i < to && ((ch = str.at(i)) == ' ' || ch == '\t'))
        ++i;

normal:
    chopLimit = text.size();
    while (i < to) {
        switch (str.at(i)) {
        case '\\': {
            ++i;
            if (i >= to)
                goto done;
            ch = str.at(i++);
            for (const auto &code : escapeCodes) {
                if (ch == code[0]) {
                    text += QLatin1Char(code[1]);
                    goto normal;
                }
            }
            if (ch == 'x') {
                escapeValue = 0;
                if (i >= to)
                    goto done;
                if (hexValue(str.at(i)) >= 0)
                    goto hexEscape;
            } else if (ch >= '0' && ch <= '7') {
                escapeValue = quint16(ch - '0');
                goto octalEscape;
            } else if (ch == '\n' || ch == '\r') {
                if (i < to) {
                    const char next = str.at(i);
                    if ((next == '\n' || next == '\r') && next != ch)
                        ++i;
                }
            }
            // Any other escaped character is dropped.
            chopLimit = text.size();
            break;
        }
        case '"':
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                goto skipSpaces;
            break;
        case ',':
            if (!inQuotes && splitAtCommas) {
                if (!currentQuoted)
                    chopTrailingSpaces(text, chopLimit);
                if (!isList) {
                    isList = true;
                    list.clear();
                }
                list.append(text);
                text.clear();
                currentQuoted = false;
                ++i;
                goto skipSpaces;
            }
            Q_FALLTHROUGH();
        default: {
            int j = i + 1;
            while (j < to) {
                ch = str.at(j);
                if (ch == '\\' || ch == '"' || ch == ',')
                    break;
                ++j;
            }
            // Plain ASCII, by far the most text, needs no decoder.
            bool ascii = true;
            for (int k = i; k < j && ascii; ++k)
                ascii = uchar(str.at(k)) < 0x80;
            if (ascii)
                text += QLatin1String(str.constData() + i, j - i);
            else
                text += codec->toUnicode(str.constData() + i, j - i);
            i = j;
        }
        }
    }
    if (!currentQuoted)
        chopTrailingSpaces(text, chopLimit);
    goto done;

hexEscape:
    if (i >= to) {
        text += QChar(escapeValue);
        goto done;
    }
    if (hexValue(str.at(i)) >= 0) {
        escapeValue = quint16((escapeValue << 4) + hexValue(str.at(i)));
        ++i;
        goto hexEscape;
    }
    text += QChar(escapeValue);
    goto normal;

octalEscape:
    if (i >= to) {
        text += QChar(escapeValue);
        goto done;
    }
    ch = str.at(i);
    if (ch >= '0' && ch <= '7') {
        escapeValue = quint16((escapeValue << 3) + (ch - '0'));
        ++i;
        goto octalEscape;
    }
    text += QChar(escapeValue);
    goto normal;

done:
    if (isList)
        list.append(text);
    return isList;
}

// "@@x" is the text "@x"; "@ByteArray(...)" and "@Invalid()" keep their
// QSettings meaning. The binary forms ("@Variant(", "@Rect(" and the like)
// are not text a link file can use and read as no value.
QVariant textToVariant(const QString &text)
{
    if (!text.startsWith(QLatin1Char('@')))
        return QVariant(text);
    if (text.endsWith(QLatin1Char(')'))) {
        if (text.startsWith(QLatin1String("@ByteArray(")))
            return QVariant(text.midRef(11, text.size() - 12).toLatin1());
        if (text.startsWith(QLatin1String("@Variant(")) || text.startsWith(QLatin1String("@DateTime("))
            || text.startsWith(QLatin1String("@Rect(")) || text.startsWith(QLatin1String("@Size("))
            || text.startsWith(QLatin1String("@Point(")) || text == QLatin1String("@Invalid()"))
            return QVariant();
    }
    if (text.startsWith(QLatin1String("@@")))
        return QVariant(text.mid(1));
    return QVariant(text);
}

QVariant listToVariant(const QStringList &items)
{
    QStringList texts = items;
    for (QString &item : texts) {
        if (!item.startsWith(QLatin1Char('@')))
            continue;
        if (item.size() >= 2 && item.at(1) == QLatin1Char('@')) {
            item.remove(0, 1);
            continue;
        }
        QVariantList variants;
        variants.reserve(items.size());
        for (const QString &original : items)
            variants.append(textToVariant(original));
        return variants;
    }
    return texts;
}

// The form QSettings' own keys take: no empty part, no slash at either end.
bool isNormalKey(const QString &key)
{
    return !key.isEmpty() && !key.startsWith(QLatin1Char('/')) && !key.endsWith(QLatin1Char('/'))
        && !key.contains(QLatin1String("//"));
}

QString normalisedKey(const QString &key)
{
    QString result;
    result.reserve(key.size());
    for (const QChar ch : key) {
        if (ch == QLatin1Char('/') && (result.isEmpty() || result.endsWith(QLatin1Char('/'))))
            continue;
        result += ch;
    }
    if (result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

} // namespace

IniFile::IniFile(const QString &path, qint64 maximumBytes, Lines lines)
    : ignoreCase(Platform::settingsKeysIgnoreCase())
    , keepLines(lines == Lines::Keep)
{
    const Platform::FileContents contents = Platform::readPlainFile(path, maximumBytes);
    if (contents.status == Platform::FileContents::TooLarge)
        qCDebug(lcConfig) << "Settings file too large, read as empty:" << path;
    if (contents.status == Platform::FileContents::Read)
        parse(contents.data);
}

IniFile::IniFile(const IniFile &other)
{
    *this = other;
}

IniFile &IniFile::operator=(const IniFile &other)
{
    leaves = other.leaves;
    oddValues = other.oddValues;
    originalKeys = other.originalKeys;
    writtenTexts = other.writtenTexts;
    values = other.values;
    dottedStems = other.dottedStems;
    indexed = other.indexed;
    groupStack = other.groupStack;
    prefix = other.prefix;
    ignoreCase = other.ignoreCase;
    wellFormed = other.wellFormed;
    keepLines = other.keepLines;
    lineStarts = other.lineStarts;
    keyLines = other.keyLines;
    sectionLines = other.sectionLines;
    findCurrentGroup();
    return *this;
}

IniFile IniFile::fromData(const QByteArray &data, bool ignoreKeyCase, Lines lines)
{
    IniFile ini;
    ini.ignoreCase = ignoreKeyCase;
    ini.keepLines = lines == Lines::Keep;
    ini.parse(data);
    return ini;
}

void IniFile::parse(const QByteArray &data)
{
    // As QSettings reads: a first pass finds the sections and gathers the
    // lines of each (sections of one name joined), a second reads the keys
    // of each section in the order of their names, a later key replacing an
    // earlier one. The lines before the first section start at the very
    // first byte, a byte order mark included, although sections are looked
    // for after it.
    struct Piece {
        int start;
        int end;
    };
    QMap<QString, QVector<Piece>> bodies;
    QHash<QString, QString> sectionNames;
    if (keepLines) {
        // A line ends at "\n", "\r\n" or a lone "\r", as for the reader.
        lineStarts.append(0);
        for (int i = 0; i < data.size(); ++i) {
            if (data.at(i) == '\n' || (data.at(i) == '\r' && (i + 1 == data.size() || data.at(i + 1) != '\n')))
                lineStarts.append(i + 1);
        }
    }
    int dataPos = 0;
    if (data.startsWith("\xef\xbb\xbf"))
        dataPos = 3;
    int lineStart = 0;
    int lineLen = 0;
    int equalsPos = -1;
    QString section;
    int sectionStart = 0;
    auto flush = [&](int end) {
        const QString folded = ignoreCase ? section.toLower() : section;
        if (!sectionNames.contains(folded))
            sectionNames.insert(folded, section);
        bodies[folded].append({ sectionStart, end });
    };
    while (readLine(data, data.size(), dataPos, lineStart, lineLen, equalsPos)) {
        if (data.at(lineStart) != '[')
            continue;
        flush(lineStart);
        QByteArray name;
        const int close = data.indexOf(']', lineStart);
        if (close == -1 || close >= lineStart + lineLen) {
            wellFormed = false;
            name = data.mid(lineStart + 1, lineLen - 1);
        } else {
            name = data.mid(lineStart + 1, close - lineStart - 1);
        }
        name = name.trimmed();
        section.clear();
        if (name.compare("general", Qt::CaseInsensitive) != 0) {
            if (name.compare("%general", Qt::CaseInsensitive) == 0)
                section = QLatin1String(name.constData() + 1);
            else
                unescapeKey(name, 0, name.size(), section);
            section += QLatin1Char('/');
        }
        if (keepLines) {
            const QString name = section.isEmpty() ? section : section.left(section.size() - 1);
            if (!sectionLines.contains(name))
                sectionLines.insert(name, lineAt(lineStart));
        }
        sectionStart = dataPos;
    }
    flush(data.size());

    for (auto it = bodies.constBegin(); it != bodies.constEnd(); ++it) {
        const QString name = sectionNames.value(it.key());
        const QVector<Piece> &pieces = it.value();
        if (pieces.size() == 1) {
            // The common case: the lines are read where they lie.
            parseSection(name, data, pieces.first().start, pieces.first().end, { { 0, 0 } });
            continue;
        }
        QByteArray body;
        Pieces offsets;
        for (const Piece &piece : pieces) {
            if (!body.isEmpty())
                body.append('\n');
            offsets.append({ body.size(), piece.start });
            body += data.mid(piece.start, piece.end - piece.start);
        }
        parseSection(name, body, 0, body.size(), offsets);
    }
    std::stable_sort(keyLines.begin(), keyLines.end(), [](const Entry &a, const Entry &b) { return a.line < b.line; });
    findCurrentGroup();
}

int IniFile::lineAt(int fileOffset) const
{
    return int(std::upper_bound(lineStarts.cbegin(), lineStarts.cend(), fileOffset) - lineStarts.cbegin());
}

void IniFile::parseSection(const QString &section, const QByteArray &data, int from, int to, const Pieces &pieces)
{
    static QTextCodec *const codec = QTextCodec::codecForName("UTF-8");
    // Keys of this section whose own name holds no slash go to one group,
    // found once: the section's name without its closing slash.
    const bool sectionIsNormal = section.isEmpty() || isNormalKey(section.left(section.size() - 1));
    Leaves *sectionLeaves = nullptr;
    int dataPos = from;
    int lineStart = 0;
    int lineLen = 0;
    int equalsPos = -1;
    QStringList list;
    while (readLine(data, to, dataPos, lineStart, lineLen, equalsPos)) {
        if (equalsPos == -1) {
            if (data.at(lineStart) != ';')
                wellFormed = false;
            continue;
        }
        int keyEnd = equalsPos;
        while (keyEnd > lineStart && (data.at(keyEnd - 1) == ' ' || data.at(keyEnd - 1) == '\t'))
            --keyEnd;
        QString leaf;
        unescapeKey(data, lineStart, keyEnd, leaf);

        QString text;
        text.reserve(lineLen - (equalsPos + 1 - lineStart));
        const bool isList = unescapeValue(data, equalsPos + 1, lineStart + lineLen, text, list, codec);
        const QVariant value = isList ? listToVariant(list) : textToVariant(text);
        if (keepLines) {
            auto piece = std::upper_bound(pieces.cbegin(), pieces.cend(), lineStart,
                [](int offset, const QPair<int, int> &p) { return offset < p.first; });
            --piece;
            const QString name = section.isEmpty() ? section : section.left(section.size() - 1);
            keyLines.append({ name, leaf, value, lineAt(piece->second + lineStart - piece->first) });
        }
        if (isList) {
            QString written;
            unescapeValue(data, equalsPos + 1, lineStart + lineLen, written, list, codec, false);
            const QString key = section + leaf;
            writtenTexts.insert(ignoreCase ? key.toLower() : key, textToVariant(written).toString());
        }

        if (!ignoreCase && sectionIsNormal && !leaf.isEmpty() && !leaf.contains(QLatin1Char('/'))) {
            if (!sectionLeaves)
                sectionLeaves = &leaves[section.isEmpty() ? QString() : section.left(section.size() - 1)];
            for (int dot = leaf.indexOf(QLatin1Char('.')); dot > 0; dot = leaf.indexOf(QLatin1Char('.'), dot + 1))
                sectionLeaves->dotted.insert(leaf.left(dot));
            sectionLeaves->values.insert(leaf, value);
            continue;
        }

        QString key = section + leaf;
        if (ignoreCase) {
            const QString original = key;
            key = key.toLower();
            originalKeys.insert(key, original);
        }
        if (!isNormalKey(key)) {
            oddValues.insert(key, value);
            continue;
        }
        const int lastSlash = key.lastIndexOf(QLatin1Char('/'));
        Leaves &group = leaves[lastSlash < 0 ? QString() : key.left(lastSlash)];
        // Other groups may have been added: find the section's again.
        sectionLeaves = nullptr;
        for (int dot = key.indexOf(QLatin1Char('.'), lastSlash + 1); dot > 0;
             dot = key.indexOf(QLatin1Char('.'), dot + 1))
            group.dotted.insert(key.mid(lastSlash + 1, dot - lastSlash - 1));
        group.values.insert(key.mid(lastSlash + 1), value);
    }
}

void IniFile::buildIndex() const
{
    if (indexed)
        return;
    indexed = true;
    values = oddValues;
    for (auto group = leaves.constBegin(); group != leaves.constEnd(); ++group) {
        const QString stem = group.key().isEmpty() ? QString() : group.key() + QLatin1Char('/');
        for (auto it = group->values.constBegin(); it != group->values.constEnd(); ++it)
            values.insert(stem + it.key(), it.value());
    }
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const QString &key = it.key();
        const int lastSlash = key.lastIndexOf(QLatin1Char('/'));
        for (int dot = key.indexOf(QLatin1Char('.'), lastSlash + 1); dot > 0;
             dot = key.indexOf(QLatin1Char('.'), dot + 1))
            dottedStems.insert(key.left(dot));
    }
}

QString IniFile::fullKey(const QString &key) const
{
    QString full = prefix + key;
    // The keys the reader asks for are already in shape.
    if (full.startsWith(QLatin1Char('/')) || full.endsWith(QLatin1Char('/')) || full.contains(QLatin1String("//")))
        full = normalisedKey(full);
    return ignoreCase ? full.toLower() : full;
}

bool IniFile::isPlainName(const QString &key) const
{
    return !ignoreCase && !key.isEmpty() && !key.contains(QLatin1Char('/'));
}

void IniFile::findCurrentGroup()
{
    const auto it = leaves.constFind(prefix.isEmpty() ? QString() : prefix.left(prefix.size() - 1));
    current = it != leaves.constEnd() ? &it.value() : nullptr;
}

bool IniFile::hasDottedKeys(const QString &key) const
{
    if (isPlainName(key))
        return current && current->dotted.contains(key);
    buildIndex();
    return dottedStems.contains(fullKey(key));
}

const QVariant *IniFile::find(const QString &key) const
{
    // A missing file ("lang.ini" on most media, read once per link file)
    // has nothing to look through.
    if (leaves.isEmpty() && oddValues.isEmpty())
        return nullptr;
    // A plain name in the current group, the reader's every lookup, is
    // found without building the full key.
    if (isPlainName(key)) {
        if (!current)
            return nullptr;
        const auto it = current->values.constFind(key);
        return it != current->values.constEnd() ? &it.value() : nullptr;
    }
    const QString full = fullKey(key);
    if (isNormalKey(full)) {
        // Keys in normal form are all in their groups.
        const int slash = full.lastIndexOf(QLatin1Char('/'));
        const auto group = leaves.constFind(slash < 0 ? QString() : full.left(slash));
        if (group == leaves.constEnd())
            return nullptr;
        const auto it = group->values.constFind(full.mid(slash + 1));
        return it != group->values.constEnd() ? &it.value() : nullptr;
    }
    buildIndex();
    const auto it = values.constFind(full);
    return it != values.constEnd() ? &it.value() : nullptr;
}

QVariant IniFile::value(const QString &key, const QVariant &fallback) const
{
    const QVariant *found = find(key);
    return found ? *found : fallback;
}

QString IniFile::text(const QString &key) const
{
    const QVariant *found = find(key);
    if (!found)
        return QString();
    if (found->type() != QVariant::StringList && found->type() != QVariant::List)
        return found->toString();
    const auto written = writtenTexts.constFind(fullKey(key));
    return written != writtenTexts.constEnd() ? written.value() : found->toStringList().join(QLatin1Char(','));
}

bool IniFile::contains(const QString &key) const
{
    return find(key) != nullptr;
}

QStringList IniFile::childGroups() const
{
    const QString start = ignoreCase ? prefix.toLower() : prefix;
    QStringList groups;
    if (!ignoreCase && oddValues.isEmpty()) {
        // Every key is in a group of its own name's path: the groups below
        // are the first parts of the longer paths.
        for (auto it = leaves.constBegin(); it != leaves.constEnd(); ++it) {
            const QString &path = it.key();
            if (path.size() <= start.size() || !path.startsWith(start))
                continue;
            const int slash = path.indexOf(QLatin1Char('/'), start.size());
            groups.append(slash < 0 ? path.mid(start.size()) : path.mid(start.size(), slash - start.size()));
        }
        std::sort(groups.begin(), groups.end());
        groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
        return groups;
    }
    buildIndex();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const QString &stored = ignoreCase ? originalKeys.value(it.key()) : it.key();
        if (!it.key().startsWith(start))
            continue;
        const int slash = stored.indexOf(QLatin1Char('/'), start.size());
        if (slash >= 0)
            groups.append(stored.mid(start.size(), slash - start.size()));
    }
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    return groups;
}

void IniFile::beginGroup(const QString &group)
{
    groupStack.append(prefix);
    const QString name = group.contains(QLatin1Char('/')) ? normalisedKey(group) : group;
    if (!name.isEmpty())
        prefix += name + QLatin1Char('/');
    findCurrentGroup();
}

void IniFile::endGroup()
{
    if (!groupStack.isEmpty())
        prefix = groupStack.takeLast();
    findCurrentGroup();
}
