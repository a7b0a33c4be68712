#include "filling/ExcelFiller.h"

#include "common/Codec1251.h"
#include "filling/FillingHost.h"
#include "filling/FillingRules.h"
#include "filling/LeftIdentifiers.h"
#include "filling/LineBreakEscape.h"
#include "filling/RunContext.h"
#include "filling/office/Automation.h"
#include "general/IdentifierList.h"

RangeSelection& rangeSelection()
{
    static RangeSelection selection;
    return selection;
}

namespace {

void replaceOnSheets(FillingHost& host, office::ExcelApplication& excel, const QStringList& identifiers)
{
    RunContext& run = runContext();
    const IdentifierList& list = identifierList();
    const RangeSelection& selection = rangeSelection();

    host.showProgress(QStringLiteral("Выполнено: 0 %"));
    for (int sheet = 1; sheet <= selection.sheetCount; ++sheet) {
        // Taken at the sheet's first enabled record, where a missing sheet
        // or a refused range ends the replacing, and kept for the sheet's
        // other records: only the cells holding an identifier are searched.
        std::shared_ptr<office::ExcelRange> cells;
        for (int i = 0; i < list.count(); ++i) {
            const IdentifierRecord& record = list.record(i);
            run.currentIdentifier = convertLineBreak(record.identifier);
            run.currentReplacement = convertLineBreak(record.replacement);
            if (record.status) {
                if (!cells)
                    cells = excel.Workbooks(1)->Worksheets(sheet)->Columns()->range(selection.rangeText)
                                ->cellsHoldingAny(identifiers);
                cells->replace(cp1251::toUnicode(run.currentIdentifier), cp1251::toUnicode(run.currentReplacement));
            }
            host.showProgress(filling::progressText(sheet, i, selection.sheetCount, list.count()));
        }
        if (cells)
            cells->finishReplacing();
    }
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

void fillExcel(FillingHost& host, office::AutomationServer& server)
{
    RunContext& run = runContext();
    host.showRangeWindow();
    if (!run.runConfirmed)
        return;
    host.repaintMain();
    run.startMark = QDateTime::currentDateTime();
    host.showProgress(QStringLiteral("Идет подготовка к работе..."));
    const StatusReset reset(host);
    const LeftIdentifierSearch search(identifierList());

    auto excel = server.createExcel(office::kExcelProgId);
    excel->Workbooks()->Add(host.templateName());
    const QList<bool> inTemplate = askOffice([&] {
        return host.templateHolds(search.texts(), [&] { return excel->Workbooks(1)->findEach(search.texts()); });
    });

    // A failure here (a sheet past the last one, a range the spreadsheet does
    // not accept) ends the replacing; the workbook is shown as it is. An
    // office that went away took the workbook with it: that ends the run.
    try {
        replaceOnSheets(host, *excel, search.texts());
    } catch (const office::ConnectionLost&) {
        throw;
    } catch (...) {
    }

    run.left = search.result(inTemplate, askOffice([&] { return excel->Workbooks(1)->findEach(search.texts()); }));
    excel->visible(true);
    excel.reset();   // the spreadsheet stays open with the workbook
}
