#include "config/backgroundsignature.h"

#include <QCryptographicHash>
#include <QDebug>

#ifdef GATEPOINT_HAVE_SODIUM
#include <sodium.h>
#endif

#include "platform/logging.h"
#include "platform/platform.h"

namespace BackgroundSignature {

namespace {

// Kept as separate byte values and put together only when needed, so the
// constant never appears as one searchable string in the program file.
QByteArray secretSuffix()
{
    static const unsigned char parts[digestLength] = {
        0x6b,
        0x1f,
        0xd3,
        0x42,
        0x97,
        0x0e,
        0xa8,
        0x5c,
        0x31,
        0xe4,
        0x7a,
        0xc6,
        0x09,
        0xbd,
        0x58,
        0xf2,
        0x23,
        0x8e,
        0x64,
        0xa1,
    };
    QByteArray suffix;
    suffix.reserve(digestLength);
    for (unsigned char byte : parts)
        suffix.append(static_cast<char>(byte));
    return suffix;
}

} // namespace

QByteArray digestFor(const QByteArray &payload)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(payload);
    hash.addData(secretSuffix());
    return hash.result();
}

bool isValid(const QByteArray &content)
{
    if (content.size() < digestLength)
        return false;
    const QByteArray payload = content.left(content.size() - digestLength);
    const QByteArray stored = content.right(digestLength);
    // Constant-time comparison: no early exit on the first differing byte.
    const QByteArray expected = digestFor(payload);
    unsigned char difference = 0;
    for (int i = 0; i < digestLength; ++i)
        difference |= static_cast<unsigned char>(stored.at(i) ^ expected.at(i));
    return difference == 0;
}

bool readCapped(const QString &path, QByteArray &content, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no file given"));
    // Opened without waiting and read only when it is a plain file: a pipe
    // named like the background must not block the start.
    const Platform::FileContents file = Platform::readPlainFile(path, maximumFileSize);
    switch (file.status) {
    case Platform::FileContents::Read:
        content = file.data;
        return true;
    case Platform::FileContents::Missing:
        return fail(QStringLiteral("file not found"));
    case Platform::FileContents::NotPlainFile:
        return fail(QStringLiteral("not a regular file"));
    case Platform::FileContents::TooLarge:
        return fail(QStringLiteral("file larger than 64 MB"));
    case Platform::FileContents::Unreadable:
        break;
    }
    return fail(QStringLiteral("cannot open or read"));
}

bool verifyFile(const QString &path)
{
    QByteArray content;
    if (!readCapped(path, content))
        return false;
    return isAcceptable(content);
}

QByteArray sign(const QByteArray &payload)
{
    return payload + digestFor(payload);
}

namespace {

QByteArray &requiredKey()
{
    static QByteArray key;
    return key;
}

bool &keyRequired()
{
    static bool required = false;
    return required;
}

#ifdef GATEPOINT_HAVE_SODIUM
// What the issuer signs: the picture behind a fixed context, so that a
// signature made with the same key for anything else never passes here.
QByteArray issuerMessage(const QByteArray &payload)
{
    return QByteArrayLiteral("gatepoint background v1\n") + payload;
}

bool cryptoReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

const unsigned char *bytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}
#endif

const char publicKeyLabel[] = "gatepoint issuer public key";
const char secretKeyLabel[] = "gatepoint issuer secret key";

} // namespace

bool issuerSignaturesAvailable()
{
#ifdef GATEPOINT_HAVE_SODIUM
    return cryptoReady();
#else
    return false;
#endif
}

void requireIssuerSignature(const QByteArray &publicKey)
{
    requiredKey() = publicKey;
    keyRequired() = true;
    if (publicKey.size() != issuerPublicKeyLength || !issuerSignaturesAvailable())
        qCDebug(lcConfig) << "BackgroundSignature: no usable issuer key, every background is refused";
}

QByteArray requiredIssuerKey()
{
    return requiredKey();
}

