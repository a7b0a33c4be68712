#include "filling/office/LibreOfficeCalcCells.h"

#include "filling/office/LibreOfficeConnection.h"
#include "filling/office/UnoSearch.h"
#include "filling/office/UnoText.h"

#include <com/sun/star/beans/XPropertyState.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/NotNumericException.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/util/XNumberFormatter.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

const rtl::OUString kNumberFormat = "NumberFormat";

// What a cell must hold to be tried as a number: digits, with a sign and a
// decimal separator at most. Percent, fractions, dates, exponents, leading
// "+" stay text whatever the office would make of them.
const QString kPlainNumber = QStringLiteral("^-?[0-9]+([.,][0-9]+)?$");

// Whether a cell may read as a plain number once this replacement is in it:
// the last replacement made in a cell stands in it whole.
bool mayEndAPlainNumber(const QString& replacement)
{
    return std::all_of(replacement.begin(), replacement.end(),
                       [](QChar c) { return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char(',')
                                            || c == QLatin1Char('-'); });
}

// In a formula a quote inside a string is written twice.
QString inFormula(QString text)
{
    return text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
}

// The cells holding content of the kinds (sheet::CellFlags); none when none do.
uno::Reference<uno::XInterface> holding(const uno::Reference<uno::XInterface>& cells, sal_Int16 kinds)
{
    uno::Reference<sheet::XSheetCellRanges> found =
        uno::Reference<sheet::XCellRangesQuery>(cells, uno::UNO_QUERY_THROW)->queryContentCells(kinds);
    return found.is() && found->getCount() > 0 ? uno::Reference<uno::XInterface>(found.get()) : nullptr;
}

// Sets formats without the office fitting the height of every row in the
// area of the cells to its content again, which takes longer than the
// replaces themselves: a number format does not change how a text shows.
// The program never leaves the fitting off.
class RowsUnfitted {
public:
    explicit RowsUnfitted(const uno::Reference<lang::XComponent>& document)
        : document_(document, uno::UNO_QUERY_THROW)
    {
        document_->setPropertyValue("IsAdjustHeightEnabled", uno::Any(false));
    }
    ~RowsUnfitted()
    {
        try {
            document_->setPropertyValue("IsAdjustHeightEnabled", uno::Any(true));
        } catch (...) {
            // The office went away; the next call says so.
        }
    }
    RowsUnfitted(const RowsUnfitted&) = delete;
    RowsUnfitted& operator=(const RowsUnfitted&) = delete;

private:
    uno::Reference<beans::XPropertySet> document_;
};

} // namespace

sal_Int32 textFormatOf(const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<util::XNumberFormatTypes> types(
        uno::Reference<util::XNumberFormatsSupplier>(document, uno::UNO_QUERY_THROW)->getNumberFormats(),
        uno::UNO_QUERY_THROW);
    return types->getStandardFormat(util::NumberFormat::TEXT, lang::Locale());
}

void CellReplacing::Target::replace(const QString& what, const QString& replacement)
{
    if (!cells.is())
        return;
    // Asked for once: each call is a round trip to the office.
    if (!replaceable.is())
        replaceable.set(cells, uno::UNO_QUERY_THROW);
    replaceable->replaceAll(KeptDescriptor::forCells().set([&] { return replaceable->createSearchDescriptor(); },
                                                           {what}, replacement));
}

CellReplacing::CellReplacing(uno::Reference<uno::XInterface> cells, uno::Reference<table::XCellRange> sheet,
                             uno::Reference<lang::XComponent> document, sal_Int32 textFormat)
    : sheet_(std::move(sheet)), document_(std::move(document)), textFormat_(textFormat), all_{std::move(cells), {}}
{
}

CellReplacing::~CellReplacing()
{
    if (!begun_ || finished_)
        return;
    try {
        giveFormatsBack();
    } catch (...) {
        // An error ended the replacing, and the office may be gone with it.
    }
}

void CellReplacing::begin()
{
    begun_ = true;
    // A formula's replaced source is read as a formula again, not as text.
    formulas_.cells = holding(all_.cells, sheet::CellFlags::FORMULA);
    texts_.cells = formulas_.cells.is()
                       ? holding(all_.cells, sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME
                                                 | sheet::CellFlags::STRING)
                       : all_.cells;
    if (!texts_.cells.is())
        return;
    keepFormats(texts_.cells, false);
    const RowsUnfitted unfitted(document_);
    uno::Reference<beans::XPropertySet>(texts_.cells, uno::UNO_QUERY_THROW)
        ->setPropertyValue(kNumberFormat, uno::Any(textFormat_));
}

