#include "common/Codec1251.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace cp1251 {
namespace {

// Characters of the bytes 0x80..0xBF; 0xC0..0xFF are А..я in order.
// 0x98 is unassigned in 1251 and kept as the C1 control U+0098 so that every
// byte survives a round trip.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t charOf(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return char16_t(0x0410 + (byte - 0xC0));
    return kHighHalf[byte - 0x80];
}

char byteOf(char16_t ch)
{
    if (ch < 0x80)
        return char(ch);
    if (ch >= 0x0410 && ch <= 0x044F)
        return char(0xC0 + (ch - 0x0410));
    for (std::size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == ch)
            return char(0x80 + i);
    return '?';
}

} // namespace

QString toUnicode(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char b : bytes)
        *out++ = QChar(charOf(static_cast<unsigned char>(b)));
    return text;
}

QByteArray fromUnicode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        // A surrogate pair is one character that 1251 cannot hold: one '?'.
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bytes.append(byteOf(ch.unicode()));
    }
    return bytes;
}

bool canEncode(const QString& text)
{
    return toUnicode(fromUnicode(text)) == text;
}

QString unencodable(const QString& text)
{
    QString lost;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!canEncode(character) && !lost.contains(character))
            lost += character;
        i += length - 1;
    }
    return lost;
}

QString decodeFileText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16); // the byte-order mark tells the order and is dropped
        return utf16.decode(bytes);
    }
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; }))
        return QString::fromLatin1(bytes);
    // Cyrillic in 1251 is almost never valid UTF-8, so a strict decode tells
    // the two apart.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? toUnicode(bytes) : decoded;
}

} // namespace cp1251
