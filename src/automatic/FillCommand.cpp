#include "automatic/FillCommand.h"

#include "automatic/BatchReport.h"
#include "automatic/ParallelFill.h"
#include "common/FileAccess.h"
#include "common/TextFile.h"
#include "filling/FillingRules.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSet>

#include <algorithm>

namespace automatic {

namespace {

// What was left undone, on one line: "Нет в шаблоне: «[a]»".
QString leftLine(const LeftIdentifiers& left)
{
    return leftIdentifiersMessage(left).trimmed().replace(QLatin1Char('\n'), QStringLiteral(". "));
}

// The documents of a batch as they are made, in any order: each told on its
// line as it ends, all kept in the plan's order for the summary and report.
class Batch {
public:
    Batch(const BatchPlan& plan, Console& console) : plan_(plan), console_(console)
    {
        const QStringList unlisted = plan.unlistedIdentifiers();
        unlisted_ = QSet<QString>(unlisted.begin(), unlisted.end());
        outcomes_.reserve(plan.documents().size());
        for (const PlannedDocument& document : plan.documents()) {
            JobOutcome& outcome = outcomes_.emplace_back();
            outcome.output = document.output;
            outcome.line = document.line;
            outcome.number = document.number;
            outcome.made = outcome.existing = document.existing;
            outcome.skipped = !document.existing;
            if (!document.existing)
                order_.append(static_cast<int>(outcomes_.size()) - 1);
        }
        timer_.start();
    }

    // The documents still to make, by their index in the plan.
    const QList<int>& order() const { return order_; }
    bool stopped() const { return stop_.has_value() || console_.stopRequested(); }

    // The progress bar on a terminal, while documents remain.
    void drawBar()
    {
        if (console_.errIsTerminal() && done_ < order_.size())
            console_.err(QString::fromLatin1(kClearLine)
                         + progressBar(done_, static_cast<int>(order_.size()), timer_.elapsed()));
    }

    // Takes the attempt of the document at `index`; false once no later
    // document is to be begun.
    bool deliver(int index, Attempt attempt)
    {
        JobOutcome& outcome = outcomes_[index];
        const int number = outcome.number;
        outcome = std::move(attempt.outcome);
        outcome.number = number;
        if (outcome.made)
            outcome.left = attempt.left.stillInDocument;
        if (attempt.stop && !stop_)
            stop_ = attempt.stop;
        if (outcome.skipped)
            return false;
        tellLine(console_, progressLine(++done_, static_cast<int>(order_.size()), outcome));
        // Columns only the table names were told of before the batch.
        QStringList notInTemplate;
        for (const QString& identifier : attempt.left.notInTemplate)
            if (!unlisted_.contains(identifier))
                notInTemplate << identifier;
        if (!notInTemplate.isEmpty() && !toldNotInTemplate_) {
            tellLine(console_, leftLine({notInTemplate, {}}) + QLatin1Char('.'));
            toldNotInTemplate_ = true;
        }
        return !stopped();
    }

