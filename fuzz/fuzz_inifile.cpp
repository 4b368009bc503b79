// The INI reader against QSettings on arbitrary bytes: the same groups, the
// same keys, the same texts and lists. A difference aborts with both sides.
#include <cstdio>

#include <QSettings>

#include "config/inifile.h"
#include "fuzzsupport.h"

namespace {

QString describe(const QVariant &value)
{
    if (value.type() == QVariant::StringList)
        return QStringLiteral("list:") + value.toStringList().join(QStringLiteral("|"));
    if (value.type() == QVariant::List) {
        QStringList parts;
        for (const QVariant &item : value.toList())
            parts.append(item.toString());
        return QStringLiteral("variants:") + parts.join(QStringLiteral("|"));
    }
    return QStringLiteral("text:") + value.toString();
}

void differ(const char *what, const QString &ours, const QString &theirs)
{
    std::fprintf(stderr, "%s differ:\n ours:   %s\n theirs: %s\n", what, qPrintable(ours), qPrintable(theirs));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // Serialised binary values are read as no value on purpose.
    for (const char *binary : { "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(" }) {
        if (bytes.contains(binary))
            return 0;
    }
    // A fresh name every time: QSettings trusts its cache for a file whose
    // size and timestamp look unchanged.
    static int counter = 0;
    const QString path = writeInput(QStringLiteral("input%1.ini").arg(++counter), data, size);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        IniFile ini = IniFile::fromData(bytes, false);
        if (ini.childGroups() != settings.childGroups())
            differ("groups", ini.childGroups().join(QLatin1Char(',')), settings.childGroups().join(QLatin1Char(',')));
        // Every key, and the same through the groups, as the link reader asks.
        auto compareKeys = [&](const QStringList &keys, const QString &where) {
            for (const QString &key : keys) {
                if (key.isEmpty())
                    continue;
                const QString ours = describe(ini.value(key));
                const QString theirs = describe(settings.value(key));
                if (ours != theirs)
                    differ(qPrintable(QStringLiteral("values of ") + where + key), ours, theirs);
                if (ini.contains(key) != settings.contains(key))
                    differ(qPrintable(QStringLiteral("presence of ") + where + key), QString(), QString());
            }
        };
        compareKeys(settings.allKeys(), QString());
        for (const QString &group : settings.childGroups()) {
            settings.beginGroup(group);
            ini.beginGroup(group);
            compareKeys(settings.childKeys(), group + QLatin1Char('/'));
            settings.endGroup();
            ini.endGroup();
        }
        // The key lines kept for a tool, in file order; a key given once holds
        // the value read. (Which of several wins follows the reader's section
        // order, which odd section names make differ from the file's.)
        const IniFile lines = IniFile::fromData(bytes, false, IniFile::Lines::Keep);
        QHash<QString, QVariant> last;
        QHash<QString, int> times;
        const int lineCount = bytes.count('\n') + bytes.count('\r') + 1;
        int previous = 0;
        for (const IniFile::Entry &entry : lines.entries()) {
            if (entry.line < previous || entry.line < 1 || entry.line > lineCount)
                differ("line order", QString::number(entry.line), QString::number(previous));
            previous = entry.line;
            const QString key = entry.section.isEmpty() ? entry.key : entry.section + QLatin1Char('/') + entry.key;
            // Keys QSettings itself cannot look up are left to the checks above.
            if (!key.isEmpty() && !key.startsWith(QLatin1Char('/')) && !key.endsWith(QLatin1Char('/'))
                && !key.contains(QLatin1String("//"))) {
                last.insert(key, entry.value);
                ++times[key];
            }
        }
        for (const QString &key : settings.allKeys()) {
            if (times.value(key) == 1 && describe(last.value(key)) != describe(settings.value(key)))
                differ(qPrintable(QStringLiteral("kept line of ") + key), describe(last.value(key)),
                    describe(settings.value(key)));
        }
    }
    QFile::remove(path);
    return 0;
}
