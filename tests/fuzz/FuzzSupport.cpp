#include "FuzzSupport.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

namespace fuzz {

QString scratchFile(const QString& name, const QByteArray& bytes)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(name);
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_REQUIRE(file.write(bytes) == bytes.size());
    return path;
}

bool mayReadAsUtf8(const QByteArray& bytes)
{
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    return !ascii && bytes.isValidUtf8();
}

void useRussianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

} // namespace fuzz
