// A link file and a link folder built from arbitrary bytes.
#include <QDir>
#include <QFileInfo>

#include "config/buttonconfig.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    const QString file = writeInput(QStringLiteral("input.link"), data, size);
    ButtonConfig record(QFileInfo(file), { { QStringLiteral("titlepixelsize"), QStringLiteral("x") } }, size % 2 == 0);

    // The same bytes as a folder's own link, with itself as an entry and as
    // its drop sub-menu.
    QDir().mkpath(scratch().filePath(QStringLiteral("folder.link")));
    writeInput(QStringLiteral("folder.link/_.link"), data, size);
    writeInput(QStringLiteral("folder.link/entry.link"), data, size);
    ButtonConfig folder(QFileInfo(scratch().filePath(QStringLiteral("folder.link"))), {}, true);
    ButtonConfig moved(std::move(folder));
    return 0;
}
