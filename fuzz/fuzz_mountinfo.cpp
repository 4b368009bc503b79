// The mount table parser and the lookup of the mount that holds a path.
#include <QDir>
#include "fuzzsupport.h"
#include "platform/tokendiscovery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    const QList<TokenDiscovery::Mount> mounts = TokenDiscovery::parseMountInfo(text);
    for (const TokenDiscovery::Mount &mount : mounts) {
        if (!mount.mountPoint.startsWith(QLatin1Char('/')) || !mount.device.contains(QLatin1Char(':')))
            abort();
        TokenDiscovery::mountHolding(mounts, mount.mountPoint + QStringLiteral("/x"));
    }
    // The same text as a fake system root's mount table.
    QDir().mkpath(scratch().filePath(QStringLiteral("proc/self")));
    writeInput(QStringLiteral("proc/self/mountinfo"), data, size);
    TokenDiscovery::find(scratch().path(), QStringLiteral("/media/token"));
    return 0;
}
