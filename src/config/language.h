#pragma once

#include <QString>

class QCoreApplication;

// The full language code: the system locale, overridable by "lang.ini" in
// the resource directory.
QString currentLanguage();

// While one exists, currentLanguage() answers from the one reading of
// "lang.ini" made when the first of them was made: a pass over many link
// files reads the file once instead of once per file. Passes may nest and
// overlap on several threads; the file is read anew after the last ends.
class LanguagePass final {
public:
    LanguagePass();
    ~LanguagePass();
    LanguagePass(const LanguagePass &) = delete;
    LanguagePass &operator=(const LanguagePass &) = delete;
};

// Installs the application, Qt and custom translators (in that order).
void installTranslations(QCoreApplication *app, const QString &baseName);
