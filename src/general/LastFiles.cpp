#include "general/LastFiles.h"

#include "common/Codec1251.h"
#include "common/ProgramFolder.h"
#include "common/TextFile.h"

LastFiles LastFiles::read(const QString& fileName)
{
    LastFiles files;
    std::optional<TextLineReader> reader = openTextFile(fileName);
    if (!reader)
        return files;
    while (!reader->atEnd()) {
        const QByteArray line = reader->readLine();
        if (line.size() <= 1)
            continue;
        const QString rest = cp1251::toUnicode(line.mid(1));
        if (line.at(0) == '1')
            files.listFile = rest;
        else if (line.at(0) == '2')
            files.templateFile = rest;
    }
    return files;
}

bool LastFiles::write(const QString& fileName) const
{
    return writeTextFile(fileName, {"1" + cp1251::fromUnicode(listFile),
                                    "2" + cp1251::fromUnicode(templateFile)});
}

QString LastFiles::defaultFileName()
{
    return programFile(QStringLiteral("nstrtxt.dan"));
}
