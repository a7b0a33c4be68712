#include "filling/office/writer/WriterItemRows.h"

#include "common/KvilmarError.h"
#include "filling/office/OfficeError.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"
#include "filling/office/text/UnoTextPlaces.h"

#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertyState.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XActionLockable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCopy.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/util/XReplaceable.hpp>

#include <QRegularExpression>

#include <optional>
#include <vector>

using namespace css;

namespace office::lo {

namespace {

// A place the search found an identifier: a cell of a table's row, or no
// table at all.
struct Occurrence {
    uno::Reference<text::XTextRange> range;
    uno::Reference<text::XTextTable> table;
    QString column;
    int row = 0; // from 1; 0 outside a table or in a cell of a split row
};

// "B3" is column "B" of row 3; a cell of a split or merged row ("A1.1.1")
// has no row of its own to repeat.
bool splitCellName(const QString& name, QString& column, int& row)
{
    static const QRegularExpression simple(QStringLiteral("^([A-Za-z]+)([0-9]+)$"));
    const QRegularExpressionMatch match = simple.match(name);
    if (!match.hasMatch())
        return false;
    column = match.captured(1);
    row = match.captured(2).toInt();
    return true;
}

// Where the document's search finds the identifier, in document order;
// `placed`: with the table and row of each.
std::vector<Occurrence> occurrences(KeptDescriptor& descriptor, const uno::Reference<util::XReplaceable>& document,
                                    const QString& identifier, bool placed)
{
    std::vector<Occurrence> found;
    const auto all =
        document->findAll(descriptor.set([&] { return document->createSearchDescriptor(); }, {identifier}));
    for (sal_Int32 i = 0; i < all->getCount(); ++i) {
        Occurrence occurrence;
        occurrence.range.set(all->getByIndex(i), uno::UNO_QUERY);
        if (!occurrence.range.is())
            continue;
        if (!placed) {
            found.push_back(occurrence);
            continue;
        }
        uno::Reference<beans::XPropertySet> where(occurrence.range, uno::UNO_QUERY);
        if (where.is()) {
            occurrence.table.set(where->getPropertyValue("TextTable"), uno::UNO_QUERY);
            uno::Reference<beans::XPropertySet> cell(where->getPropertyValue("Cell"), uno::UNO_QUERY);
            if (occurrence.table.is() && cell.is()) {
                rtl::OUString name;
                cell->getPropertyValue("CellName") >>= name;
                if (!splitCellName(toQString(name), occurrence.column, occurrence.row))
                    occurrence.row = 0;
            }
        }
        found.push_back(occurrence);
    }
    return found;
}

QString listed(const QStringList& identifiers)
{
    return QStringLiteral("«") + identifiers.join(QStringLiteral("», «")) + QStringLiteral("»");
}

// The columns of the table's row, in order.
QStringList columnsOf(const uno::Reference<text::XTextTable>& table, int row)
{
    QStringList columns;
    for (const rtl::OUString& name : table->getCellNames()) {
        QString column;
        int at = 0;
        if (splitCellName(toQString(name), column, at) && at == row)
            columns << column;
    }
    return columns;
}

uno::Reference<beans::XPropertySet> lastParagraph(const uno::Reference<text::XText>& text)
{
    const uno::Reference<container::XEnumeration> paragraphs =
        uno::Reference<container::XEnumerationAccess>(text, uno::UNO_QUERY_THROW)->createEnumeration();
    uno::Reference<beans::XPropertySet> last;
    while (paragraphs->hasMoreElements())
        last.set(paragraphs->nextElement(), uno::UNO_QUERY);
    return last;
}

// The paragraph of a new cell, which holds one.
uno::Reference<beans::XPropertySet> onlyParagraph(const uno::Reference<text::XText>& text)
{
    return uno::Reference<beans::XPropertySet>(
        uno::Reference<container::XEnumerationAccess>(text, uno::UNO_QUERY_THROW)->createEnumeration()->nextElement(),
        uno::UNO_QUERY_THROW);
}

using OwnFormatting = std::vector<std::pair<rtl::OUString, uno::Any>>;

// What the paragraph sets itself, not through its style: a character
// format over all its text may be kept there (a Word document's is).
OwnFormatting ownFormatting(const uno::Reference<beans::XPropertySet>& from)
{
    OwnFormatting own;
    if (!from.is())
        return own;
    std::vector<rtl::OUString> names;
    for (const beans::Property& property : from->getPropertySetInfo()->getProperties())
        if (!(property.Attributes & beans::PropertyAttribute::READONLY))
            names.push_back(property.Name);
    const uno::Sequence<rtl::OUString> asked(names.data(), static_cast<sal_Int32>(names.size()));
    const uno::Sequence<beans::PropertyState> states =
        uno::Reference<beans::XPropertyState>(from, uno::UNO_QUERY_THROW)->getPropertyStates(asked);
    for (sal_Int32 i = 0; i < asked.getLength(); ++i)
        if (states[i] == beans::PropertyState_DIRECT_VALUE)
            own.emplace_back(asked[i], from->getPropertyValue(asked[i]));
    return own;
}

void setOwnFormatting(const OwnFormatting& own, const uno::Reference<beans::XPropertySet>& to)
{
    for (const auto& [name, value] : own) {
        try {
            to->setPropertyValue(name, value);
        } catch (const uno::RuntimeException&) {
            throw;
        } catch (const uno::Exception&) {
            // A property the new paragraph cannot take as it stands (its
            // place in a list): what shows stays the copied text's.
        }
    }
}

uno::Reference<text::XTextCopy> cellOf(const uno::Reference<text::XTextTable>& table, const QString& column, int row)
{
    return uno::Reference<text::XTextCopy>(table->getCellByName(toOUString(column + QString::number(row))),
                                           uno::UNO_QUERY_THROW);
}

// Copies the cells of row `from` into the rows `to`..`to + count - 1`.
void copyRow(const uno::Reference<text::XTextTable>& table, const QStringList& columns, int from, int to, int count)
{
    for (const QString& column : columns) {
        const uno::Reference<text::XTextCopy> source = cellOf(table, column, from);
        const OwnFormatting own =
            ownFormatting(lastParagraph(uno::Reference<text::XText>(source, uno::UNO_QUERY_THROW)));
        for (int row = to; row < to + count; ++row) {
            const uno::Reference<text::XTextCopy> target = cellOf(table, column, row);
            // The new cell's one empty paragraph takes the copy's last one,
            // and with it that paragraph's own formatting.
            if (!own.empty())
                setOwnFormatting(own, onlyParagraph(uno::Reference<text::XText>(target, uno::UNO_QUERY_THROW)));
            target->copyText(source);
        }
    }
}

} // namespace

void fillItemRows(const uno::Reference<lang::XComponent>& document, const QStringList& identifiers,
                  const QList<QStringList>& items, KeptDescriptor& descriptor)
{
    // The document is laid out once, after all the rows are made, not
    // after each change.
    struct HeldBack {
        uno::Reference<frame::XModel> model;
        uno::Reference<document::XActionLockable> actions;
        ~HeldBack()
        {
            try {
                callOffice(QString(), [&] {
                    if (actions.is())
                        actions->removeActionLock();
                    if (model.is())
                        model->unlockControllers();
                });
            } catch (...) {
                // The office went away; the next call says so.
            }
        }
    };
    std::optional<HeldBack> heldBack;
    callOffice(QStringLiteral("Не удается повторить строку позиций"), [&] {
        heldBack.emplace();
        uno::Reference<frame::XModel> model(document, uno::UNO_QUERY_THROW);
        model->lockControllers();
        heldBack->model = model;
        uno::Reference<document::XActionLockable> actions(document, uno::UNO_QUERY);
        if (actions.is()) {
            actions->addActionLock();
            heldBack->actions = actions;
        }
    });
    uno::Reference<util::XReplaceable> searchable(document, uno::UNO_QUERY_THROW);
    uno::Reference<text::XTextTable> table;
    int row = 0;
    const int count = static_cast<int>(items.size());
    std::vector<std::size_t> inRow; // occurrences of each identifier in the row
    callOffice(QStringLiteral("Не удается найти строку позиций"), [&] {
        for (const QString& identifier : identifiers) {
            const std::vector<Occurrence> found = occurrences(descriptor, searchable, identifier, true);
            inRow.push_back(found.size());
            for (const Occurrence& occurrence : found) {
                if (occurrence.row == 0)
                    throw ItemRowsUnfit(
                        QStringLiteral("Идентификатор позиций «%1» стоит в шаблоне не в строке таблицы (или в "
                                       "разделённой ячейке): повторить можно только целую строку таблицы.")
                            .arg(identifier));
                if (table.is() && (occurrence.table != table || occurrence.row != row))
                    throw ItemRowsUnfit(QStringLiteral("Идентификаторы позиций %1 стоят в шаблоне больше чем в одной "
                                                       "строке таблицы: повторяется одна строка.")
                                            .arg(listed(identifiers)));
                table = occurrence.table;
                row = occurrence.row;
            }
        }
    });
    if (!table.is())
        throw ItemRowsUnfit(
            QStringLiteral("В шаблоне нет строки таблицы с идентификаторами позиций %1.").arg(listed(identifiers)));
    reachStep(OfficeStep::Replace);
    callOffice(QStringLiteral("Не удается повторить строку позиций"), [&] {
        const uno::Reference<table::XTableRows> rows = table->getRows();
        if (count == 0) {
            rows->removeByIndex(row - 1, 1);
            return;
        }
        if (count == 1)
            return;
        // New rows come before the row, with its formatting; it moves to
        // the last place and its cells are copied into the ones above.
        rows->insertByIndex(row - 1, count - 1);
        const int original = row + count - 1;
        copyRow(table, columnsOf(table, original), original, row, count - 1);
    });
    if (count == 0)
        return;
    callOffice(QStringLiteral("Не удается заменить текст"), [&] {
        // Every occurrence lies in the item rows, the same number in each,
        // in the document's order: occurrence i is item i / inRow's. All
        // are found before any is written over, so that an item's text is
        // never searched again.
        std::vector<std::vector<Occurrence>> found;
        for (int j = 0; j < identifiers.size(); ++j) {
            found.push_back(occurrences(descriptor, searchable, identifiers[j], false));
            if (found.back().size() != inRow[j] * std::size_t(count))
                throw KvilmarError(QStringLiteral("Строка позиций с «%1» повторена не так, как ожидалось: в документе "
                                                  "его %2 раз вместо %3.")
                                       .arg(identifiers[j])
                                       .arg(found.back().size())
                                       .arg(inRow[j] * count));
        }
        for (int j = 0; j < identifiers.size(); ++j)
            for (std::size_t i = 0; i < found[j].size(); ++i) {
                const Occurrence& occurrence = found[j][i];
                writeOver(occurrence.range->getText(), occurrence.range->getStart(),
                          toQString(occurrence.range->getString()), items[int(i / inRow[j])][j]);
            }
    });
}

} // namespace office::lo
