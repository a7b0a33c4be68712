#include "filling/office/server/LibreOffice.h"

#include "common/KvilmarError.h"
#include "filling/office/calc/LibreOfficeCalc.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/writer/LibreOfficeWriter.h"

namespace office {

namespace {

class LibreOfficeServer final : public AutomationServer {
public:
    std::shared_ptr<WordApplication> createWord(const QString& progId) override
    {
        requireProgId(progId, kWordProgId);
        auto word = std::make_shared<lo::WriterApplication>();
        word->memory = memory_;
        return word;
    }

    std::shared_ptr<ExcelApplication> createExcel(const QString& progId) override
    {
        requireProgId(progId, kExcelProgId);
        auto excel = std::make_shared<lo::CalcApplication>();
        excel->memory = memory_;
        return excel;
    }

    bool opensAsSpreadsheet(const QString& fileName) override { return lo::opensAsSpreadsheet(fileName); }

private:
    static void requireProgId(const QString& progId, const QString& known)
    {
        if (progId != known)
            throw KvilmarError(QStringLiteral("Объект автоматизации \"%1\" не найден.").arg(progId));
    }

    // The windows fill one template after another in the same office: what
    // the last filling of a template remembered serves the next «Старт».
    std::shared_ptr<lo::RunMemory> memory_ = std::make_shared<lo::RunMemory>();
};

} // namespace

AutomationServer& libreOffice()
{
    // Never destroyed: what it keeps belongs to an office that may be gone
    // by the time the program ends.
    static auto* server = new LibreOfficeServer;
    return *server;
}

} // namespace office
