#include "filling/PackedFile.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace filling {

namespace {

constexpr quint32 kPartSignature = 0x04034b50; // "PK\3\4": a packed part follows
constexpr quint32 kListedSignature = 0x02014b50; // a part as the directory lists it
constexpr quint32 kEndSignature = 0x06054b50; // the end of the directory
constexpr quint32 kDescriptorSignature = 0x08074b50; // the sizes of a part, after it
constexpr qint64 kPartHeader = 30;
constexpr qint64 kListedHeader = 46;
constexpr qint64 kEndRecord = 22;
constexpr quint16 kStored = 0;
constexpr quint16 kDeflated = 8;
constexpr quint16 kSizesAfter = 0x08; // flag: the sizes follow the data
constexpr quint32 kUnknown = 0xFFFFFFFF; // a size or place kept elsewhere (zip64)
// More parts than any document has; each costs the office something.
constexpr int kMaxParts = 65535;
constexpr qint64 kPiece = 64 * 1024;

quint32 little(const QByteArray& bytes, qint64 at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uchar>(bytes[at + i]);
    return value;
}

// A part of the archive: where its header is, and what the directory says
// it takes in the file (kUnknown when it does not say).
struct Part {
    qint64 at;
    quint32 packed;
};

// Counts what the archive unpacks to, part by part, until the count passes
// a limit. The parts are those the directory at the end lists, as the
// office reads them (one place listed twice counts twice), or, without a
// directory, those that follow one another from the start; only where each
// begins is taken from the archive, what each holds is unpacked and counted.
class Unpacking {
public:
    explicit Unpacking(QFile& file) : file_(file) {}

    // What the parts unpack to, or a number above `limit` once the count
    // passes it; -1 when the file is no archive this can read.
    qint64 count(qint64 limit)
    {
        const std::optional<std::vector<Part>> listed = directory();
        if (!listed)
            return inSequence(limit);
        qint64 total = 0;
        for (const Part& part : *listed) {
            total += unpacked(part, limit - total);
            if (total > limit)
                return total;
        }
        return total;
    }

private:
    std::optional<std::vector<Part>> directory()
    {
        // The end record, with a comment of up to 64 KB after it.
        const qint64 size = file_.size();
        const qint64 from = std::max<qint64>(0, size - kEndRecord - 0xFFFF);
        if (size < kEndRecord || !file_.seek(from))
            return std::nullopt;
        const QByteArray tail = file_.read(size - from);
        qint64 end = tail.size() - kEndRecord;
        while (end >= 0 && little(tail, end, 4) != kEndSignature)
            --end;
        if (end < 0)
            return std::nullopt;
        const quint32 count = little(tail, end + 10, 2);
        const quint32 start = little(tail, end + 16, 4);
        if (start == kUnknown || !file_.seek(start))
            return std::nullopt;
        std::vector<Part> parts;
        qint64 at = start;
        for (quint32 i = 0; i < count; ++i) {
            if (!file_.seek(at))
                return std::nullopt;
            const QByteArray header = file_.read(kListedHeader);
            if (header.size() < kListedHeader || little(header, 0, 4) != kListedSignature)
                return std::nullopt;
            parts.push_back({little(header, 42, 4), little(header, 20, 4)});
            at += kListedHeader + little(header, 28, 2) + little(header, 30, 2) + little(header, 32, 2);
        }
        return parts;
    }

    // Without a directory: one part after another from the start.
    qint64 inSequence(qint64 limit)
    {
        qint64 at = 0;
        qint64 total = 0;
        for (int part = 0; part < kMaxParts; ++part) {
            const std::optional<QByteArray> header = partHeader(at);
            if (!header)
                return part == 0 ? -1 : total;
            const quint16 flags = static_cast<quint16>(little(*header, 6, 2));
            qint64 used = -1;
            // The sizes that follow the data are not known before it.
            total += unpacked({at, (flags & kSizesAfter) ? kUnknown : little(*header, 18, 4)}, limit - total, &used);
            if (total > limit)
                return total;
            if (used < 0)
                return total; // where the next part begins is not known
            at = dataOf(at, *header) + used;
            if (flags & kSizesAfter)
                at = afterSizes(at);
        }
        return limit + 1;
    }

