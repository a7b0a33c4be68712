// The fault run: the fill command makes 1,000 PDFs (BENCH_DOCS sets how
// many) with an office of its own, as `kvilmar fill` does, while a fault is
// done to that office every few documents (5 to 15, at random) at a random
// step (a template opened, a replace, an export, after a save, a template
// taken back): it is frozen, killed or crashed. The same command is then run
// again with --skip-existing, as a user finishes a stopped batch. Checked:
// every row's document exists exactly once and is a whole PDF, nothing else
// is in the folder, and no office is left running. Then a clean run of the
// same batch, for the time. Prints a Markdown table; run through
// bench/faults. BENCH_SEED fixes the faults' dice.
#include "support/CapturedConsole.h"
#include "support/TestOffice.h"

#include "automatic/BatchReport.h"
#include "automatic/FillSlot.h"
#include "automatic/OfficeFill.h"
#include "filling/office/connection/OfficeFaults.h"
#include "general/ListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

using namespace automatic;
namespace lo = office::lo;

namespace {

constexpr int kFaultKinds = 3;
constexpr int kSteps = 5;

const char* const kFaultNames[kFaultKinds] = {"freeze", "kill", "crash"};
const char* const kStepNames[kSteps] = {"open", "replace", "export", "saved", "keep"};

// The faults done, by kind and by step.
struct Tally {
    int injected[kFaultKinds] = {};
    int atStep[kSteps] = {};
};

// The real office, with a fault planned for every few documents: at the
// chosen step of that document, if the document reaches it.
class FaultyFill : public FillOffice {
public:
    FaultyFill(FillOffice& real, quint32 seed) : real_(real), dice_(seed) { nextFault_ = dice_.bounded(5, 16); }

    DataTable readSheet(const QString& fileName, const QString& sheetName) override
    {
        return real_.readSheet(fileName, sheetName);
    }

    FillResult makeDocument(const FillJob& job, const PlannedDocument& document, bool replaceExisting) override
    {
        if (--nextFault_ > 0)
            return real_.makeDocument(job, document, replaceExisting);
        nextFault_ = dice_.bounded(5, 16);
        const int step = dice_.bounded(kSteps), fault = dice_.bounded(kFaultKinds);
        bool done = false;
        lo::planFaults([&](lo::OfficeStep reached) -> std::optional<lo::OfficeFault> {
            if (int(reached) != step || std::exchange(done, true))
                return std::nullopt;
            ++tally.injected[fault];
            ++tally.atStep[step];
            return lo::OfficeFault(fault);
        });
        struct Unplan {
            ~Unplan() { lo::planFaults({}); }
        } unplan;
        return real_.makeDocument(job, document, replaceExisting);
    }

    Tally tally;

private:
    FillOffice& real_;
    QRandomGenerator dice_;
    int nextFault_ = 0;
};

struct Run {
    double seconds = 0;
    int code = -1;
    QString told;
    Tally faults;
};

// One fill command with a place and an office of its own, as `kvilmar fill`
// runs it; the office may be given faults.
Run fill(const QStringList& arguments, std::optional<quint32> faults)
{
    CapturedConsole console;
    const std::unique_ptr<FillSlot> slot = FillSlot::take();
    OfficeFill office(&console, slot.get(), OfficeFill::Choice::OwnOnly);
    std::optional<FaultyFill> faulty;
    if (faults)
        faulty.emplace(office, *faults);
    QElapsedTimer timer;
    timer.start();
    const int code = runFillCommand(QStringList{"kvilmar", "fill"} + arguments,
                                    faulty ? static_cast<FillOffice&>(*faulty) : office, console);
    office.endOwnOffice();
    return Run{static_cast<double>(timer.nsecsElapsed()) / 1e9, code, console.errText,
               faulty ? faulty->tally : Tally{}};
}

// What is wrong with the folder of outputs: a row missing or made twice, a
// document cut short, anything else in it.
QStringList problemsOf(const QString& folder, int documents)
{
    QStringList problems;
    QStringList expected;
    for (int n = 1; n <= documents; ++n)
        expected << QStringLiteral("%1.pdf").arg(n, QString::number(documents).size(), 10, QLatin1Char('0'));
    const QStringList found = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                     QDir::Name);
    for (const QString& name : found) {
        if (!expected.contains(name)) {
            problems << QStringLiteral("not a row's document: %1").arg(name);
            continue;
        }
        QFile pdf(QDir(folder).filePath(name));
        if (!pdf.open(QIODevice::ReadOnly) || !pdf.read(5).startsWith("%PDF-")
            || (pdf.seek(std::max<qint64>(0, pdf.size() - 64)), !pdf.readAll().contains("%%EOF")))
            problems << QStringLiteral("not a whole PDF: %1").arg(name);
    }
    for (const QString& name : expected)
        if (!found.contains(name))
            problems << QStringLiteral("missing: %1").arg(name);
    return problems;
}

