#pragma once

#include <QString>

class QCoreApplication;

// The full language code: the system locale, overridable by "lang.ini" in
// the resource directory.
QString currentLanguage();

// Installs the application, Qt and custom translators (in that order).
void installTranslations(QCoreApplication *app, const QString &baseName);
