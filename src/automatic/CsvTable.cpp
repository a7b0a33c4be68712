#include "automatic/CsvTable.h"

#include "common/Codec1251.h"
#include "common/FileAccess.h"
#include "common/KvilmarError.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace automatic {

namespace {

constexpr char kEndOfFile = 26;
constexpr char kQuote = '"';

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

class Scanner {
public:
    Scanner(const QByteArray& content, char separator, const QString& fileName)
        : d_(content), separator_(separator), fileName_(fileName)
    {
    }

    DataTable scan()
    {
        TableBuilder builder(fileName_);
        while (pos_ < d_.size()) {
            const int recordLine = line_;
            QStringList cells;
            for (qsizetype column = 0;; ++column) {
                QString text = QString::fromUtf8(cell());
                if (builder.keepCell(recordLine, column, text))
                    cells.append(std::move(text));
                if (pos_ < d_.size() && d_.at(pos_) == separator_) {
                    ++pos_;
                    continue;
                }
                break;
            }
            skipLineEnd();
            builder.add(recordLine, std::move(cells));
        }
        return builder.finish();
    }

private:
    QByteArray cell()
    {
        if (pos_ < d_.size() && d_.at(pos_) == kQuote)
            return quotedCell();
        const qsizetype start = pos_;
        while (pos_ < d_.size() && d_.at(pos_) != separator_ && !isLineEnd(d_.at(pos_)))
            ++pos_;
        return d_.mid(start, pos_ - start);
    }

    QByteArray quotedCell()
    {
        const int openedAt = line_;
        ++pos_;
        QByteArray text;
        for (;;) {
            const qsizetype quote = d_.indexOf(kQuote, pos_);
            if (quote < 0)
                throw KvilmarError(tablePlace(fileName_, openedAt)
                                   + QStringLiteral("кавычка, открытая в этой строке, не закрыта до конца файла."));
            appendWithBreaks(text, quote);
            pos_ = quote + 1;
            if (pos_ < d_.size() && d_.at(pos_) == kQuote) {
                text += kQuote;
                ++pos_;
                continue;
            }
            break;
        }
        if (pos_ < d_.size() && d_.at(pos_) != separator_ && !isLineEnd(d_.at(pos_)))
            throw KvilmarError(
                tablePlace(fileName_, line_)
                + QStringLiteral("после закрывающей кавычки должен стоять разделитель \"%1\" "
                                 "или конец строки. Кавычку внутри ячейки в кавычках пишут дважды.")
                      .arg(separator_ == '\t' ? QStringLiteral("табуляция") : QString(QLatin1Char(separator_))));
        return text;
    }

    // Copies the bytes up to end, each line break (CR LF, CR or LF) as one CR.
    void appendWithBreaks(QByteArray& text, qsizetype end)
    {
        while (pos_ < end) {
            const char c = d_.at(pos_++);
            if (!isLineEnd(c)) {
                text += c;
                continue;
            }
            if (c == '\r' && pos_ < end && d_.at(pos_) == '\n')
                ++pos_;
            text += '\r';
            ++line_;
        }
    }

    void skipLineEnd()
    {
        if (pos_ >= d_.size())
            return;
        if (d_.at(pos_++) == '\r' && pos_ < d_.size() && d_.at(pos_) == '\n')
            ++pos_;
        ++line_;
    }

    const QByteArray& d_;
    const char separator_;
    const QString& fileName_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

// A table saved in UTF-16 without its byte-order mark (as some programs
// export "Unicode text"): a text table holds no NUL byte otherwise, and
// the NUL halves of its separators, line ends, digits and Latin letters
// fall on one side of each pair (a rare letter's other half may be NUL too).
std::optional<QStringConverter::Encoding> utf16WithoutMark(const QByteArray& content)
{
    if (content.size() < 2 || content.size() % 2 != 0 || content.startsWith("\xFF\xFE")
        || content.startsWith("\xFE\xFF"))
        return std::nullopt;
    qsizetype even = 0, odd = 0;
    const qsizetype looked = std::min<qsizetype>(content.size(), 64 * 1024);
    for (qsizetype i = 0; i < looked; ++i)
        if (content.at(i) == 0)
            ++(i % 2 ? odd : even);
    if (odd > 3 * even)
        return QStringConverter::Utf16LE;
    if (even > 3 * odd)
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

} // namespace

bool isTextTable(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("csv") || suffix == QLatin1String("tsv") || suffix == QLatin1String("txt");
}

char detectSeparator(const QByteArray& content)
{
    static constexpr char kCandidates[] = {';', '\t', ','};
    qsizetype counts[3] = {0, 0, 0};
    bool quoted = false, text = false;
    for (const char c : content) {
        if (c == kQuote)
            quoted = !quoted;
        else if (!quoted && isLineEnd(c)) {
            if (text)
                break;
            continue;
        }
        text = true;
        if (quoted)
            continue;
        for (int i = 0; i < 3; ++i)
            counts[i] += c == kCandidates[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best])
            best = i;
    return kCandidates[best];
}

DataTable parseTextTable(QByteArray content, const QString& fileName)
{
    // UTF-8 never uses the bytes of quotes, separators or line ends inside a
    // letter, so the whole file is scanned as UTF-8, whatever it came in.
    if (const auto encoding = utf16WithoutMark(content)) {
        QStringDecoder decoder(*encoding);
        const QString text = decoder.decode(content);
        content = text.toUtf8();
    } else {
        content = cp1251::decodeFileText(content).toUtf8();
    }
    const qsizetype end = content.indexOf(kEndOfFile);
    if (end >= 0)
        content.truncate(end);
    return Scanner(content, detectSeparator(content), fileName).scan();
}

DataTable readTextTable(const QString& fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    fileAccess::Result file = fileAccess::read(fileName, kMaxTextTableBytes);
    switch (file.problem) {
    case fileAccess::Problem::None: return parseTextTable(std::move(file.content), fileName);
    case fileAccess::Problem::Missing: throw KvilmarError(QStringLiteral("Файл таблицы \"%1\" не найден.").arg(shown));
    case fileAccess::Problem::TooLarge:
        throw KvilmarError(QStringLiteral("Файл таблицы \"%1\" слишком велик: больше %2.")
                               .arg(shown, fileAccess::sizeText(kMaxTextTableBytes)));
    default: throw KvilmarError(QStringLiteral("Не удается открыть файл таблицы \"%1\": %2").arg(shown, file.reason));
    }
}

} // namespace automatic
