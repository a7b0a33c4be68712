// Times the fill command against a real headless LibreOffice: 100 documents
// from a 100-row table, a 2-page text template into PDF and a 1-sheet
// workbook into .xlsx, beside the floor: the office loading the same
// template and exporting it 100 times with nothing replaced. Rounds of floor
// and batch alternate, so both see the same load of a shared machine; the
// medians of the rounds are compared. Run through bench/batch; prints a
// Markdown table. BENCH_ROUNDS sets the number of rounds (default 3).
#include "CapturedConsole.h"
#include "TestOffice.h"

#include "automatic/BatchReport.h"
#include "automatic/OfficeFill.h"
#include "common/Codec1251.h"
#include "filling/office/LibreOfficeDocument.h"
#include "filling/office/LibreOfficeLoad.h"
#include "general/ListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

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
    const QString filler = QStringLiteral("Стороны договорились о нижеследующем, и каждая из сторон обязуется исполнять "
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

QByteArray table()
{
    QStringList lines;
    QStringList header;
    for (int i = 0; i < kIdentifiers; ++i)
        header << identifier(i);
    lines << header.join(QLatin1Char(';'));
    for (int r = 1; r <= kDocuments; ++r) {
        QStringList row;
        for (int i = 0; i < kIdentifiers; ++i)
            row << QStringLiteral("значение %1.%2").arg(r).arg(i + 1);
        lines << row.join(QLatin1Char(';'));
    }
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

double secondsSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString spread(const QList<double>& values)
{
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1–%2").arg(*low, 0, 'f', 1).arg(*high, 0, 'f', 1);
}

// The office alone: load the template, export it, close it, 100 times.
double floorRun(const QString& templateName, const QString& filter, const QString& folder)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kDocuments; ++i) {
        const auto document = office::lo::loadAsNewDocument(templateName);
        office::lo::storeDocument(document, QDir(folder).filePath(QStringLiteral("floor.out")), filter, QString());
        office::lo::closeDocument(document);
    }
    return secondsSince(timer);
}

double batchRun(const QStringList& arguments, const QString& folder)
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
        std::exit(1);
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
    if (!office.start())
        return 1;
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
    if (!csv.open(QIODevice::WriteOnly) || csv.write(table()) < 0)
        return 1;
    csv.close();

    const QString pdfFolder = dir.filePath(QStringLiteral("pdf")), xlsxFolder = dir.filePath(QStringLiteral("xlsx"));
    QList<Case> cases{
        {QStringLiteral("odt, 2 pages, 20 identifiers → pdf"), text, QStringLiteral("writer_pdf_Export"),
         {text, "--list", list, "--data", data, "--out", pdfFolder + "/{N}.pdf"}, pdfFolder, {}, {}},
        {QStringLiteral("xlsx, 1 sheet, 20 identifiers → xlsx"), book, QStringLiteral("Calc MS Excel 2007 XML"),
         {book, "--list", list, "--data", data, "--range", "A1:B20", "--out", xlsxFolder + "/{N}.xlsx"}, xlsxFolder,
         {}, {}},
    };

    // A first document of each kind warms the office up; it is not counted.
    for (Case& c : cases)
        floorRun(c.templateName, c.floorFilter, dir.path());
    bool ok = false;
    const int rounds = std::max(1, qEnvironmentVariableIntValue("BENCH_ROUNDS", &ok));
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            c.floor << floorRun(c.templateName, c.floorFilter, dir.path());
            c.batch << batchRun(c.arguments, c.folder);
            std::fprintf(stderr, "round %d, %s: floor %.1f s, fill command %.1f s\n", round + 1,
                         qPrintable(c.name), c.floor.last(), c.batch.last());
        }
    }

    std::printf("PDF pages per document: %d\n\n", pdfPages(pdfFolder + QStringLiteral("/001.pdf")));
    std::printf("| 100 documents | Fill command | Floor: load and export only | Ratio |\n|---|---|---|---|\n");
    for (const Case& c : cases) {
        const double batch = median(c.batch), floor = median(c.floor);
        std::printf("| %s | %.1f s (%s) | %.1f s (%s) | %.2f× |\n", qPrintable(c.name), batch, qPrintable(spread(c.batch)),
                    floor, qPrintable(spread(c.floor)), batch / floor);
    }
    std::printf("\nMedians of %d rounds; the spread of the rounds in brackets.\n", rounds);
    return 0;
}
