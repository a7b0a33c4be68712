#include "filling/windows/FillingRun.h"

#include "common/windows/Dialogs.h"
#include "filling/FillingHost.h"
#include "filling/FillingRules.h"
#include "filling/LeftIdentifiers.h"

#include <QFileInfo>

void runFilling(FillingHost& host, const FillJob& job)
{
    if (job.templateName.isEmpty()) {
        showInformation(QStringLiteral("Необходимо указать имя файла шаблона документа!"));
        return;
    }
    if (!QFileInfo(job.templateName).isFile()) {
        showError(QStringLiteral("Имя файла указано не верно!"));
        return;
    }
    if (const QString unusable = filling::unusableTemplate(job.templateName); !unusable.isEmpty()) {
        showError(unusable);
        return;
    }
    if (job.records.isEmpty()) {
        showInformation(QStringLiteral("Не задан ни один идентификатор для замены!"));
        return;
    }
    if (const QString unwritable = filling::unwritableRecords(job.records); !unwritable.isEmpty()) {
        showError(unwritable);
        return;
    }

    const FillResult result = fillTemplate(host, fillingServer(), job);
    if (result.confirmed)
        showInformation(filling::completionMessage(result.startMark, result.done) + leftIdentifiersMessage(result.left)
                        + filling::cutTextsMessage(result.cut));
}
