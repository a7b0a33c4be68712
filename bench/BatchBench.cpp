// Times the fill command against a real headless LibreOffice: 100 documents
// from a 100-row table, a 2-page text template into PDF and a 1-sheet
// workbook into .xlsx, beside the floor: the office loading the same
// template and exporting it 100 times with nothing replaced. Then the built
// program itself, each run with offices of its own, makes 100 and 1,000 PDFs
// (BENCH_SIZES sets the sizes, BENCH_DOCS adds one, e.g. 10000) with
// --jobs 1 and --jobs 2: time per document, the peak memory of its offices,
// and beside them the floor and a peer pipeline (docxtpl and the office's
// own PDF conversion) when python3-docxtpl is installed. Every ratio comes
// from rounds in which its sides alternate (Rounds.h), BENCH_ROUNDS of them
// (default 3). Run through bench/batch; prints Markdown tables.
#include "Rounds.h"
#include "support/CapturedConsole.h"
#include "support/TestOffice.h"

#include "automatic/BatchReport.h"
#include "automatic/OfficeFill.h"
#include "common/Codec1251.h"
#include "common/KvilmarError.h"
#include "filling/office/connection/LibreOfficeDocument.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/UnoText.h"
#include "general/ListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace automatic;

namespace {

constexpr int kDocuments = 100;
constexpr int kIdentifiers = 20;

QString identifier(int i)
{
    return QStringLiteral("[ПОЛЕ_%1]").arg(i + 1, 2, 10, QLatin1Char('0'));
}

// Two pages of contract text with each identifier in it once or twice.
TestOffice::TextDocument twoPages()
{
    TestOffice::TextDocument doc;
    const QString filler =
        QStringLiteral("Стороны договорились о нижеследующем, и каждая из сторон обязуется исполнять "
                       "свои обязательства надлежащим образом и в установленные сроки ");
    for (int p = 0; p < 36; ++p)
        doc.paragraphs << filler + identifier(p % kIdentifiers) + QStringLiteral(" и далее по тексту.");
    return doc;
}

QList<TestOffice::Sheet> oneSheet()
{
    TestOffice::Sheet sheet;
    for (int i = 0; i < kIdentifiers; ++i) {
        sheet << qMakePair(QStringLiteral("A%1").arg(i + 1), QStringLiteral("Поле %1").arg(i + 1));
        sheet << qMakePair(QStringLiteral("B%1").arg(i + 1), identifier(i));
    }
    return {sheet};
}

double secondsSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// The office alone: load the template, export it, close it, 100 times;
// nothing when the office failed.
std::optional<double> floorRun(const QString& templateName, const QString& filter, const QString& folder)
{
    QElapsedTimer timer;
    timer.start();
    try {
        for (int i = 0; i < kDocuments; ++i) {
            const auto document = office::lo::loadAsNewDocument(templateName);
            office::lo::storeDocument(document, QDir(folder).filePath(QStringLiteral("floor.out")), filter, QString());
            office::lo::closeDocument(document);
        }
    } catch (const KvilmarError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return std::nullopt;
    } catch (const css::uno::Exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(office::lo::toQString(e.Message)));
        return std::nullopt;
    }
    return secondsSince(timer);
}

// Failures of the runs, each with what was being measured: the tables show
// what was measured before, and the bench ends by listing them.
QStringList failures;

void failed(const QString& what)
{
    failures << what;
    std::fprintf(stderr, "failed: %s\n", qPrintable(what));
}

// The fill command's time, or nothing when it did not make every document.
std::optional<double> batchRun(const QStringList& arguments, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    CapturedConsole console;
    OfficeFill office(&console);
    QElapsedTimer timer;
    timer.start();
    const int code = runFillCommand(QStringList{"kvilmar", "fill"} + arguments, office, console);
    const double seconds = secondsSince(timer);
    if (code != kAllMade) {
        std::fputs(console.errText.toUtf8().constData(), stderr);
        return std::nullopt;
    }
    return seconds;
}

int pdfPages(const QString& file)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {file});
    info.waitForFinished(60000);
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return 0;
}

