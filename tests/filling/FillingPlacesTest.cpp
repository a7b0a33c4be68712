// Every place a template can hold an identifier, in every format the office
// writes: the template is made by the office, filled by a run, and the
// filled document read back place by place, text and formatting. The run
// also writes the table of formats and places shown in the README.
#include "support/ListBuilder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TemplatePlaces.h"
#include "support/TestHost.h"
#include "support/TestMain.h"
#include "support/TestOffice.h"

#include "common/windows/Guard.h"
#include "filling/windows/FillingRun.h"
#include "filling/office/connection/LibreOfficeLoad.h"

#include <QFile>
#include <QtTest>

namespace {

const QString kIdentifier = QStringLiteral("#ИД#");
const QString kValue = QStringLiteral("Значение");

} // namespace

class FillingPlacesTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    TestOffice office_;
    // format -> place -> what the README shows
    QMap<QString, QMap<QString, QString>> table_;
    QStringList textFormats_;
    QStringList cellFormats_;

private slots:
    void initTestCase()
    {
        qputenv("HOME", folder_.path().toLocal8Bit());
        QVERIFY2(office_.start(), "LibreOffice does not start");
    }

    void everyPlaceIsFilled_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("workbook");
        QTest::newRow("odt") << "t.odt" << "writer8" << false;
        QTest::newRow("docx") << "t.docx" << "MS Word 2007 XML" << false;
        QTest::newRow("doc") << "t.doc" << "MS Word 97" << false;
        QTest::newRow("rtf") << "t.rtf" << "Rich Text Format" << false;
        QTest::newRow("txt") << "t.txt" << "Text" << false;
        QTest::newRow("xls") << "t.xls" << "MS Excel 97" << true;
        QTest::newRow("xlsx") << "t.xlsx" << "Calc MS Excel 2007 XML" << true;
        QTest::newRow("ods") << "t.ods" << "calc8" << true;
    }

    void everyPlaceIsFilled()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, workbook);
        const QString path = folder_.file(name);
        if (workbook)
            places::writeWorkbook(path, filter, kIdentifier);
        else
            places::writeText(path, filter, kIdentifier);
        auto read = [&](const css::uno::Reference<css::lang::XComponent>& document) {
            return workbook ? places::readWorkbook(document) : places::readText(document);
        };
        // What the format kept of the template, as the office opens it.
        const auto opened = office::lo::loadAsNewDocument(path);
        const auto kept = read(opened);
        TestOffice::close(opened);

        setList({{kIdentifier, kValue}});
        TestHost host;
        host.name = path;
        host.range = {2, "A1:B2"};
        ScriptedDialogs dialogs;
        dialogs.answer(MessageAnswer::Ok);
        guarded([&] { runFilling(host, host.job()); });
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY2(dialogs.shown().first().text.startsWith("Работа закончена!"), qPrintable(dialogs.shown().first().text));
        const auto filled = read(TestOffice::lastDocument());
        TestOffice::close(TestOffice::lastDocument());

        const QString format = QTest::currentDataTag();
        (workbook ? cellFormats_ : textFormats_) << format;
        for (const places::Place& place : workbook ? places::cellPlaces() : places::textPlaces()) {
            const places::Reading before = kept.value(place.name);
            const places::Reading after = filled.value(place.name);
            QString& shown = table_[format][place.name];
            if (!before.found) {
                shown = QStringLiteral("—");
                continue;
            }
            if (format == QLatin1String("odt") && place.name != QLatin1String("comment"))
                QVERIFY2(before.bold, qPrintable(place.name));   // the reading sees formatting at all
            const bool replaced = !after.text.contains(kIdentifier) && after.text.contains(kValue);
            // Comments keep plain text only; elsewhere the value takes the
            // identifier's formatting, and a link stays one.
            const bool formatted =
                place.name == QLatin1String("comment") || (after.bold == before.bold && after.link == before.link);
            shown = replaced && formatted ? QStringLiteral("filled") : QStringLiteral("NOT FILLED");
            QVERIFY2(replaced, qPrintable(QStringLiteral("%1: %2 reads \"%3\"").arg(format, place.name, after.text)));
            QVERIFY2(formatted, qPrintable(QStringLiteral("%1: %2 lost its formatting").arg(format, place.name)));
        }
    }

    // The completion box counts every place of a workbook: an identifier
    // only in a comment, the header, the footer or a shape is in the
    // template, and is filled there; a comment outside the block is not.
    void workbookPlacesCount_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("told");   // after the time
        QTest::newRow("comment") << "comment" << "A1:B2" << "";
        QTest::newRow("comment outside the block") << "comment" << "A1:B1" << "\n\nОстались в документе: «#ИД#»";
        QTest::newRow("header") << "header" << "A1:A1" << "";
        QTest::newRow("footer") << "footer" << "A1:A1" << "";
        QTest::newRow("shape") << "shape" << "A1:A1" << "";
    }

    void workbookPlacesCount()
    {
        QFETCH(QString, place);
        QFETCH(QString, block);
        QFETCH(QString, told);
        const QString path = folder_.file("only.xls");
        places::writeWorkbook(path, "MS Excel 97", kIdentifier, place);
        setList({{kIdentifier, kValue}});
        TestHost host;
        host.name = path;
        host.range = {2, block};
        ScriptedDialogs dialogs;
        dialogs.answer(MessageAnswer::Ok);
        guarded([&] { runFilling(host, host.job()); });
        const QString box = dialogs.shown().first().text;
        QCOMPARE(box.mid(box.indexOf(" с") + 2), told);
        const QString filled = places::readWorkbook(TestOffice::lastDocument()).value(place).text;
        TestOffice::close(TestOffice::lastDocument());
        QCOMPARE(filled.endsWith(kValue), told.isEmpty());
    }

    void cleanupTestCase()
    {
        // The README's table: formats down, places across.
        auto write = [&](const QStringList& formats, const QList<places::Place>& all) {
            QString out = QStringLiteral("| Format |");
            QString rule = QStringLiteral("|---|");
            for (const places::Place& place : all) {
                out += QLatin1Char(' ') + place.name + QStringLiteral(" |");
                rule += QStringLiteral("---|");
            }
            out += QLatin1Char('\n') + rule + QLatin1Char('\n');
            for (const QString& format : formats) {
                out += QStringLiteral("| ") + format + QStringLiteral(" |");
                for (const places::Place& place : all)
                    out += QLatin1Char(' ') + table_[format].value(place.name, QStringLiteral("?")) + QStringLiteral(" |");
                out += QLatin1Char('\n');
            }
            return out;
        };
        const QString tables = write(textFormats_, places::textPlaces()) + QLatin1Char('\n')
                               + write(cellFormats_, places::cellPlaces());
        QFile file(QStringLiteral("filling-places.md"));
        if (file.open(QIODevice::WriteOnly))
            file.write(tables.toUtf8());
        qInfo().noquote() << "\n" << tables;
    }
};

KV_TEST_MAIN(FillingPlacesTest)
#include "FillingPlacesTest.moc"
