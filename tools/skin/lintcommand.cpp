#include "skincommand.h"
#include "skinlinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace Skin {

int runLint(const QStringList &arguments)
{
    QStringList options;
    QStringList positionals;
    QString error;
    if (!splitArguments(
            arguments, { QStringLiteral("--strict"), QStringLiteral("--json") }, options, positionals, error)
        || positionals.size() != 1) {
        err() << "gatepoint-skin lint: " << (error.isEmpty() ? QStringLiteral("expected one links folder") : error)
              << '\n';
        return UsageError;
    }
    SkinLinter linter(positionals.first());
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
