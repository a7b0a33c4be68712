#include "filling/office/calc/LibreOfficeCalc.h"

#include "filling/office/calc/CalcItemRows.h"

#include "common/FileVersion.h"
#include "common/KvilmarError.h"
#include "filling/office/OfficeError.h"
#include "filling/office/calc/LibreOfficeCalcCells.h"
#include "filling/office/calc/LibreOfficeCalcPlaces.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeDocument.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"
#include "filling/office/kept/KeptTemplate.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/text/UnoPropertyTexts.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include <algorithm>
#include <exception>
#include <map>
#include <numeric>

using namespace css;

namespace office::lo {

// What the filling of one workbook keeps for all the objects that fill it.
struct WorkbookFilling {
    std::shared_ptr<RunMemory> memory; // the run's
    uno::Reference<lang::XComponent> document;
    WorkbookPlaces places;
    PropertyTexts properties;
    std::optional<sal_Int32> textFormat;
    QList<LongCellText> longTexts; // what the finished replaces made

    sal_Int32 textFormatNow()
    {
        if (!textFormat)
            textFormat = textFormatOf(document);
        return *textFormat;
    }
};

bool CalcApplication::Workbook::onlySearchReplaced() const
{
    return !filling || (!filling->places.changed() && !filling->properties.changed());
}

namespace {

using Shared = std::shared_ptr<CalcApplication::Shared>;
using SheetKey = std::pair<int, sal_Int32>; // workbook number, sheet index

// The sheet a range lies on, and its workbook's filling.
struct SheetOf {
    uno::Reference<table::XCellRange> cells;
    std::shared_ptr<WorkbookFilling> book;
};

// Inside a cell a line break is a line feed.
QString cellText(const QString& text)
{
    QString out = text;
    return out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// Which of the texts (their indexes in `wanted`) the cells hold; found ones
// are taken out of `wanted`.
void findIn(KeptDescriptor& descriptor, const uno::Reference<util::XSearchable>& where, const QStringList& texts,
            QList<int>& wanted, QList<bool>& found)
{
    QStringList remaining;
    for (int i : wanted)
        remaining << cellText(texts[i]);
    const auto make = [&] { return where->createSearchDescriptor(); };
    uno::Reference<util::XSearchable> cells(where->findAll(descriptor.set(make, {anyOfLiterally(remaining), true})),
                                            uno::UNO_QUERY);
    if (!cells.is())
        return;
    // Only the few cells holding any of them are searched for each one.
    for (auto it = wanted.begin(); it != wanted.end();) {
        if (cells->findFirst(descriptor.set(make, {cellText(texts[*it])})).is()) {
            found[*it] = true;
            it = wanted.erase(it);
        } else {
            ++it;
        }
    }
}

// The cells of the sheet outside the block; empty when there are none.
uno::Reference<util::XSearchable> outsideOf(const uno::Reference<lang::XComponent>& document,
                                            const uno::Reference<uno::XInterface>& sheet,
                                            const table::CellRangeAddress& b)
{
    std::vector<table::CellRangeAddress> parts;
    const table::CellRangeAddress all =
        uno::Reference<sheet::XCellRangeAddressable>(sheet, uno::UNO_QUERY_THROW)->getRangeAddress();
    // Above and below the block, then left and right of it.
    if (b.StartRow > all.StartRow)
        parts.emplace_back(all.Sheet, all.StartColumn, all.StartRow, all.EndColumn, b.StartRow - 1);
    if (b.EndRow < all.EndRow)
        parts.emplace_back(all.Sheet, all.StartColumn, b.EndRow + 1, all.EndColumn, all.EndRow);
    if (b.StartColumn > all.StartColumn)
        parts.emplace_back(all.Sheet, all.StartColumn, b.StartRow, b.StartColumn - 1, b.EndRow);
    if (b.EndColumn < all.EndColumn)
        parts.emplace_back(all.Sheet, b.EndColumn + 1, b.StartRow, all.EndColumn, b.EndRow);
    if (parts.empty())
        return {};
    uno::Reference<sheet::XSheetCellRangeContainer> ranges(
        uno::Reference<lang::XMultiServiceFactory>(document, uno::UNO_QUERY_THROW)
            ->createInstance("com.sun.star.sheet.SheetCellRanges"),
        uno::UNO_QUERY_THROW);
    ranges->addRangeAddresses(
        uno::Sequence<table::CellRangeAddress>(parts.data(), static_cast<sal_Int32>(parts.size())), false);
    return uno::Reference<util::XSearchable>(ranges, uno::UNO_QUERY_THROW);
}

// A block of a sheet, or the cells of one that a search found (none when it
// found none): what the replaces act on. Kept for all the replaces of a
// sheet, it keeps the cells' texts from the first replace until
// finishReplacing.
class CalcRange final : public ExcelRange {
public:
    CalcRange(uno::Reference<uno::XInterface> cells, SheetKey key, bool found, Shared shared, SheetOf sheet,
              std::optional<table::CellRangeAddress> block = std::nullopt)
        : cells_(std::move(cells)), key_(key), found_(found), shared_(std::move(shared)), sheet_(std::move(sheet)),
          block_(block)
    {
    }

    std::shared_ptr<ExcelRange> range(const QString& text) override
    {
        uno::Reference<uno::XInterface> block;
        callOffice(QStringLiteral("Диапазон \"%1\" не принят").arg(text), [&] {
            uno::Reference<table::XCellRange> cells(cells_, uno::UNO_QUERY);
            if (found_ || !cells.is())
                throw KvilmarError(QStringLiteral("Диапазон \"%1\" не принят: это не блок листа.").arg(text));
            block.set(cells->getCellRangeByName(toOUString(text)).get());
        });
        return std::make_shared<CalcRange>(block, key_, false, shared_, sheet_);
    }

    void replace(const QString& what, const QString& replacement) override
    {
        if (what.isEmpty())
            return;
        forgetSearchUnlessMine();
        reachStep(OfficeStep::Replace);
        callOffice(QStringLiteral("Не удается заменить текст"), [&] {
            if (cells_.is()) {
                if (!cellReplacing_)
                    cellReplacing_.emplace(cells_, sheet_.cells, sheet_.book->document, sheet_.book->textFormatNow(),
                                           sheet_.book->memory->cellSearch);
                cellReplacing_->replace(cellText(what), cellText(replacement));
            }
            sheet_.book->places.replace(key_.second, block(), what, replacement);
            sheet_.book->properties.replace(what, replacement);
        });
    }

    void finishReplacing() override
    {
        if (!cellReplacing_)
            return;
        callOffice(QStringLiteral("Не удается заменить текст"), [&] { cellReplacing_->finish(); });
        sheet_.book->longTexts += cellReplacing_->longTexts();
    }

    std::shared_ptr<ExcelRange> cellsHoldingAny(const QStringList& texts) override
    {
        QStringList wanted;
        for (const QString& text : texts) {
            if (!text.isEmpty())
                wanted << cellText(text);
        }
        if (!cells_.is() || wanted.isEmpty())
            return std::make_shared<CalcRange>(nullptr, key_, true, shared_, sheet_, block_);
        uno::Reference<uno::XInterface> found;
        callOffice(QStringLiteral("Не удается найти текст"), [&] {
            uno::Reference<util::XSearchable> searchable(cells_, uno::UNO_QUERY_THROW);
            // The office's own matching, so case folding, formulas and
            // numbers count as they count for replace.
            found = searchable->findAll(sheet_.book->memory->cellSearch.set(
                [&] { return searchable->createSearchDescriptor(); }, {anyOfLiterally(wanted), true}));
            block(); // where it searched, for later searches and for the comments filled
        });
        // Found cells searched again tell nothing new about the block.
        if (!found_)
            shared_->searched[key_] = {*block_, wanted, found};
        return std::make_shared<CalcRange>(found, key_, true, shared_, sheet_, block_);
    }

private:
    // A replace anywhere but in the cells the sheet's last search found may
    // bring the texts elsewhere into the block: that search tells no more.
    void forgetSearchUnlessMine()
    {
        auto it = shared_->searched.find(key_);
        if (it != shared_->searched.end() && !(found_ && it->second.found == cells_))
            shared_->searched.erase(it);
    }

    // The block the cells are, or were found in.
    const table::CellRangeAddress& block()
    {
        if (!block_)
            block_ = uno::Reference<sheet::XCellRangeAddressable>(cells_, uno::UNO_QUERY_THROW)->getRangeAddress();
        return *block_;
    }

    uno::Reference<uno::XInterface> cells_;
    SheetKey key_;
    bool found_;
    Shared shared_;
    SheetOf sheet_;
    std::optional<table::CellRangeAddress> block_;
    std::optional<CellReplacing> cellReplacing_;
};

class CalcWorksheet final : public ExcelWorksheet {
public:
    CalcWorksheet(SheetOf sheet, SheetKey key, Shared shared)
        : sheet_(std::move(sheet)), key_(key), shared_(std::move(shared))
    {
    }
    // The columns of a sheet start at its first cell, so a block named
    // within them is the block of the sheet.
    std::shared_ptr<ExcelRange> Columns() override
    {
        return std::make_shared<CalcRange>(uno::Reference<uno::XInterface>(sheet_.cells.get()), key_, false, shared_,
                                           sheet_);
    }
    QList<int> rowsHoldingAny(const QString& rangeText, const QStringList& texts) override
    {
        QStringList inCells;
        for (const QString& text : texts)
            inCells << cellText(text);
        const QList<int> rows = lo::rowsHoldingAny(sheet_.cells, rangeText, inCells, sheet_.book->memory->cellSearch);
        // Outside the repeated row an item identifier would get the first
        // item's text, or none.
        QString where;
        callOffice(QStringLiteral("Не удается прочитать документ"), [&] {
            where = sheet_.book->places.whereShown(key_.second, rows.size() == 1 ? rows.first() : 0, texts);
        });
        if (!where.isEmpty())
            throw ItemRowsUnfit(QStringLiteral("Идентификатор позиций %1 шаблона, вне повторяемой строки позиций: "
                                               "там он получил бы текст только одной позиции.")
                                    .arg(where));
        return rows;
    }
    void repeatRow(int row, int count) override
    {
        shared_->searched.erase(key_);
        lo::repeatRow(sheet_.cells, row, count);
    }

private:
    SheetOf sheet_;
    SheetKey key_;
    Shared shared_;
};

class CalcWorkbook final : public ExcelWorkbook {
public:
    CalcWorkbook(const CalcApplication::Workbook& workbook, int number, Shared shared)
        : document_(workbook.document), file_(workbook.file), filling_(workbook.filling), number_(number),
          shared_(std::move(shared))
    {
    }

    std::shared_ptr<ExcelWorksheet> Worksheets(int n) override
    {
        uno::Reference<table::XCellRange> sheet;
        callOffice(QStringLiteral("Лист %1 недоступен").arg(n), [&] {
            uno::Reference<container::XIndexAccess> sheets(spreadsheets()->getSheets(), uno::UNO_QUERY_THROW);
            if (n < 1 || n > sheets->getCount())
                throw KvilmarError(
                    QStringLiteral("В книге нет листа с номером %1: листов в ней %2.").arg(n).arg(sheets->getCount()));
            sheet.set(sheets->getByIndex(n - 1), uno::UNO_QUERY_THROW);
        });
        return std::make_shared<CalcWorksheet>(SheetOf{sheet, filling_}, SheetKey{number_, n - 1}, shared_);
    }

    QList<LongCellText> longTexts() override { return filling_->longTexts; }

    QList<bool> findEach(const QStringList& texts) override
    {
        QList<bool> found(texts.size(), false);
        QList<int> wanted;
        for (int i = 0; i < texts.size(); ++i) {
            if (!texts[i].isEmpty())
                wanted << i;
        }
        callOffice(QStringLiteral("Не удается прочитать книгу"), [&] {
            uno::Reference<container::XIndexAccess> sheets(spreadsheets()->getSheets(), uno::UNO_QUERY_THROW);
            for (sal_Int32 n = 0; n < sheets->getCount() && !wanted.isEmpty(); ++n) {
                const uno::Reference<uno::XInterface> sheet(sheets->getByIndex(n), uno::UNO_QUERY_THROW);
                auto search = shared_->searched.find({number_, n});
                if (search == shared_->searched.end() || !covers(search->second, texts, wanted)) {
                    findIn(filling_->memory->cellSearch, uno::Reference<util::XSearchable>(sheet, uno::UNO_QUERY_THROW),
                           texts, wanted, found);
                    continue;
                }
                const CalcApplication::BlockSearch& block = search->second;
                const QList<bool> outside = heldOutside(n, sheet, block);
                for (auto it = wanted.begin(); it != wanted.end();) {
                    if (outside[block.texts.indexOf(cellText(texts[*it]))]) {
                        found[*it] = true;
                        it = wanted.erase(it);
                    } else {
                        ++it;
                    }
                }
                // Inside the block, only the cells it found can hold them.
                if (block.found.is() && !wanted.isEmpty())
                    findIn(filling_->memory->cellSearch,
                           uno::Reference<util::XSearchable>(block.found, uno::UNO_QUERY_THROW), texts, wanted, found);
            }
            filling_->places.findEach(texts, found);
            filling_->properties.findEach(texts, found);
        });
        return found;
    }

private:
    uno::Reference<sheet::XSpreadsheetDocument> spreadsheets() const
    {
        return uno::Reference<sheet::XSpreadsheetDocument>(document_, uno::UNO_QUERY_THROW);
    }

    // Which of the block search's texts the cells outside the block hold:
    // remembered from the last workbook of the same unchanged template, or
    // searched now.
    QList<bool> heldOutside(sal_Int32 sheetIndex, const uno::Reference<uno::XInterface>& sheet,
                            const CalcApplication::BlockSearch& search) const
    {
        RunMemory::Outside& memo = filling_->memory->cellsOutside;
        if (!(memo.file == file_))
            memo = {file_, {}};
        const auto known = memo.sheets.find(sheetIndex);
        if (known != memo.sheets.end() && known->second.block == search.block && known->second.texts == search.texts)
            return known->second.held;
        QList<bool> held(search.texts.size(), false);
        if (auto outside = outsideOf(document_, sheet, search.block); outside.is()) {
            QList<int> all(search.texts.size());
            std::iota(all.begin(), all.end(), 0);
            findIn(filling_->memory->cellSearch, outside, search.texts, all, held);
        }
        memo.sheets[sheetIndex] = {search.block, search.texts, held};
        return held;
    }

    // Whether the search was for every text still wanted.
    static bool covers(const CalcApplication::BlockSearch& search, const QStringList& texts, const QList<int>& wanted)
    {
        return std::all_of(wanted.begin(), wanted.end(),
                           [&](int i) { return search.texts.contains(cellText(texts[i])); });
    }

    uno::Reference<lang::XComponent> document_;
    FileVersion file_; // the template file it was opened from, as it stood
    std::shared_ptr<WorkbookFilling> filling_;
    int number_;
    Shared shared_;
};

class CalcWorkbooks final : public ExcelWorkbooks {
public:
    explicit CalcWorkbooks(std::shared_ptr<CalcApplication> app) : app_(std::move(app)) {}

    void Add(const QString& name) override
    {
        const FileVersion file = FileVersion::of(name);
        const auto document = openForFilling(
            app_->keptTemplate, name, file, false, QStringLiteral("книга электронной таблицы"), [](const auto& opened) {
                return uno::Reference<sheet::XSpreadsheetDocument>(opened, uno::UNO_QUERY).is();
            });
        app_->workbooks.push_back(
            {document, file,
             std::make_shared<WorkbookFilling>(WorkbookFilling{
                 app_->memory, document, {document, file, *app_->memory}, {document, file, *app_->memory}, {}, {}})});
    }

private:
    std::shared_ptr<CalcApplication> app_;
};

} // namespace

CalcApplication::CalcApplication() : uncaughtAtStart_(std::uncaught_exceptions())
{
    Connection::instance().desktop();
}

CalcApplication::~CalcApplication()
{
    if (std::uncaught_exceptions() > uncaughtAtStart_) {
        for (const auto& workbook : workbooks)
            closeDocument(workbook.document);
    }
}

std::shared_ptr<ExcelWorkbooks> CalcApplication::Workbooks()
{
    return std::make_shared<CalcWorkbooks>(shared_from_this());
}

std::shared_ptr<ExcelWorkbook> CalcApplication::Workbooks(int n)
{
    if (n < 1 || n > static_cast<int>(workbooks.size()))
        throw KvilmarError(QStringLiteral("Книги с номером %1 нет.").arg(n));
    return std::make_shared<CalcWorkbook>(workbooks[n - 1], n, shared_);
}

void CalcApplication::visible(bool visible)
{
    if (!visible)
        return;
    for (const auto& workbook : workbooks)
        showDocument(workbook.document);
}

} // namespace office::lo
