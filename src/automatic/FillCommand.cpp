#include "automatic/FillCommand.h"

#include "automatic/BatchReport.h"

#include <QElapsedTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace automatic {

namespace {

std::atomic<bool> stopSignalled{false};

extern "C" void askToStop(int)
{
    stopSignalled = true;
}

struct Attempt {
    JobOutcome outcome;
    LeftIdentifiers left;
    std::optional<BatchStopped> stop;
};

// What was left undone, on one line: "Нет в шаблоне: «[a]»".
QString leftLine(const LeftIdentifiers& left)
{
    return leftIdentifiersMessage(left).trimmed().replace(QLatin1Char('\n'), QStringLiteral(". "));
}

Attempt makeOne(FillOffice& office, const BatchPlan& plan, const PlannedDocument& document)
{
    Attempt attempt{{document.output, document.line, false, {}, 0, false, {}}, {}, std::nullopt};
    JobOutcome& outcome = attempt.outcome;
    QElapsedTimer timer;
    timer.start();
    try {
        attempt.left = office.makeDocument(plan.fillJobFor(document), document, plan.options().force).left;
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

} // namespace

void tellLine(Console& console, const QString& text)
{
    console.err((console.errIsTerminal() ? QString::fromLatin1(kClearLine) : QString()) + text + QLatin1Char('\n'));
}

StdConsole::StdConsole()
{
    struct sigaction action {};
    action.sa_handler = askToStop;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal too: the office must not be left holding the
    // batch's template.
    sigaction(SIGHUP, &action, nullptr);
}

StdConsole::~StdConsole()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
}

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

bool StdConsole::stopRequested() const
{
    return stopSignalled;
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
    const int count = static_cast<int>(plan->documents().size());
    QList<JobOutcome> outcomes;
    outcomes.reserve(count);
    std::optional<BatchStopped> stopped;
    bool toldNotInTemplate = false;
    for (const PlannedDocument& job : plan->documents()) {
        if (stopped || console.stopRequested()) {
            outcomes.append({job.output, job.line, false, {}, 0, true, {}});
            continue;
        }
        if (bar)
            console.err(QString::fromLatin1(kClearLine) + progressBar(static_cast<int>(outcomes.size()), count, total.elapsed()));
        Attempt attempt = makeOne(office, *plan, job);
        outcomes.append(attempt.outcome);
        stopped = attempt.stop;
        tellLine(console, progressLine(static_cast<int>(outcomes.size()), count, outcomes.constLast()));
        if (!attempt.left.notInTemplate.isEmpty() && !toldNotInTemplate) {
            tellLine(console, leftLine({attempt.left.notInTemplate, {}}) + QLatin1Char('.'));
            toldNotInTemplate = true;
        }
    }
    if (console.stopRequested())
        tellLine(console, QStringLiteral("Работа прервана."));
    console.err(summaryText(outcomes, total.elapsed()));
    const bool noneMade = std::none_of(outcomes.begin(), outcomes.end(), [](const JobOutcome& o) { return o.made; });
    if (stopped && stopped->badInput() && noneMade)
        return kBadInput;
    return exitCodeFor(outcomes);
}

} // namespace automatic