// Processes that an office of the runs left: any carrying an office's mark,
// with its profile under the bench's folder.
int officesLeft(const QString& root)
{
    int left = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile environment(QStringLiteral("/proc/%1/environ").arg(pid)), command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toLongLong() != QCoreApplication::applicationPid() && environment.open(QIODevice::ReadOnly)
            && environment.readAll().contains("KVILMAR_OFFICE_MARK=") && command.open(QIODevice::ReadOnly)
            && command.readAll().contains(QFile::encodeName(root)))
            ++left;
    }
    return left;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    bool ok = false;
    int documents = qEnvironmentVariableIntValue("BENCH_DOCS", &ok);
    if (!ok || documents < 10)
        documents = 1000;
    const quint32 seed = qEnvironmentVariableIsSet("BENCH_SEED") ? quint32(qEnvironmentVariableIntValue("BENCH_SEED"))
                                                                  : QRandomGenerator::system()->generate();
    const QString text = root.filePath(QStringLiteral("договор.odt"));
    const QString list = root.filePath(QStringLiteral("список.fdp"));
    const QString data = root.filePath(QStringLiteral("клиенты.csv"));
    {
        // The template is made by an office of the bench's own, ended before
        // the runs.
        TestOffice maker;
        if (!maker.start())
            return 1;
        TestOffice::writeTextDocument(text, QStringLiteral("writer8"),
                                      {{QStringLiteral("Договор № [N]"), QStringLiteral("Покупатель: [ФИО]")}, {}, {}, {}});
    }
    listFile::writeListFile(list, {{QStringLiteral("[N]"), QString(), {}, true}, {QStringLiteral("[ФИО]"), QString(), {}, true}},
                            true);
    QFile table(data);
    table.open(QIODevice::WriteOnly);
    table.write("[N];[ФИО]\n");
    for (int n = 1; n <= documents; ++n)
        table.write(QStringLiteral("%1;Клиент %1\n").arg(n).toUtf8());
    table.close();

    // Offices of the runs' own only, started by the usual launcher; a frozen
    // office is given up after 3 s.
    qputenv("HOME", root.path().toUtf8());
    for (const char* name : {"KVILMAR_OFFICE_PIPE", "KVILMAR_OFFICE_PROFILE", "KVILMAR_OFFICE_PROGRAM",
                             "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qunsetenv(name);
    qputenv("KVILMAR_OFFICE_CALL_WAIT", "3");

    const QString faulted = root.filePath(QStringLiteral("faulted"));
    const QString clean = root.filePath(QStringLiteral("clean"));
    QDir().mkpath(faulted);
    QDir().mkpath(clean);
    const QStringList batch{text, "--list", list, "--data", data};
    std::fprintf(stderr, "faulted run of %d documents, seed %u...\n", documents, seed);
    const Run first = fill(batch + QStringList{"--out", faulted + "/{N}.pdf"}, seed);
    const Tally& faults = first.faults;
    const qsizetype madeFirst = QDir(faulted).entryList(QDir::Files).size();
    std::fprintf(stderr, "again with --skip-existing...\n");
    const Run second = fill(batch + QStringList{"--out", faulted + "/{N}.pdf", "--skip-existing"}, std::nullopt);
    const QStringList problems = problemsOf(faulted, documents);
    const int left = officesLeft(root.path());
    std::fprintf(stderr, "clean run...\n");
    const Run cleanRun = fill(batch + QStringList{"--out", clean + "/{N}.pdf"}, std::nullopt);
    const int leftAfterAll = officesLeft(root.path());

    int injected = 0;
    for (int kind : faults.injected)
        injected += kind;
    std::printf("| %d documents | Faults injected | Made in the faulted run | Lost to a fault (made by the rerun) "
                "| Missing, duplicated or cut short at the end | Offices left | Faulted run | Clean run | Faulted ÷ clean |\n"
                "|---|---|---|---|---|---|---|---|---|\n",
                documents);
    QStringList kinds, steps;
    for (int k = 0; k < kFaultKinds; ++k)
        kinds << QStringLiteral("%1 %2").arg(faults.injected[k]).arg(QLatin1String(kFaultNames[k]));
    for (int s = 0; s < kSteps; ++s)
        steps << QStringLiteral("%1 %2").arg(faults.atStep[s]).arg(QLatin1String(kStepNames[s]));
    std::printf("| seed %u | %d (%s; at %s) | %lld | %lld | %lld | %d | %.1f s | %.1f s | %.2f× |\n", seed, injected,
                qPrintable(kinds.join(QStringLiteral(", "))), qPrintable(steps.join(QStringLiteral(", "))),
                static_cast<long long>(madeFirst), static_cast<long long>(documents - madeFirst),
                static_cast<long long>(problems.size()), left + leftAfterAll, first.seconds, cleanRun.seconds,
                first.seconds / cleanRun.seconds);
    for (const QString& problem : problems.mid(0, 20))
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    const bool good = problems.isEmpty() && left == 0 && leftAfterAll == 0 && second.code == kAllMade
                      && cleanRun.code == kAllMade && first.code != kBadInput;
    if (!good)
        std::fprintf(stderr, "the fault run FAILED (exit codes %d, %d, %d)\n%s\n", first.code, second.code, cleanRun.code,
                     qPrintable(first.told.right(4000)));
    return good ? 0 : 1;
}
