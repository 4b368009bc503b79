#include "textbytes.h"

namespace Platform {

namespace {

constexpr char32_t escapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at position, or 0.
int validSequence(const QByteArray &bytes, int position, char32_t &codePoint)
{
    const auto at = [&](int i) { return uchar(bytes.at(i)); };
    const uchar lead = at(position);
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80)
        return codePoint = lead, 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (position + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const uchar next = at(position + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return length;
}

void appendUtf8(QByteArray &out, char32_t value)
{
    if (value < 0x80) {
        out.append(char(value));
    } else if (value < 0x800) {
        out.append(char(0xC0 | (value >> 6)));
        out.append(char(0x80 | (value & 0x3F)));
    } else if (value < 0x10000) {
        out.append(char(0xE0 | (value >> 12)));
        out.append(char(0x80 | ((value >> 6) & 0x3F)));
        out.append(char(0x80 | (value & 0x3F)));
    } else {
        out.append(char(0xF0 | (value >> 18)));
        out.append(char(0x80 | ((value >> 12) & 0x3F)));
        out.append(char(0x80 | ((value >> 6) & 0x3F)));
        out.append(char(0x80 | (value & 0x3F)));
    }
}

} // namespace

QString decodeText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (int i = 0; i < bytes.size();) {
        char32_t value = 0;
        const int length = validSequence(bytes, i, value);
        if (length == 0) {
            text.append(QChar(ushort(escapeBase + uchar(bytes.at(i)))));
            ++i;
            continue;
        }
        if (value >= 0x10000) {
            text.append(QChar(QChar::highSurrogate(uint(value))));
            text.append(QChar(QChar::lowSurrogate(uint(value))));
        } else {
            text.append(QChar(ushort(value)));
        }
        i += length;
    }
    return text;
}

QByteArray encodeText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const ushort unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()));
            ++i;
        } else if (unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF) {
            out.append(char(unit - escapeBase));
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

} // namespace Platform