bool makeIssuerKeys(QByteArray &publicKey, QByteArray &secretKey)
{
#ifdef GATEPOINT_HAVE_SODIUM
    if (!cryptoReady())
        return false;
    publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    secretKey.resize(crypto_sign_SECRETKEYBYTES);
    return crypto_sign_keypair(
               reinterpret_cast<unsigned char *>(publicKey.data()), reinterpret_cast<unsigned char *>(secretKey.data()))
        == 0;
#else
    Q_UNUSED(publicKey)
    Q_UNUSED(secretKey)
    return false;
#endif
}

QByteArray issuerPublicKeyOf(const QByteArray &secretKey)
{
#ifdef GATEPOINT_HAVE_SODIUM
    if (!cryptoReady() || secretKey.size() != issuerSecretKeyLength)
        return QByteArray();
    QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized);
    if (crypto_sign_ed25519_sk_to_pk(reinterpret_cast<unsigned char *>(publicKey.data()), bytes(secretKey)) != 0)
        return QByteArray();
    return publicKey;
#else
    Q_UNUSED(secretKey)
    return QByteArray();
#endif
}

QByteArray signAsIssuer(const QByteArray &payload, const QByteArray &secretKey)
{
#ifdef GATEPOINT_HAVE_SODIUM
    if (!cryptoReady() || secretKey.size() != issuerSecretKeyLength)
        return QByteArray();
    const QByteArray message = issuerMessage(payload);
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    if (crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr, bytes(message),
            static_cast<unsigned long long>(message.size()), bytes(secretKey))
        != 0)
        return QByteArray();
    return sign(payload + signature);
#else
    Q_UNUSED(payload)
    Q_UNUSED(secretKey)
    return QByteArray();
#endif
}

bool hasIssuerSignature(const QByteArray &content, const QByteArray &publicKey)
{
    if (!isValid(content) || content.size() < digestLength + issuerSignatureLength)
        return false;
#ifdef GATEPOINT_HAVE_SODIUM
    if (!cryptoReady() || publicKey.size() != issuerPublicKeyLength)
        return false;
    const int payloadLength = content.size() - digestLength - issuerSignatureLength;
    const QByteArray message = issuerMessage(content.left(payloadLength));
    const QByteArray signature = content.mid(payloadLength, issuerSignatureLength);
    return crypto_sign_verify_detached(
               bytes(signature), bytes(message), static_cast<unsigned long long>(message.size()), bytes(publicKey))
        == 0;
#else
    Q_UNUSED(publicKey)
    return false;
#endif
}

bool isAcceptable(const QByteArray &content)
{
    if (!keyRequired())
        return isValid(content);
    if (hasIssuerSignature(content, requiredKey()))
        return true;
    qCDebug(lcConfig) << "BackgroundSignature: the background carries no valid issuer signature";
    return false;
}

QByteArray keyFileText(KeyKind kind, const QByteArray &key)
{
    return QByteArray(kind == KeyKind::Public ? publicKeyLabel : secretKeyLabel) + '\n' + key.toBase64() + '\n';
}

bool readKeyFile(const QString &path, KeyKind kind, QByteArray &key, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const Platform::FileContents file = Platform::readPlainFile(path, 4096);
    if (file.status != Platform::FileContents::Read)
        return fail(QStringLiteral("cannot read the key file"));
    const QList<QByteArray> lines = file.data.split('\n');
    const QByteArray label(kind == KeyKind::Public ? publicKeyLabel : secretKeyLabel);
    if (lines.size() < 2 || lines.at(0).trimmed() != label)
        return fail(QStringLiteral("not a %1 file").arg(QString::fromLatin1(label)));
    const QByteArray::FromBase64Result decoded
        = QByteArray::fromBase64Encoding(lines.at(1).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    const int length = kind == KeyKind::Public ? issuerPublicKeyLength : issuerSecretKeyLength;
    if (!decoded || decoded.decoded.size() != length)
        return fail(QStringLiteral("the key is not %1 bytes of Base64").arg(length));
    key = decoded.decoded;
    return true;
}

} // namespace BackgroundSignature
