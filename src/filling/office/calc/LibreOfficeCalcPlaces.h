#pragma once

#include "common/FileVersion.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The places of a workbook besides its cells that show text: the comments
// of cells, each sheet's header and footer (those of its page style, which
// sheets may share), and the text of drawing shapes, grouped ones too. They
// are collected once, when first needed, and each is read again only where
// the filling replaced.
namespace office::lo {

struct RunMemory;

class WorkbookPlaces {
public:
    // The places of a workbook opened from the template file `openedFrom`,
    // as it stood: one opened from an unchanged file holds in them what the
    // last one held, so a template whose places hold none of the texts asked
    // about is not searched again.
    // `memory` is the run's (RunMemory.h).
    WorkbookPlaces(css::uno::Reference<css::lang::XComponent> document, FileVersion openedFrom, RunMemory& memory);

    // Replaces `what` (a carriage return for a paragraph break, in both) as
    // the plain search matches it, keeping the formatting, in the places of
    // sheet `sheet` (from 0): its header and footer, unless an earlier sheet
    // shares them, its drawing shapes, and the comments of the cells in
    // `block`. Throws as the office calls do.
    void replace(sal_Int32 sheet, const css::table::CellRangeAddress& block, const QString& what,
                 const QString& replacement);

    // Sets found[i] where a place of any sheet shows texts[i].
    void findEach(const QStringList& texts, QList<bool>& found);

    // Where on sheet `sheet` (from 0) a place shows any of the texts, told
    // for a message («[Товар]» стоит в колонтитуле листа 1), leaving out the comments of
    // row `row` (from 1; 0 for none); empty when nowhere.
    QString whereShown(sal_Int32 sheet, int row, const QStringList& texts);

    // Whether the filling changed any place: the office's undo does not take
    // such changes back.
    bool changed() const { return changed_; }

private:
    struct Place {
        enum class Kind { Comment, HeaderOrFooter, Shape } kind;
        sal_Int32 sheet; // the first sheet that shows it
        css::uno::Reference<css::uno::XInterface> object; // the comment, the shape, the page style
        css::table::CellAddress cell; // a comment's
        rtl::OUString content; // a header's or footer's property of the style
        int part = 0; // of it: left, centre or right
        QString shown;

        QString read() const;
        void replace(const QString& what, const QString& replacement) const;
    };
    // Collects the places unless the template is known to show none of the
    // texts in them.
    bool mayHold(const QStringList& texts);
    void collect();
    void addShapes(sal_Int32 sheet, const css::uno::Reference<css::uno::XInterface>& shapes);
    void addHeadersAndFooters(sal_Int32 sheet, const css::uno::Reference<css::uno::XInterface>& style);

    css::uno::Reference<css::lang::XComponent> document_;
    FileVersion openedFrom_;
    RunMemory& memory_;
    std::optional<std::vector<Place>> places_;
    bool changed_ = false;
};

} // namespace office::lo
