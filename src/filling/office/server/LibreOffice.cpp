#include "filling/office/server/LibreOffice.h"

#include "common/KvilmarError.h"
#include "filling/office/calc/LibreOfficeCalc.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/writer/LibreOfficeWriter.h"

namespace office {

namespace {

class LibreOfficeServer final : public AutomationServer {
public:
    std::shared_ptr<WordApplication> createWord(const QString& progId) override
    {
        requireProgId(progId, kWordProgId);
        return std::make_shared<lo::WriterApplication>();
    }

    std::shared_ptr<ExcelApplication> createExcel(const QString& progId) override
    {
        requireProgId(progId, kExcelProgId);
        return std::make_shared<lo::CalcApplication>();
    }

    bool opensAsSpreadsheet(const QString& fileName) override { return lo::opensAsSpreadsheet(fileName); }

private:
    static void requireProgId(const QString& progId, const QString& known)
    {
        if (progId != known)
            throw KvilmarError(QStringLiteral("Объект автоматизации \"%1\" не найден.").arg(progId));
    }
};

} // namespace

AutomationServer& libreOffice()
{
    static LibreOfficeServer server;
    return server;
}

} // namespace office
