#pragma once

#include "filling/office/Automation.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <vector>

// "Excel.Application" as LibreOffice Calc.
namespace office::lo {

class CalcApplication final : public ExcelApplication,
                              public std::enable_shared_from_this<CalcApplication> {
public:
    CalcApplication();
    // Released while an error unwinds the filler, it closes its workbooks.
    ~CalcApplication() override;
    std::shared_ptr<ExcelWorkbooks> Workbooks() override;
    std::shared_ptr<ExcelWorkbook> Workbooks(int n) override;
    void visible(bool visible) override;

    // The workbooks added by this application object, in order.
    std::vector<css::uno::Reference<css::lang::XComponent>> workbooks;

private:
    int uncaughtAtStart_;
};

} // namespace office::lo
