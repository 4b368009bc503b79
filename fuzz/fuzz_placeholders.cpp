// Placeholder and environment-path expansion of arbitrary text.
#include "config/paths.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    // Drive discovery reads the real system; point it at a tree that does
    // not exist so runs stay fast and repeatable.
    static const bool rooted = [] {
        qputenv("GATEPOINT_SYSTEM_ROOT", "/nonexistent-fuzz-root");
        return true;
    }();
    (void)rooted;
    const QString expanded = expandPlaceholders(text);
    const QString environment = expandEnvironmentPath(text);
    if (!text.contains(QLatin1Char('%')) && !text.contains(QLatin1Char('$')) && expanded != text)
        abort(); // text without placeholders comes back unchanged
    (void)environment;
    return 0;
}
