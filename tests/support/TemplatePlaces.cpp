#include "TemplatePlaces.h"

#include "TestOffice.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapeGrouper.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XSheetAnnotationShapeSupplier.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include <QXmlStreamReader>
#include <optional>

using namespace css;
using office::lo::toOUString;
using office::lo::toQString;

namespace places {

namespace {

template <class T>
uno::Reference<T> as(const uno::Any& any)
{
    return uno::Reference<T>(any, uno::UNO_QUERY_THROW);
}

template <class T, class U>
uno::Reference<T> as(const uno::Reference<U>& object)
{
    return uno::Reference<T>(object, uno::UNO_QUERY_THROW);
}

// Puts the place's word and the identifier into the text, the identifier bold.
void fillPlace(const uno::Reference<text::XText>& text, const QString& word, const QString& identifier)
{
    text->setString(toOUString(word + QLatin1Char(' ') + identifier));
    auto cursor = text->createTextCursor();
    cursor->gotoEnd(false);
    cursor->goLeft(static_cast<sal_Int16>(identifier.size()), true);
    as<beans::XPropertySet>(cursor)->setPropertyValue("CharWeight", uno::Any(awt::FontWeight::BOLD));
}

QString word(const QString& name)
{
    for (const Place& place : textPlaces() + cellPlaces()) {
        if (place.name == name)
            return place.word;
    }
    return name;
}

uno::Reference<drawing::XShape> addShape(const uno::Reference<lang::XMultiServiceFactory>& factory,
                                         const char* kind, int x)
{
    auto shape = as<drawing::XShape>(factory->createInstance(rtl::OUString::createFromAscii(kind)));
    shape->setSize(awt::Size(5000, 1500));
    shape->setPosition(awt::Point(x, 2000));
    as<beans::XPropertySet>(shape)->setPropertyValue("AnchorType",
                                                      uno::Any(text::TextContentAnchorType_AT_PARAGRAPH));
    return shape;
}

template <class Content>
uno::Reference<Content> insert(const uno::Reference<lang::XMultiServiceFactory>& factory, const char* service,
                               const uno::Reference<text::XText>& body)
{
    auto content = as<text::XTextContent>(factory->createInstance(rtl::OUString::createFromAscii(service)));
    body->insertTextContent(body->getEnd(), content, false);
    return as<Content>(content);
}

// What the flat XML says about formatting: bold or not, by style.
struct Style {
    std::optional<bool> bold;
    QString parent;
};

bool boldIn(const QMap<QString, Style>& styles, QString name)
{
    for (int depth = 0; depth < 20 && !name.isEmpty(); ++depth) {
        const auto it = styles.find(name);
        if (it == styles.end())
            return false;
        if (it->bold)
            return *it->bold;
        name = it->parent;
    }
    return false;
}

bool isBoldWeight(const QStringView weight)
{
    return weight == QLatin1String("bold") || weight.toInt() >= 600;
}

} // namespace

const QList<Place>& textPlaces()
{
    static const QList<Place> list{
        {"body", "Тело"}, {"table", "Таблица"}, {"header", "Шапка"}, {"left header", "Левая"},
        {"first-page header", "Первая"}, {"footer", "Подвал"}, {"footnote", "Сноска"}, {"endnote", "Концевая"},
        {"frame", "Рамка"}, {"text box", "Надпись"}, {"shape", "Фигура"}, {"grouped shape", "Группа"},
        {"comment", "Примечание"},
    };
    return list;
}

const QList<Place>& cellPlaces()
{
    static const QList<Place> list{{"sheet 1", "Лист1"}, {"sheet 2", "Лист2"}, {"two lines", "Строки"},
                                   {"link", "Ссылка"}, {"partly bold", "Итог"}, {"comment", "Примечание"},
                                   {"header", "Шапка"}, {"footer", "Подвал"}, {"shape", "Фигура"}};
    return list;
}

void writeText(const QString& path, const QString& filter, const QString& identifier)
{
    auto document = TestOffice::newDocument("private:factory/swriter");
    auto factory = as<lang::XMultiServiceFactory>(document);
    auto body = as<text::XTextDocument>(document)->getText();

    fillPlace(body, word("body"), identifier);
    body->insertControlCharacter(body->getEnd(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    auto table = insert<text::XTextTable>(factory, "com.sun.star.text.TextTable", body);
    fillPlace(as<text::XText>(table->getCellByName("A1")), word("table"), identifier);
    body->insertString(body->getEnd(), toOUString(QStringLiteral("Сноски: ")), false);
    fillPlace(insert<text::XText>(factory, "com.sun.star.text.Footnote", body), word("footnote"), identifier);
    fillPlace(insert<text::XText>(factory, "com.sun.star.text.Endnote", body), word("endnote"), identifier);
    auto comment = insert<beans::XPropertySet>(factory, "com.sun.star.text.textfield.Annotation", body);
    comment->setPropertyValue("Author", uno::Any(rtl::OUString("Квилмар")));
    comment->setPropertyValue("Content", uno::Any(toOUString(word("comment") + QLatin1Char(' ') + identifier)));
    fillPlace(insert<text::XText>(factory, "com.sun.star.text.TextFrame", body), word("frame"), identifier);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    auto page = as<drawing::XDrawPageSupplier>(document)->getDrawPage();
#pragma GCC diagnostic pop
    auto shape = addShape(factory, "com.sun.star.drawing.RectangleShape", 1000);
    page->add(shape);
    fillPlace(as<text::XText>(shape), word("shape"), identifier);
    auto box = addShape(factory, "com.sun.star.drawing.RectangleShape", 7000);
    page->add(box);
    as<beans::XPropertySet>(box)->setPropertyValue("TextBox", uno::Any(true));
    fillPlace(as<text::XText>(box), word("text box"), identifier);
    auto grouped = addShape(factory, "com.sun.star.drawing.RectangleShape", 13000);
    auto other = addShape(factory, "com.sun.star.drawing.EllipseShape", 19000);
    page->add(grouped);
    page->add(other);
    fillPlace(as<text::XText>(grouped), word("grouped shape"), identifier);
    auto context = office::lo::Connection::instance().remoteContext();
    auto members = as<drawing::XShapes>(context->getServiceManager()->createInstanceWithContext(
        "com.sun.star.drawing.ShapeCollection", context));
    members->add(grouped);
    members->add(other);
    as<drawing::XShapeGrouper>(page)->group(members);

    auto pageStyles = as<container::XNameAccess>(
        as<style::XStyleFamiliesSupplier>(document)->getStyleFamilies()->getByName("PageStyles"));
    auto standard = as<beans::XPropertySet>(pageStyles->getByName("Standard"));
    standard->setPropertyValue("HeaderIsOn", uno::Any(true));
    standard->setPropertyValue("HeaderIsShared", uno::Any(false));
    standard->setPropertyValue("FirstIsShared", uno::Any(false));
    standard->setPropertyValue("FooterIsOn", uno::Any(true));
    fillPlace(as<text::XText>(standard->getPropertyValue("HeaderText")), word("header"), identifier);
    fillPlace(as<text::XText>(standard->getPropertyValue("HeaderTextLeft")), word("left header"), identifier);
    fillPlace(as<text::XText>(standard->getPropertyValue("HeaderTextFirst")), word("first-page header"), identifier);
    fillPlace(as<text::XText>(standard->getPropertyValue("FooterText")), word("footer"), identifier);

    TestOffice::store(document, path, filter);
}

void writeWorkbook(const QString& path, const QString& filter, const QString& identifier, const QString& only)
{
    auto document = TestOffice::newDocument("private:factory/scalc");
    auto sheets = as<sheet::XSpreadsheetDocument>(document)->getSheets();
    auto indexed = as<container::XIndexAccess>(sheets);
    if (indexed->getCount() < 2)
        sheets->insertNewByName("Лист2", 1);
    const auto held = [&](const QString& place) {
        return only.isEmpty() || only == place ? identifier : QStringLiteral("-");
    };
    auto put = [&](int sheet, const char* cell, const QString& text) {
        auto cells = as<table::XCellRange>(indexed->getByIndex(sheet));
        auto target = cells->getCellRangeByName(rtl::OUString::createFromAscii(cell))->getCellByPosition(0, 0);
        as<text::XText>(target)->setString(toOUString(text));
        as<beans::XPropertySet>(target)->setPropertyValue("CharWeight", uno::Any(awt::FontWeight::BOLD));
    };
    put(0, "A1", word("sheet 1") + QLatin1Char(' ') + held("sheet 1"));
    put(1, "B2", word("sheet 2") + QLatin1Char(' ') + held("sheet 2"));
    put(0, "B1", word("two lines") + QLatin1Char('\n') + held("two lines"));
    auto first = indexed->getByIndex(0);
    auto cell = [&](const char* name) {
        return as<text::XText>(as<table::XCellRange>(first)->getCellRangeByName(rtl::OUString::createFromAscii(name))
                                   ->getCellByPosition(0, 0));
    };
    auto link = as<beans::XPropertySet>(as<lang::XMultiServiceFactory>(document)->createInstance("com.sun.star.text.TextField.URL"));
    link->setPropertyValue("URL", uno::Any(rtl::OUString("https://example.org/")));
    link->setPropertyValue("Representation", uno::Any(toOUString(word("link") + QLatin1Char(' ') + held("link"))));
    cell("A2")->insertTextContent(as<text::XTextRange>(cell("A2")->createTextCursor()), as<text::XTextContent>(link), false);
    fillPlace(cell("B2"), word("partly bold"), held("partly bold"));

    as<sheet::XSheetAnnotationsSupplier>(first)->getAnnotations()->insertNew(
        table::CellAddress(0, 0, 1), toOUString(word("comment") + QLatin1Char(' ') + held("comment")));
    auto style = as<beans::XPropertySet>(as<container::XNameAccess>(
        as<style::XStyleFamiliesSupplier>(document)->getStyleFamilies()->getByName("PageStyles"))->getByName("Default"));
    for (const QString& part : {QStringLiteral("header"), QStringLiteral("footer")}) {
        const rtl::OUString content = part == "header" ? "RightPageHeaderContent" : "RightPageFooterContent";
        auto parts = as<sheet::XHeaderFooterContent>(style->getPropertyValue(content));
        fillPlace(parts->getLeftText(), word(part), held(part));
        style->setPropertyValue(content, uno::Any(parts));
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    auto page = as<drawing::XDrawPageSupplier>(first)->getDrawPage();
#pragma GCC diagnostic pop
    auto shape = as<drawing::XShape>(as<lang::XMultiServiceFactory>(document)->createInstance(
        "com.sun.star.drawing.RectangleShape"));
    shape->setSize(awt::Size(5000, 1500));
    shape->setPosition(awt::Point(1000, 3000));
    page->add(shape);
    fillPlace(as<text::XText>(shape), word("shape"), held("shape"));
    TestOffice::store(document, path, filter);
}

QMap<QString, Reading> readText(const uno::Reference<lang::XComponent>& document)
{
    const QByteArray xml = TestOffice::flatXml(document, QStringLiteral("OpenDocument Text Flat XML"));
    QMap<QString, Style> styles;
    QString style;
    struct Run {
        QString text;
        QString style;
    };
    struct Paragraph {
        QString style;
        QList<Run> runs;
        QStringList spans;
    };
    QList<Paragraph> open;
    QMap<QString, Reading> read;
    int skipped = 0;   // inside metadata such as a comment's author

    auto append = [&](const QString& text) {
        if (open.isEmpty() || skipped > 0)
            return;
        Paragraph& p = open.last();
        p.runs << Run{text, p.spans.isEmpty() ? QString() : p.spans.last()};
    };
    auto finish = [&](const Paragraph& p) {
        QString whole;
        for (const Run& run : p.runs)
            whole += run.text;
        for (const Place& place : textPlaces()) {
            if (read.contains(place.name) || !whole.startsWith(place.word + QLatin1Char(' ')))
                continue;
            Reading r{true, whole, false, false};
            // The formatting of the first character after the word.
            qsizetype at = place.word.size() + 1;
            for (const Run& run : p.runs) {
                if (at < run.text.size()) {
                    r.bold = run.style.isEmpty() ? boldIn(styles, QStringLiteral("paragraph:") + p.style)
                                                 : boldIn(styles, QStringLiteral("text:") + run.style);
                    break;
                }
                at -= run.text.size();
            }
            read.insert(place.name, r);
        }
    };

    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        const QStringView name = reader.qualifiedName();
        const auto attributes = reader.attributes();
        if (reader.isStartElement()) {
            if (name == QLatin1String("style:style")) {
                const QString family = attributes.value("style:family").toString() + QLatin1Char(':');
                style = family + attributes.value("style:name").toString();
                const QString parent = attributes.value("style:parent-style-name").toString();
                styles[style].parent = parent.isEmpty() ? QString() : family + parent;
            } else if (name == QLatin1String("style:text-properties") && !style.isEmpty()
                       && attributes.hasAttribute("fo:font-weight")) {
                styles[style].bold = isBoldWeight(attributes.value("fo:font-weight"));
            } else if (name == QLatin1String("text:p") || name == QLatin1String("text:h")) {
                open << Paragraph{attributes.value("text:style-name").toString(), {}, {}};
            } else if (name == QLatin1String("text:span") && !open.isEmpty()) {
                open.last().spans << attributes.value("text:style-name").toString();
            } else if (name == QLatin1String("text:s")) {
                const int count = attributes.hasAttribute("text:c") ? attributes.value("text:c").toInt() : 1;
                append(QString(count, QLatin1Char(' ')));
            } else if (name == QLatin1String("text:tab")) {
                append(QStringLiteral("\t"));
            } else if (name == QLatin1String("text:line-break")) {
                append(QStringLiteral("\n"));
            } else if (name.startsWith(QLatin1String("dc:")) || name == QLatin1String("meta:date-string")
                       || name == QLatin1String("text:note-citation")) {
                ++skipped;
            }
        } else if (reader.isEndElement()) {
            if (name == QLatin1String("style:style")) {
                style.clear();
            } else if ((name == QLatin1String("text:p") || name == QLatin1String("text:h")) && !open.isEmpty()) {
                finish(open.takeLast());
            } else if (name == QLatin1String("text:span") && !open.isEmpty() && !open.last().spans.isEmpty()) {
                open.last().spans.removeLast();
            } else if (name.startsWith(QLatin1String("dc:")) || name == QLatin1String("meta:date-string")
                       || name == QLatin1String("text:note-citation")) {
                --skipped;
            }
        } else if (reader.isCharacters() && !(reader.isWhitespace() && reader.text().contains(QLatin1Char('\n')))) {
            // Line ends and indents between elements only lay the file out.
            append(reader.text().toString());
        }
    }
    return read;
}

QMap<QString, Reading> readWorkbook(const uno::Reference<lang::XComponent>& document)
{
    QMap<QString, Reading> read;
    // A text other than a cell's: bold when the character after the word is.
    const auto readText = [&](const uno::Reference<text::XText>& text) {
        const QString shown = toQString(text->getString());
        for (const Place& place : cellPlaces()) {
            if (!shown.startsWith(place.word + QLatin1Char(' ')) || read.contains(place.name))
                continue;
            auto cursor = text->createTextCursor();
            cursor->goRight(static_cast<sal_Int16>(place.word.size() + 1), false);
            cursor->goRight(1, true);
            float weight = 0;
            as<beans::XPropertySet>(cursor)->getPropertyValue("CharWeight") >>= weight;
            read.insert(place.name, Reading{true, shown, weight >= awt::FontWeight::BOLD, false});
        }
    };
    auto sheets = as<container::XIndexAccess>(as<sheet::XSpreadsheetDocument>(document)->getSheets());
    auto styles = as<container::XNameAccess>(as<style::XStyleFamiliesSupplier>(document)->getStyleFamilies()
                                                 ->getByName("PageStyles"));
    for (sal_Int32 s = 0; s < sheets->getCount(); ++s) {
        auto notes = as<container::XIndexAccess>(as<sheet::XSheetAnnotationsSupplier>(sheets->getByIndex(s))->getAnnotations());
        for (sal_Int32 i = 0; i < notes->getCount(); ++i)
            readText(as<text::XText>(as<sheet::XSheetAnnotationShapeSupplier>(notes->getByIndex(i))->getAnnotationShape()));
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        auto shapes = as<container::XIndexAccess>(as<drawing::XDrawPageSupplier>(sheets->getByIndex(s))->getDrawPage());
#pragma GCC diagnostic pop
        for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
            if (uno::Reference<text::XText> text(shapes->getByIndex(i), uno::UNO_QUERY); text.is())
                readText(text);
        }
        auto style = as<beans::XPropertySet>(
            styles->getByName(as<beans::XPropertySet>(sheets->getByIndex(s))->getPropertyValue("PageStyle").get<rtl::OUString>()));
        for (const char* content : {"RightPageHeaderContent", "RightPageFooterContent"}) {
            auto parts = as<sheet::XHeaderFooterContent>(style->getPropertyValue(rtl::OUString::createFromAscii(content)));
            for (const auto& text : {parts->getLeftText(), parts->getCenterText(), parts->getRightText()})
                readText(text);
        }
    }
    for (sal_Int32 s = 0; s < sheets->getCount(); ++s) {
        auto cells = as<table::XCellRange>(sheets->getByIndex(s));
        for (sal_Int32 column = 0; column < 2; ++column) {
            for (sal_Int32 row = 0; row < 2; ++row) {
                auto cell = as<text::XText>(cells->getCellByPosition(column, row));
                const QString text = toQString(cell->getString());
                for (const Place& place : cellPlaces()) {
                    if (!text.startsWith(place.word) || read.contains(place.name))
                        continue;
                    // The character after the word and its separator.
                    auto cursor = cell->createTextCursor();
                    cursor->gotoStart(false);
                    cursor->goRight(static_cast<sal_Int16>(place.word.size() + 1), false);
                    cursor->goRight(1, true);
                    float weight = 0;
                    as<beans::XPropertySet>(cursor)->getPropertyValue("CharWeight") >>= weight;
                    bool link = false;
                    auto paragraphs = as<container::XEnumerationAccess>(cell)->createEnumeration();
                    while (paragraphs->hasMoreElements()) {
                        auto portions = as<container::XEnumerationAccess>(paragraphs->nextElement())->createEnumeration();
                        while (portions->hasMoreElements()) {
                            auto portion = as<beans::XPropertySet>(portions->nextElement());
                            link = link || portion->getPropertyValue("TextPortionType").get<rtl::OUString>() == "TextField";
                        }
                    }
                    read.insert(place.name, Reading{true, text, weight >= awt::FontWeight::BOLD, link});
                }
            }
        }
    }
    return read;
}

} // namespace places
