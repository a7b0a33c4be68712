#include "TempFolder.h"

#include <QFile>

TempFolder::TempFolder(bool asProgramFolder)
    : asProgramFolder_(asProgramFolder)
{
    if (asProgramFolder_) {
        previous_ = qgetenv("KVILMAR_PROGRAM_DIR");
        qputenv("KVILMAR_PROGRAM_DIR", path().toLocal8Bit());
    }
}

TempFolder::~TempFolder()
{
    if (asProgramFolder_) {
        if (previous_.isEmpty())
            qunsetenv("KVILMAR_PROGRAM_DIR");
        else
            qputenv("KVILMAR_PROGRAM_DIR", previous_);
    }
}

QString TempFolder::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return file(name);
}

QByteArray TempFolder::read(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
