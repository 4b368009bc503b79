#include "language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMutex>
#include <QTranslator>

#include "config/paths.h"
#include "config/inifile.h"
#include "config/vocabulary.h"

using namespace Vocabulary;

namespace {

QMutex passGuard;
int openPasses = 0;
QString passLanguage;

QString readLanguage()
{
    const QString systemName = QLocale::system().name();
    const QDir resources = baseDirectory(true);

    // Read anew outside a pass, so "%lang%" follows the file at expansion time.
    const IniFile langIni(resources.filePath(File::langIni));
    const QString langPath = langIni.value(Key::langLangpath, QString()).toString();
    QString language = langIni.value(Key::langLang, systemName).toString();
    if (!langPath.isEmpty()) {
        const IniFile second(resources.filePath(langPath));
        language = second.value(Key::langLang, language).toString();
    }
    if (language.compare(Word::autoLanguage, Qt::CaseInsensitive) == 0)
        language = systemName;
    return language;
}

} // namespace

LanguagePass::LanguagePass()
{
    const QMutexLocker locker(&passGuard);
    if (openPasses++ == 0)
        passLanguage = readLanguage();
}

LanguagePass::~LanguagePass()
{
    const QMutexLocker locker(&passGuard);
    if (--openPasses == 0)
        passLanguage.clear();
}

QString currentLanguage()
{
    {
        const QMutexLocker locker(&passGuard);
        if (openPasses > 0)
            return passLanguage;
    }
    return readLanguage();
}

void installTranslations(QCoreApplication *app, const QString &baseName)
{
    const QString full = currentLanguage();
    QString shortCode = full.section(QLatin1Char('_'), 0, 0);
    const QString folder = baseDirectory(true).absolutePath();

    auto *appTranslator = new QTranslator(app);
    auto *qtTranslator = new QTranslator(app);
    auto *customTranslator = new QTranslator(app);

    const QString prefix = baseName + QLatin1Char('_');
    if (!appTranslator->load(prefix + full, folder) && !appTranslator->load(prefix + shortCode, folder)) {
        if (appTranslator->load(baseName + QStringLiteral("_en"), folder)) {
            shortCode = QStringLiteral("en");
        } else {
            appTranslator->load(baseName + QStringLiteral("_it"), folder);
            shortCode = QStringLiteral("it");
        }
    }
    if (!qtTranslator->load(QStringLiteral("qt_") + full, folder))
        qtTranslator->load(QStringLiteral("qt_") + shortCode, folder);
    if (!customTranslator->load(QStringLiteral("custom_") + full, folder))
        customTranslator->load(QStringLiteral("custom_") + shortCode, folder);

    // Qt searches the last installed first, so the custom file wins.
    app->installTranslator(appTranslator);
    app->installTranslator(qtTranslator);
    app->installTranslator(customTranslator);
}
