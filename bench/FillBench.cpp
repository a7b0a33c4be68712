// Times the word-processor and spreadsheet fillers against a real
// LibreOffice beside the floor of each: the time the office takes only to
// load the same document, warm (office running) and cold (office started by
// the run), headless; the text document also in a visible office on the X
// display. Then the program's start-up beside a bare Qt window: time to the
// first window shown, and peak memory. Every figure is the median of several
// runs with their spread; each ratio is taken run by run against the floor
// measured next to it. Run through bench/fill; prints Markdown tables.
//
//   kvilmar_fill_bench [--runs N] [--only doc,xls,visible,start] [--program path]
#include "Rounds.h"
#include "StartupProbe.h"
#include "support/ListBuilder.h"
#include "support/TestHost.h"
#include "support/TestOffice.h"

#include "common/KvilmarError.h"
#include "filling/ExcelFiller.h"
#include "filling/WordFiller.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/UnoText.h"
#include "filling/office/server/LibreOffice.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace css;

namespace {

double seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

QString identifier(int i)
{
    return QStringLiteral("ПОЛЕ_%1").arg(i, 2, 10, QLatin1Char('0'));
}

// About 100 pages: 2000 paragraphs of some 80 characters, every second one
// holding one of 50 identifiers, so each occurs 20 times.
TestOffice::TextDocument bigTextDocument()
{
    TestOffice::TextDocument doc;
    const QString filler =
        QStringLiteral("Настоящий договор составлен в двух экземплярах, имеющих равную "
                       "юридическую силу, по одному для каждой из сторон, и вступает в силу с момента его "
                       "подписания обеими сторонами ");
    for (int p = 0; p < 2000; ++p)
        doc.paragraphs << (p % 2 ? filler + identifier((p / 2) % 50) + QStringLiteral(" конец.") : filler);
    return doc;
}

// 10 sheets with the block A1:Z2000 filled; identifiers in some cells.
QList<QStringList> bigBlock()
{
    QList<QStringList> rows;
    for (int r = 0; r < 2000; ++r) {
        QStringList row;
        for (int c = 0; c < 26; ++c)
            row << ((r * 26 + c) % 97 == 0 ? QStringLiteral("Итого ") + identifier((r + c) % 20)
                                           : QStringLiteral("ячейка %1").arg(r * 26 + c));
        rows << row;
    }
    return rows;
}

int pageCount(const QString& path)
{
    auto document = office::lo::loadAsNewDocument(path);
    uno::Reference<document::XDocumentPropertiesSupplier> supplier(document, uno::UNO_QUERY_THROW);
    sal_Int32 pages = 0;
    for (const auto& item : supplier->getDocumentProperties()->getDocumentStatistics())
        if (item.Name == "PageCount")
            item.Value >>= pages;
    TestOffice::close(document);
    return pages;
}

beans::PropertyValue property(const char* name, const uno::Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// The floor of the visible office: the office opening the file as a new
// document in a window of its own, as a person would open it there.
void loadShownAndClose(const QString& path)
{
    uno::Reference<frame::XComponentLoader> loader(office::lo::Connection::instance().desktop(), uno::UNO_QUERY_THROW);
    const beans::PropertyValue props[] = {property("AsTemplate", uno::Any(true))};
    TestOffice::close(loader->loadComponentFromURL(office::lo::toOUString(QUrl::fromLocalFile(path).toString()),
                                                   "_blank", 0, uno::Sequence<beans::PropertyValue>(props, 1)));
}

// A profile whose first visible start shows no tips or welcome screens,
// which would cover the documents.
QString visibleProfile(const QTemporaryDir& work)
{
    const QString profile = work.filePath(QStringLiteral("visible-profile"));
    QDir().mkpath(profile + QStringLiteral("/user"));
    QFile settings(profile + QStringLiteral("/user/registrymodifications.xcu"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>99.0</value></prop></item>
</oor:items>
)");
    return profile;
}

// Runs one measurement. A failure (the office gone, a document it would not
// open) is kept with what was being measured; the rows measured so far
// still print.
bool attempt(QStringList& failures, const QString& what, const std::function<void()>& work)
{
    QString why;
    try {
        work();
        return true;
    } catch (const KvilmarError& e) {
        why = e.text();
    } catch (const uno::Exception& e) {
        why = office::lo::toQString(e.Message);
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    }
    failures << what + QStringLiteral(": ") + why;
    std::fprintf(stderr, "%s\n", qPrintable(failures.last()));
    return false;
}

struct FillRow {
    QString name;
    Pair warm, cold;
    QString warmGoal, coldGoal;
};

struct StartRow {
    QString name;
    Pair figures; // the program against the bare window
    Pair againstText; // the program against the window with a line of text
    QString unit;
    int decimals;
    QString goal;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs of each measurement."), QStringLiteral("n"),
                      QStringLiteral("5")});
    parser.addOption({QStringLiteral("only"), QStringLiteral("Rows to measure: doc, xls, visible, start."),
                      QStringLiteral("rows"), QStringLiteral("doc,xls,visible,start")});
    parser.addOption({QStringLiteral("program"), QStringLiteral("The program whose start-up is timed."),
                      QStringLiteral("path"), QStringLiteral(KVILMAR_PROGRAM_PATH)});
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QStringList only = parser.value(QStringLiteral("only")).split(QLatin1Char(','));
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");

    QStringList failures;
    QTemporaryDir work;
    TestOffice office(work.filePath(QStringLiteral("profile")));
    // The start-up rows alone need no office.
    const bool officeRows = only.contains(QLatin1String("doc")) || only.contains(QLatin1String("xls"))
        || only.contains(QLatin1String("visible"));
    const bool templatesMade =
        officeRows && office.start() && attempt(failures, QStringLiteral("making the templates"), [&] {
            std::fprintf(stderr, "making templates...\n");
            const QString docPath = work.filePath(QStringLiteral("big.doc"));
            TestOffice::writeTextDocument(docPath, QStringLiteral("MS Word 97"), bigTextDocument());
            if (only.contains(QLatin1String("xls")))
                TestOffice::writeWorkbookBlock(work.filePath(QStringLiteral("big.xls")), 10, bigBlock());
        });
    if (officeRows && failures.isEmpty() && !templatesMade)
        failures << QStringLiteral("the office did not start");
    const QString docPath = work.filePath(QStringLiteral("big.doc"));
    const QString xlsPath = work.filePath(QStringLiteral("big.xls"));
    int pages = 0;
    if (templatesMade && only.contains(QLatin1String("doc")))
        attempt(failures, QStringLiteral("counting the doc's pages"), [&] { pages = pageCount(docPath); });
    const QString docName = QStringLiteral("doc, %1 pages, 50 identifiers × 20").arg(pages);

    QList<Entry> docList;
    for (int i = 0; i < 50; ++i)
        docList << Entry{identifier(i), QStringLiteral("Значение номер %1").arg(i)};
    QList<Entry> xlsList;
    for (int i = 0; i < 20; ++i)
        xlsList << Entry{identifier(i), QStringLiteral("Сумма %1").arg(i)};

    TestHost host;
    host.range = {10, QStringLiteral("A1:Z2000")};
    auto load = [](const QString& path) { return [path] { TestOffice::close(office::lo::loadAsNewDocument(path)); }; };
    auto fill = [&](const QString& path, bool spreadsheet) {
        return [&host, path, spreadsheet] {
            host.name = path;
            if (spreadsheet)
                fillExcel(host, office::libreOffice(), host.job());
            else
                fillWord(host, office::libreOffice(), host.job());
            TestOffice::close(TestOffice::lastDocument());
        };
    };
    auto cold = [&](const std::function<void()>& work) {
        office.stop();
        return seconds(work);
    };

    QList<FillRow> fillRows;
    auto measureFilling = [&](const QString& name, const QString& path, bool spreadsheet, const QList<Entry>& list,
                              const QString& warmGoal, const QString& coldGoal) {
        setList(list);
        FillRow row{name, {}, {}, warmGoal, coldGoal};
        for (int run = 0; run < runs; ++run) {
            std::fprintf(stderr, "%s, run %d of %d...\n", qPrintable(name), run + 1, runs);
            const bool done =
                attempt(failures, QStringLiteral("%1, run %2 of %3").arg(name).arg(run + 1).arg(runs), [&] {
                    const double coldLoad = cold(load(path));
                    const double warmLoad = seconds(load(path));
                    const double warmFill = seconds(fill(path, spreadsheet));
                    const double coldFill = cold(fill(path, spreadsheet));
                    row.warm.add(warmFill, warmLoad);
                    row.cold.add(coldFill, coldLoad);
                });
            if (!done)
                break;
        }
        if (!row.warm.measured.isEmpty())
            fillRows << row;
    };
    if (templatesMade && only.contains(QLatin1String("doc")))
        measureFilling(docName, docPath, false, docList, QStringLiteral("≤ 1.4×"), QStringLiteral("≤ 1.15×"));
    if (templatesMade && only.contains(QLatin1String("xls")))
        measureFilling(QStringLiteral("xls, 10 sheets, A1:Z2000, 20 identifiers"), xlsPath, true, xlsList,
                       QStringLiteral("≤ 2×"), QStringLiteral("≤ 1.3×"));

    if (templatesMade && only.contains(QLatin1String("visible")) && display) {
        office.stop();
        qputenv("KVILMAR_OFFICE_HEADLESS", "0");
        qputenv("KVILMAR_OFFICE_PROFILE", visibleProfile(work).toLocal8Bit());
        setList(docList);
        FillRow row{QStringLiteral("doc, visible office on the X display (fill ÷ visible load)"), {}, {}, {}, {}};
        // The office's first window, not measured.
        bool ready = attempt(failures, QStringLiteral("visible doc, the office's first window"),
                             [&] { loadShownAndClose(docPath); });
        for (int run = 0; ready && run < runs; ++run) {
            std::fprintf(stderr, "visible doc, run %d of %d...\n", run + 1, runs);
            ready = attempt(failures, QStringLiteral("visible doc, run %1 of %2").arg(run + 1).arg(runs), [&] {
                const double shownLoad = seconds([&] { loadShownAndClose(docPath); });
                row.warm.add(seconds(fill(docPath, false)), shownLoad);
            });
        }
        if (!row.warm.measured.isEmpty())
            fillRows << row;
        office.stop();
    }

    QList<StartRow> startRows;
    if (only.contains(QLatin1String("start")) && display) {
        StartRow shown{QStringLiteral("First window shown"), {}, {}, QStringLiteral(" s"), 3, QStringLiteral("≤ 1.5×")};
        StartRow memory{QStringLiteral("Peak memory"), {}, {}, QStringLiteral(" MiB"), 1, QStringLiteral("≤ 1.5×")};
        for (int run = 0; run < runs; ++run) {
            std::fprintf(stderr, "start-up, run %d of %d...\n", run + 1, runs);
            // Each start in folders of its own: no settings, no lock of an
            // earlier copy, no window offered by a remembered file.
            QTemporaryDir folder;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.insert(QStringLiteral("KVILMAR_PROGRAM_DIR"), folder.path() + QLatin1Char('/'));
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
            const auto program = measureStartup(parser.value(QStringLiteral("program")), {}, env);
            const auto bare = measureStartup(QStringLiteral(KVILMAR_BARE_WINDOW_PATH), {}, env);
            const auto text = measureStartup(QStringLiteral(KVILMAR_BARE_WINDOW_PATH), {QStringLiteral("--text")}, env);
            if (!program || !bare || !text) {
                failures << QStringLiteral("start-up, run %1 of %2: %3 showed no window (the reason is above)")
                                .arg(run + 1)
                                .arg(runs)
                                .arg(!program    ? QStringLiteral("the program")
                                         : !bare ? QStringLiteral("the bare window")
                                                 : QStringLiteral("the window with text"));
                break;
            }
            shown.figures.add(program->secondsToWindow, bare->secondsToWindow);
            shown.againstText.add(program->secondsToWindow, text->secondsToWindow);
            memory.figures.add(program->peakMiB, bare->peakMiB);
            memory.againstText.add(program->peakMiB, text->peakMiB);
        }
        if (!shown.figures.measured.isEmpty())
            startRows << shown << memory;
    }

    std::printf("Median of %d runs, the spread (least–most) in brackets; each ratio taken run by run.\n\n", runs);
    std::printf("| Template | Fill, warm | Load only, warm | Fill ÷ load, warm (goal) "
                "| Fill, cold | Load only, cold | Fill ÷ load, cold (goal) |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const FillRow& r : fillRows) {
        auto goal = [](const QString& g) { return g.isEmpty() ? QString() : QStringLiteral(" (") + g + ')'; };
        std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", qPrintable(r.name),
                    qPrintable(r.warm.measured.shown(" s", 2)), qPrintable(r.warm.floor.shown(" s", 2)),
                    qPrintable(r.warm.ratio.shown("×", 2) + goal(r.warmGoal)),
                    qPrintable(r.cold.measured.shown(" s", 2)), qPrintable(r.cold.floor.shown(" s", 2)),
                    qPrintable(r.cold.ratio.shown("×", 2) + goal(r.coldGoal)));
    }
    if (!startRows.isEmpty()) {
        std::printf("\n| Start-up on the X display | Kvilmar | Bare Qt window | Ratio (goal) "
                    "| Qt window with a line of text | Ratio |\n");
        std::printf("|---|---|---|---|---|---|\n");
        for (const StartRow& r : startRows)
            std::printf("| %s | %s | %s | %s (%s) | %s | %s |\n", qPrintable(r.name),
                        qPrintable(r.figures.measured.shown(r.unit, r.decimals)),
                        qPrintable(r.figures.floor.shown(r.unit, r.decimals)),
                        qPrintable(r.figures.ratio.shown("×", 2)), qPrintable(r.goal),
                        qPrintable(r.againstText.floor.shown(r.unit, r.decimals)),
                        qPrintable(r.againstText.ratio.shown("×", 2)));
    }
    if (!display)
        std::printf("\nNo X display (DISPLAY unset): the visible office and start-up rows were not measured.\n");
    if (failures.isEmpty())
        return 0;
    std::printf("\nFailed (those rows are missing or have fewer runs):\n");
    for (const QString& failure : std::as_const(failures))
        std::printf("- %s\n", qPrintable(failure));
    return 1;
}
