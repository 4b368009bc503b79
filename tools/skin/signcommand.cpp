// sign and verify: the background digest as the launcher checks it.

#include "skincommand.h"

#include "config/backgroundsignature.h"

#include <QSaveFile>
#include <QTextStream>

namespace Skin {

namespace {

const QString replaceOption = QStringLiteral("--replace");

bool takeOneFile(
    const char *command, const QStringList &arguments, const QStringList &allowed, QStringList &options, QString &file)
{
    QStringList positionals;
    QString error;
    if (!splitArguments(arguments, allowed, options, positionals, error)) {
        err() << "gatepoint-skin " << command << ": " << error << '\n';
        return false;
    }
    if (positionals.size() != 1) {
        err() << "gatepoint-skin " << command << ": expected exactly one FILE\n";
        return false;
    }
    file = positionals.first();
    return true;
}

} // namespace

int runSign(const QStringList &arguments)
{
    QStringList options;
    QString path;
    if (!takeOneFile("sign", arguments, { replaceOption }, options, path))
        return UsageError;
    const bool replace = options.contains(replaceOption);

    QByteArray content;
    QString error;
    if (!BackgroundSignature::readCapped(path, content, &error)) {
        err() << path << ": " << error << '\n';
        return Failure;
    }

    // A second digest appended to a signed file would make it invalid, so a
    // signed file is only re-signed on request, and then its old digest goes.
    QByteArray payload = content;
    if (BackgroundSignature::isValid(content)) {
        if (!replace) {
            err() << path << ": already signed (use --replace to sign it again)\n";
            return Failure;
        }
        payload.chop(BackgroundSignature::digestLength);
    }
    if (payload.isEmpty()) {
        err() << path << ": nothing to sign (empty file)\n";
        return Failure;
    }

    // Written through a temporary file and renamed, so an interrupted run
    // never leaves a half-written background behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        err() << path << ": cannot write: " << file.errorString() << '\n';
        return Failure;
    }
    const QByteArray signedContent = BackgroundSignature::sign(payload);
    if (file.write(signedContent) != signedContent.size() || !file.commit()) {
        err() << path << ": cannot write: " << file.errorString() << '\n';
        return Failure;
    }
    out() << path << ": signed\n";
    return Success;
}

int runVerify(const QStringList &arguments)
{
    QStringList options;
    QString path;
    if (!takeOneFile("verify", arguments, {}, options, path))
        return UsageError;

    QByteArray content;
    QString error;
    if (!BackgroundSignature::readCapped(path, content, &error)) {
        out() << path << ": invalid (" << error << ")\n";
        return Failure;
    }
    if (!BackgroundSignature::isValid(content)) {
        out() << path << ": invalid (no valid background digest)\n";
        return Failure;
    }
    out() << path << ": valid\n";
    return Success;
}

} // namespace Skin
