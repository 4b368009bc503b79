#pragma once

#include <QByteArray>
#include <QString>

// File names and arguments on Linux are bytes, not always valid UTF-8. Text
// that came from such bytes keeps each byte that is not part of a valid
// UTF-8 sequence as the lone surrogate U+DC80 + (byte - 0x80), which no valid
// UTF-8 text contains; encodeText gives the same bytes back.
namespace Platform {

QString decodeText(const QByteArray &bytes);
QByteArray encodeText(const QString &text);

} // namespace Platform
