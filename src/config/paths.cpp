#include "paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>

#include "config/language.h"
#include "config/vocabulary.h"
#include "platform/platform.h"

namespace {

QMutex resourceMutex;
QString cachedResourceDirectory; // empty: not computed yet

QString computeResourceDirectory()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString oneUp = QDir(appDir + QStringLiteral("/../") + Vocabulary::File::commonsFolder).absolutePath();
    if (QFileInfo(oneUp).isDir())
        return QDir::cleanPath(oneUp);
    const QString twoUp = QDir(appDir + QStringLiteral("/../../") + Vocabulary::File::commonsFolder).absolutePath();
    if (QFileInfo(twoUp).isDir())
        return QDir::cleanPath(twoUp);
    return appDir;
}

QString resourceDirectoryPath()
{
    QMutexLocker locker(&resourceMutex);
    if (cachedResourceDirectory.isEmpty())
        cachedResourceDirectory = computeResourceDirectory();
    return cachedResourceDirectory;
}

} // namespace

QDir baseDirectory(bool resources)
{
    if (!resources)
        return QDir(QCoreApplication::applicationDirPath());
    return QDir(resourceDirectoryPath());
}

void resetResourceDirectoryCache()
{
    QMutexLocker locker(&resourceMutex);
    cachedResourceDirectory.clear();
}

QString mediumRoot()
{
    return Platform::mediumRoot(resourceDirectoryPath());
}

QString osName()
{
    return Platform::osName();
}

void findMediumDrives(QString &flash, QString &cdrom)
{
    const Platform::MediumDrives drives = Platform::findMediumDrives(resourceDirectoryPath());
    flash = drives.flash;
    cdrom = drives.cdrom;
}

QString expandEnvironmentPath(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    QStringList kept;
    for (QString part : parts) {
        if (part.startsWith(QLatin1Char('$'))) {
            part.remove(QLatin1Char('$'));
            part = part.isEmpty() ? QString() : qEnvironmentVariable(part.toLocal8Bit().constData());
        }
        if (!part.isEmpty())
            kept.append(part);
    }
    QString result = kept.join(QLatin1Char('/'));
    if (path.startsWith(QLatin1Char('/')))
        result.prepend(QLatin1Char('/'));
    return result;
}

QString expandPlaceholders(const QString &text)
{
    return expandPlaceholders(text, nullptr);
}

QString expandPlaceholders(const QString &text, bool *drivesFound)
{
    static const QString cdromPlaceholder = QStringLiteral("%cdrom%");
    static const QString flashPlaceholder = QStringLiteral("%flash%");
    static const QString rootPlaceholder = QStringLiteral("%root%");
    static const QString exePlaceholder = QStringLiteral("%exepath%");
    static const QString resPlaceholder = QStringLiteral("%respath%");
    static const QString langPlaceholder = QStringLiteral("%lang%");
    static const QString pidPlaceholder = QStringLiteral("%pid%");

    QString result = text;
    // Drive discovery walks the device tree, so it runs only when asked for.
    if (result.contains(cdromPlaceholder, Qt::CaseInsensitive)
        || result.contains(flashPlaceholder, Qt::CaseInsensitive)) {
        QString flash;
        QString cdrom;
        findMediumDrives(flash, cdrom);
        if (drivesFound
            && ((cdrom.isEmpty() && result.contains(cdromPlaceholder, Qt::CaseInsensitive))
                || (flash.isEmpty() && result.contains(flashPlaceholder, Qt::CaseInsensitive))))
            *drivesFound = false;
        result.replace(cdromPlaceholder, cdrom, Qt::CaseInsensitive);
        result.replace(flashPlaceholder, flash, Qt::CaseInsensitive);
    }
    if (result.contains(rootPlaceholder))
        result.replace(rootPlaceholder, mediumRoot());
    if (result.contains(QLatin1Char('$')))
        result = expandEnvironmentPath(result);
    if (result.contains(exePlaceholder))
        result.replace(exePlaceholder, baseDirectory(false).path());
    if (result.contains(resPlaceholder))
        result.replace(resPlaceholder, baseDirectory(true).absolutePath());
    if (result.contains(langPlaceholder))
        result.replace(langPlaceholder, currentLanguage());
    if (result.contains(pidPlaceholder))
        result.replace(pidPlaceholder, QString::number(Platform::currentProcessId()));
    return result;
}

void setEnvironmentValue(const QString &name, const QString &value)
{
    Platform::setEnvironmentValue(name, value);
}
