#include "filling/FillingRun.h"

#include "common/Dialogs.h"
#include "filling/FillingHost.h"
#include "filling/FillingRules.h"
#include "filling/LeftIdentifiers.h"
#include "filling/RunContext.h"
#include "general/IdentifierList.h"

#include <QFileInfo>

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

    const QDateTime done = fillTemplate(host, fillingServer());
    if (run.runConfirmed)
        showInformation(filling::completionMessage(run.startMark, done) + leftIdentifiersMessage(run.left));
}
