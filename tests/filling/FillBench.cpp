// Times the word-processor and spreadsheet fillers against a real headless
// LibreOffice, warm (office running) and cold (office started by the run),
// beside the time the office takes only to load the same document.
// Run through bench/fill; prints a Markdown table.
#include "ListBuilder.h"
#include "TestHost.h"
#include "TestOffice.h"

#include "filling/ExcelFiller.h"
#include "filling/WordFiller.h"
#include "filling/office/LibreOffice.h"
#include "filling/office/LibreOfficeLoad.h"

#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace css;

namespace {

double seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.elapsed()) / 1000.0;
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
    const QString filler = QStringLiteral("Настоящий договор составлен в двух экземплярах, имеющих равную "
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

struct Row {
    QString name;
    double warmFill = 0, warmLoad = 0, coldFill = 0, coldLoad = 0;
};

QString secs(double s)
{
    return QString::number(s, 'f', 2) + QStringLiteral(" s");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir work;
    const QString profile = work.filePath(QStringLiteral("profile"));
    TestOffice office(profile);
    if (!office.start())
        return 1;

    std::fprintf(stderr, "making templates...\n");
    const QString docPath = work.filePath(QStringLiteral("big.doc"));
    TestOffice::writeTextDocument(docPath, QStringLiteral("MS Word 97"), bigTextDocument());
    const QString xlsPath = work.filePath(QStringLiteral("big.xls"));
    TestOffice::writeWorkbookBlock(xlsPath, 10, bigBlock());

    TestHost host;
    host.range = {10, QStringLiteral("A1:Z2000")};
    auto load = [](const QString& path) {
        return [path] { TestOffice::close(office::lo::loadAsNewDocument(path)); };
    };
    auto fill = [&](const QString& path, bool spreadsheet) {
        return [&host, path, spreadsheet] {
            host.name = path;
            if (spreadsheet)
                fillExcel(host, office::libreOffice());
            else
                fillWord(host, office::libreOffice());
            TestOffice::close(TestOffice::lastDocument());
        };
    };
    auto cold = [&](const std::function<void()>& work) {
        office.stop();
        return seconds(work);
    };

    QList<Row> rows;
    {
        QList<Entry> entries;
        for (int i = 0; i < 50; ++i)
            entries << Entry{identifier(i), QStringLiteral("Значение номер %1").arg(i)};
        setList(entries);
        std::fprintf(stderr, "doc...\n");
        Row row{QStringLiteral("doc, %1 pages, 50 identifiers x 20").arg(pageCount(docPath))};
        row.coldLoad = cold(load(docPath));
        row.warmLoad = seconds(load(docPath));
        row.warmFill = seconds(fill(docPath, false));
        row.coldFill = cold(fill(docPath, false));
        rows << row;
    }
    {
        QList<Entry> entries;
        for (int i = 0; i < 20; ++i)
            entries << Entry{identifier(i), QStringLiteral("Сумма %1").arg(i)};
        setList(entries);
        std::fprintf(stderr, "xls...\n");
        Row row{QStringLiteral("xls, 10 sheets, A1:Z2000, 20 identifiers")};
        row.coldLoad = cold(load(xlsPath));
        row.warmLoad = seconds(load(xlsPath));
        row.warmFill = seconds(fill(xlsPath, true));
        row.coldFill = cold(fill(xlsPath, true));
        rows << row;
    }

    std::printf("| Template | Fill, warm office | Load only, warm | Fill, cold office | Load only, cold |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const Row& r : rows)
        std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(r.name), qPrintable(secs(r.warmFill)),
                    qPrintable(secs(r.warmLoad)), qPrintable(secs(r.coldFill)), qPrintable(secs(r.coldLoad)));
    return 0;
}
