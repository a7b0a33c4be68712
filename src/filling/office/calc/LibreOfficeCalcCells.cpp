#include "filling/office/calc/LibreOfficeCalcCells.h"

#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"
#include "filling/office/matching/PlainMatch.h"
#include "filling/office/text/UnoTextPlaces.h"

#include <com/sun/star/beans/XPropertyState.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextContent.hpp>
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
    return std::all_of(replacement.begin(), replacement.end(), [](QChar c) {
        return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char(',') || c == QLatin1Char('-');
    });
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
    explicit RowsUnfitted(const uno::Reference<lang::XComponent>& document) : document_(document, uno::UNO_QUERY_THROW)
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

using Address = table::CellRangeAddress;

// The blocks the cells are made of.
std::vector<Address> addressesOf(const uno::Reference<uno::XInterface>& cells)
{
    if (uno::Reference<sheet::XSheetCellRanges> ranges(cells, uno::UNO_QUERY); ranges.is()) {
        const auto all = ranges->getRangeAddresses();
        return {all.begin(), all.end()};
    }
    return {uno::Reference<sheet::XCellRangeAddressable>(cells, uno::UNO_QUERY_THROW)->getRangeAddress()};
}

// The blocks less the cells of `hole`: what is left of each, in at most
// four blocks (above, below, left and right of the hole).
std::vector<Address> without(const std::vector<Address>& blocks, const Address& hole)
{
    std::vector<Address> left;
    for (const Address& b : blocks) {
        const Address h{b.Sheet, std::max(b.StartColumn, hole.StartColumn), std::max(b.StartRow, hole.StartRow),
                        std::min(b.EndColumn, hole.EndColumn), std::min(b.EndRow, hole.EndRow)};
        if (h.StartColumn > h.EndColumn || h.StartRow > h.EndRow) {
            left.push_back(b);
            continue;
        }
        if (b.StartRow < h.StartRow)
            left.push_back({b.Sheet, b.StartColumn, b.StartRow, b.EndColumn, h.StartRow - 1});
        if (h.EndRow < b.EndRow)
            left.push_back({b.Sheet, b.StartColumn, h.EndRow + 1, b.EndColumn, b.EndRow});
        if (b.StartColumn < h.StartColumn)
            left.push_back({b.Sheet, b.StartColumn, h.StartRow, h.StartColumn - 1, h.EndRow});
        if (h.EndColumn < b.EndColumn)
            left.push_back({b.Sheet, h.EndColumn + 1, h.StartRow, b.EndColumn, h.EndRow});
    }
    return left;
}

// The length of the longest string in a formula, each doubled quote in it
// one character.
qsizetype longestString(const QString& formula)
{
    qsizetype longest = 0;
    for (qsizetype i = 0; i < formula.size(); ++i) {
        if (formula[i] != QLatin1Char('"'))
            continue;
        qsizetype length = 0;
        for (++i; i < formula.size(); ++i) {
            if (formula[i] == QLatin1Char('"')) {
                if (i + 1 < formula.size() && formula[i + 1] == QLatin1Char('"')) {
                    ++i;
                } else {
                    break;
                }
            }
            ++length;
        }
        longest = std::max(longest, length);
    }
    return longest;
}

// The office's error for a string it could not hold in a formula.
constexpr sal_Int32 kStringOverflow = 513;

// Replaces within the links of a cell's text: a link is a field, whose text
// is replaced in a new one with the same address put in its place.
void replaceInLinks(const uno::Reference<lang::XComponent>& document, const uno::Reference<text::XText>& cell,
                    const QString& what, const QString& replacement)
{
    std::vector<std::pair<uno::Reference<text::XTextRange>, uno::Reference<beans::XPropertySet>>> links;
    using Access = uno::Reference<container::XEnumerationAccess>;
    const auto paragraphs = Access(cell, uno::UNO_QUERY_THROW)->createEnumeration();
    while (paragraphs->hasMoreElements()) {
        const auto portions = Access(paragraphs->nextElement(), uno::UNO_QUERY_THROW)->createEnumeration();
        while (portions->hasMoreElements()) {
            const uno::Reference<beans::XPropertySet> portion(portions->nextElement(), uno::UNO_QUERY_THROW);
            if (portion->getPropertyValue("TextPortionType").get<rtl::OUString>() != "TextField")
                continue;
            const uno::Reference<beans::XPropertySet> field(portion->getPropertyValue("TextField"), uno::UNO_QUERY);
            if (field.is()
                && uno::Reference<lang::XServiceInfo>(field, uno::UNO_QUERY_THROW)
                       ->supportsService("com.sun.star.text.TextField.URL")
                && containsPlain(toQString(field->getPropertyValue("Representation").get<rtl::OUString>()), what))
                links.emplace_back(uno::Reference<text::XTextRange>(portion, uno::UNO_QUERY_THROW), field);
        }
    }
    const uno::Reference<lang::XMultiServiceFactory> factory(document, uno::UNO_QUERY_THROW);
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
        const auto& [range, field] = *it;
        const uno::Reference<beans::XPropertySet> link(factory->createInstance("com.sun.star.text.TextField.URL"),
                                                       uno::UNO_QUERY_THROW);
        for (const char* name : {"URL", "TargetFrame"})
            link->setPropertyValue(rtl::OUString::createFromAscii(name),
                                   field->getPropertyValue(rtl::OUString::createFromAscii(name)));
        const QString shown = toQString(field->getPropertyValue("Representation").get<rtl::OUString>());
        link->setPropertyValue("Representation", uno::Any(toOUString(replacedContent(shown, what, replacement))));
        cell->insertTextContent(uno::Reference<text::XTextRange>(cell->createTextCursorByRange(range).get()),
                                uno::Reference<text::XTextContent>(link, uno::UNO_QUERY_THROW), true);
    }
}

} // namespace