void CellReplacing::keepFormats(const uno::Reference<uno::XInterface>& cells, bool alike)
{
    uno::Reference<beans::XPropertySet> properties(cells, uno::UNO_QUERY_THROW);
    const auto state = uno::Reference<beans::XPropertyState>(cells, uno::UNO_QUERY_THROW)->getPropertyState(kNumberFormat);
    if (state == beans::PropertyState_DEFAULT_VALUE) {
        formats_.push_back({properties, std::nullopt});
        return;
    }
    if (state == beans::PropertyState_DIRECT_VALUE || alike) {
        formats_.push_back({properties, properties->getPropertyValue(kNumberFormat).get<sal_Int32>()});
        return;
    }
    // Cells of different formats: range by range, and a range in the parts
    // whose cells are formatted alike.
    if (uno::Reference<container::XIndexAccess> ranges(cells, uno::UNO_QUERY); ranges.is()) {
        for (sal_Int32 i = 0, count = ranges->getCount(); i < count; ++i)
            keepFormats(uno::Reference<uno::XInterface>(ranges->getByIndex(i), uno::UNO_QUERY_THROW), false);
        return;
    }
    const auto parts =
        uno::Reference<sheet::XUniqueCellFormatRangesSupplier>(cells, uno::UNO_QUERY_THROW)->getUniqueCellFormatRanges();
    for (sal_Int32 i = 0, count = parts->getCount(); i < count; ++i) {
        uno::Reference<container::XIndexAccess> part(parts->getByIndex(i), uno::UNO_QUERY_THROW);
        for (sal_Int32 k = 0, ranges = part->getCount(); k < ranges; ++k)
            keepFormats(uno::Reference<uno::XInterface>(part->getByIndex(k), uno::UNO_QUERY_THROW), true);
    }
}

void CellReplacing::giveFormatsBack()
{
    const RowsUnfitted unfitted(document_);
    for (const KeptFormat& kept : formats_) {
        if (kept.format)
            kept.cells->setPropertyValue(kNumberFormat, uno::Any(*kept.format));
        else
            uno::Reference<beans::XPropertyState>(kept.cells, uno::UNO_QUERY_THROW)->setPropertyToDefault(kNumberFormat);
    }
}

void CellReplacing::replace(const QString& what, const QString& replacement)
{
    if (!begun_)
        begin();
    numbersPossible_ = numbersPossible_ || mayEndAPlainNumber(replacement);
    if (formulas_.cells.is() && (what.contains(QLatin1Char('"')) || replacement.contains(QLatin1Char('"')))) {
        texts_.replace(what, replacement);
        formulas_.replace(inFormula(what), inFormula(replacement));
        return;
    }
    all_.replace(what, replacement);
}

void CellReplacing::finish()
{
    if (!begun_ || finished_)
        return;
    finished_ = true;
    if (!texts_.cells.is())
        return;
    giveFormatsBack();
    if (numbersPossible_)
        makeNumbers();
}

void CellReplacing::makeNumbers()
{
    uno::Reference<util::XSearchable> searchable(texts_.cells, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSheetCellRanges> candidates(
        searchable->findAll(KeptDescriptor::forCells().set([&] { return searchable->createSearchDescriptor(); },
                                                           {kPlainNumber, true})),
        uno::UNO_QUERY);
    if (!candidates.is())
        return;
    // The office's own reading and showing of numbers, in its locale and
    // the cell's format, asked without writing to the cell.
    const auto context = Connection::instance().lastRemoteContext();
    uno::Reference<util::XNumberFormatter> formatter(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.util.NumberFormatter", context),
        uno::UNO_QUERY_THROW);
    formatter->attachNumberFormatsSupplier(uno::Reference<util::XNumberFormatsSupplier>(document_, uno::UNO_QUERY_THROW));
    for (const auto& a : candidates->getRangeAddresses()) {
        for (sal_Int32 row = a.StartRow; row <= a.EndRow; ++row) {
            for (sal_Int32 column = a.StartColumn; column <= a.EndColumn; ++column) {
                const uno::Reference<table::XCell> cell = sheet_->getCellByPosition(column, row);
                const rtl::OUString text = uno::Reference<text::XTextRange>(cell, uno::UNO_QUERY_THROW)->getString();
                const sal_Int32 format =
                    uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)->getPropertyValue(kNumberFormat).get<sal_Int32>();
                double number = 0;
                try {
                    number = formatter->convertStringToNumber(format, text);
                } catch (const util::NotNumericException&) {
                    continue;
                }
                if (formatter->convertNumberToString(format, number) == text)
                    cell->setValue(number);
            }
        }
    }
}

} // namespace office::lo
