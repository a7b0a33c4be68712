#include "automatic/FillCommand.h"

#include "automatic/BatchReport.h"
#include "common/KvilmarError.h"

#include <QElapsedTimer>

#include <cstdio>
#include <unistd.h>

namespace automatic {

namespace {

constexpr auto kClearLine = "\r\x1b[K";

JobOutcome makeOne(FillOffice& office, const BatchPlan& plan, const FillJob& job)
{
    JobOutcome outcome{job.output, job.line, false, {}, 0};
    QElapsedTimer timer;
    timer.start();
    try {
        office.makeDocument(plan, job, plan.recordsFor(job));
        outcome.made = true;
    } catch (const KvilmarError& e) {
        outcome.reason = e.text();
    } catch (const std::exception& e) {
        outcome.reason = QString::fromUtf8(e.what());
    } catch (...) {
        outcome.reason = QStringLiteral("неизвестная ошибка");
    }
    outcome.msecs = timer.elapsed();
    return outcome;
}

} // namespace

void StdConsole::out(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void StdConsole::err(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

bool StdConsole::errIsTerminal() const
{
    return isatty(fileno(stderr)) == 1;
}

int runFillCommand(const QStringList& arguments, FillOffice& office, Console& console)
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

    QElapsedTimer total;
    total.start();
    std::optional<BatchPlan> plan;
    try {
        plan.emplace(parsed.options, readFillInputs(parsed.options, [&](const QString& file, const QString& sheet) {
                         return office.readSheet(file, sheet);
                     }));
    } catch (const KvilmarError& e) {
        console.err(e.text() + QLatin1Char('\n'));
        return kBadInput;
    } catch (const std::exception& e) {
        console.err(QString::fromUtf8(e.what()) + QLatin1Char('\n'));
        return kBadInput;
    }

    const bool bar = console.errIsTerminal();
    const int count = static_cast<int>(plan->jobs().size());
    QList<JobOutcome> outcomes;
    outcomes.reserve(count);
    for (const FillJob& job : plan->jobs()) {
        if (bar)
            console.err(QString::fromLatin1(kClearLine) + progressBar(static_cast<int>(outcomes.size()), count, total.elapsed()));
        outcomes.append(makeOne(office, *plan, job));
        console.err((bar ? QString::fromLatin1(kClearLine) : QString())
                    + progressLine(static_cast<int>(outcomes.size()), count, outcomes.constLast()) + QLatin1Char('\n'));
    }
    console.err(summaryText(outcomes, total.elapsed()));
    return exitCodeFor(outcomes);
}

} // namespace automatic
