#include "skincommand.h"

#include <QTextStream>

#include <cstdio>

namespace Skin {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool splitArguments(const QStringList &arguments, const QStringList &allowed, QStringList &options,
    QStringList &positionals, QString &error)
{
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1String("--"))) {
            if (!allowed.contains(argument)) {
                error = QStringLiteral("unknown option %1").arg(argument);
                return false;
            }
            options.append(argument);
            continue;
        }
        positionals.append(argument);
    }
    return true;
}

bool parseDimension(const QString &text, int maximum, int &value)
{
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (!ok || parsed <= 0 || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

} // namespace Skin
