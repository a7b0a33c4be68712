#include "TempFolder.h"

#include <QDateTime>
#include <QFile>

#include <sys/mount.h>
#include <sys/stat.h>

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
    if (mounted_)
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
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

QString TempFolder::make(const QString& name, const QByteArray& kind) const
{
    const QString path = file(name);
    if (kind == "fifo")
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
    else if (kind == "zero")
        QFile::link(QStringLiteral("/dev/zero"), path);
    else if (kind == "old") {
        QFile old(write(name, "1\r\n19\r\n"));
        if (old.open(QIODevice::ReadWrite))
            old.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600), QFileDevice::FileModificationTime);
    } else
        QFile(write(name, "1/l.fdp\r\n2/t.doc\r\n")).resize(kind.toLongLong());
    return path;
}

bool TempFolder::mountSmallDisk()
{
    mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, "size=64k") == 0;
    return mounted_;
}

void TempFolder::sealSmallDisk(bool readOnly)
{
    if (readOnly) {
        ::mount(nullptr, QFile::encodeName(dir_.path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
        return;
    }
    QFile filler(file(QStringLiteral(".filler")));
    if (filler.open(QIODevice::WriteOnly))
        filler.write(QByteArray(128 * 1024, '\0'));
}
