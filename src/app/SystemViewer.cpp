#include "app/SystemViewer.h"

#include <QMimeDatabase>
#include <QProcess>

namespace systemViewer {

bool hasViewerFor(const QString& fileName)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName);
    QProcess query;
    if (type.isValid())
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type.name()});
    if (!type.isValid() || !query.waitForStarted(5000))
        return true;
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished();
        return true;
    }
    return query.exitStatus() != QProcess::NormalExit || !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace systemViewer
