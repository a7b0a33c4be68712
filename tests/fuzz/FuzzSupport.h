#pragma once

// Shared by the libFuzzer targets. Each target checks invariants of its
// readers, not only that they do not crash; a broken invariant aborts, and
// libFuzzer keeps the input that broke it.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                                  \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace fuzz {

inline QByteArray input(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Writes the bytes to a file of this process's scratch folder and returns
// its path. The readers under test take file names.
QString scratchFile(const QString& name, const QByteArray& bytes);

// Text files are code page 1251, but a reader may take a file that is valid
// UTF-8 (and not plain ASCII) for UTF-8, as editors write it. Such bytes
// read back as something else by design, so a round trip holds only for
// bytes that are not.
bool mayReadAsUtf8(const QByteArray& bytes);

// The Russian locale, whose decimal separator the amount tools use.
void useRussianLocale();

} // namespace fuzz
