#include "config/backgroundsignature.h"

#include <QCryptographicHash>

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
    return isValid(content);
}

QByteArray sign(const QByteArray &payload)
{
    return payload + digestFor(payload);
}

} // namespace BackgroundSignature
