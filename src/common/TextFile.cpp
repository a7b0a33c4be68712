#include "common/TextFile.h"

#include "common/Codec1251.h"
#include "common/SaveCopies.h"

namespace {
constexpr char kEndOfFile = 26;
}

TextLineReader::TextLineReader(QByteArray content, LineEnds ends) : content_(std::move(content)), ends_(ends)
{
    const qsizetype eof = content_.indexOf(kEndOfFile);
    if (eof >= 0)
        content_.truncate(eof);
}

QByteArray TextLineReader::readLine()
{
    if (atEnd())
        return {};
    qsizetype end = pos_;
    while (end < content_.size() && content_.at(end) != '\r' && (ends_ == LineEnds::Cr || content_.at(end) != '\n'))
        ++end;
    QByteArray line = content_.mid(pos_, end - pos_);
    pos_ = end + 1;
    if (end < content_.size() && content_.at(end) == '\r' && pos_ < content_.size() && content_.at(pos_) == '\n')
        ++pos_;
    return line;
}

namespace {

std::optional<QByteArray> readWholeFile(const QString& path, qint64 limit, QString* why)
{
    fileAccess::Result read = fileAccess::read(path, limit);
    if (!read.ok()) {
        if (why)
            *why = read.reason;
        return std::nullopt;
    }
    return std::move(read.content);
}

} // namespace

std::optional<TextLineReader> openTextFile(const QString& path, qint64 limit, QString* why)
{
    std::optional<QByteArray> content = readWholeFile(path, limit, why);
    if (!content)
        return std::nullopt;
    return TextLineReader(std::move(*content));
}

std::optional<ForeignTextReader> openForeignTextFile(const QString& path, qint64 limit, QString* why)
{
    std::optional<QByteArray> content = readWholeFile(path, limit, why);
    if (!content)
        return std::nullopt;
    return ForeignTextReader(cp1251::decodeFileText(*content));
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* why)
{
    const int error = saveCopies::putWhole(
        path, [&bytes](int fd) { return fileAccess::writeAll(fd, bytes.constData(), bytes.size()); },
        saveCopies::Existing::Replace);
    if (error && why)
        *why = fileAccess::writeFailure(error);
    return error == 0;
}

bool writeTextFile(const QString& path, const QList<QByteArray>& lines, QString* why)
{
    QByteArray bytes;
    for (const QByteArray& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return writeWholeFile(path, bytes, why);
}
