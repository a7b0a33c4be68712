#include "net/VersionCheck.h"

#include "common/KvilmarError.h"
#include "common/ProgramInfo.h"
#include "common/TextFile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <optional>

namespace versionCheck {

QByteArray versionFileUrl()
{
    return "http://" + programInfo::makerServer().toUtf8() + "/brennic/kvilmar.iss";
}

QString siteAddress()
{
    return QStringLiteral("http://") + programInfo::makerServer() + QStringLiteral("/brennic");
}

QString versionFromCaption(const QString& caption, const QString& previous)
{
    return caption.size() > 2 ? caption.mid(2) : previous;
}

int countdownSeconds(const QDateTime& start, const QDateTime& now)
{
    const double elapsed = double(start.msecsTo(now)) / 1000.0;
    // nearbyint rounds half to even in the default rounding mode.
    return 30 - int(std::nearbyint(elapsed));
}

bool holdsVersionFile(qint16 replyStatus)
{
    return replyStatus == 200;
}

namespace {

// Numbers joined by single dots; no longer than a version is written.
bool isVersionLine(const QByteArray& line)
{
    if (line.isEmpty() || line.size() > 32 || line.startsWith('.') || line.endsWith('.') || line.contains(".."))
        return false;
    return std::all_of(line.begin(), line.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

} // namespace

bool isVersionFileText(const QByteArray& content)
{
    const qsizetype end = content.indexOf(char(26));
    const QByteArray text = end < 0 ? content : content.left(end);
    const bool onlyText = std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 ? byte != 0x7F : (c == '\t' || c == '\r' || c == '\n');
    });
    return onlyText && isVersionLine(TextLineReader(text).readLine());
}

bool isVersionFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = file.read(kVersionFileLimit + 1);
    return content.size() <= kVersionFileLimit && isVersionFileText(content);
}

VersionFileResult readVersionFile(const QString& path, const QByteArray& currentVersion)
{
    std::optional<TextLineReader> file = openTextFile(path);
    if (!file)
        throw KvilmarError(QStringLiteral("Не удается прочитать файл %1").arg(path));

    VersionFileResult result;
    result.NewVersion = file->readLine();
    if (result.NewVersion == currentVersion)
        return result;

    result.Newer = true;
    result.NewDate = file->readLine();
    QByteArray last = file->readLine();
    // Listed from the start of the file down to the running version's line.
    file = openTextFile(path);
    if (!file)
        throw KvilmarError(QStringLiteral("Не удается прочитать файл %1").arg(path));
    while (!file->atEnd() && last != currentVersion) {
        last = file->readLine();
        if (last != currentVersion)
            result.Lines.append(last);
    }
    return result;
}

} // namespace versionCheck
