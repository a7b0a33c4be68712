#include "net/UUProcessor.h"

#include <QBuffer>

namespace {

constexpr int kBlockSize = 45;
constexpr char kMimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

QByteArray mimeLine(const QByteArray& block)
{
    QByteArray line;
    for (qsizetype i = 0; i < block.size(); i += 3) {
        const qsizetype left = block.size() - i;
        const quint32 group = quint32(quint8(block[i])) << 16 | (left > 1 ? quint32(quint8(block[i + 1])) << 8 : 0)
            | (left > 2 ? quint32(quint8(block[i + 2])) : 0);
        line += kMimeAlphabet[(group >> 18) & 63];
        line += kMimeAlphabet[(group >> 12) & 63];
        line += left > 1 ? kMimeAlphabet[(group >> 6) & 63] : '=';
        line += left > 2 ? kMimeAlphabet[group & 63] : '=';
    }
    return line;
}

char uuChar(quint32 value)
{
    return value == 0 ? '`' : char(32 + value);
}

// A uuencode line: the length character, then 4 characters per 3 bytes.
QByteArray uuLine(const QByteArray& block)
{
    QByteArray line(1, uuChar(quint32(block.size())));
    for (qsizetype i = 0; i < block.size(); i += 3) {
        const qsizetype left = block.size() - i;
        const quint32 group = quint32(quint8(block[i])) << 16 | (left > 1 ? quint32(quint8(block[i + 1])) << 8 : 0)
            | (left > 2 ? quint32(quint8(block[i + 2])) : 0);
        for (int shift = 18; shift >= 0; shift -= 6)
            line += uuChar((group >> shift) & 63);
    }
    return line;
}

} // namespace

void TUUProcessor::Encode()
{
    if (OnBeginEncode)
        OnBeginEncode(this);
    if (InputStream && OutputStream) {
        InputStream->seek(0);
        for (;;) {
            const QByteArray block = InputStream->read(kBlockSize);
            if (block.isEmpty())
                break;
            OutputStream->write((Method == UUMethods::uuMime ? mimeLine(block) : uuLine(block)) + "\r\n");
        }
        if (Method == UUMethods::uuCode)
            OutputStream->write(QByteArray(1, uuChar(0)) + "\r\n");
        OutputStream->seek(0);
    }
    if (OnEndEncode)
        OnEndEncode(this);
}

QByteArray base64Line(const QByteArray& bytes)
{
    QBuffer input;
    input.setData(bytes);
    input.open(QIODevice::ReadOnly);
    QBuffer output;
    output.open(QIODevice::ReadWrite);
    TUUProcessor processor;
    processor.Method = UUMethods::uuMime;
    processor.InputStream = &input;
    processor.OutputStream = &output;
    processor.Encode();
    return output.readAll().replace("\r\n", "");
}
