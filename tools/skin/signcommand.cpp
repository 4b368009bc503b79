// sign and verify: the background digest as the launcher checks it, and
// the issuer's signature beside it (--key).

#include "skincommand.h"

#include "config/backgroundsignature.h"

#include <QFile>
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

const QString keyOption = QStringLiteral("--key");

// Takes "--key FILE" (or "--key=FILE") out of arguments. False, with a
// message, when it is given twice, without a file, or cannot be used here.
bool takeKeyOption(const char *command, QStringList &arguments, QString &keyPath)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        QString value;
        if (argument == keyOption) {
            if (i + 1 >= arguments.size()) {
                err() << "gatepoint-skin " << command << ": --key needs a FILE\n";
                return false;
            }
            value = arguments.at(i + 1);
            arguments.removeAt(i + 1);
            arguments.removeAt(i);
        } else if (argument.startsWith(keyOption + QLatin1Char('='))) {
            value = argument.mid(keyOption.size() + 1);
            arguments.removeAt(i);
        } else {
            continue;
        }
        if (!keyPath.isEmpty() || value.isEmpty()) {
            err() << "gatepoint-skin " << command << ": --key takes one FILE\n";
            return false;
        }
        keyPath = value;
        --i;
    }
    if (!keyPath.isEmpty() && !BackgroundSignature::issuerSignaturesAvailable()) {
        err() << "gatepoint-skin " << command << ": built without issuer signatures (libsodium)\n";
        return false;
    }
    return true;
}

// What sign and verify take: "--key FILE" (read as a key of that kind), the
// options allowed and exactly one FILE. Success, or the exit code after a
// message.
int takeKeyAndFile(const char *command, QStringList arguments, const QStringList &allowed,
    BackgroundSignature::KeyKind kind, QStringList &options, QString &path, QByteArray &key)
{
    QString keyPath;
    if (!takeKeyOption(command, arguments, keyPath) || !takeOneFile(command, arguments, allowed, options, path))
        return UsageError;
    QString keyError;
    if (!keyPath.isEmpty() && !BackgroundSignature::readKeyFile(keyPath, kind, key, &keyError)) {
        err() << keyPath << ": " << keyError << '\n';
        return Failure;
    }
    return Success;
}

} // namespace

bool signFile(const QString &path, bool replace, const QByteArray &secretKey, QString &error)
{
    QByteArray content;
    if (!BackgroundSignature::readCapped(path, content, &error))
        return false;

    // A second digest appended to a signed file would make it invalid, so a
    // signed file is only re-signed on request, and then its old digest goes.
    QByteArray payload = content;
    if (BackgroundSignature::isValid(content)) {
        if (!replace) {
            error = QStringLiteral("already signed (use --replace to sign it again)");
            return false;
        }
        // The issuer's own earlier signature goes with the digest.
        const bool ownSignature = !secretKey.isEmpty()
            && BackgroundSignature::hasIssuerSignature(content, BackgroundSignature::issuerPublicKeyOf(secretKey));
        payload.chop(
            BackgroundSignature::digestLength + (ownSignature ? BackgroundSignature::issuerSignatureLength : 0));
    }
    if (payload.isEmpty()) {
        error = QStringLiteral("nothing to sign (empty file)");
        return false;
    }
    const QByteArray signedContent = secretKey.isEmpty() ? BackgroundSignature::sign(payload)
                                                         : BackgroundSignature::signAsIssuer(payload, secretKey);
    if (signedContent.isEmpty()) {
        error = QStringLiteral("the issuer signature could not be made");
        return false;
    }
    // Written through a temporary file and renamed, so an interrupted run
    // never leaves a half-written background behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(signedContent) != signedContent.size() || !file.commit()) {
        error = QStringLiteral("cannot write: ") + file.errorString();
        return false;
    }
    return true;
}

int runSign(const QStringList &arguments)
{
    QStringList options;
    QString path;
    QByteArray secretKey;
    const int taken = takeKeyAndFile(
        "sign", arguments, { replaceOption }, BackgroundSignature::KeyKind::Secret, options, path, secretKey);
    if (taken != Success)
        return taken;
    const bool replace = options.contains(replaceOption);

    QString error;
    if (!signFile(path, replace, secretKey, error)) {
        err() << path << ": " << error << '\n';
        return Failure;
    }
    out() << path << (secretKey.isEmpty() ? ": signed\n" : ": signed by the issuer\n");
    return Success;
}

int runVerify(const QStringList &arguments)
{
    QStringList options;
    QString path;
    QByteArray publicKey;
    const int taken
        = takeKeyAndFile("verify", arguments, {}, BackgroundSignature::KeyKind::Public, options, path, publicKey);
    if (taken != Success)
        return taken;

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
    if (!publicKey.isEmpty()) {
        if (!BackgroundSignature::hasIssuerSignature(content, publicKey)) {
            out() << path << ": invalid (no valid issuer signature)\n";
            return Failure;
        }
        out() << path << ": valid (issuer signature)\n";
        return Success;
    }
    out() << path << ": valid\n";
    return Success;
}

int runKeygen(const QStringList &arguments)
{
    QStringList options;
    QStringList files;
    QString error;
    if (!splitArguments(arguments, {}, options, files, error)) {
        err() << "gatepoint-skin keygen: " << error << '\n';
        return UsageError;
    }
    if (files.size() != 2) {
        err() << "gatepoint-skin keygen: expected SECRET_KEY_FILE and PUBLIC_KEY_FILE\n";
        return UsageError;
    }
    if (!BackgroundSignature::issuerSignaturesAvailable()) {
        err() << "gatepoint-skin keygen: built without issuer signatures (libsodium)\n";
        return UsageError;
    }
    QByteArray publicKey;
    QByteArray secretKey;
    if (!BackgroundSignature::makeIssuerKeys(publicKey, secretKey)) {
        err() << "gatepoint-skin keygen: no key pair could be made\n";
        return Failure;
    }
    // Neither file may exist: an issuer's key is never replaced by mistake.
    // The secret file is the owner's alone before the key goes in.
    const struct {
        QString path;
        QByteArray text;
        bool secret;
    } outputs[] = {
        { files.at(0), BackgroundSignature::keyFileText(BackgroundSignature::KeyKind::Secret, secretKey), true },
        { files.at(1), BackgroundSignature::keyFileText(BackgroundSignature::KeyKind::Public, publicKey), false },
    };
    for (const auto &output : outputs) {
        QFile file(output.path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            err() << output.path << ": cannot create (it must not exist): " << file.errorString() << '\n';
            return Failure;
        }
        if (output.secret && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            err() << output.path << ": cannot make it the owner's alone\n";
            file.remove();
            return Failure;
        }
        if (file.write(output.text) != output.text.size() || !file.flush()) {
            err() << output.path << ": cannot write: " << file.errorString() << '\n';
            file.remove();
            return Failure;
        }
    }
    out() << files.at(0) << ": issuer secret key (keep it off the medium)\n"
          << files.at(1)
          << ": issuer public key (build with -DGATEPOINT_ISSUER_SIGNATURE=ON -DGATEPOINT_ISSUER_KEY=...)\n";
    return Success;
}

} // namespace Skin
