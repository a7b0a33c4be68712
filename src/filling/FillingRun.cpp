#include "filling/FillingRun.h"

#include "common/Dialogs.h"
#include "filling/ExcelFiller.h"
#include "filling/FillingHost.h"
#include "filling/FillingRules.h"
#include "filling/LeftIdentifiers.h"
#include "filling/RunContext.h"
#include "filling/TraceLog.h"
#include "filling/WordFiller.h"
#include "filling/office/LibreOffice.h"
#include "filling/office/OfficeWait.h"
#include "general/IdentifierList.h"

#include <QFileInfo>

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

void runFilling(FillingHost& host)
{
    RunContext& run = runContext();
    run.runConfirmed = true;
    run.left = {};
    if (host.templateName().isEmpty()) {
        showInformation(QStringLiteral("Необходимо указать имя файла шаблона документа!"));
        return;
    }
    if (!QFileInfo(host.templateName()).isFile()) {
        showError(QStringLiteral("Имя файла указано не верно!"));
        return;
    }
    if (identifierList().count() == 0) {
        showInformation(QStringLiteral("Не задан ни один идентификатор для замены!"));
        return;
    }

    QDateTime done;
    {
        OfficeWork work(host);
        office::AutomationServer& server = fillingServer();
        // What the office makes of the file decides, not its name: a
        // workbook under any extension goes to the spreadsheet.
        if (server.opensAsSpreadsheet(host.templateName()))
            fillExcel(host, server);
        else if (diagnosticMode() == DiagnosticMode::WordTrace)
            fillWordTraced(host, server);
        else
            fillWord(host, server);
        done = QDateTime::currentDateTime();
    }

    if (run.runConfirmed)
        showInformation(filling::completionMessage(run.startMark, done) + leftIdentifiersMessage(run.left));
}
