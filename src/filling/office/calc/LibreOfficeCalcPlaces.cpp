#include "filling/office/calc/LibreOfficeCalcPlaces.h"

#include "filling/office/calc/LibreOfficeCalcCells.h"

#include "filling/office/connection/UnoText.h"
#include "filling/office/matching/PlainMatch.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/text/UnoTextPlaces.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XSheetAnnotation.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

uno::Reference<text::XText> partOf(const uno::Reference<sheet::XHeaderFooterContent>& content, int part)
{
    return part == 0 ? content->getLeftText() : part == 1 ? content->getCenterText() : content->getRightText();
}

bool inBlock(const table::CellAddress& cell, const table::CellRangeAddress& block)
{
    return cell.Sheet == block.Sheet && cell.Column >= block.StartColumn && cell.Column <= block.EndColumn
        && cell.Row >= block.StartRow && cell.Row <= block.EndRow;
}

} // namespace

QString WorkbookPlaces::Place::read() const
{
    switch (kind) {
    case Kind::Comment: return toQString(uno::Reference<text::XTextRange>(object, uno::UNO_QUERY_THROW)->getString());
    case Kind::Shape:
        return TextPlace(TextPlace::Kind::Drawn, uno::Reference<text::XText>(object, uno::UNO_QUERY_THROW)).read();
    case Kind::HeaderOrFooter: break;
    }
    const uno::Reference<sheet::XHeaderFooterContent> parts(
        uno::Reference<beans::XPropertySet>(object, uno::UNO_QUERY_THROW)->getPropertyValue(content),
        uno::UNO_QUERY_THROW);
    return TextPlace(TextPlace::Kind::Drawn, partOf(parts, part)).read();
}

void WorkbookPlaces::Place::replace(const QString& what, const QString& replacement) const
{
    switch (kind) {
    case Kind::Comment: {
        // Written whole through the comment itself, a text of lines: what is
        // written into its box on the sheet does not reach the comment.
        uno::Reference<text::XTextRange> comment(object, uno::UNO_QUERY_THROW);
        QString text = toQString(comment->getString());
        QString inserted = replacement;
        inserted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QList<qsizetype> matches = plainMatches(text, what);
        for (auto it = matches.crbegin(); it != matches.crend(); ++it)
            text.replace(*it, what.size(), inserted);
        comment->setString(toOUString(text));
        return;
    }
    case Kind::Shape:
        TextPlace(TextPlace::Kind::Drawn, uno::Reference<text::XText>(object, uno::UNO_QUERY_THROW))
            .replaceAll(what, replacement);
        return;
    case Kind::HeaderOrFooter: break;
    }
    // A copy of the style's header or footer, which takes effect when it is
    // given back; its fields (sheet name, page) are not characters of the
    // text, so it is walked portion by portion.
    uno::Reference<beans::XPropertySet> style(object, uno::UNO_QUERY_THROW);
    const uno::Reference<sheet::XHeaderFooterContent> parts(style->getPropertyValue(content), uno::UNO_QUERY_THROW);
    TextPlace(TextPlace::Kind::Text, partOf(parts, part)).replaceAll(what, replacement);
    style->setPropertyValue(content, uno::Any(parts));
}

WorkbookPlaces::WorkbookPlaces(uno::Reference<lang::XComponent> document, FileVersion openedFrom, RunMemory& memory)
    : document_(std::move(document)), openedFrom_(std::move(openedFrom)), memory_(memory)
{
}

bool WorkbookPlaces::mayHold(const QStringList& texts)
{
    if (places_)
        return true;
    const RunMemory::Shown& memo = memory_.workbookPlaces;
    if (memo.file == openedFrom_) {
        const bool none = std::none_of(memo.shown.cbegin(), memo.shown.cend(), [&](const PlainText& shown) {
            return std::any_of(texts.cbegin(), texts.cend(), [&](const QString& t) { return shown.contains(t); });
        });
        if (none)
            return false;
    }
    collect();
    return true;
}

