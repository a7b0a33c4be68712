#pragma once

#include "common/FileVersion.h"
#include "filling/office/Automation.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

#include <QStringList>
#include <map>
#include <memory>
#include <vector>

// "Excel.Application" as LibreOffice Calc.
namespace office::lo {

class KeptTemplate;
struct RunMemory;
struct WorkbookFilling;

class CalcApplication final : public ExcelApplication, public std::enable_shared_from_this<CalcApplication> {
public:
    CalcApplication();
    // Released while an error unwinds the filler, it closes its workbooks.
    ~CalcApplication() override;
    std::shared_ptr<ExcelWorkbooks> Workbooks() override;
    std::shared_ptr<ExcelWorkbook> Workbooks(int n) override;
    void visible(bool visible) override;

    // The workbooks added by this application object, in order, each with
    // the template file it was opened from, as that stood.
    struct Workbook {
        css::uno::Reference<css::lang::XComponent> document;
        FileVersion file;
        std::shared_ptr<WorkbookFilling> filling; // what its filling keeps
        // Whether every change the filling made is one the office's undo
        // takes back whole: the replaces in cells, with the keeping of their
        // texts, but not what was replaced in comments, headers, footers,
        // shapes and the workbook's properties.
        bool onlySearchReplaced() const;
    };
    std::vector<Workbook> workbooks;
    // Where a batch keeps its template open between documents; none for a
    // single filling. Workbooks().Add takes the template from there when it
    // holds it, and hands it what it opens otherwise.
    KeptTemplate* keptTemplate = nullptr;
    // What the run remembers between its documents: the application's own,
    // unless a batch hands it the one it keeps for all its documents.
    std::shared_ptr<RunMemory> memory = std::make_shared<RunMemory>();

    // What the objects made by this one share: by workbook and sheet index,
    // the last search of a block for the cells holding any of some texts,
    // while it still tells where those texts can be: the rest of the block
    // held none of them, and nothing has been replaced there since. A later
    // search for them on that sheet skips the rest of the block.
    struct BlockSearch {
        css::table::CellRangeAddress block;
        QStringList texts; // as searched in cells
        css::uno::Reference<css::uno::XInterface> found; // none when none held any
    };
    struct Shared {
        std::map<std::pair<int, sal_Int32>, BlockSearch> searched;
    };

private:
    int uncaughtAtStart_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

} // namespace office::lo
