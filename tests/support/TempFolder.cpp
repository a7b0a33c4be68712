#include "TempFolder.h"

#include <QDateTime>
#include <QFile>

#include <zlib.h>

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

namespace {

void little(QByteArray& out, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// One part, 70 MB of zeros deflated, whose headers say it holds 1 KB.
QByteArray lyingZip()
{
    const QByteArray zeros(70 * 1024 * 1024, '\0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray packed(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(zeros.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, Z_FINISH);
    packed.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    const QByteArray name("word/document.xml");
    QByteArray part;
    little(part, 0x04034b50, 4);
    for (const quint32 field : {20u, 0u, 8u, 0u, 0u})
        little(part, field, 2);
    little(part, 0, 4);   // check sum
    little(part, static_cast<quint32>(packed.size()), 4);
    little(part, 1024, 4);
    little(part, static_cast<quint32>(name.size()), 2);
    little(part, 0, 2);
    part += name + packed;
    // The directory at the end says the same.
    QByteArray listed;
    little(listed, 0x02014b50, 4);
    for (const quint32 field : {20u, 20u, 0u, 8u, 0u, 0u})
        little(listed, field, 2);
    little(listed, 0, 4);   // check sum
    little(listed, static_cast<quint32>(packed.size()), 4);
    little(listed, 1024, 4);
    for (const quint32 field : {static_cast<quint32>(name.size()), 0u, 0u, 0u, 0u})
        little(listed, field, 2);
    little(listed, 0, 4);   // attributes
    little(listed, 0, 4);   // where the part begins
    listed += name;
    QByteArray end;
    little(end, 0x06054b50, 4);
    for (const quint32 field : {0u, 0u, 1u, 1u})
        little(end, field, 2);
    little(end, static_cast<quint32>(listed.size()), 4);
    little(end, static_cast<quint32>(part.size()), 4);
    little(end, 0, 2);
    return part + listed + end;
}

} // namespace

QString TempFolder::make(const QString& name, const QByteArray& kind) const
{
    const QString path = file(name);
    if (kind == "fifo")
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
    else if (kind == "zero")
        QFile::link(QStringLiteral("/dev/zero"), path);
    else if (kind == "packed")
        write(name, lyingZip());
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
