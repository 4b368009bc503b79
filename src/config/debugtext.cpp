#include "debugtext.h"

#include <QDebug>

QString debugQuoted(const QString &text)
{
    const QChar *const begin = text.constData();
    const QChar *const end = begin + text.size();
    for (const QChar *p = begin; p != end; ++p) {
        const ushort ch = p->unicode();
        if (ch < 0x20 || ch > 0x7e || ch == '"' || ch == '\\') {
            QString escaped;
            QDebug(&escaped).nospace() << text;
            return escaped;
        }
    }
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    quoted += text;
    quoted += QLatin1Char('"');
    return quoted;
}
