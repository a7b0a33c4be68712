#include "automatic/BatchReport.h"

#include "filling/FillingRules.h"

#include <QDir>
#include <algorithm>

namespace automatic {

namespace {

QString seconds(qint64 msecs)
{
    return filling::oneDecimal(static_cast<double>(msecs) / 1000.0) + QStringLiteral(" с");
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

QString named(const JobOutcome& outcome)
{
    QString name = QDir::toNativeSeparators(outcome.output);
    if (outcome.line > 0)
        name += QStringLiteral(" (строка %1)").arg(outcome.line);
    return name;
}

} // namespace

int exitCodeFor(const QList<JobOutcome>& outcomes)
{
    const bool all = std::all_of(outcomes.begin(), outcomes.end(), [](const JobOutcome& o) { return o.made; });
    return all ? kAllMade : kSomeFailed;
}

QString progressLine(int number, int total, const JobOutcome& outcome)
{
    const QString head = QStringLiteral("[%1/%2] ").arg(number).arg(total) + named(outcome) + QStringLiteral(" — ");
    if (!outcome.made)
        return head + QStringLiteral("не сделан: ") + oneLine(outcome.reason);
    return head + seconds(outcome.msecs) + (outcome.note.isEmpty() ? QString() : QStringLiteral(". ") + outcome.note);
}

QString clockTime(qint64 msecs)
{
    const qint64 total = (std::max<qint64>(msecs, 0) + 500) / 1000;
    const qint64 h = total / 3600, m = total / 60 % 60, s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(total / 60).arg(s, 2, 10, QLatin1Char('0'));
}

QString progressBar(int done, int total, qint64 elapsedMsecs, int width)
{
    const int filled = total > 0 ? static_cast<int>(static_cast<qint64>(width) * done / total) : width;
    QString bar = QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-'))
        + QStringLiteral("] %1/%2").arg(done).arg(total);
    if (done > 0 && done < total)
        bar += QStringLiteral(", осталось около ") + clockTime(elapsedMsecs * (total - done) / done);
    return bar;
}

QString summaryText(const QList<JobOutcome>& outcomes, qint64 totalMsecs)
{
    const auto made = std::count_if(outcomes.begin(), outcomes.end(), [](const JobOutcome& o) { return o.made; });
    const auto existing =
        std::count_if(outcomes.begin(), outcomes.end(), [](const JobOutcome& o) { return o.existing; });
    QString text = QStringLiteral("Сделано документов: %1 из %2").arg(made).arg(outcomes.size())
        + (existing > 0 ? QStringLiteral(" (были до начала: %1).\n").arg(existing) : QStringLiteral(".\n"));
    const auto skipped = std::count_if(outcomes.begin(), outcomes.end(), [](const JobOutcome& o) { return o.skipped; });
    if (made + skipped < outcomes.size()) {
        text += QStringLiteral("Не сделано: %1.\n").arg(outcomes.size() - made - skipped);
        for (const JobOutcome& outcome : outcomes)
            if (!outcome.made && !outcome.skipped)
                text += QStringLiteral("  ") + named(outcome) + QStringLiteral(": ") + oneLine(outcome.reason)
                    + QLatin1Char('\n');
    }
    if (skipped > 0)
        text += QStringLiteral("Не делались: %1.\n").arg(skipped);
    return text + QStringLiteral("Затраченное время: ") + seconds(totalMsecs) + QLatin1Char('\n');
}

QByteArray reportCsv(const QList<JobOutcome>& outcomes)
{
    const auto cell = [](QString text) {
        // A spreadsheet takes a cell that begins so for a formula; the
        // apostrophe keeps it text, and one before an apostrophe keeps the
        // rule reversible: a script drops one leading apostrophe.
        static const QString formula = QStringLiteral("=+-@\t\r'");
        if (!text.isEmpty() && formula.contains(text.front()))
            text.prepend(QLatin1Char('\''));
        static const QString special = QStringLiteral(";\"\r\n");
        if (std::none_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); })
            && text == text.trimmed())
            return text;
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    };
    QString text = QStringLiteral("номер;файл;сделан;почему не сделан;остались в документе\n");
    for (const JobOutcome& o : outcomes) {
        QStringList left;
        for (const QString& identifier : o.left)
            left << QStringLiteral("«%1»").arg(identifier);
        // A line per row, for scripts that read lines.
        const QString reason = o.made ? QString()
            : o.skipped               ? QStringLiteral("не делался: работа остановлена")
                                      : oneLine(o.reason);
        text += QStringList{QString::number(o.number), cell(o.output),
                            o.made ? QStringLiteral("да") : QStringLiteral("нет"), cell(reason),
                            cell(left.join(QStringLiteral(", ")))}
                    .join(QLatin1Char(';'))
            + QLatin1Char('\n');
    }
    // The byte-order mark tells a spreadsheet the text is UTF-8, not the
    // system's own code page.
    return "\xEF\xBB\xBF" + text.toUtf8();
}

} // namespace automatic
