#pragma once

#include "filling/office/Automation.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XReplaceDescriptor.hpp>

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

    // One replace descriptor for all the replaces of this object: each call
    // that sets one up is a round trip to the office.
    using SharedDescriptor = std::shared_ptr<css::uno::Reference<css::util::XReplaceDescriptor>>;

private:
    int uncaughtAtStart_;
    SharedDescriptor replacing_ = std::make_shared<css::uno::Reference<css::util::XReplaceDescriptor>>();
};

} // namespace office::lo