    std::optional<QByteArray> partHeader(qint64 at)
    {
        if (at < 0 || !file_.seek(at))
            return std::nullopt;
        QByteArray header = file_.read(kPartHeader);
        if (header.size() < kPartHeader || little(header, 0, 4) != kPartSignature)
            return std::nullopt;
        return header;
    }

    static qint64 dataOf(qint64 at, const QByteArray& header)
    {
        return at + kPartHeader + little(header, 26, 2) + little(header, 28, 2);
    }

    // What the part unpacks to, counted up to a little past `room`; `used`
    // gets the bytes of the file its data takes, when that is known.
    qint64 unpacked(const Part& part, qint64 room, qint64* used = nullptr)
    {
        const std::optional<QByteArray> header = partHeader(part.at);
        if (!header)
            return 0;
        const quint16 method = static_cast<quint16>(little(*header, 8, 2));
        const qint64 data = dataOf(part.at, *header);
        if (method == kDeflated)
            return inflated(data, room, used);
        // Stored as it is, a part takes what it takes in the file, and no
        // more than the rest of it; one packed in a way the office does not
        // read is not unpacked.
        const quint16 flags = static_cast<quint16>(little(*header, 6, 2));
        quint32 packed = little(*header, 18, 4);
        if ((flags & kSizesAfter) || packed == kUnknown)
            packed = part.packed;
        const qint64 rest = std::max<qint64>(0, file_.size() - data);
        if (used && packed != kUnknown)
            *used = packed;
        if (method != kStored)
            return 0;
        return packed == kUnknown ? rest : std::min<qint64>(packed, rest);
    }

    // Unpacks deflated data into nothing: what comes out, up to a piece
    // past `room` or the data's end or damage.
    qint64 inflated(qint64 from, qint64 room, qint64* used)
    {
        if (!file_.seek(from))
            return 0;
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return 0;
        std::array<Bytef, kPiece> out{};
        QByteArray in;
        qint64 made = 0;
        int status = Z_OK;
        while (status == Z_OK && made <= room) {
            if (stream.avail_in == 0) {
                in = file_.read(kPiece);
                if (in.isEmpty())
                    break;
                stream.next_in = reinterpret_cast<Bytef*>(in.data());
                stream.avail_in = static_cast<uInt>(in.size());
            }
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = inflate(&stream, Z_NO_FLUSH);
            made += static_cast<qint64>(out.size() - stream.avail_out);
        }
        if (used && status == Z_STREAM_END)
            *used = static_cast<qint64>(stream.total_in);
        inflateEnd(&stream);
        return made;
    }

    // Where the next part begins after the sizes that follow a part's data:
    // with or without their signature, in 32 or 64 bits.
    qint64 afterSizes(qint64 at)
    {
        if (!file_.seek(at))
            return -1;
        const QByteArray bytes = file_.read(28);
        const qint64 start = bytes.size() >= 4 && little(bytes, 0, 4) == kDescriptorSignature ? 4 : 0;
        for (const qint64 sizes : {12, 20}) {
            if (bytes.size() >= start + sizes + 4 && little(bytes, start + sizes, 4) == kPartSignature)
                return at + start + sizes;
        }
        return at + start + 12;
    }

    QFile& file_;
};

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + 512 * 1024) / (1024 * 1024));
}

} // namespace

QString overpacked(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.peek(4) != QByteArray("PK\x03\x04", 4))
        return {};
    const qint64 size = file.size();
    const qint64 limit = std::min(kUnpackedLimit, std::max(kRatioFloor, size * kPackingRatio));
    if (Unpacking(file).count(limit) <= limit)
        return {};
    if (limit == kUnpackedLimit)
        return QStringLiteral("это архив, и распакованный он больше %1 МБ").arg(megabytes(kUnpackedLimit));
    return QStringLiteral("это архив, сжатый больше чем в %1 раз: распакованный он больше %2 МБ при %3 КБ в файле")
        .arg(kPackingRatio)
        .arg(megabytes(limit))
        .arg((size + 1023) / 1024);
}

} // namespace filling
