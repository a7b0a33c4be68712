#pragma once

#include <QString>

// Most document formats (.docx, .xlsx, .odt, .ods …) are zip archives,
// which the office unpacks into memory. A small file can unpack into
// gigabytes and take the machine down with the office, so a packed file is
// unpacked here first, into nothing, counting what comes out: the sizes the
// archive claims are not trusted.
namespace filling {

// What a packed file may unpack to: no more than kUnpackedLimit in all, and
// above kRatioFloor no more than kPackingRatio times its own size.
constexpr qint64 kUnpackedLimit = 512LL * 1024 * 1024;
constexpr qint64 kRatioFloor = 64LL * 1024 * 1024;
constexpr qint64 kPackingRatio = 100;

// Why the packed file is not to be given to the office, as a clause
// ("распакованный, он больше 512 МБ"); empty for a file within the limits,
// a file that is not packed, and one that cannot be read as an archive (the
// office says what it makes of that).
QString overpacked(const QString& fileName);

} // namespace filling
