#include "filling/office/kept/KeptTemplate.h"

#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeDocument.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/OfficeFaults.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <com/sun/star/util/XSearchable.hpp>

using namespace css;

namespace office::lo {

namespace {

// How often any of the texts occurs: in a text document, the matches of its
// search; in a workbook, the cells holding any on every sheet.
sal_Int32 occurrences(RunMemory& memory, const uno::Reference<lang::XComponent>& document, const QStringList& texts)
{
    const QString pattern = anyOfLiterally(texts);
    uno::Reference<sheet::XSpreadsheetDocument> book(document, uno::UNO_QUERY);
    if (!book.is()) {
        uno::Reference<util::XSearchable> searchable(document, uno::UNO_QUERY_THROW);
        const auto found = searchable->findAll(
            memory.textSearch.set([&] { return searchable->createSearchDescriptor(); }, {pattern, true}));
        return found.is() ? found->getCount() : 0;
    }
    sal_Int32 cells = 0;
    uno::Reference<container::XIndexAccess> sheets(book->getSheets(), uno::UNO_QUERY_THROW);
    for (sal_Int32 n = 0, count = sheets->getCount(); n < count; ++n) {
        uno::Reference<util::XSearchable> sheet(sheets->getByIndex(n), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XSheetCellRanges> found(
            sheet->findAll(memory.cellSearch.set([&] { return sheet->createSearchDescriptor(); }, {pattern, true})),
            uno::UNO_QUERY);
        if (!found.is())
            continue;
        for (const auto& r : found->getRangeAddresses())
            cells += (r.EndColumn - r.StartColumn + 1) * (r.EndRow - r.StartRow + 1);
    }
    return cells;
}

// The rows a filling may add or remove, and where they would show: in a text
// document each table's rows and the text of each of its cells, in a
// workbook the extent of what each sheet holds.
QStringList tablesAndSheets(const uno::Reference<lang::XComponent>& document)
{
    QStringList shape;
    uno::Reference<sheet::XSpreadsheetDocument> book(document, uno::UNO_QUERY);
    if (book.is()) {
        uno::Reference<container::XIndexAccess> sheets(book->getSheets(), uno::UNO_QUERY_THROW);
        for (sal_Int32 n = 0, count = sheets->getCount(); n < count; ++n) {
            uno::Reference<sheet::XSpreadsheet> sheet(sheets->getByIndex(n), uno::UNO_QUERY_THROW);
            const auto cursor = sheet->createCursor();
            uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
            const auto end =
                uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
            shape << QStringLiteral("%1:%2:%3").arg(n).arg(end.EndColumn).arg(end.EndRow);
        }
        return shape;
    }
    uno::Reference<text::XTextTablesSupplier> supplier(document, uno::UNO_QUERY);
    if (!supplier.is())
        return shape;
    uno::Reference<container::XIndexAccess> tables(supplier->getTextTables(), uno::UNO_QUERY_THROW);
    for (sal_Int32 n = 0, count = tables->getCount(); n < count; ++n) {
        uno::Reference<text::XTextTable> table(tables->getByIndex(n), uno::UNO_QUERY_THROW);
        shape << QString::number(table->getRows()->getCount());
        // All the cells at once where the table is a plain grid; one by one
        // where cells are split or merged.
        uno::Reference<sheet::XCellRangeData> grid(table, uno::UNO_QUERY);
        try {
            if (grid.is()) {
                for (const auto& row : grid->getDataArray())
                    for (const uno::Any& cell : row) {
                        rtl::OUString text;
                        cell >>= text;
                        shape << toQString(text);
                    }
                continue;
            }
        } catch (const uno::RuntimeException&) {
            // Too complex a table for a grid; an office gone fails the next call.
        }
        for (const rtl::OUString& name : table->getCellNames())
            shape << toQString(
                uno::Reference<text::XText>(table->getCellByName(name), uno::UNO_QUERY_THROW)->getString());
    }
    return shape;
}

// The document's undo, emptied and recording what comes as one step.
uno::Reference<document::XUndoManager> recordOneStep(const uno::Reference<lang::XComponent>& document)
{
    auto undo = uno::Reference<document::XUndoManagerSupplier>(document, uno::UNO_QUERY_THROW)->getUndoManager();
    undo->clear();
    undo->enterUndoContext("Kvilmar");
    return undo;
}

} // namespace

bool KeptTemplate::inSameOffice() const
{
    // The proxy of a desktop stands for its office (as for KeptDescriptor).
    return kept_ && kept_->office.get() == Connection::instance().lastDesktop().get();
}

uno::Reference<lang::XComponent> KeptTemplate::take(const FileVersion& file)
{
    if (!kept_ || !inSameOffice() || !(kept_->file == file) || kept_->texts != texts_ || kept_->rows != rows_) {
        close();
        return {};
    }
    try {
        callOffice(QString(), [&] { kept_->undo = recordOneStep(kept_->document); });
    } catch (...) {
        // Opened anew, in an office started anew if need be.
        close();
        return {};
    }
    return kept_->document;
}

void KeptTemplate::opened(const uno::Reference<lang::XComponent>& document, const FileVersion& file)
{
    close();
    if (texts_.isEmpty())
        return;
    Kept kept{document, {}, file, texts_, 0, {}, rows_, {}, Connection::instance().lastDesktop()};
    callOffice(QStringLiteral("Не удается прочитать документ"), [&] {
        kept.held = occurrences(memory_, document, texts_);
        kept.marks = bookmarkTexts(document);
        if (rows_)
            kept.tables = tablesAndSheets(document);
        kept.undo = recordOneStep(document);
    });
    kept_ = std::move(kept);
}

bool KeptTemplate::keep(const uno::Reference<lang::XComponent>& document, bool undoable) noexcept
{
    if (!kept_ || kept_->document != document) {
        close();
        return false;
    }
    bool same = false;
    try {
        reachStep(OfficeStep::Keep);
        callOffice(QStringLiteral("Не удается вернуть шаблон к исходному виду"), [&] {
            const auto& undo = kept_->undo;
            undo->leaveUndoContext();
            // Nothing to undo: nothing was replaced, or the office keeps no
            // undo steps. The document is not trusted either way.
            if (undoable && undo->isUndoPossible()) {
                undo->undo();
                // A filling makes no bookmarks, and one that failed is not kept.
                same = !undo->isUndoPossible() && occurrences(memory_, document, kept_->texts) == kept_->held
                    && (kept_->marks.empty() || bookmarkTexts(document) == kept_->marks)
                    && (!kept_->rows || tablesAndSheets(document) == kept_->tables);
            }
        });
    } catch (...) {
        // The office went away, or hung and was cut off, and the document
        // with it.
        same = false;
    }
    if (!same)
        forget();
    return same;
}

void KeptTemplate::close() noexcept
{
    if (inSameOffice())
        closeDocument(kept_->document);
    kept_.reset();
}

uno::Reference<lang::XComponent>
openForFilling(KeptTemplate* kept, const QString& fileName, const FileVersion& file, bool plainTextIfAsked,
               const QString& kind, const std::function<bool(const uno::Reference<lang::XComponent>&)>& isKind)
{
    if (kept) {
        if (auto document = kept->take(file); document.is())
            return document;
    }
    auto document = loadAsNewDocument(fileName, plainTextIfAsked);
    requireKind(document, fileName, kind, [&] { return isKind(document); });
    // The copy is a document of its own: it records nothing of what the
    // filling does.
    try {
        stopRecordingChanges(document);
        if (kept)
            kept->opened(document, file);
    } catch (...) {
        closeDocument(document);
        throw;
    }
    return document;
}

} // namespace office::lo
