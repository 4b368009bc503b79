#include "skincommand.h"
#include "skinlinter.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include "config/vocabulary.h"

namespace Skin {

int runLint(const QStringList &arguments)
{
    // The options with a value are taken out first; the rest are flags.
    QStringList flags;
    QString resources;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        if (word == QLatin1String("--")) {
            flags += arguments.mid(i);
            break;
        }
        if (word != QLatin1String("--respath") && word != QLatin1String("--medium")) {
            flags.append(word);
            continue;
        }
        if (i + 1 >= arguments.size() || !resources.isEmpty()) {
            err() << "gatepoint-skin lint: " << word << " needs one folder, given once\n";
            return UsageError;
        }
        resources = arguments.at(++i);
        if (word == QLatin1String("--medium"))
            resources += QLatin1Char('/') + Vocabulary::File::commonsFolder;
        if (!QFileInfo(resources).isDir()) {
            err() << "gatepoint-skin lint: no such folder " << resources << '\n';
            return UsageError;
        }
    }
    QStringList options;
    QStringList positionals;
    QString error;
    if (!splitArguments(flags, { QStringLiteral("--strict"), QStringLiteral("--json") }, options, positionals, error)
        || positionals.size() != 1) {
        err() << "gatepoint-skin lint: " << (error.isEmpty() ? QStringLiteral("expected one links folder") : error)
              << '\n';
        return UsageError;
    }
    SkinLinter linter(positionals.first());
    if (!resources.isEmpty())
        linter.setResourceFolder(resources);
    const QVector<SkinLinter::Diagnostic> diagnostics = linter.run();
    int errors = 0;
    int warnings = 0;
    for (const SkinLinter::Diagnostic &diagnostic : diagnostics)
        (diagnostic.severity == SkinLinter::Severity::Error ? errors : warnings)++;

    if (options.contains(QStringLiteral("--json"))) {
        QJsonArray array;
        for (const SkinLinter::Diagnostic &diagnostic : diagnostics) {
            array.append(
                QJsonObject { { QStringLiteral("file"), diagnostic.file }, { QStringLiteral("line"), diagnostic.line },
                    { QStringLiteral("severity"), severityWord(diagnostic.severity) },
                    { QStringLiteral("message"), diagnostic.message } });
        }
        out() << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        for (const SkinLinter::Diagnostic &diagnostic : diagnostics) {
            out() << diagnostic.file << ':' << diagnostic.line << ": " << severityWord(diagnostic.severity) << ": "
                  << diagnostic.message << '\n';
        }
        out() << errors << (errors == 1 ? " error, " : " errors, ") << warnings
              << (warnings == 1 ? " warning" : " warnings") << '\n';
    }
    if (errors > 0)
        return 2;
    if (warnings > 0 && options.contains(QStringLiteral("--strict")))
        return 1;
    return Success;
}

} // namespace Skin
