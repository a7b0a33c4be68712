// The readers of the settings files: the font record (nstrfon.dan), the
// switches (nstrbol.dan), the last range (nstrint.dan) and the last files
// (nstrtxt.dan). Whatever a file holds, what is read makes sense, and what
// the program writes from it reads back the same.

#include "FuzzSupport.h"

#include "filling/RangeFile.h"
#include "general/LastFiles.h"
#include "settings/SettingsFiles.h"

#include <QFile>

namespace {

void fontRecord(const QByteArray& bytes)
{
    const QString path = fuzz::scratchFile(QStringLiteral("nstrfon.dan"), bytes);
    const FontRecord read = settingsFiles::readFont(path);
    FUZZ_REQUIRE(read == settingsFiles::decodeFont(bytes));
    // Only fields that lie wholly inside the file are taken.
    if (read.name) {
        FUZZ_REQUIRE(!read.name->isEmpty() && read.name->size() <= FontRecord::kNameLimit);
        FUZZ_REQUIRE(!read.name->contains('\0'));
        FUZZ_REQUIRE(1 + read.name->size() <= bytes.size());
    }
    if (read.pointSize)
        FUZZ_REQUIRE(*read.pointSize >= 1 && bytes.size() >= 258);
    if (read.color) {
        const quint32 kind = *read.color >> 24;
        FUZZ_REQUIRE(kind == 0 || kind == FontRecord::kSystemColorTag);
        FUZZ_REQUIRE(bytes.size() >= 264);
    }
    if (read.style)
        FUZZ_REQUIRE((*read.style & ~FontRecord::kStyleMask) == 0 && bytes.size() >= 265);

    // Saved again, the record is 268 bytes and reads back with the same fields.
    const QByteArray written = settingsFiles::encodeFont(read);
    FUZZ_REQUIRE(written.size() == FontRecord::kSize);
    const FontRecord again = settingsFiles::decodeFont(written);
    FUZZ_REQUIRE(again.name == read.name);
    if (read.pointSize)
        FUZZ_REQUIRE(again.pointSize == read.pointSize);
    if (read.color)
        FUZZ_REQUIRE(again.color == read.color);
    if (read.style)
        FUZZ_REQUIRE(again.style == read.style);
}

void switches(const QByteArray& bytes)
{
    const Switches read = settingsFiles::readSwitches(fuzz::scratchFile(QStringLiteral("nstrbol.dan"), bytes));
    FUZZ_REQUIRE(read.startWindow.has_value() == (bytes.size() >= 1));
    FUZZ_REQUIRE(read.excelSave.has_value() == (bytes.size() >= 2));
    if (bytes.size() >= 2) {
        const QByteArray written = settingsFiles::encodeSwitches(*read.startWindow, *read.excelSave);
        FUZZ_REQUIRE(written.size() == 2);
        FUZZ_REQUIRE(settingsFiles::decodeSwitches(written) == read);
    }
}

void range(const QByteArray& bytes)
{
    const RangeFileRead read = readRangeFile(fuzz::scratchFile(QStringLiteral("nstrint.dan"), bytes));
    FUZZ_REQUIRE(read.records.size() == std::min<qsizetype>(bytes.size() / 4, 5));
    FUZZ_REQUIRE(read.error.isEmpty() == (read.records.size() == 5));
    if (read.records.size() < 5)
        return;
    const RangeRecords records{read.records[0], read.records[1], read.records[2], read.records[3], read.records[4]};
    const QString path = fuzz::scratchFile(QStringLiteral("nstrint-again.dan"), {});
    writeRangeFile(path, records);
    const RangeFileRead again = readRangeFile(path);
    FUZZ_REQUIRE(again.error.isEmpty());
    FUZZ_REQUIRE(again.records == read.records);
}

void lastFiles(const QByteArray& bytes)
{
    const LastFiles read = LastFiles::read(fuzz::scratchFile(QStringLiteral("nstrtxt.dan"), bytes));
    for (const QString* name : {&read.listFile, &read.templateFile})
        FUZZ_REQUIRE(!name->contains(QLatin1Char('\r')) && !name->contains(QChar(0x1a)));
    const QString path = fuzz::scratchFile(QStringLiteral("nstrtxt-again.dan"), {});
    if (!read.write(path))
        return;   // a name the file cannot hold is not written
    QFile written(path);
    FUZZ_REQUIRE(written.open(QIODevice::ReadOnly));
    if (fuzz::mayReadAsUtf8(written.readAll()))
        return;
    const LastFiles again = LastFiles::read(path);
    FUZZ_REQUIRE(again.listFile == read.listFile);
    FUZZ_REQUIRE(again.templateFile == read.templateFile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    fontRecord(bytes);
    switches(bytes);
    range(bytes);
    lastFiles(bytes);
    return 0;
}
