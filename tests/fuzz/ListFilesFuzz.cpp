// The readers of identifier lists: list files (.fdp), plain identifier
// files and replacement list files, and the list store that takes what
// they read. Limits hold whatever a file holds, a reader gives all or
// nothing, and a list the program writes reads back the same.

#include "FuzzSupport.h"

#include "general/IdentifierList.h"
#include "general/ListFile.h"

namespace {

void requireWithinLimits(const QList<IdentifierRecord>& records, int limit)
{
    FUZZ_REQUIRE(records.size() <= limit);
    for (const IdentifierRecord& r : records) {
        FUZZ_REQUIRE(r.identifier.size() <= IdentifierList::kIdentifierLimit);
        FUZZ_REQUIRE(r.comment.size() <= IdentifierList::kCommentLimit);
        FUZZ_REQUIRE(r.status);
        // A line never holds the line end or the end-of-file byte that cut it.
        for (const QString* text : {&r.identifier, &r.comment, &r.replacement}) {
            FUZZ_REQUIRE(!text->contains(QLatin1Char('\r')));
            FUZZ_REQUIRE(!text->contains(QChar(0x1a)));
        }
    }
}

// The store takes the records whole: count, lines of 91 characters, no
// current record, nothing pending, nothing to save.
void requireTakenOver(const QList<IdentifierRecord>& records)
{
    static IdentifierList list;
    list.setCurrent(3);
    list.setEditPending(true);
    list.takeOver(records);
    FUZZ_REQUIRE(list.count() == records.size());
    FUZZ_REQUIRE(list.records() == records);
    for (int i = 0; i < list.count(); ++i)
        FUZZ_REQUIRE(list.listLine(i).size() == IdentifierList::kLineLength);
    FUZZ_REQUIRE(!list.hasCurrent());
    FUZZ_REQUIRE(!list.editPending());
    FUZZ_REQUIRE(!list.isChanged());
}

void listFiles(const QByteArray& bytes)
{
    const QString path = fuzz::scratchFile(QStringLiteral("input.fdp"), bytes);
    const std::optional<QList<IdentifierRecord>> kept = listFile::readListFile(path, true);
    const std::optional<QList<IdentifierRecord>> skipped = listFile::readListFile(path, false);
    FUZZ_REQUIRE(kept.has_value() == skipped.has_value());
    FUZZ_REQUIRE(listFile::readAnyListFile(path, true) == kept);
    if (!kept)
        return;
    FUZZ_REQUIRE(!kept->isEmpty());
    requireWithinLimits(*kept, IdentifierList::kSlots);
    requireWithinLimits(*skipped, IdentifierList::kSlots);
    FUZZ_REQUIRE(kept->size() == skipped->size());
    for (qsizetype i = 0; i < kept->size(); ++i) {
        FUZZ_REQUIRE(skipped->at(i).replacement.isEmpty());
        FUZZ_REQUIRE(skipped->at(i).identifier == kept->at(i).identifier);
        FUZZ_REQUIRE(skipped->at(i).comment == kept->at(i).comment);
    }
    requireTakenOver(*kept);

    // What the program writes reads back the same, with or without the
    // replacement texts, unless the save first said what 1251 lacks.
    for (const bool withReplacements : {true, false}) {
        const QByteArray written = listFile::listFileContent(*kept, withReplacements);
        if (fuzz::mayReadAsUtf8(written) || !listFile::encodingLosses(*kept, withReplacements).isEmpty())
            continue;
        const std::optional<QList<IdentifierRecord>> again =
            listFile::readListFile(fuzz::scratchFile(QStringLiteral("again.fdp"), written), true);
        FUZZ_REQUIRE(again.has_value());
        FUZZ_REQUIRE(again == (withReplacements ? *kept : *skipped));
    }
}

void plainFiles(const QByteArray& bytes)
{
    const QString path = fuzz::scratchFile(QStringLiteral("input.txt"), bytes);
    const std::optional<QList<IdentifierRecord>> plain = listFile::readPlainIdentifierFile(path);
    FUZZ_REQUIRE(plain.has_value());
    FUZZ_REQUIRE(listFile::readAnyListFile(path, true) == plain);
    requireWithinLimits(*plain, listFile::kPlainFileLimit);
    for (const IdentifierRecord& r : *plain) {
        FUZZ_REQUIRE(!r.identifier.isEmpty());
        FUZZ_REQUIRE(r.comment.isEmpty() && r.replacement.isEmpty());
    }
    requireTakenOver(*plain);

    const int count = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes.at(0)) % (IdentifierList::kSlots + 1);
    const std::optional<QStringList> texts = listFile::readReplacementListFile(path, count);
    FUZZ_REQUIRE(texts.has_value());
    FUZZ_REQUIRE(texts->size() <= count);
    for (const QString& text : *texts)
        FUZZ_REQUIRE(!text.contains(QLatin1Char('\r')) && !text.contains(QChar(0x1a)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    listFiles(bytes);
    plainFiles(bytes);
    return 0;
}
