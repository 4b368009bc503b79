#include "config/backgroundsignature.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

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
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("file not found"));
    if (!info.isFile())
        return fail(QStringLiteral("not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open: ") + file.errorString());
    if (file.size() > maximumFileSize)
        return fail(QStringLiteral("file larger than 64 MB"));
    // Read one byte past the cap: a file that grows after the size check
    // is still refused rather than read without bound.
    content = file.read(maximumFileSize + 1);
    if (content.size() > maximumFileSize)
        return fail(QStringLiteral("file larger than 64 MB"));
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("read error: ") + file.errorString());
    return true;
}

bool verifyFile(const QString &path)
{
    QByteArray content;
    if (!readCapped(path, content))
        return false;
    return isValid(content);
}

QByteArray sign(const QByteArray &payload)
{
    return payload + digestFor(payload);
}

} // namespace BackgroundSignature