QByteArray tableOf(int documents)
{
    QStringList lines;
    QStringList header;
    for (int i = 0; i < kIdentifiers; ++i)
        header << identifier(i);
    lines << header.join(QLatin1Char(';'));
    for (int r = 1; r <= documents; ++r) {
        QStringList row;
        for (int i = 0; i < kIdentifiers; ++i)
            row << QStringLiteral("значение %1.%2").arg(r).arg(i + 1);
        lines << row.join(QLatin1Char(';'));
    }
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

// The two pages with Jinja placeholders in place of the identifiers.
TestOffice::TextDocument twoPagesForThePeer()
{
    TestOffice::TextDocument doc = twoPages();
    for (QString& paragraph : doc.paragraphs)
        for (int i = 0; i < kIdentifiers; ++i)
            paragraph.replace(identifier(i), QStringLiteral("{{ p%1 }}").arg(i + 1, 2, 10, QLatin1Char('0')));
    return doc;
}

// A run of a program, timed, with the peak resident memory of every office
// process it started meanwhile (those whose command line names `folder`),
// the largest of them.
struct Timed {
    double seconds = 0;
    qint64 peakBytes = 0;
    bool ok = false;
};

Timed timedRun(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
               const QString& folder)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    QHash<qint64, qint64> peaks;
    do {
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            const QByteArray line = cmdline.readAll();
            if (!line.contains("soffice.bin") || !line.contains(folder.toUtf8()))
                continue;
            QFile status(QStringLiteral("/proc/%1/status").arg(entry));
            if (!status.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& field : status.readAll().split('\n'))
                if (field.startsWith("VmRSS:"))
                    peaks[entry.toLongLong()] =
                        std::max(peaks.value(entry.toLongLong()),
                                 field.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024);
        }
    } while (!process.waitForFinished(250));
    Timed timed{secondsSince(timer), 0, process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0};
    for (const qint64 peak : peaks)
        timed.peakBytes = std::max(timed.peakBytes, peak);
    if (!timed.ok)
        std::fprintf(stderr, "%s ended with %d:\n%s\n", qPrintable(program), process.exitCode(),
                     process.readAllStandardError().constData());
    return timed;
}

bool peerInstalled()
{
    QProcess query;
    query.start(QStringLiteral("dpkg-query"),
                {QStringLiteral("-W"), QStringLiteral("-f=${Status}"), QStringLiteral("python3-docxtpl")});
    query.waitForFinished(30000);
    return query.readAllStandardOutput().contains("install ok installed");
}

// The sizes of the second table: BENCH_SIZES (e.g. "100"), else 100 and
// 1,000; BENCH_DOCS adds one above 1,000.
QList<int> scaleSizes()
{
    QList<int> sizes;
    for (const QString& size : qEnvironmentVariable("BENCH_SIZES").split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const int n = size.trimmed().toInt(); n > 0 && n <= 100000)
            sizes << n;
    if (sizes.isEmpty())
        sizes = {100, 1000};
    bool ok = false;
    const int more = qEnvironmentVariableIntValue("BENCH_DOCS", &ok);
    if (ok && more > 1000 && more <= 100000)
        sizes << more;
    return sizes;
}

