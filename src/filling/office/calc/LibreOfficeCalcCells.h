#pragma once

#include "filling/office/Automation.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XReplaceable.hpp>

#include <QList>
#include <QString>
#include <optional>
#include <vector>

// The replacing in a sheet's cells, keeping the texts it makes. The office
// reads a replaced cell as typed input: "007" would become 7, "1/2" a date,
// "=1+1" a formula, and twenty digits would lose five. So the cells that are
// not formulas are given the text format while they are replaced, which the
// office's replace then keeps as it is, and their own formats back after;
// only a text that reads back as exactly the same number becomes a number.
// A formula stays one, with the replacement written into its strings as
// text. A cell whose text has formatting of its own parts, a link or more
// than one line is replaced in within its text, as a text document is, so
// that the link and the formatting stay and the replacement takes the
// identifier's; such a cell stays text.
namespace office::lo {

class KeptDescriptor;

class CellReplacing {
public:
    // The cells (a block, or what a search found) of the sheet `sheet` in
    // `document`, whose text format is `textFormat` (textFormatOf).
    // `descriptor` is the run's, for the searches in cells.
    CellReplacing(css::uno::Reference<css::uno::XInterface> cells, css::uno::Reference<css::table::XCellRange> sheet,
                  css::uno::Reference<css::lang::XComponent> document, sal_Int32 textFormat,
                  KeptDescriptor& descriptor);
    // Gives the cells their formats back if finish was not reached.
    ~CellReplacing();
    CellReplacing(const CellReplacing&) = delete;
    CellReplacing& operator=(const CellReplacing&) = delete;

    // Replaces every occurrence of `what` as the office's replace does (a
    // line feed for a line break in both). Throws as the office calls do.
    void replace(const QString& what, const QString& replacement);
    // Ends the replacing: the formats back, and the numbers made.
    void finish();
    // The long texts the finished replacing made (LongCellText).
    const QList<LongCellText>& longTexts() const { return long_; }

private:
    // A number format to give back: the cells' own, none for their style's.
    struct KeptFormat {
        css::uno::Reference<css::beans::XPropertySet> cells;
        std::optional<sal_Int32> format;
    };
    struct Target {
        css::uno::Reference<css::uno::XInterface> cells; // none when there are none
        css::uno::Reference<css::util::XReplaceable> replaceable;
        void replace(const QString& what, const QString& replacement, KeptDescriptor& descriptor);
    };

    // A cell replaced in within its text, and what it shows.
    struct RichCell {
        css::uno::Reference<css::text::XText> text;
        QString shown;
    };

    void begin();
    // What replaceAll acts on: the cells, but those replaced in within
    // their texts.
    css::uno::Reference<css::uno::XInterface> withoutRich(const css::uno::Reference<css::uno::XInterface>& cells) const;
    bool isRich(sal_Int32 column, sal_Int32 row) const;
    void measure();
    // `alike`: all the cells are formatted alike.
    void keepFormats(const css::uno::Reference<css::uno::XInterface>& cells, bool alike);
    void giveFormatsBack();
    void makeNumbers();

    css::uno::Reference<css::table::XCellRange> sheet_;
    css::uno::Reference<css::lang::XComponent> document_;
    sal_Int32 textFormat_;
    KeptDescriptor& descriptor_;
    Target all_;
    Target texts_; // the cells that are not formulas
    Target formulas_;
    // The cells of formatted text, and what replaceAll acts on instead of
    // all_ and texts_.
    std::vector<css::table::CellRangeAddress> richRanges_;
    std::vector<RichCell> rich_;
    Target plainAll_;
    Target plainTexts_;
    QList<LongCellText> long_;
    std::vector<KeptFormat> formats_;
    bool begun_ = false;
    bool finished_ = false;
    bool numbersPossible_ = false;
};

// A cell's name: "A1" for column 0, row 0.
QString cellName(sal_Int32 column, sal_Int32 row);

// The document's number format that keeps whatever is typed as text.
sal_Int32 textFormatOf(const css::uno::Reference<css::lang::XComponent>& document);

} // namespace office::lo
