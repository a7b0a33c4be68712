#include "general/LastFiles.h"

#include "common/Codec1251.h"
#include "common/KvilmarError.h"
#include "common/ProgramFolder.h"
#include "common/TextFile.h"
#include "common/TraceLog.h"
#include "settings/SettingsFiles.h"

namespace {

// The trace of paths left out of the file; a trace log that cannot be
// written must not keep the file from being written.
void traceLeftOut(bool listLeftOut, bool templateLeftOut)
{
    try {
        TraceScope trace("799");
        traceLog::write("700");
        if (listLeftOut)
            traceLog::write("701");
        if (templateLeftOut)
            traceLog::write("702");
    } catch (const KvilmarError&) {
    }
}

QByteArray pathLine(char tag, const QString& path)
{
    return QByteArray(1, tag) + (cp1251::canEncode(path) ? cp1251::fromUnicode(path) : QByteArray());
}

} // namespace

LastFiles LastFiles::read(const QString& fileName)
{
    LastFiles files;
    const fileAccess::Result file = settingsFiles::readFile(fileName);
    TextLineReader reader(file.content);
    while (!reader.atEnd()) {
        const QByteArray line = reader.readLine();
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

bool LastFiles::write(const QString& fileName, QString* why) const
{
    const bool written = writeTextFile(fileName, {pathLine('1', listFile), pathLine('2', templateFile)}, why);
    const bool listLeftOut = !cp1251::canEncode(listFile);
    const bool templateLeftOut = !cp1251::canEncode(templateFile);
    if (diagnosticMode() != DiagnosticMode::Off && (listLeftOut || templateLeftOut))
        traceLeftOut(listLeftOut, templateLeftOut);
    return written;
}

QString LastFiles::defaultFileName()
{
    return programFile(QStringLiteral("nstrtxt.dan"));
}
