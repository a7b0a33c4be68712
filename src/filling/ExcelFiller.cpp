#include "filling/ExcelFiller.h"

#include "filling/FillingHost.h"
#include "filling/FillingRules.h"
#include "filling/LineBreakEscape.h"
#include "filling/office/Automation.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

void replaceOnSheets(FillingHost& host, office::ExcelApplication& excel, const FillJob& job,
                     const RangeSelection& selection, const QStringList& identifiers)
{
    const int count = static_cast<int>(job.records.size());
    host.showProgress(QStringLiteral("Выполнено: 0 %"));
    for (int sheet = 1; sheet <= selection.sheetCount; ++sheet) {
        // Taken at the sheet's first enabled record, where a missing sheet
        // or a refused range ends the replacing, and kept for the sheet's
        // other records: only the cells holding an identifier are searched.
        std::shared_ptr<office::ExcelRange> cells;
        for (int i = 0; i < count; ++i) {
            const IdentifierRecord& record = job.records.at(i);
            if (record.status) {
                if (!cells)
                    cells = excel.Workbooks(1)
                                ->Worksheets(sheet)
                                ->Columns()
                                ->range(selection.rangeText)
                                ->cellsHoldingAny(identifiers);
                cells->replace(convertLineBreak(record.identifier), convertLineBreak(record.replacement));
            }
            host.showProgress(filling::progressText(sheet, i, selection.sheetCount, count));
        }
        if (cells)
            cells->finishReplacing();
    }
}

// Repeats the block's one row holding item identifiers once per item and
// fills each copy with its item's texts, by the cell rules of every
// replace. Returns the block grown (or shrunk) by the rows that came.
RangeSelection fillItemRows(office::ExcelApplication& excel, const ItemRows& items, RangeSelection selection)
{
    static const QRegularExpression block(QStringLiteral("^([A-Za-z]+)([0-9]+):([A-Za-z]+)([0-9]+)$"));
    const QRegularExpressionMatch match = block.match(selection.rangeText);
    const QStringList identifiers = convertLineBreaks(items.identifiers);
    const QString listed = QStringLiteral("«") + items.identifiers.join(QStringLiteral("», «")) + QStringLiteral("»");
    int sheet = 0, row = 0;
    for (int n = 1; n <= selection.sheetCount && match.hasMatch(); ++n) {
        std::shared_ptr<office::ExcelWorksheet> worksheet;
        try {
            worksheet = excel.Workbooks(1)->Worksheets(n);
        } catch (const office::ConnectionLost&) {
            throw;
        } catch (const KvilmarError&) {
            break; // past the last sheet, as the replacing itself stops there
        }
        const QList<int> rows = worksheet->rowsHoldingAny(selection.rangeText, identifiers);
        if (rows.isEmpty())
            continue;
        if (sheet != 0 || rows.size() > 1)
            throw office::ItemRowsUnfit(QStringLiteral("Идентификаторы позиций %1 стоят в блоке %2 шаблона больше чем "
                                                       "в одной строке: повторяется одна строка.")
                                            .arg(listed, selection.rangeText));
        sheet = n;
        row = rows.first();
    }
    if (sheet == 0)
        throw office::ItemRowsUnfit(QStringLiteral("В блоке %1 шаблона (листов: %2) нет строки с идентификаторами "
                                                   "позиций %3.")
                                        .arg(selection.rangeText)
                                        .arg(selection.sheetCount)
                                        .arg(listed));
    const int count = static_cast<int>(items.items.size());
    const auto worksheet = excel.Workbooks(1)->Worksheets(sheet);
    worksheet->repeatRow(row, count);
    for (int k = 0; k < count; ++k) {
        const QString rowText =
            QStringLiteral("%1%2:%3%2").arg(match.captured(1), QString::number(row + k), match.captured(3));
        const auto cells = worksheet->Columns()->range(rowText)->cellsHoldingAny(identifiers);
        for (int j = 0; j < identifiers.size(); ++j)
            cells->replace(identifiers[j], convertLineBreak(items.items[k][j]));
        cells->finishReplacing();
    }
    selection.rangeText = QStringLiteral("%1%2:%3%4")
                              .arg(match.captured(1), match.captured(2), match.captured(3))
                              .arg(std::max(match.captured(2).toInt(), match.captured(4).toInt() + count - 1));
    return selection;
}

// Empties the status panel when the filler ends, however it ends.
class StatusReset {
public:
    explicit StatusReset(FillingHost& host) : host_(host) {}
    ~StatusReset() { host_.showProgress(QString()); }
    StatusReset(const StatusReset&) = delete;
    StatusReset& operator=(const StatusReset&) = delete;

private:
    FillingHost& host_;
};

} // namespace

FillResult fillExcel(FillingHost& host, office::AutomationServer& server, const FillJob& job)
{
    FillResult result;
    const std::optional<RangeSelection> selection = host.chooseRange(job.range);
    if (!selection) {
        result.confirmed = false;
        return result;
    }
    host.repaintMain();
    result.startMark = QDateTime::currentDateTime();
    host.showProgress(QStringLiteral("Идет подготовка к работе..."));
    const StatusReset reset(host);
    const LeftIdentifierSearch search(job.records);

    auto excel = server.createExcel(office::kExcelProgId);
    excel->Workbooks()->Add(job.templateName);
    const QList<bool> inTemplate = askOffice([&] {
        return host.templateHolds(search.texts(), [&] { return excel->Workbooks(1)->findEach(search.texts()); });
    });
    const RangeSelection filled = job.items.any() ? fillItemRows(*excel, job.items, *selection) : *selection;

    // A failure here (a sheet past the last one, a range the spreadsheet does
    // not accept) ends the replacing; the workbook is shown as it is. An
    // office that went away took the workbook with it: that ends the run.
    try {
        replaceOnSheets(host, *excel, job, filled, search.texts());
    } catch (const office::ConnectionLost&) {
        throw;
    } catch (...) {
    }

    std::shared_ptr<office::ExcelWorkbook> workbook;
    result.left = search.result(inTemplate, askOffice([&] {
                                    workbook = excel->Workbooks(1);
                                    return workbook->findEach(search.texts());
                                }));
    // A cell the format to be saved in cuts: a document to be saved is not
    // made, one to be shown says so.
    if (workbook) {
        const QString savedAs = job.savedAs.isEmpty() ? job.templateName : job.savedAs;
        result.cut = filling::cutTexts(workbook->longTexts(), filling::cellTextLimits(savedAs));
    }
    if (!result.cut.isEmpty() && !job.savedAs.isEmpty())
        throw KvilmarError(filling::cutTextsRefusal(result.cut));
    excel->visible(true);
    excel.reset(); // the spreadsheet stays open with the workbook
    return result;
}
