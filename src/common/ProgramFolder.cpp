#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString programFolderFor(const QString& executableFolder, bool executableFolderWritable)
{
    QString folder = qEnvironmentVariable("KVILMAR_PROGRAM_DIR");
    if (folder.isEmpty() && executableFolderWritable)
        folder = executableFolder;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        // Saving needs the folder; should this fail, the save reports it.
        QDir().mkpath(folder);
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool programMayWriteIn(const QString& executableFolder)
{
    const QString folder = QDir::cleanPath(executableFolder);
    if (folder.startsWith(QLatin1String("/usr/")))
        return false;
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

QString programFolder()
{
    const QString executableFolder = QCoreApplication::applicationDirPath();
    return programFolderFor(executableFolder, programMayWriteIn(executableFolder));
}

QString programFile(const QString& name)
{
    return programFolder() + name;
}