// The built program at each size, with offices of its own, in rounds that
// alternate --jobs 1, --jobs 2, the peer and the floor (the bench's office
// loading and exporting the template 100 times, `floorRun`).
void scaleTable(const QString& root, const QString& text, const QString& list, const Side& floorRun, int rounds)
{
    const QList<int> sizes = scaleSizes();
    const bool peer = peerInstalled();
    const QString docx = QDir(root).filePath(QStringLiteral("договор.docx"));
    if (peer)
        TestOffice::writeTextDocument(docx, QStringLiteral("MS Word 2007 XML"), twoPagesForThePeer());
    else
        std::fprintf(stderr, "python3-docxtpl is not installed: the peer pipeline's column is skipped.\n");

    // No office answers on this pipe: every run starts offices of its own,
    // with profiles under the bench's folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root);
    env.insert(QStringLiteral("KVILMAR_OFFICE_PIPE"),
               QStringLiteral("kvilmar_bench_unused_%1").arg(qApp->applicationPid()));
    env.remove(QStringLiteral("KVILMAR_OFFICE_PROFILE"));
    env.remove(QStringLiteral("KVILMAR_OFFICE_PROGRAM"));
    env.remove(QStringLiteral("XDG_CACHE_HOME"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    const auto fill = [&](int documents, int jobs) {
        const QString data = QDir(root).filePath(QStringLiteral("данные-%1.csv").arg(documents));
        const QString out = QDir(root).filePath(QStringLiteral("out-%1-%2").arg(documents).arg(jobs));
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        const Timed timed = timedRun(
            QStringLiteral(KVILMAR_EXE),
            {"fill", text, "--list", list, "--data", data, "--out", out + "/{N}.pdf", "--jobs", QString::number(jobs)},
            env, root);
        QDir(out).removeRecursively();
        if (!timed.ok) {
            failed(QStringLiteral("%1 documents, --jobs %2: the program ended with an error (above)")
                       .arg(documents)
                       .arg(jobs));
            return timed;
        }
        std::fprintf(stderr, "%d documents, --jobs %d: %.1f s, office peak %.0f MB\n", documents, jobs, timed.seconds,
                     timed.peakBytes / 1048576.0);
        return timed;
    };
    const auto peerRun = [&](int documents) -> std::optional<double> {
        const QString out = QDir(root).filePath(QStringLiteral("peer-%1").arg(documents));
        QDir(out).removeRecursively();
        const Timed timed = timedRun(QStringLiteral("/usr/bin/python3"),
                                     {QStringLiteral(KVILMAR_PEER_SCRIPT), docx,
                                      QDir(root).filePath(QStringLiteral("данные-%1.csv").arg(documents)), out,
                                      QDir(root).filePath(QStringLiteral("peer-profile"))},
                                     env, root);
        // The office's conversion may end well having made fewer.
        const qsizetype made = QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files).size();
        QDir(out).removeRecursively();
        if (!timed.ok || made != documents) {
            failed(QStringLiteral("%1 documents, the peer pipeline: made %2 of them").arg(documents).arg(made));
            return std::nullopt;
        }
        return timed.seconds;
    };
    for (int documents : sizes) {
        QFile csv(QDir(root).filePath(QStringLiteral("данные-%1.csv").arg(documents)));
        if (!csv.open(QIODevice::WriteOnly) || csv.write(tableOf(documents)) < 0) {
            failed(QStringLiteral("writing %1: %2").arg(csv.fileName(), csv.errorString()));
            return;
        }
    }
    // Both offices' profiles are made before anything is timed.
    if (!fill(100, 2).ok)
        return;

    std::printf("\n| odt, 2 pages → pdf | --jobs 1, per document | Its office's peak memory | --jobs 2, per document "
                "| --jobs 2 throughput | --jobs 1 ÷ floor | Peer pipeline, per document | --jobs 1 ÷ peer |\n"
                "|---|---|---|---|---|---|---|---|\n");
    for (int documents : sizes) {
        const bool withPeer = peer && documents <= 1000;
        Sample one, two, memory, throughput, againstFloor, peerTime, againstPeer;
        QList<Side> sides{
            [&] {
                const Timed timed = fill(documents, 1);
                if (!timed.ok)
                    return std::optional<double>();
                memory.add(timed.peakBytes / 1048576.0);
                return std::optional<double>(timed.seconds);
            },
            [&] {
                const Timed timed = fill(documents, 2);
                return timed.ok ? std::optional<double>(timed.seconds) : std::nullopt;
            },
            floorRun,
        };
        if (withPeer)
            sides << [&] { return peerRun(documents); };
        const bool whole = alternate(rounds, sides, [&](const QList<double>& round) {
            const double perDocument = round[0] / documents;
            one.add(1000.0 * perDocument);
            two.add(1000.0 * round[1] / documents);
            throughput.add(round[0] / round[1]);
            againstFloor.add(perDocument / (round[2] / kDocuments));
            if (withPeer) {
                peerTime.add(1000.0 * round[3] / documents);
                againstPeer.add(round[0] / round[3]);
            }
        });
        if (!one.isEmpty())
            std::printf("| %d documents | %s | %s | %s | %s | %s | %s | %s |\n", documents,
                        qPrintable(one.shown(" ms", 1)), qPrintable(memory.shown(" MB", 0)),
                        qPrintable(two.shown(" ms", 1)), qPrintable(throughput.shown("×", 2)),
                        qPrintable(againstFloor.shown("×", 2)),
                        qPrintable(withPeer   ? peerTime.shown(" ms", 1)
                                       : peer ? QStringLiteral("not run above 1,000")
                                              : QStringLiteral("skipped")),
                        qPrintable(withPeer ? againstPeer.shown("×", 2) : QStringLiteral("—")));
        std::fflush(stdout);
        if (!whole)
            break;
    }
    std::printf("\nThe built program as a user runs it (office start included); medians of %d rounds, each running "
                "--jobs 1, --jobs 2, the floor and the peer in turn, the spread of the rounds in brackets; every ratio "
                "is taken round by round. The floor is the bench's office loading and exporting the template 100 "
                "times (no office start); --jobs 2 throughput is --jobs 1's time over --jobs 2's.\n",
                rounds);
}

// 100 invoices of 20 items each beside the same 100 documents without
// items, in interleaved rounds (at least 3): the cost of repeating rows.
// `warmUp`: a first run of each, not counted, when nothing ran before.
void itemsTable(const QString& root, int rounds, bool warmUp)
{
    const QString invoice = QDir(root).filePath(QStringLiteral("счёт-позиции.odt"));
    TestOffice::writeTextDocument(
        invoice, QStringLiteral("writer8"),
        {{"Счёт № [Номер] для [ФИО]", "Прописью: [Прописью]"}, {"[Товар]", "[Цена]", "Итого", "[Итого]"}, {}, {}});
    const QString list = QDir(root).filePath(QStringLiteral("счёт.fdp"));
    listFile::writeListFile(
        list, {{"[Номер]", {}, {}, true}, {"[ФИО]", {}, {}, true}, {"[Товар]", {}, {}, true}, {"[Цена]", {}, {}, true}},
        true);
    QByteArray clients = "[Номер];[ФИО]\r\n", goods = "[Номер];[Товар];[Цена]\r\n";
    for (int d = 1; d <= kDocuments; ++d) {
        clients += QStringLiteral("%1;Покупатель %1\r\n").arg(d).toUtf8();
        for (int i = 1; i <= 20; ++i)
            goods += QStringLiteral("%1;Товар %2 для %1;%3,50\r\n").arg(d).arg(i).arg(d * 10 + i).toUtf8();
    }
    const QString clientsFile = QDir(root).filePath(QStringLiteral("клиенты.csv"));
    const QString goodsFile = QDir(root).filePath(QStringLiteral("позиции.csv"));
    for (const auto& [name, bytes] : {std::pair{clientsFile, clients}, std::pair{goodsFile, goods}}) {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return failed(QStringLiteral("writing %1: %2").arg(name, file.errorString()));
    }
    const QString out = QDir(root).filePath(QStringLiteral("invoices"));
    const QStringList plain{invoice, "--list", list, "--data", clientsFile, "--out", out + "/{N}.pdf"};
    const QStringList items = plain + QStringList{"--items", goodsFile,        "--key",   "[Номер]",
                                                  "--sum",   "[Итого]=[Цена]", "--words", "[Прописью]=[Итого]"};
    if (warmUp && !(batchRun(plain, out) && batchRun(items, out)))
        return failed(QStringLiteral("invoices, warming up: the fill command did not make every document (above)"));
    Pair figures;
    const bool whole = alternate(rounds, {[&] { return batchRun(plain, out); }, [&] { return batchRun(items, out); }},
                                 [&](const QList<double>& round) { figures.add(round[1], round[0]); });
    if (!figures.ratio.isEmpty())
        std::printf("\n| 100 invoices, odt → pdf | Without items | 20 items each | Ratio |\n|---|---|---|---|\n"
                    "| %d rounds | %s | %s | %s |\n",
                    int(figures.ratio.size()), qPrintable(figures.floor.shown(" s", 1)),
                    qPrintable(figures.measured.shown(" s", 1)), qPrintable(figures.ratio.shown("×", 2)));
    std::printf("\nMedians; the rounds alternate the two, the ratio taken round by round, the spread of the rounds "
                "in brackets.\n");
    if (!whole)
        failed(QStringLiteral("invoices: the fill command did not make every document (above)"));
    std::fflush(stdout);
}

struct Case {
    QString name;
    QString templateName;
    QString floorFilter;
    QStringList arguments;
    QString folder;
    QList<double> floor, batch;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TestOffice office;
    if (!office.start()) {
        std::printf("Failed: the office did not start.\n");
        return 1;
    }
    QTemporaryDir dir;
    qputenv("KVILMAR_PROGRAM_DIR", dir.path().toUtf8());
    const QString text = dir.filePath(QStringLiteral("договор.odt"));
    const QString book = dir.filePath(QStringLiteral("счёт.xlsx"));
    TestOffice::writeTextDocument(text, QStringLiteral("writer8"), twoPages());
    TestOffice::writeWorkbook(book, oneSheet(), QStringLiteral("Calc MS Excel 2007 XML"));
    QList<IdentifierRecord> records;
    for (int i = 0; i < kIdentifiers; ++i)
        records << IdentifierRecord{identifier(i), {}, {}, true};
    const QString list = dir.filePath(QStringLiteral("список.fdp"));
    listFile::writeListFile(list, records, true);
    const QString data = dir.filePath(QStringLiteral("данные.csv"));
    QFile csv(data);
    if (!csv.open(QIODevice::WriteOnly) || csv.write(tableOf(kDocuments)) < 0) {
        std::printf("Failed: writing %s: %s\n", qPrintable(data), qPrintable(csv.errorString()));
        return 1;
    }
    csv.close();

    // BENCH_ONLY=items measures only the invoices.
    if (qEnvironmentVariable("BENCH_ONLY") == QLatin1String("items")) {
        itemsTable(dir.path(), std::max(3, benchRounds()), true);
        office.stop();
        return failures.isEmpty() ? 0 : 1;
    }

    const QString pdfFolder = dir.filePath(QStringLiteral("pdf")), xlsxFolder = dir.filePath(QStringLiteral("xlsx"));
    QList<Case> cases{
        {QStringLiteral("odt, 2 pages, 20 identifiers → pdf"),
         text,
         QStringLiteral("writer_pdf_Export"),
         {text, "--list", list, "--data", data, "--out", pdfFolder + "/{N}.pdf"},
         pdfFolder,
         {},
         {}},
        {QStringLiteral("xlsx, 1 sheet, 20 identifiers → xlsx"),
         book,
         QStringLiteral("Calc MS Excel 2007 XML"),
         {book, "--list", list, "--data", data, "--range", "A1:B20", "--out", xlsxFolder + "/{N}.xlsx"},
         xlsxFolder,
         {},
         {}},
    };

    // A first document of each kind warms the office up; it is not counted.
    for (Case& c : cases)
        if (!floorRun(c.templateName, c.floorFilter, dir.path()))
            failed(QStringLiteral("%1, warming up: the office failed (above)").arg(c.name));
    const int rounds = benchRounds();
    for (Case& c : cases) {
        if (!failures.isEmpty())
            break;
        alternate(rounds,
                  {[&]() -> std::optional<double> {
                       const std::optional<double> floor = floorRun(c.templateName, c.floorFilter, dir.path());
                       if (!floor)
                           failed(c.name + QStringLiteral(": the office failed on the floor (above)"));
                       return floor;
                   },
                   [&]() -> std::optional<double> {
                       const std::optional<double> batch = batchRun(c.arguments, c.folder);
                       if (!batch)
                           failed(c.name + QStringLiteral(": the fill command did not make every document (above)"));
                       return batch;
                   }},
                  [&](const QList<double>& round) {
                      c.floor << round[0];
                      c.batch << round[1];
                      std::fprintf(stderr, "round %lld, %s: floor %.1f s, fill command %.1f s\n",
                                   static_cast<long long>(c.batch.size()), qPrintable(c.name), round[0], round[1]);
                  });
    }

    std::printf("PDF pages per document: %d\n\n", pdfPages(pdfFolder + QStringLiteral("/001.pdf")));
    std::printf("| 100 documents | Fill command | Floor: load and export only | Ratio |\n|---|---|---|---|\n");
    for (const Case& c : cases) {
        if (c.batch.isEmpty())
            continue;
        Pair figures;
        for (qsizetype round = 0; round < c.batch.size(); ++round)
            figures.add(c.batch[round], c.floor[round]);
        std::printf("| %s | %s | %s | %s |\n", qPrintable(c.name), qPrintable(figures.measured.shown(" s", 1)),
                    qPrintable(figures.floor.shown(" s", 1)), qPrintable(figures.ratio.shown("×", 2)));
    }
    std::printf("\nMedians of %d rounds, each running the floor and the fill command in turn; the spread of the rounds "
                "in brackets, the ratio taken round by round.\n",
                rounds);
    std::fflush(stdout);
    if (failures.isEmpty()) {
        const Case& odt = cases.first();
        scaleTable(
            dir.path(), text, list, [&] { return floorRun(odt.templateName, odt.floorFilter, dir.path()); }, rounds);
        itemsTable(dir.path(), std::max(3, rounds), false);
    }
    office.stop();
    if (failures.isEmpty())
        return 0;
    std::printf("\nFailed (the rows after it were not measured):\n");
    for (const QString& failure : std::as_const(failures))
        std::printf("- %s\n", qPrintable(failure));
    return 1;
}
