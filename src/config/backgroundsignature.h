#pragma once

#include <QByteArray>
#include <QString>

// The digest that a skin background carries in its last 20 bytes: SHA-1 of
// the picture followed by a constant that only the launcher and the skin
// tool know. A background without a valid digest stops the start-up, so a
// medium cannot be re-skinned by swapping one picture.
namespace BackgroundSignature {

// Length of the appended digest (a SHA-1 result).
constexpr int digestLength = 20;

// Largest background file that is read at all; anything bigger is refused
// before it is loaded, so a hostile file cannot exhaust memory.
constexpr qint64 maximumFileSize = 64 * 1024 * 1024;

// SHA-1 of payload followed by the constant.
QByteArray digestFor(const QByteArray &payload);

// True when the last 20 bytes equal digestFor(the bytes before them).
// Content shorter than 20 bytes is never valid.
bool isValid(const QByteArray &content);

// Reads the file (up to maximumFileSize) and checks it. A missing, empty,
// unreadable, oversized or too short file is invalid.
bool verifyFile(const QString &path);

// payload followed by digestFor(payload).
QByteArray sign(const QByteArray &payload);

// Reads a whole file of at most maximumFileSize bytes into content.
// Returns false (leaving an explanation in error when given) otherwise.
bool readCapped(const QString &path, QByteArray &content, QString *error = nullptr);

} // namespace BackgroundSignature
