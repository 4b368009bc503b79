// Drop filters against arbitrary filters and file lists.
#include "config/vocabulary.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QStringList parts = text.split(QLatin1Char('\n'));
    const QString filter = parts.value(0);
    const bool matches = Vocabulary::dropFilterMatches(filter, parts.mid(1));
    if (filter == QLatin1String("*") && !matches)
        abort();
    Vocabulary::colorWithAlpha(text, Qt::red);
    Vocabulary::colorWithoutAlpha(text);
    Vocabulary::commandTypeFromText(text);
    Vocabulary::toInt(text);
    Vocabulary::toReal(text);
    Vocabulary::toBool(text);
    return 0;
}
