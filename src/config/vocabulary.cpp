#include "vocabulary.h"

#include <QFileInfo>
#include <QHash>

#include "platform/platform.h"

namespace Vocabulary {

namespace {

// A number written as plain ASCII digits with an optional minus, as nearly
// every number in a link file is: read without QString's general parser,
// which gives the same value for it. Anything else (blanks, a plus sign,
// more digits, other characters, "-0") returns false for that parser.
bool plainInteger(QStringView text, int &value)
{
    const int size = int(text.size());
    const bool negative = size > 0 && text.at(0) == QLatin1Char('-');
    const int first = negative ? 1 : 0;
    if (size == first || size - first > 9)
        return false;
    int number = 0;
    for (int i = first; i < size; ++i) {
        const ushort ch = text.at(i).unicode();
        if (ch < '0' || ch > '9')
            return false;
        number = number * 10 + (ch - '0');
    }
    if (negative && number == 0)
        return false;
    value = negative ? -number : number;
    return true;
}

// The same for a value read from a file, which holds text.
bool plainIntegerValue(const QVariant &value, int &number)
{
    return value.type() == QVariant::String && plainInteger(*static_cast<const QString *>(value.constData()), number);
}

} // namespace

QFont::Style styleFromWord(const QString &word)
{
    static const QHash<QString, QFont::Style> styles {
        { Word::styleNormal, QFont::StyleNormal },
        { Word::styleItalic, QFont::StyleItalic },
        { Word::styleOblique, QFont::StyleOblique },
    };
    return styles.value(word.toUpper(), QFont::StyleNormal);
}

int weightFromWord(const QString &word)
{
    static const QHash<QString, int> weights {
        { Word::weightLight, QFont::Light },
        { Word::weightNormal, QFont::Normal },
        { Word::weightDemibold, QFont::DemiBold },
        { Word::weightBold, QFont::Bold },
        { Word::weightBlack, QFont::Black },
    };
    return weights.value(word.toUpper(), QFont::Normal);
}

int alignmentFromWord(const QString &word)
{
    if (word == Word::alignLeft)
        return Qt::AlignLeft;
    if (word == Word::alignRight)
        return Qt::AlignRight;
    return Qt::AlignHCenter;
}

bool isVerticalWord(const QString &word)
{
    return word.compare(Word::vertical, Qt::CaseInsensitive) == 0;
}

int toInt(const QVariant &value)
{
    if (value.type() == QVariant::Int)
        return value.toInt();
    int plain = 0;
    if (plainIntegerValue(value, plain))
        return plain;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok, 10);
    return ok ? number : 0;
}

double toReal(const QVariant &value)
{
    if (value.type() == QVariant::Double)
        return qIsFinite(value.toDouble()) ? value.toDouble() : 0.0;
    int plain = 0;
    if (plainIntegerValue(value, plain))
        return plain;
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok || !qIsFinite(number))
        return 0.0;
    return number;
}

bool toBool(const QVariant &value)
{
    // As QVariant reads a text: false only for "", "0" and "false" in any
    // case, so a word such as "yes" or "on" switches a gate on, never off.
    // A value with a comma is one text here, not a list.
    if (value.type() == QVariant::StringList)
        return QVariant(value.toStringList().join(QLatin1Char(','))).toBool();
    return value.toBool();
}

namespace {
int colourPart(const QStringRef &text)
{
    int plain = 0;
    if (plainInteger(text, plain))
        return qBound(0, plain, 255);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? qBound(0, value, 255) : 0;
}
} // namespace

QColor colorWithAlpha(const QString &text, const QColor &current)
{
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char('/'));
    if (parts.size() < 3)
        return current;
    QColor colour(colourPart(parts.at(0)), colourPart(parts.at(1)), colourPart(parts.at(2)), 255);
    if (parts.size() > 3)
        colour.setAlpha(colourPart(parts.at(3)));
    return colour;
}

QColor colorWithoutAlpha(const QString &text)
{
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char('/'));
    if (parts.size() < 3)
        return QColor(Qt::black);
    return QColor(colourPart(parts.at(0)), colourPart(parts.at(1)), colourPart(parts.at(2)), 255);
}

int commandTypeFromText(const QString &text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (ok)
        return number;
    return commandTypeFromName(text);
}

bool hasGroup(const QStringList &topLevelGroups, const QString &group)
{
    return topLevelGroups.contains(group, Qt::CaseInsensitive);
}

QString platformGroup(const QStringList &topLevelGroups, const QString &base)
{
    static const QString os = Platform::osName();
    // "<base>_<os>", compared in its parts so no name is built per call.
    for (const QString &group : topLevelGroups) {
        if (group.size() == base.size() + 1 + os.size() && group.at(base.size()) == QLatin1Char('_')
            && group.startsWith(base, Qt::CaseInsensitive) && group.endsWith(os, Qt::CaseInsensitive))
            return group;
    }
    return base;
}

bool dropFilterMatches(const QString &filter, const QStringList &localFiles)
{
    if (filter == Word::anyFile)
        return true;
    if (localFiles.size() != 1 || !isDropFilter(filter))
        return false;
    return QFileInfo(localFiles.first()).suffix().compare(filter.section(QLatin1Char(':'), 1, 1), Qt::CaseInsensitive)
        == 0;
}

bool isDropFilter(const QString &filter)
{
    return filter == Word::anyFile
        || (filter.contains(QLatin1Char(':')) && filter.section(QLatin1Char(':'), 0, 0) == Word::extFilter);
}

} // namespace Vocabulary

const QHash<QString, int> &commandTypeNames()
{
    static const QHash<QString, int> names {
        { QStringLiteral("RUN"), CommandType::Run },
        { QStringLiteral("OPENFILE"), CommandType::OpenFile },
        { QStringLiteral("RUNINTEMP"), CommandType::RunInTemp },
        { QStringLiteral("RUNANDEXIT"), CommandType::RunAndExit },
        { QStringLiteral("OPENFOLDER"), CommandType::OpenFolder },
        { QStringLiteral("OPENLINK"), CommandType::OpenLink },
        { QStringLiteral("WIN32RUNHIDDEN"), CommandType::Win32RunHidden },
        { QStringLiteral("CHECKBUTTON"), CommandType::CheckButton },
        { QStringLiteral("WINOPENFILEBASE64"), CommandType::WinOpenFileBase64 },
        { QStringLiteral("WINRUNBASE64"), CommandType::WinRunBase64 },
        { QStringLiteral("OPENMULTIPLEFILES"), CommandType::OpenMultipleFiles },
        { QStringLiteral("RELOAD"), CommandType::Reload },
        { QStringLiteral("RUNFOLDER"), CommandType::RunFolder },
    };
    return names;
}

int commandTypeFromName(const QString &name)
{
    return commandTypeNames().value(name.toUpper(), CommandType::Run);
}
