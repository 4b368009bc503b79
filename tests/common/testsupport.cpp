#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace TestSupport {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

QString helperPath(const QString &name)
{
    return QStringLiteral(GATEPOINT_TEST_BIN_DIR "/") + name;
}

QString launcherPath()
{
    return QStringLiteral(GATEPOINT_BINARY);
}

void isolate()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("QT_QPA_PLATFORMTHEME");
}

} // namespace TestSupport