// "A1" for column 0, row 0.
QString cellName(sal_Int32 column, sal_Int32 row)
{
    QString letters;
    for (sal_Int32 c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

sal_Int32 textFormatOf(const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<util::XNumberFormatTypes> types(
        uno::Reference<util::XNumberFormatsSupplier>(document, uno::UNO_QUERY_THROW)->getNumberFormats(),
        uno::UNO_QUERY_THROW);
    return types->getStandardFormat(util::NumberFormat::TEXT, lang::Locale());
}

void CellReplacing::Target::replace(const QString& what, const QString& replacement, KeptDescriptor& descriptor)
{
    if (!cells.is())
        return;
    // Asked for once: each call is a round trip to the office.
    if (!replaceable.is())
        replaceable.set(cells, uno::UNO_QUERY_THROW);
    replaceable->replaceAll(descriptor.set([&] { return replaceable->createSearchDescriptor(); }, {what}, replacement));
}

CellReplacing::CellReplacing(uno::Reference<uno::XInterface> cells, uno::Reference<table::XCellRange> sheet,
                             uno::Reference<lang::XComponent> document, sal_Int32 textFormat,
                             KeptDescriptor& descriptor)
    : sheet_(std::move(sheet)), document_(std::move(document)), textFormat_(textFormat),
      descriptor_(descriptor), all_{std::move(cells), {}}
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
    const uno::Reference<uno::XInterface> rich = holding(all_.cells, sheet::CellFlags::FORMATTED);
    texts_.cells = formulas_.cells.is() || rich.is()
        ? holding(all_.cells, sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME | sheet::CellFlags::STRING)
        : all_.cells;
    plainAll_.cells = all_.cells;
    plainTexts_.cells = texts_.cells;
    if (rich.is()) {
        richRanges_ = addressesOf(rich);
        for (const Address& a : richRanges_) {
            for (sal_Int32 row = a.StartRow; row <= a.EndRow; ++row) {
                for (sal_Int32 column = a.StartColumn; column <= a.EndColumn; ++column) {
                    const uno::Reference<text::XText> text(sheet_->getCellByPosition(column, row),
                                                           uno::UNO_QUERY_THROW);
                    rich_.push_back({text, toQString(text->getString())});
                }
            }
        }
        plainAll_.cells = withoutRich(all_.cells);
        plainTexts_.cells = withoutRich(texts_.cells);
    }
    if (!texts_.cells.is())
        return;
    keepFormats(texts_.cells, false);
    const RowsUnfitted unfitted(document_);
    uno::Reference<beans::XPropertySet>(texts_.cells, uno::UNO_QUERY_THROW)
        ->setPropertyValue(kNumberFormat, uno::Any(textFormat_));
}

uno::Reference<uno::XInterface> CellReplacing::withoutRich(const uno::Reference<uno::XInterface>& cells) const
{
    if (!cells.is())
        return {};
    std::vector<Address> left = addressesOf(cells);
    for (const Address& hole : richRanges_)
        left = without(left, hole);
    if (left.empty())
        return {};
    uno::Reference<sheet::XSheetCellRangeContainer> ranges(
        uno::Reference<lang::XMultiServiceFactory>(document_, uno::UNO_QUERY_THROW)
            ->createInstance("com.sun.star.sheet.SheetCellRanges"),
        uno::UNO_QUERY_THROW);
    ranges->addRangeAddresses(uno::Sequence<Address>(left.data(), static_cast<sal_Int32>(left.size())), false);
    return uno::Reference<uno::XInterface>(ranges, uno::UNO_QUERY_THROW);
}

bool CellReplacing::isRich(sal_Int32 column, sal_Int32 row) const
{
    return std::any_of(richRanges_.begin(), richRanges_.end(), [&](const Address& a) {
        return column >= a.StartColumn && column <= a.EndColumn && row >= a.StartRow && row <= a.EndRow;
    });
}

void CellReplacing::keepFormats(const uno::Reference<uno::XInterface>& cells, bool alike)
{
    uno::Reference<beans::XPropertySet> properties(cells, uno::UNO_QUERY_THROW);
    const auto state =
        uno::Reference<beans::XPropertyState>(cells, uno::UNO_QUERY_THROW)->getPropertyState(kNumberFormat);
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
    const auto parts = uno::Reference<sheet::XUniqueCellFormatRangesSupplier>(cells, uno::UNO_QUERY_THROW)
                           ->getUniqueCellFormatRanges();
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
            uno::Reference<beans::XPropertyState>(kept.cells, uno::UNO_QUERY_THROW)
                ->setPropertyToDefault(kNumberFormat);
    }
}