void WorkbookPlaces::collect()
{
    places_.emplace();
    uno::Reference<container::XIndexAccess> sheets(
        uno::Reference<sheet::XSpreadsheetDocument>(document_, uno::UNO_QUERY_THROW)->getSheets(),
        uno::UNO_QUERY_THROW);
    uno::Reference<container::XNameAccess> styles(
        uno::Reference<style::XStyleFamiliesSupplier>(document_, uno::UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles"),
        uno::UNO_QUERY_THROW);
    std::vector<rtl::OUString> seenStyles;
    for (sal_Int32 n = 0, count = sheets->getCount(); n < count; ++n) {
        const uno::Reference<uno::XInterface> sheet(sheets->getByIndex(n), uno::UNO_QUERY_THROW);
        uno::Reference<container::XIndexAccess> comments(
            uno::Reference<sheet::XSheetAnnotationsSupplier>(sheet, uno::UNO_QUERY_THROW)->getAnnotations(),
            uno::UNO_QUERY_THROW);
        for (sal_Int32 i = 0, notes = comments->getCount(); i < notes; ++i) {
            const uno::Reference<uno::XInterface> comment(comments->getByIndex(i), uno::UNO_QUERY_THROW);
            Place place{Place::Kind::Comment,
                        n,
                        comment,
                        uno::Reference<sheet::XSheetAnnotation>(comment, uno::UNO_QUERY_THROW)->getPosition(),
                        {},
                        0,
                        {}};
            place.shown = place.read();
            places_->push_back(place);
        }
        // Marked deprecated for drawings, it is the one way to a sheet's
        // shapes.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        addShapes(n, uno::Reference<drawing::XDrawPageSupplier>(sheet, uno::UNO_QUERY_THROW)->getDrawPage());
#pragma GCC diagnostic pop
        rtl::OUString style;
        uno::Reference<beans::XPropertySet>(sheet, uno::UNO_QUERY_THROW)->getPropertyValue("PageStyle") >>= style;
        if (std::find(seenStyles.begin(), seenStyles.end(), style) == seenStyles.end()) {
            seenStyles.push_back(style);
            addHeadersAndFooters(n, uno::Reference<uno::XInterface>(styles->getByName(style), uno::UNO_QUERY_THROW));
        }
    }
    RunMemory::Shown memo{openedFrom_, {}};
    for (const Place& place : *places_)
        memo.shown << PlainText(place.shown);
    memory_.workbookPlaces = memo;
}

void WorkbookPlaces::addShapes(sal_Int32 sheet, const uno::Reference<uno::XInterface>& shapes)
{
    uno::Reference<container::XIndexAccess> all(shapes, uno::UNO_QUERY_THROW);
    for (sal_Int32 i = 0, count = all->getCount(); i < count; ++i) {
        const uno::Reference<uno::XInterface> shape(all->getByIndex(i), uno::UNO_QUERY_THROW);
        if (uno::Reference<drawing::XShapes>(shape, uno::UNO_QUERY).is()) {
            addShapes(sheet, shape);
            continue;
        }
        // A comment's box is a shape too; it is filled as the comment.
        if (!uno::Reference<text::XText>(shape, uno::UNO_QUERY).is()
            || uno::Reference<lang::XServiceInfo>(shape, uno::UNO_QUERY_THROW)
                   ->supportsService("com.sun.star.sheet.CellAnnotationShape"))
            continue;
        Place place{Place::Kind::Shape, sheet, shape, {}, {}, 0, {}};
        place.shown = place.read();
        places_->push_back(place);
    }
}

void WorkbookPlaces::addHeadersAndFooters(sal_Int32 sheet, const uno::Reference<uno::XInterface>& style)
{
    uno::Reference<beans::XPropertySet> properties(style, uno::UNO_QUERY_THROW);
    // The first page's own only where the office has them.
    const bool firstPages = properties->getPropertySetInfo()->hasPropertyByName("FirstPageHeaderIsShared");
    for (const char* latin : {"Header", "Footer"}) {
        const QString kind = QLatin1String(latin);
        const rtl::OUString names[] = {toOUString(kind + QStringLiteral("IsOn")),
                                       toOUString(kind + QStringLiteral("IsShared")),
                                       toOUString(QStringLiteral("FirstPage%1IsShared").arg(kind))};
        // The switches in one call: each call is a round trip to the office.
        const uno::Sequence<uno::Any> on =
            uno::Reference<beans::XMultiPropertySet>(style, uno::UNO_QUERY_THROW)
                ->getPropertyValues(uno::Sequence<rtl::OUString>(names, firstPages ? 3 : 2));
        bool isOn = false, leftShared = true, firstShared = true;
        on[0] >>= isOn;
        on[1] >>= leftShared;
        if (firstPages)
            on[2] >>= firstShared;
        if (!isOn)
            continue;
        QStringList contents{QStringLiteral("RightPage%1Content").arg(kind)};
        if (!leftShared)
            contents << QStringLiteral("LeftPage%1Content").arg(kind);
        if (!firstShared)
            contents << QStringLiteral("FirstPage%1Content").arg(kind);
        for (const QString& name : contents) {
            const uno::Reference<sheet::XHeaderFooterContent> parts(properties->getPropertyValue(toOUString(name)),
                                                                    uno::UNO_QUERY_THROW);
            for (int part = 0; part < 3; ++part) {
                places_->push_back({Place::Kind::HeaderOrFooter,
                                    sheet,
                                    style,
                                    {},
                                    toOUString(name),
                                    part,
                                    TextPlace(TextPlace::Kind::Drawn, partOf(parts, part)).read()});
            }
        }
    }
}

void WorkbookPlaces::replace(sal_Int32 sheet, const table::CellRangeAddress& block, const QString& what,
                             const QString& replacement)
{
    if (what.isEmpty() || !mayHold({what}))
        return;
    for (Place& place : *places_) {
        if (place.sheet != sheet || !containsPlain(place.shown, what)
            || (place.kind == Place::Kind::Comment && !inBlock(place.cell, block)))
            continue;
        changed_ = true;
        place.replace(what, replacement);
        place.shown = place.read();
    }
}

QString WorkbookPlaces::whereShown(sal_Int32 sheet, int row, const QStringList& texts)
{
    if (!mayHold(texts))
        return {};
    for (const Place& place : *places_) {
        if (place.sheet != sheet || (place.kind == Place::Kind::Comment && place.cell.Row + 1 == row))
            continue;
        const PlainText shown(place.shown);
        const auto text =
            std::find_if(texts.cbegin(), texts.cend(), [&](const QString& t) { return shown.contains(t); });
        if (text == texts.cend())
            continue;
        switch (place.kind) {
        case Place::Kind::Comment:
            return QStringLiteral("«%1» стоит в примечании к ячейке %2 листа %3")
                .arg(*text, cellName(place.cell.Column, place.cell.Row))
                .arg(sheet + 1);
        case Place::Kind::HeaderOrFooter:
            return QStringLiteral("«%1» стоит в колонтитуле листа %2").arg(*text).arg(sheet + 1);
        case Place::Kind::Shape:
            return QStringLiteral("«%1» стоит в надписи или фигуре листа %2").arg(*text).arg(sheet + 1);
        }
    }
    return {};
}

void WorkbookPlaces::findEach(const QStringList& texts, QList<bool>& found)
{
    QStringList wanted;
    for (int i = 0; i < texts.size(); ++i) {
        if (!found[i] && !texts[i].isEmpty())
            wanted << texts[i];
    }
    if (wanted.isEmpty() || !mayHold(wanted))
        return;
    for (const Place& place : *places_) {
        const PlainText shown(place.shown);
        for (int i = 0; i < texts.size(); ++i)
            found[i] = found[i] || shown.contains(texts[i]);
    }
}

} // namespace office::lo
