#include "common/ProgramFolder.h"

#include <QCoreApplication>

QString programFolder()
{
    QString folder = qEnvironmentVariable("KVILMAR_PROGRAM_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString programFile(const QString& name)
{
    return programFolder() + name;
}
