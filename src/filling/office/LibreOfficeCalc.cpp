#include "filling/office/LibreOfficeCalc.h"

#include "common/KvilmarError.h"
#include "filling/office/LibreOfficeConnection.h"
#include "filling/office/LibreOfficeDocument.h"
#include "filling/office/LibreOfficeLoad.h"
#include "filling/office/OfficeError.h"
#include "filling/office/UnoSearch.h"
#include "filling/office/UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include <exception>

using namespace css;

namespace office::lo {

namespace {

using SharedDescriptor = CalcApplication::SharedDescriptor;

// Inside a cell a line break is a line feed.
QString cellText(const QString& text)
{
    QString out = text;
    return out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// Which of the texts (their indexes in `wanted`) one sheet holds; found
// ones are taken out of `wanted`.
void findOnSheet(const uno::Reference<util::XSearchable>& sheet, const QStringList& texts, QList<int>& wanted,
                 QList<bool>& found)
{
    QStringList remaining;
    for (int i : wanted)
        remaining << cellText(texts[i]);
    auto pattern = patternSearch(sheet->createSearchDescriptor(), anyOfLiterally(remaining));
    uno::Reference<util::XSearchable> cells(sheet->findAll(pattern), uno::UNO_QUERY);
    if (!cells.is())
        return;
    // Only the few cells holding any of them are searched for each one, with
    // one descriptor: each call is a round trip to the office.
    auto probe = plainSearch(cells->createSearchDescriptor(), QString());
    for (auto it = wanted.begin(); it != wanted.end();) {
        probe->setSearchString(toOUString(cellText(texts[*it])));
        if (cells->findFirst(probe).is()) {
            found[*it] = true;
            it = wanted.erase(it);
        } else {
            ++it;
        }
    }
}

// A block of a sheet, or the cells of one that a search found (none when it
// found none): what the replaces act on. Kept for all the replaces of a
// sheet, it asks the office for its search interface once: each call is a
// round trip to the office.
class CalcRange final : public ExcelRange {
public:
    CalcRange(uno::Reference<uno::XInterface> cells, SharedDescriptor replacing)
        : cells_(std::move(cells)), replacing_(std::move(replacing)) {}

    std::shared_ptr<ExcelRange> range(const QString& text) override
    {
        uno::Reference<uno::XInterface> block;
        callOffice(QStringLiteral("Диапазон \"%1\" не принят").arg(text), [&] {
            uno::Reference<table::XCellRange> cells(cells_, uno::UNO_QUERY);
            if (!cells.is())
                throw KvilmarError(QStringLiteral("Диапазон \"%1\" не принят: это не блок листа.").arg(text));
            block.set(cells->getCellRangeByName(toOUString(text)).get());
        });
        return std::make_shared<CalcRange>(block, replacing_);
    }

    void replace(const QString& what, const QString& replacement) override
    {
        if (what.isEmpty() || !cells_.is())
            return;
        callOffice(QStringLiteral("Не удается заменить текст"), [&] {
            if (!replaceable_.is())
                replaceable_.set(cells_, uno::UNO_QUERY_THROW);
            uno::Reference<util::XReplaceDescriptor>& descriptor = *replacing_;
            if (!descriptor.is())
                descriptor = plainReplace(replaceable_->createReplaceDescriptor(), QString(), QString());
            descriptor->setSearchString(toOUString(cellText(what)));
            descriptor->setReplaceString(toOUString(cellText(replacement)));
            replaceable_->replaceAll(uno::Reference<util::XSearchDescriptor>(descriptor.get()));
        });
    }

    std::shared_ptr<ExcelRange> cellsHoldingAny(const QStringList& texts) override
    {
        QStringList wanted;
        for (const QString& text : texts) {
            if (!text.isEmpty())
                wanted << cellText(text);
        }
        uno::Reference<uno::XInterface> found;
        if (cells_.is() && !wanted.isEmpty()) {
            callOffice(QStringLiteral("Не удается найти текст"), [&] {
                uno::Reference<util::XSearchable> searchable(cells_, uno::UNO_QUERY_THROW);
                // The office's own matching, so case folding, formulas and
                // numbers count as they count for replace.
                found = searchable->findAll(patternSearch(searchable->createSearchDescriptor(), anyOfLiterally(wanted)));
            });
        }
        return std::make_shared<CalcRange>(found, replacing_);
    }

private:
    uno::Reference<uno::XInterface> cells_;
    uno::Reference<util::XReplaceable> replaceable_;
    SharedDescriptor replacing_;
};

class CalcWorksheet final : public ExcelWorksheet {
public:
    CalcWorksheet(uno::Reference<table::XCellRange> sheet, SharedDescriptor replacing)
        : sheet_(std::move(sheet)), replacing_(std::move(replacing)) {}
    // The columns of a sheet start at its first cell, so a block named
    // within them is the block of the sheet.
    std::shared_ptr<ExcelRange> Columns() override
    {
        return std::make_shared<CalcRange>(uno::Reference<uno::XInterface>(sheet_.get()), replacing_);
    }

private:
    uno::Reference<table::XCellRange> sheet_;
    SharedDescriptor replacing_;
};

class CalcWorkbook final : public ExcelWorkbook {
public:
    CalcWorkbook(uno::Reference<sheet::XSpreadsheetDocument> document, SharedDescriptor replacing)
        : document_(std::move(document)), replacing_(std::move(replacing)) {}

    std::shared_ptr<ExcelWorksheet> Worksheets(int n) override
    {
        uno::Reference<table::XCellRange> sheet;
        callOffice(QStringLiteral("Лист %1 недоступен").arg(n), [&] {
            uno::Reference<container::XIndexAccess> sheets(document_->getSheets(), uno::UNO_QUERY_THROW);
            if (n < 1 || n > sheets->getCount())
                throw KvilmarError(QStringLiteral("В книге нет листа с номером %1: листов в ней %2.")
                                       .arg(n).arg(sheets->getCount()));
            sheet.set(sheets->getByIndex(n - 1), uno::UNO_QUERY_THROW);
        });
        return std::make_shared<CalcWorksheet>(sheet, replacing_);
    }

    QList<bool> findEach(const QStringList& texts) override
    {
        QList<bool> found(texts.size(), false);
        QList<int> wanted;
        for (int i = 0; i < texts.size(); ++i) {
            if (!texts[i].isEmpty())
                wanted << i;
        }
        callOffice(QStringLiteral("Не удается прочитать книгу"), [&] {
            uno::Reference<container::XIndexAccess> sheets(document_->getSheets(), uno::UNO_QUERY_THROW);
            for (sal_Int32 n = 0; n < sheets->getCount() && !wanted.isEmpty(); ++n)
                findOnSheet(uno::Reference<util::XSearchable>(sheets->getByIndex(n), uno::UNO_QUERY_THROW), texts,
                            wanted, found);
        });
        return found;
    }

private:
    uno::Reference<sheet::XSpreadsheetDocument> document_;
    SharedDescriptor replacing_;
};

class CalcWorkbooks final : public ExcelWorkbooks {
public:
    explicit CalcWorkbooks(std::shared_ptr<CalcApplication> app) : app_(std::move(app)) {}

    void Add(const QString& name) override
    {
        auto document = loadAsNewDocument(name);
        requireKind(document, name, QStringLiteral("книга электронной таблицы"),
                    [&] { return uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY).is(); });
        app_->workbooks.push_back(document);
        stopRecordingChanges(document);
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
        for (const auto& document : workbooks)
            closeDocument(document);
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
    return std::make_shared<CalcWorkbook>(
        uno::Reference<sheet::XSpreadsheetDocument>(workbooks[n - 1], uno::UNO_QUERY_THROW), replacing_);
}

void CalcApplication::visible(bool visible)
{
    if (!visible)
        return;
    for (const auto& document : workbooks)
        showDocument(document);
}

} // namespace office::lo
