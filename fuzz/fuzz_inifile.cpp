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
    }
    QFile::remove(path);
    return 0;
}
