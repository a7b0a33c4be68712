// The fault run: the fill command makes 1,000 PDFs (BENCH_DOCS sets how
// many) with an office of its own, as `kvilmar fill` does, while a fault is
// done to that office every few documents (5 to 15, at random) at a random
// step (a template opened, a replace, an export, after a save, a template
// taken back): it is frozen, killed or crashed. The same command is then run
// again with --skip-existing, as a user finishes a stopped batch. Checked:
// every row's document exists exactly once and is a whole PDF, nothing else
// is in the folder, and no office is left running. Then a clean run of the
// same batch, for the time; BENCH_ROUNDS rounds (default 3) of the two, in
// turn. Prints a Markdown table; run through bench/faults. BENCH_SEED fixes
// the faults' dice.
#include "Rounds.h"
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
    const QStringList found =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
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
        QFile environment(QStringLiteral("/proc/%1/environ").arg(pid)),
            command(QStringLiteral("/proc/%1/cmdline").arg(pid));
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
        TestOffice::writeTextDocument(
            text, QStringLiteral("writer8"),
            {{QStringLiteral("Договор № [N]"), QStringLiteral("Покупатель: [ФИО]")}, {}, {}, {}});
    }
    listFile::writeListFile(
        list, {{QStringLiteral("[N]"), QString(), {}, true}, {QStringLiteral("[ФИО]"), QString(), {}, true}}, true);
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

    const QStringList batch{text, "--list", list, "--data", data};
    const int rounds = benchRounds();
    // Each round: the faulted run, the rerun that finishes it, the checks of
    // its folder, then a clean run of the same batch, so that the ratio
    // compares runs that saw the same load. The same seed each round: the
    // same faults at the same documents.
    Pair time;
    Tally faults;
    qsizetype madeFirst = 0;
    QStringList problems;
    int left = 0;
    bool good = true;
    int round = 0;
    alternate(rounds,
              {[&]() -> std::optional<double> {
                   const QString faulted = root.filePath(QStringLiteral("faulted-%1").arg(++round));
                   QDir().mkpath(faulted);
                   std::fprintf(stderr, "round %d: faulted run of %d documents, seed %u...\n", round, documents, seed);
                   const Run first = fill(batch + QStringList{"--out", faulted + "/{N}.pdf"}, seed);
                   faults = first.faults;
                   madeFirst = QDir(faulted).entryList(QDir::Files).size();
                   std::fprintf(stderr, "again with --skip-existing...\n");
                   const Run second =
                       fill(batch + QStringList{"--out", faulted + "/{N}.pdf", "--skip-existing"}, std::nullopt);
                   problems = problemsOf(faulted, documents);
                   left += officesLeft(root.path());
                   QDir(faulted).removeRecursively();
                   if (!problems.isEmpty() || left != 0 || second.code != kAllMade || first.code == kBadInput) {
                       std::fprintf(stderr, "the faulted run FAILED (exit codes %d, %d)\n%s\n", first.code, second.code,
                                    qPrintable(first.told.right(4000)));
                       good = false;
                       return std::nullopt;
                   }
                   return first.seconds;
               },
               [&]() -> std::optional<double> {
                   const QString clean = root.filePath(QStringLiteral("clean-%1").arg(round));
                   QDir().mkpath(clean);
                   std::fprintf(stderr, "clean run...\n");
                   const Run cleanRun = fill(batch + QStringList{"--out", clean + "/{N}.pdf"}, std::nullopt);
                   left += officesLeft(root.path());
                   QDir(clean).removeRecursively();
                   if (cleanRun.code != kAllMade || left != 0) {
                       std::fprintf(stderr, "the clean run FAILED (exit code %d)\n%s\n", cleanRun.code,
                                    qPrintable(cleanRun.told.right(4000)));
                       good = false;
                       return std::nullopt;
                   }
                   return cleanRun.seconds;
               }},
              [&](const QList<double>& figures) { time.add(figures[0], figures[1]); });

    int injected = 0;
    for (int kind : faults.injected)
        injected += kind;
    std::printf(
        "| %d documents | Faults injected | Made in the faulted run | Lost to a fault (made by the rerun) "
        "| Missing, duplicated or cut short at the end | Offices left | Faulted run | Clean run | Faulted ÷ clean |\n"
        "|---|---|---|---|---|---|---|---|---|\n",
        documents);
    QStringList kinds, steps;
    for (int k = 0; k < kFaultKinds; ++k)
        kinds << QStringLiteral("%1 %2").arg(faults.injected[k]).arg(QLatin1String(kFaultNames[k]));
    for (int s = 0; s < kSteps; ++s)
        steps << QStringLiteral("%1 %2").arg(faults.atStep[s]).arg(QLatin1String(kStepNames[s]));
    std::printf("| seed %u | %d (%s; at %s) | %lld | %lld | %lld | %d | %s | %s | %s |\n", seed, injected,
                qPrintable(kinds.join(QStringLiteral(", "))), qPrintable(steps.join(QStringLiteral(", "))),
                static_cast<long long>(madeFirst), static_cast<long long>(documents - madeFirst),
                static_cast<long long>(problems.size()), left, qPrintable(time.measured.shown(" s", 1)),
                qPrintable(time.floor.shown(" s", 1)), qPrintable(time.ratio.shown("×", 2)));
    std::printf("\nThe faults and documents of the last round; times are medians of %lld rounds (of %d), each "
                "running the faulted batch (with its rerun) and the clean one in turn, the spread in brackets, the "
                "ratio taken round by round.\n",
                static_cast<long long>(time.ratio.size()), rounds);
    for (const QString& problem : problems.mid(0, 20))
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    return good ? 0 : 1;
}