    int finish()
    {
        if (console_.stopRequested())
            tellLine(console_, QStringLiteral("Работа прервана."));
        for (const QString& notice : plan_.laterNotices())
            tellLine(console_, notice);
        console_.err(summaryText(outcomes_, timer_.elapsed()));
        int code = exitCodeFor(outcomes_);
        const QString& report = plan_.options().reportFile;
        QString why;
        if (!report.isEmpty() && !writeWholeFile(report, reportCsv(outcomes_), &why)) {
            console_.err(
                fileAccess::withCause(
                    QStringLiteral("Не удается записать отчёт \"%1\".").arg(QDir::toNativeSeparators(report)), why)
                + QLatin1Char('\n'));
            code = kSomeFailed;
        }
        const bool noneMade =
            std::none_of(outcomes_.begin(), outcomes_.end(), [](const JobOutcome& o) { return o.made; });
        if (stop_ && stop_->badInput() && noneMade)
            return kBadInput;
        return code;
    }

private:
    const BatchPlan& plan_;
    Console& console_;
    QSet<QString> unlisted_;
    QList<JobOutcome> outcomes_;
    QList<int> order_;
    QElapsedTimer timer_;
    int done_ = 0;
    std::optional<BatchStopped> stop_;
    bool toldNotInTemplate_ = false;
};

} // namespace

Attempt makeOne(FillOffice& office, const FillJob& job, const PlannedDocument& document, bool replaceExisting)
{
    Attempt attempt;
    attempt.outcome.output = document.output;
    attempt.outcome.line = document.line;
    JobOutcome& outcome = attempt.outcome;
    QElapsedTimer timer;
    timer.start();
    // What no document can hold never reaches the office.
    outcome.reason = document.refusal;
    if (!outcome.reason.isEmpty())
        return attempt;
    for (const IdentifierRecord& record : job.records) {
        outcome.reason = filling::unwritableReplacement(record);
        if (!outcome.reason.isEmpty())
            return attempt;
    }
    try {
        attempt.left = office.makeDocument(job, document, replaceExisting).left;
        outcome.made = true;
        // What the template lacks is the same for every document: said once.
        outcome.note = leftLine({{}, attempt.left.stillInDocument});
    } catch (const BatchStopped& e) {
        outcome.reason = e.text();
        attempt.stop = e;
    } catch (const KvilmarError& e) {
        outcome.reason = e.text();
    } catch (const std::exception& e) {
        outcome.reason = QString::fromUtf8(e.what());
    } catch (...) {
        outcome.reason = QStringLiteral("неизвестная ошибка");
    }
    outcome.msecs = timer.elapsed();
    return attempt;
}

void tellLine(Console& console, const QString& text)
{
    console.err((console.errIsTerminal() ? QString::fromLatin1(kClearLine) : QString()) + text + QLatin1Char('\n'));
}

int runFillCommand(const QStringList& arguments, FillOffice& office, Console& console, const WorkerCommand& workers)
{
    const FillArguments parsed = parseFillArguments(arguments);
    if (parsed.outcome == FillArguments::Outcome::Help) {
        console.out(parsed.message);
        return kAllMade;
    }
    if (parsed.outcome == FillArguments::Outcome::Refused) {
        console.err(parsed.message + QStringLiteral("\nСправка: kvilmar fill --help\n"));
        return kBadInput;
    }
    std::optional<BatchPlan> plan;
    try {
        plan.emplace(parsed.options, readFillInputs(parsed.options, [&](const QString& file, const QString& sheet) {
                         return office.readSheet(file, sheet);
                     }));
        plan->makeFolders();
    } catch (const KvilmarError& e) {
        console.err(e.text() + QLatin1Char('\n'));
        return kBadInput;
    } catch (const std::exception& e) {
        console.err(QString::fromUtf8(e.what()) + QLatin1Char('\n'));
        return kBadInput;
    }

    for (const QString& notice : plan->notices())
        tellLine(console, notice);
    Batch batch(*plan, console);
    const qsizetype existing = plan->documents().size() - batch.order().size();
    if (existing > 0)
        tellLine(console, QStringLiteral("Файлы уже есть, документы не переделываются: %1.").arg(existing));
    console.batchBegins();
    const bool replace = plan->options().force;
    if (plan->options().jobs > 1 && batch.order().size() > 1) {
        // The workers start offices of their own; the one that read a sheet
        // is not needed meanwhile.
        office.endOwnOffice();
        ParallelFill parallel(workers, std::min<int>(plan->options().jobs, static_cast<int>(batch.order().size())),
                              console);
        batch.drawBar();
        parallel.run(*plan, batch.order(), [&](int index, Attempt attempt) {
            const bool goOn = batch.deliver(index, std::move(attempt));
            if (goOn)
                batch.drawBar();
            return goOn;
        });
    } else {
        for (const int index : batch.order()) {
            if (batch.stopped())
                break;
            batch.drawBar();
            const PlannedDocument& document = plan->documents().at(index);
            if (!batch.deliver(index, makeOne(office, plan->fillJobFor(document), document, replace)))
                break;
        }
    }
    console.batchEnds();
    return batch.finish();
}

} // namespace automatic
