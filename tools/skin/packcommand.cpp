#include "bundle.h"
#include "skincommand.h"
#include "skinlinter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include "config/launcherconfig.h"
#include "config/vocabulary.h"

namespace Skin {

namespace {

bool copyTree(const QString &source, const QString &to)
{
    const QString from = QFileInfo(source).absoluteFilePath();
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(entry.filePath());
        // Links are followed: a medium is burnt and must not point elsewhere.
        if (entry.isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else if (!QDir().mkpath(QFileInfo(target).absolutePath())
            || !QFile::copy(entry.canonicalFilePath(), target)) {
            err() << "cannot copy " << entry.filePath() << '\n';
            return false;
        }
    }
    return true;
}

bool writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(text) == text.size();
}

int fail(const QString &tmp, const QString &message, int code = Failure)
{
    err() << "gatepoint-skin pack: " << message << '\n';
    if (!tmp.isEmpty())
        QDir(tmp).removeRecursively();
    return code;
}

} // namespace

int runPack(const QStringList &arguments)
{
    QMap<QString, QString> values;
    const QStringList names
        = { QStringLiteral("--program"), QStringLiteral("--skin"), QStringLiteral("--out"), QStringLiteral("--blob"),
              QStringLiteral("--iso"), QStringLiteral("--translations"), QStringLiteral("--resources") };
    for (int i = 0; i < arguments.size(); ++i) {
        if (!names.contains(arguments.at(i)) || i + 1 >= arguments.size())
            return fail(QString(), QStringLiteral("unexpected argument ") + arguments.at(i), UsageError);
        values.insert(arguments.at(i), arguments.at(i + 1));
        ++i;
    }
    const QString program = values.value(QStringLiteral("--program"));
    const QString skin = values.value(QStringLiteral("--skin"));
    const QString outDir = values.value(QStringLiteral("--out"));
    if (program.isEmpty() || skin.isEmpty() || outDir.isEmpty())
        return fail(QString(), QStringLiteral("expected --program PATH --skin LINKS_FOLDER --out DIR"), UsageError);
    if (!QFileInfo(program).isFile() || !QFileInfo(skin).isDir())
        return fail(QString(), QStringLiteral("the program or the skin folder does not exist"));

    const QString target = QDir::cleanPath(QFileInfo(outDir).absoluteFilePath());
    const QString tmp = target + QStringLiteral(".tmp");
    QDir(tmp).removeRecursively();
    const QString commons = tmp + QLatin1Char('/') + Vocabulary::File::commonsFolder;
    const QString links = commons + QLatin1Char('/') + Vocabulary::File::linksFolder;
    const QString bin = tmp + QStringLiteral("/bin/") + QFileInfo(program).fileName();
    if (!QDir().mkpath(tmp + QStringLiteral("/bin")) || !QFile::copy(program, bin) || !copyTree(skin, links))
        return fail(tmp, QStringLiteral("cannot copy into ") + tmp);
    QFile::setPermissions(bin, QFile::permissions(program));

    // The rest of the resource folder (tools, documents, other skins): the
    // one named, else the folder around the skin when it is a resource folder.
    QString resources = values.value(QStringLiteral("--resources"));
    if (resources.isEmpty() && QFileInfo(skin).absoluteDir().dirName() == Vocabulary::File::commonsFolder)
        resources = QFileInfo(skin).absolutePath();
    if (!resources.isEmpty()) {
        QString error;
        const QString included = includeResources(resources, skin, commons, error);
        if (!error.isEmpty())
            return fail(tmp, error);
        if (!included.isEmpty())
            out() << "included from " << resources << ": " << included << '\n';
    }

    // Translations come from an explicit folder, else from the resource
    // folder beside the program's own medium.
    QString translations = values.value(QStringLiteral("--translations"));
    if (translations.isEmpty())
        translations = QFileInfo(program).absolutePath() + QStringLiteral("/../") + Vocabulary::File::commonsFolder;
    for (const QFileInfo &qm : QDir(translations).entryInfoList({ QStringLiteral("*.qm") }, QDir::Files))
        QFile::copy(qm.absoluteFilePath(), commons + QLatin1Char('/') + qm.fileName());
    // A lang.ini the author wrote stays as written; else the medium follows
    // the user's language.
    const QString langIni = commons + QLatin1Char('/') + Vocabulary::File::langIni;
    if (!QFileInfo::exists(langIni)
        && !writeText(langIni, "[lang]\nlang=" + Vocabulary::Word::autoLanguage.toUtf8() + '\n'))
        return fail(tmp, QStringLiteral("cannot write ") + langIni);
    if (values.contains(QStringLiteral("--blob")))
        QFile::remove(commons + QLatin1Char('/') + Vocabulary::File::blob);
    if (values.contains(QStringLiteral("--blob"))
        && !QFile::copy(values.value(QStringLiteral("--blob")), commons + QLatin1Char('/') + Vocabulary::File::blob))
        return fail(tmp, QStringLiteral("cannot copy the blob ") + values.value(QStringLiteral("--blob")));

    QString background = LauncherConfig::read(links).backgroundPath;
    if (!QFileInfo(background).isFile())
        background.clear();
    QString signError;
    if (!background.isEmpty() && !signFile(background, true, QByteArray(), signError))
        return fail(tmp, background + QStringLiteral(": ") + signError);

    SkinLinter linter(links);
    int errors = 0;
    for (const SkinLinter::Diagnostic &diagnostic : linter.run()) {
        if (diagnostic.severity != SkinLinter::Severity::Error)
            continue;
        ++errors;
        err() << Vocabulary::File::linksFolder << '/' << diagnostic.file << ':' << diagnostic.line
              << ": error: " << diagnostic.message << '\n';
    }
    if (errors > 0)
        return fail(tmp, QStringLiteral("the skin has errors; nothing was written"), 2);

    QStringList report;
    QString error;
    if (!bundleRuntime(bin, commons, report, error))
        return fail(tmp, error);
    for (const QString &line : report)
        out() << line << '\n';

    if (QFileInfo::exists(target) && !QDir(target).removeRecursively())
        return fail(tmp, QStringLiteral("cannot replace ") + target);
    if (!QDir().rename(tmp, target))
        return fail(tmp, QStringLiteral("cannot rename ") + tmp);
    if (!background.isEmpty())
        out() << target << QLatin1Char('/') << QDir(tmp).relativeFilePath(background) << ": signed\n";
    out() << target << ": packed\n";

    const QString iso = values.value(QStringLiteral("--iso"));
    if (iso.isEmpty())
        return Success;
    const QString xorriso = QStandardPaths::findExecutable(QStringLiteral("xorriso"));
    if (xorriso.isEmpty()) {
        out() << "xorriso is not installed: no image written\n";
        return Success;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(xorriso,
        { QStringLiteral("-as"), QStringLiteral("mkisofs"), QStringLiteral("-R"), QStringLiteral("-J"),
            QStringLiteral("-o"), QFileInfo(iso).absoluteFilePath(), target });
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return fail(QString(), QStringLiteral("xorriso failed"));
    out() << iso << ": image written\n";
    return Success;
}

} // namespace Skin
