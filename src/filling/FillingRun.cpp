#include "filling/FillingRun.h"

#include "common/Dialogs.h"
#include "filling/ExcelFiller.h"
#include "filling/FillingHost.h"
#include "filling/FillingRules.h"
#include "filling/RunContext.h"
#include "filling/TraceLog.h"
#include "filling/WordFiller.h"
#include "filling/office/LibreOffice.h"
#include "general/IdentifierList.h"

#include <QFileInfo>

namespace {

office::AutomationServer* installedServer = nullptr;

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

    if (filling::isSpreadsheetTemplate(host.templateName()))
        fillExcel(host, fillingServer());
    else if (diagnosticMode() == DiagnosticMode::WordTrace)
        fillWordTraced(host, fillingServer());
    else
        fillWord(host, fillingServer());

    if (run.runConfirmed)
        showInformation(filling::completionMessage(run.startMark, QDateTime::currentDateTime()));
}
