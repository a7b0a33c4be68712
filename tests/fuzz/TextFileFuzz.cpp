// The text-line reader under every text file of the program, the file
// writer beside it, and the code page 1251 codec at the boundary to the
// windows. Lines never hold what ends them, reading always ends, and what
// is written reads back the same.

#include "FuzzSupport.h"

#include "common/Codec1251.h"
#include "common/TextFile.h"

#include <QList>

namespace {

QList<QByteArray> allLines(TextLineReader reader, qsizetype size)
{
    QList<QByteArray> lines;
    while (!reader.atEnd()) {
        lines << reader.readLine();
        FUZZ_REQUIRE(lines.size() <= size);   // every line moves the reader on
    }
    // Past the end: empty lines, no error.
    FUZZ_REQUIRE(reader.readLine().isEmpty());
    return lines;
}

void lineReader(const QByteArray& bytes)
{
    const QList<QByteArray> lines = allLines(TextLineReader(bytes), bytes.size());
    qsizetype taken = 0;
    bool lineFeedInside = false;
    for (const QByteArray& line : lines) {
        FUZZ_REQUIRE(!line.contains('\r'));
        FUZZ_REQUIRE(!line.contains('\x1a'));
        lineFeedInside = lineFeedInside || line.contains('\n');
        taken += line.size();
    }
    FUZZ_REQUIRE(taken <= bytes.size());

    // Written with CR LF, the lines read back as they were. Left out: a line
    // feed inside a line, which a reader of LF-only files takes for a line
    // end, and bytes that also form UTF-8 (see mayReadAsUtf8).
    QByteArray written;
    for (const QByteArray& line : lines)
        written += line + "\r\n";
    if (!lineFeedInside && !fuzz::mayReadAsUtf8(written))
        FUZZ_REQUIRE(allLines(TextLineReader(written), written.size()) == lines);

    // The same through a file.
    const QString path = fuzz::scratchFile(QStringLiteral("lines.txt"), {});
    FUZZ_REQUIRE(writeTextFile(path, lines));
    std::optional<TextLineReader> file = openTextFile(path);
    FUZZ_REQUIRE(file.has_value());
    if (!lineFeedInside && !fuzz::mayReadAsUtf8(written))
        FUZZ_REQUIRE(allLines(*file, written.size()) == lines);
}

void codec(const QByteArray& bytes)
{
    // Every byte is a character of its own and comes back as itself.
    const QString text = cp1251::toUnicode(bytes);
    FUZZ_REQUIRE(text.size() == bytes.size());
    FUZZ_REQUIRE(cp1251::fromUnicode(text) == bytes);

    // Any text encodes to at most one byte a UTF-16 unit, and what it
    // became encodes the same again.
    const QString any(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    const QByteArray encoded = cp1251::fromUnicode(any);
    FUZZ_REQUIRE(encoded.size() <= any.size());
    FUZZ_REQUIRE(cp1251::fromUnicode(cp1251::toUnicode(encoded)) == encoded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    lineReader(bytes);
    codec(bytes);
    return 0;
}
