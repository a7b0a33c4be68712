#include "filling/FillingRunCore.h"

#include "common/TraceLog.h"
#include "filling/ExcelFiller.h"
#include "filling/FillingHost.h"
#include "filling/WordFiller.h"
#include "filling/office/connection/OfficeWait.h"
#include "filling/office/server/LibreOffice.h"

namespace {

office::AutomationServer* installedServer = nullptr;

// While the run works with the office: the host shows it is busy and what
// the office is being waited for.
class OfficeWork final : public office::WaitListener {
public:
    explicit OfficeWork(FillingHost& host) : host_(host)
    {
        host_.showBusy(true);
        office::setWaitListener(this);
    }
    ~OfficeWork() override
    {
        office::setWaitListener(nullptr);
        host_.showBusy(false);
    }
    OfficeWork(const OfficeWork&) = delete;
    OfficeWork& operator=(const OfficeWork&) = delete;

    void officeWaitBegins(const QString& what) override { host_.showWaiting(what); }
    void officeWaitEnds() override { host_.showWaiting(QString()); }

private:
    FillingHost& host_;
};

} // namespace

office::AutomationServer& fillingServer()
{
    return installedServer ? *installedServer : office::libreOffice();
}

void installFillingServer(office::AutomationServer* server)
{
    installedServer = server;
}

FillJob startJob(const QString& templateName, const QList<IdentifierRecord>& records)
{
    FillJob job;
    job.templateName = templateName;
    job.records = records;
    job.trace = diagnosticMode() == DiagnosticMode::WordTrace;
    return job;
}

FillResult fillTemplate(FillingHost& host, office::AutomationServer& server, const FillJob& job)
{
    OfficeWork work(host);
    // What the office makes of the file decides, not its name: a workbook
    // under any extension goes to the spreadsheet.
    FillResult result =
        server.opensAsSpreadsheet(job.templateName) ? fillExcel(host, server, job) : fillWord(host, server, job);
    result.done = QDateTime::currentDateTime();
    return result;
}