void CellReplacing::replace(const QString& what, const QString& replacement)
{
    if (!begun_)
        begin();
    numbersPossible_ = numbersPossible_ || mayEndAPlainNumber(replacement);
    for (RichCell& cell : rich_) {
        if (!containsPlain(cell.shown, what))
            continue;
        replaceInText(cell.text, what, replacement);
        replaceInLinks(document_, cell.text, what, replacement);
        cell.shown = toQString(cell.text->getString());
    }
    if (formulas_.cells.is() && (what.contains(QLatin1Char('"')) || replacement.contains(QLatin1Char('"')))) {
        plainTexts_.replace(what, replacement, descriptor_);
        formulas_.replace(inFormula(what), inFormula(replacement), descriptor_);
        return;
    }
    plainAll_.replace(what, replacement, descriptor_);
}

void CellReplacing::finish()
{
    if (!begun_ || finished_)
        return;
    finished_ = true;
    if (texts_.cells.is()) {
        giveFormatsBack();
        if (numbersPossible_)
            makeNumbers();
    }
    measure();
}

void CellReplacing::measure()
{
    // Named once, and only for a long text.
    QString sheetName;
    const auto named = [&](sal_Int32 column, sal_Int32 row) {
        if (sheetName.isEmpty())
            sheetName = toQString(uno::Reference<container::XNamed>(sheet_, uno::UNO_QUERY_THROW)->getName());
        return sheetName + QLatin1Char('.') + cellName(column, row);
    };
    if (texts_.cells.is()) {
        // A character takes one or two code units: the office's pattern
        // counts characters, the formats code units.
        uno::Reference<util::XSearchable> searchable(texts_.cells, uno::UNO_QUERY_THROW);
        const QString pattern = QStringLiteral("[\\s\\S]{%1}").arg(LongCellText::kLongCell / 2 + 1);
        uno::Reference<sheet::XSheetCellRanges> found(
            searchable->findAll(descriptor_.set([&] { return searchable->createSearchDescriptor(); }, {pattern, true})),
            uno::UNO_QUERY);
        for (const Address& a : found.is() ? addressesOf(found) : std::vector<Address>()) {
            for (sal_Int32 row = a.StartRow; row <= a.EndRow; ++row) {
                for (sal_Int32 column = a.StartColumn; column <= a.EndColumn; ++column) {
                    const qsizetype length =
                        uno::Reference<text::XTextRange>(sheet_->getCellByPosition(column, row), uno::UNO_QUERY_THROW)
                            ->getString()
                            .getLength();
                    if (length > LongCellText::kLongCell)
                        long_.push_back({named(column, row), length, false, false});
                }
            }
        }
    }
    for (const Address& a : formulas_.cells.is() ? addressesOf(formulas_.cells) : std::vector<Address>()) {
        for (sal_Int32 row = a.StartRow; row <= a.EndRow; ++row) {
            for (sal_Int32 column = a.StartColumn; column <= a.EndColumn; ++column) {
                const uno::Reference<table::XCell> cell = sheet_->getCellByPosition(column, row);
                const qsizetype length = longestString(toQString(cell->getFormula()));
                if (cell->getError() == kStringOverflow)
                    long_.push_back({named(column, row), LongCellText::kOfficeFormulaString + 1, true, true});
                else if (length > LongCellText::kLongFormulaString)
                    long_.push_back({named(column, row), length, true, false});
            }
        }
    }
}

void CellReplacing::makeNumbers()
{
    uno::Reference<util::XSearchable> searchable(texts_.cells, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSheetCellRanges> candidates(
        searchable->findAll(
            descriptor_.set([&] { return searchable->createSearchDescriptor(); }, {kPlainNumber, true})),
        uno::UNO_QUERY);
    if (!candidates.is())
        return;
    // The office's own reading and showing of numbers, in its locale and
    // the cell's format, asked without writing to the cell.
    const auto context = Connection::instance().lastRemoteContext();
    uno::Reference<util::XNumberFormatter> formatter(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.util.NumberFormatter", context),
        uno::UNO_QUERY_THROW);
    formatter->attachNumberFormatsSupplier(
        uno::Reference<util::XNumberFormatsSupplier>(document_, uno::UNO_QUERY_THROW));
    for (const auto& a : candidates->getRangeAddresses()) {
        for (sal_Int32 row = a.StartRow; row <= a.EndRow; ++row) {
            for (sal_Int32 column = a.StartColumn; column <= a.EndColumn; ++column) {
                // Its text's formatting and links would go with a number.
                if (isRich(column, row))
                    continue;
                const uno::Reference<table::XCell> cell = sheet_->getCellByPosition(column, row);
                const rtl::OUString text = uno::Reference<text::XTextRange>(cell, uno::UNO_QUERY_THROW)->getString();
                const sal_Int32 format = uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)
                                             ->getPropertyValue(kNumberFormat)
                                             .get<sal_Int32>();
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
