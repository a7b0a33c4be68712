#include "TestOffice.h"

#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/ReferenceFieldPart.hpp>
#include <com/sun/star/text/ReferenceFieldSource.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XDependentTextField.hpp>
#include <com/sun/star/text/XDocumentIndex.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/util/XRefreshable.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <unistd.h>

using namespace css;
using office::lo::toOUString;
using office::lo::toQString;

namespace {

beans::PropertyValue property(const char* name, const uno::Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}


bool processRuns(qint64 pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

void appendText(const uno::Reference<text::XText>& text, QStringList& out)
{
    uno::Reference<container::XEnumerationAccess> access(text, uno::UNO_QUERY_THROW);
    auto paragraphs = access->createEnumeration();
    while (paragraphs->hasMoreElements()) {
        uno::Any element = paragraphs->nextElement();
        uno::Reference<text::XTextTable> table(element, uno::UNO_QUERY);
        if (table.is()) {
            for (const auto& name : table->getCellNames()) {
                uno::Reference<text::XText> cell(table->getCellByName(name), uno::UNO_QUERY_THROW);
                appendText(cell, out);
            }
            continue;
        }
        uno::Reference<text::XTextRange> paragraph(element, uno::UNO_QUERY);
        if (paragraph.is())
            out << toQString(paragraph->getString());
    }
}

// The document the office loaded last. Never destroyed, like the connection
// it came through.
uno::Reference<lang::XComponent>& lastLoaded()
{
    static auto* document = new uno::Reference<lang::XComponent>;
    return *document;
}

} // namespace

TestOffice::TestOffice(const QString& profile)
    : pipe_("kvilmar_test_" + QByteArray::number(::getpid()))
{
    qputenv("KVILMAR_OFFICE_HEADLESS", "1");
    qputenv("KVILMAR_OFFICE_PIPE", pipe_);
    qputenv("KVILMAR_OFFICE_PROFILE", (profile.isEmpty() ? profile_.path() : profile).toLocal8Bit());
    qputenv("KVILMAR_OFFICE_PROGRAM", KVILMAR_OFFICE_PROGRAM_DIR "/soffice.bin");
    office::lo::watchLoads([](const uno::Reference<lang::XComponent>& document) { lastLoaded() = document; });
}

TestOffice::~TestOffice()
{
    stop();
}

void TestOffice::stop()
{
    const qint64 pid = processId();
    if (!processRuns(pid)) {
        office::lo::Connection::instance().forget();
        return;
    }
    try {
        uno::Reference<frame::XDesktop> desktop(office::lo::Connection::instance().desktop(), uno::UNO_QUERY);
        desktop->terminate();
    } catch (...) {
    }
    office::lo::Connection::instance().forget();
    QDeadlineTimer deadline(15000);
    while (processRuns(pid) && !deadline.hasExpired())
        QThread::msleep(100);
    if (processRuns(pid))
        ::kill(static_cast<pid_t>(pid), SIGKILL);
}

bool TestOffice::start()
{
    try {
        office::lo::Connection::instance().desktop();
        return true;
    } catch (const std::exception& e) {
        qWarning("office does not start: %s", e.what());
        return false;
    }
}

void TestOffice::kill()
{
    const qint64 pid = processId();
    if (pid <= 0)
        return;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    QDeadlineTimer deadline(10000);
    while (processRuns(pid) && !deadline.hasExpired())
        QThread::msleep(50);
}

void TestOffice::hang()
{
    if (const qint64 pid = processId(); pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGSTOP);
}

qint64 TestOffice::processId() const
{
    return office::lo::Connection::instance().startedProcessId();
}

void TestOffice::writeTextDocument(const QString& path, const QString& filter, const TextDocument& content)
{
    auto document = newDocument("private:factory/swriter");
    uno::Reference<text::XTextDocument> textDocument(document, uno::UNO_QUERY_THROW);
    auto body = textDocument->getText();
    auto end = body->getEnd();
    for (int i = 0; i < content.paragraphs.size(); ++i) {
        if (i > 0)
            body->insertControlCharacter(body->getEnd(), text::ControlCharacter::PARAGRAPH_BREAK, false);
        body->insertString(body->getEnd(), toOUString(content.paragraphs[i]), false);
    }
    if (!content.tableCells.isEmpty()) {
        uno::Reference<lang::XMultiServiceFactory> factory(document, uno::UNO_QUERY_THROW);
        uno::Reference<text::XTextTable> table(factory->createInstance("com.sun.star.text.TextTable"),
                                               uno::UNO_QUERY_THROW);
        table->initialize(2, 2);
        body->insertTextContent(body->getEnd(), uno::Reference<text::XTextContent>(table.get()), false);
        const char* names[] = {"A1", "B1", "A2", "B2"};
        for (int i = 0; i < content.tableCells.size() && i < 4; ++i) {
            uno::Reference<text::XText> cell(table->getCellByName(rtl::OUString::createFromAscii(names[i])),
                                             uno::UNO_QUERY_THROW);
            cell->setString(toOUString(content.tableCells[i]));
        }
    }
    if (!content.header.isEmpty() || !content.footer.isEmpty()) {
        uno::Reference<style::XStyleFamiliesSupplier> families(document, uno::UNO_QUERY_THROW);
        uno::Reference<container::XNameAccess> pageStyles(families->getStyleFamilies()->getByName("PageStyles"),
                                                          uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> page(pageStyles->getByName("Standard"), uno::UNO_QUERY_THROW);
        if (!content.header.isEmpty()) {
            page->setPropertyValue("HeaderIsOn", uno::Any(true));
            uno::Reference<text::XText> header(page->getPropertyValue("HeaderText"), uno::UNO_QUERY_THROW);
            header->setString(toOUString(content.header));
        }
        if (!content.footer.isEmpty()) {
            page->setPropertyValue("FooterIsOn", uno::Any(true));
            uno::Reference<text::XText> footer(page->getPropertyValue("FooterText"), uno::UNO_QUERY_THROW);
            footer->setString(toOUString(content.footer));
        }
    }
    (void)end;
    store(document, path, filter);
}

void TestOffice::writeLinkedPicture(const QString& path, const QString& filter, const QString& text,
                                    const QByteArray& url)
{
    // Written as flat XML, which names the link as it is, and stored by the
    // office in the filter.
    QTemporaryDir folder;
    QFile flat(folder.filePath(QStringLiteral("linked.fodt")));
    flat.open(QIODevice::WriteOnly);
    flat.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
               "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" office:version=\"1.3\" "
               "office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text><text:p>"
               + text.toHtmlEscaped().toUtf8()
               + " <draw:frame draw:name=\"picture\" text:anchor-type=\"as-char\" svg:width=\"1cm\" svg:height=\"1cm\">"
                 "<draw:image xlink:href=\""
               + url
               + "\" xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\"/></draw:frame>"
                 "</text:p></office:text></office:body></office:document>\n");
    flat.close();
    store(office::lo::loadAsNewDocument(flat.fileName()), path, filter);
}

void TestOffice::writeContentsDocument(const QString& path, const QString& heading, const QString& text)
{
    auto document = newDocument("private:factory/swriter");
    auto body = uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY_THROW)->getText();
    body->setString(toOUString(heading + QLatin1Char('\r') + text));
    auto cursor = body->createTextCursor();
    uno::Reference<beans::XPropertySet>(cursor, uno::UNO_QUERY_THROW)
        ->setPropertyValue("ParaStyleName", uno::Any(rtl::OUString("Heading 1")));
    uno::Reference<lang::XMultiServiceFactory> factory(document, uno::UNO_QUERY_THROW);
    uno::Reference<text::XDocumentIndex> contents(factory->createInstance("com.sun.star.text.ContentIndex"),
                                                  uno::UNO_QUERY_THROW);
    uno::Reference<beans::XPropertySet> settings(contents, uno::UNO_QUERY_THROW);
    settings->setPropertyValue("Title", uno::Any(toOUString(QStringLiteral("Оглавление"))));
    settings->setPropertyValue("CreateFromOutline", uno::Any(true));
    body->insertTextContent(body->getStart(), uno::Reference<text::XTextContent>(contents, uno::UNO_QUERY_THROW), false);
    uno::Reference<util::XRefreshable>(contents, uno::UNO_QUERY_THROW)->refresh();
    store(document, path, QStringLiteral("writer8"));
}

namespace {

const QString kMarkStart = QStringLiteral("‹"), kMarkEnd = QStringLiteral("›"), kMarkPoint = QStringLiteral("¦");

uno::Reference<text::XTextContent> make(const uno::Reference<lang::XComponent>& document, const char* service)
{
    return uno::Reference<text::XTextContent>(uno::Reference<lang::XMultiServiceFactory>(document, uno::UNO_QUERY_THROW)
                                                  ->createInstance(rtl::OUString::createFromAscii(service)),
                                              uno::UNO_QUERY_THROW);
}

template <class T>
void set(const uno::Reference<text::XTextContent>& content, const char* name, const T& value)
{
    uno::Reference<beans::XPropertySet>(content, uno::UNO_QUERY_THROW)
        ->setPropertyValue(rtl::OUString::createFromAscii(name), uno::Any(value));
}

QString readable(const rtl::OUString& text)
{
    return toQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

void TestOffice::writeMarkedDocument(const QString& path, const QString& filter, const QString& marked)
{
    auto document = newDocument("private:factory/swriter");
    auto body = uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY_THROW)->getText();
    const bool point = marked.contains(kMarkPoint);
    const qsizetype start = marked.indexOf(point ? kMarkPoint : kMarkStart);
    const qsizetype end = point ? start : marked.indexOf(kMarkEnd) - 1;
    const QString plain = QString(marked).remove(kMarkStart).remove(kMarkEnd).remove(kMarkPoint);
    body->setString(toOUString(QString(plain).replace(QLatin1Char('\n'), QLatin1Char('\r'))));
    auto cursor = body->createTextCursor();
    cursor->gotoStart(false);
    cursor->goRight(static_cast<sal_Int16>(start), false);
    cursor->goRight(static_cast<sal_Int16>(end - start), true);
    const auto bookmark = make(document, "com.sun.star.text.Bookmark");
    uno::Reference<container::XNamed>(bookmark, uno::UNO_QUERY_THROW)->setName(toOUString(QStringLiteral("Метка")));
    body->insertTextContent(uno::Reference<text::XTextRange>(cursor.get()), bookmark, true);
    body->insertControlCharacter(body->getEnd(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    body->insertString(body->getEnd(), toOUString(QStringLiteral("Ссылка: ")), false);
    const auto reference = make(document, "com.sun.star.text.textfield.GetReference");
    set(reference, "ReferenceFieldSource", text::ReferenceFieldSource::BOOKMARK);
    set(reference, "SourceName", toOUString(QStringLiteral("Метка")));
    set(reference, "ReferenceFieldPart", text::ReferenceFieldPart::TEXT);
    body->insertTextContent(body->getEnd(), reference, false);
    uno::Reference<util::XRefreshable>(uno::Reference<text::XTextFieldsSupplier>(document, uno::UNO_QUERY_THROW)->getTextFields(),
                                       uno::UNO_QUERY_THROW)
        ->refresh();
    store(document, path, filter);
}

QString TestOffice::markedText(const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<util::XRefreshable>(uno::Reference<text::XTextFieldsSupplier>(document, uno::UNO_QUERY_THROW)->getTextFields(),
                                       uno::UNO_QUERY_THROW)
        ->refresh();
    auto body = uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY_THROW)->getText();
    QString text = readable(body->getString());
    auto bookmarks = uno::Reference<text::XBookmarksSupplier>(document, uno::UNO_QUERY_THROW)->getBookmarks();
    const auto name = toOUString(QStringLiteral("Метка"));
    if (!bookmarks->hasByName(name))
        return text;
    const auto anchor = uno::Reference<text::XTextContent>(bookmarks->getByName(name), uno::UNO_QUERY_THROW)->getAnchor();
    auto before = body->createTextCursor();
    before->gotoStart(false);
    before->gotoRange(anchor->getStart(), true);
    const qsizetype start = readable(before->getString()).size();
    const qsizetype length = readable(anchor->getString()).size();
    if (length == 0)
        return text.insert(start, kMarkPoint);
    return text.insert(start + length, kMarkEnd).insert(start, kMarkStart);
}

void TestOffice::writeFieldsDocument(const QString& path, const QString& filter)
{
    auto document = newDocument("private:factory/swriter");
    uno::Reference<css::document::XDocumentPropertiesSupplier>(document, uno::UNO_QUERY_THROW)
        ->getDocumentProperties()
        ->setTitle(toOUString(QStringLiteral("Договор [T1]")));
    auto body = uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY_THROW)->getText();
    body->setString(toOUString(QStringLiteral("Заголовок: ")));
    body->insertTextContent(body->getEnd(), make(document, "com.sun.star.text.textfield.docinfo.Title"), false);
    body->insertControlCharacter(body->getEnd(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    body->insertString(body->getEnd(), toOUString(QStringLiteral("Поле: ")), false);
    const uno::Reference<beans::XPropertySet> master(
        uno::Reference<lang::XMultiServiceFactory>(document, uno::UNO_QUERY_THROW)
            ->createInstance("com.sun.star.text.fieldmaster.User"),
        uno::UNO_QUERY_THROW);
    master->setPropertyValue("Name", uno::Any(toOUString(QStringLiteral("Город"))));
    master->setPropertyValue("Content", uno::Any(toOUString(QStringLiteral("[T3]"))));
    const auto user = make(document, "com.sun.star.text.textfield.User");
    uno::Reference<text::XDependentTextField>(user, uno::UNO_QUERY_THROW)->attachTextFieldMaster(master);
    body->insertTextContent(body->getEnd(), user, false);
    store(document, path, filter);
}

void TestOffice::writeCommentDocument(const QString& path, const QString& filter)
{
    auto document = newDocument("private:factory/swriter");
    auto body = uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY_THROW)->getText();
    body->setString(toOUString(QStringLiteral("Тело")));
    const auto comment = make(document, "com.sun.star.text.textfield.Annotation");
    set(comment, "Author", toOUString(QStringLiteral("Квилмар")));
    set(comment, "Content", toOUString(QStringLiteral("Примечание [A]")));
    body->insertTextContent(body->getEnd(), comment, false);
    store(document, path, filter);
}

QString TestOffice::commentText(const uno::Reference<lang::XComponent>& document)
{
    auto fields = uno::Reference<text::XTextFieldsSupplier>(document, uno::UNO_QUERY_THROW)->getTextFields()->createEnumeration();
    while (fields->hasMoreElements()) {
        uno::Reference<beans::XPropertySet> field(fields->nextElement(), uno::UNO_QUERY_THROW);
        if (uno::Reference<lang::XServiceInfo>(field, uno::UNO_QUERY_THROW)->supportsService("com.sun.star.text.textfield.Annotation"))
            return readable(field->getPropertyValue("Content").get<rtl::OUString>());
    }
    return {};
}

uno::Reference<lang::XComponent> TestOffice::newDocument(const char* factory)
{
    uno::Reference<frame::XComponentLoader> loader(office::lo::Connection::instance().desktop(), uno::UNO_QUERY_THROW);
    const beans::PropertyValue hidden[] = {property("Hidden", uno::Any(true))};
    uno::Sequence<beans::PropertyValue> props(hidden, 1);
    return loader->loadComponentFromURL(rtl::OUString::createFromAscii(factory), "_blank", 0, props);
}

uno::Reference<lang::XComponent> TestOffice::openTable(const QString& path, const QString& options)
{
    uno::Reference<frame::XComponentLoader> loader(office::lo::Connection::instance().desktop(), uno::UNO_QUERY_THROW);
    const beans::PropertyValue settings[] = {property("Hidden", uno::Any(true)),
                                             property("FilterName", uno::Any(rtl::OUString("Text - txt - csv (StarCalc)"))),
                                             property("FilterOptions", uno::Any(toOUString(options)))};
    return loader->loadComponentFromURL(toOUString(QUrl::fromLocalFile(path).toString()), "_blank", 0,
                                        uno::Sequence<beans::PropertyValue>(settings, 3));
}

void TestOffice::store(const uno::Reference<lang::XComponent>& document, const QString& path, const QString& filter,
                       const QString& password)
{
    uno::Reference<frame::XStorable> storable(document, uno::UNO_QUERY_THROW);
    std::vector<beans::PropertyValue> values{property("FilterName", uno::Any(toOUString(filter))),
                                             property("Overwrite", uno::Any(true))};
    if (!password.isEmpty())
        values.push_back(property("Password", uno::Any(toOUString(password))));
    storable->storeToURL(toOUString(QUrl::fromLocalFile(path).toString()),
                         uno::Sequence<beans::PropertyValue>(values.data(), static_cast<sal_Int32>(values.size())));
    close(document);
}

QByteArray TestOffice::flatXml(const uno::Reference<lang::XComponent>& document, const QString& filter)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("flat.xml"));
    uno::Reference<frame::XStorable> storable(document, uno::UNO_QUERY_THROW);
    const beans::PropertyValue values[] = {property("FilterName", uno::Any(toOUString(filter)))};
    storable->storeToURL(toOUString(QUrl::fromLocalFile(path).toString()), uno::Sequence<beans::PropertyValue>(values, 1));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int TestOffice::openDocuments()
{
    uno::Reference<frame::XDesktop2> desktop = office::lo::Connection::instance().desktop();
    auto documents = desktop->getComponents()->createEnumeration();
    int count = 0;
    while (documents->hasMoreElements()) {
        documents->nextElement();
        ++count;
    }
    return count;
}

void TestOffice::writeWorkbook(const QString& path, const QList<Sheet>& sheets, const QString& filter)
{
    auto document = newDocument("private:factory/scalc");
    uno::Reference<sheet::XSpreadsheetDocument> workbook(document, uno::UNO_QUERY_THROW);
    auto all = workbook->getSheets();
    uno::Reference<container::XIndexAccess> indexed(all, uno::UNO_QUERY_THROW);
    for (int i = static_cast<int>(indexed->getCount()); i < sheets.size(); ++i)
        all->insertNewByName(toOUString(QStringLiteral("Лист%1").arg(i + 1)), static_cast<sal_Int16>(i));
    for (int s = 0; s < sheets.size(); ++s) {
        uno::Reference<table::XCellRange> cells(indexed->getByIndex(s), uno::UNO_QUERY_THROW);
        for (const auto& [name, value] : sheets[s]) {
            if (name.startsWith(QLatin1String("note:"))) {
                const auto at = uno::Reference<sheet::XCellAddressable>(cells->getCellRangeByName(toOUString(name.mid(5)))
                                                                            ->getCellByPosition(0, 0), uno::UNO_QUERY_THROW);
                uno::Reference<sheet::XSheetAnnotationsSupplier>(cells, uno::UNO_QUERY_THROW)
                    ->getAnnotations()->insertNew(at->getCellAddress(), toOUString(value));
                continue;
            }
            auto cell = cells->getCellRangeByName(toOUString(name.section(QLatin1Char('@'), 0, 0)))->getCellByPosition(0, 0);
            if (const QString code = name.section(QLatin1Char('@'), 1); !code.isEmpty()) {
                auto formats = uno::Reference<util::XNumberFormatsSupplier>(document, uno::UNO_QUERY_THROW)->getNumberFormats();
                sal_Int32 key = formats->queryKey(toOUString(code), {}, false);
                if (key < 0)
                    key = formats->addNew(toOUString(code), {});
                uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)->setPropertyValue("NumberFormat", uno::Any(key));
            }
            if (value.startsWith(QLatin1Char('=')))
                cell->setFormula(toOUString(value));
            else
                uno::Reference<text::XText>(cell, uno::UNO_QUERY_THROW)->setString(toOUString(value));
        }
    }
    store(document, path, filter);
}

void TestOffice::writeWorkbookBlock(const QString& path, int sheets, const QList<QStringList>& rows)
{
    auto document = newDocument("private:factory/scalc");
    uno::Reference<sheet::XSpreadsheetDocument> workbook(document, uno::UNO_QUERY_THROW);
    auto all = workbook->getSheets();
    uno::Reference<container::XIndexAccess> indexed(all, uno::UNO_QUERY_THROW);
    for (int i = static_cast<int>(indexed->getCount()); i < sheets; ++i)
        all->insertNewByName(toOUString(QStringLiteral("Лист%1").arg(i + 1)), static_cast<sal_Int16>(i));
    uno::Sequence<uno::Sequence<uno::Any>> data(static_cast<sal_Int32>(rows.size()));
    auto* out = data.getArray();
    for (int r = 0; r < rows.size(); ++r) {
        uno::Sequence<uno::Any> row(static_cast<sal_Int32>(rows[r].size()));
        auto* cells = row.getArray();
        for (int c = 0; c < rows[r].size(); ++c)
            cells[c] <<= toOUString(rows[r][c]);
        out[r] = row;
    }
    for (int s = 0; s < sheets; ++s) {
        uno::Reference<table::XCellRange> cells(indexed->getByIndex(s), uno::UNO_QUERY_THROW);
        auto block = cells->getCellRangeByPosition(0, 0, static_cast<sal_Int32>(rows.first().size()) - 1,
                                                   static_cast<sal_Int32>(rows.size()) - 1);
        uno::Reference<sheet::XCellRangeData>(block, uno::UNO_QUERY_THROW)->setDataArray(data);
    }
    store(document, path, QStringLiteral("MS Excel 97"));
}

uno::Reference<lang::XComponent> TestOffice::lastDocument()
{
    return lastLoaded();
}

QString TestOffice::documentText(const uno::Reference<lang::XComponent>& document)
{
    QStringList out;
    uno::Reference<text::XTextDocument> textDocument(document, uno::UNO_QUERY_THROW);
    appendText(textDocument->getText(), out);
    uno::Reference<style::XStyleFamiliesSupplier> families(document, uno::UNO_QUERY_THROW);
    uno::Reference<container::XNameAccess> pageStyles(families->getStyleFamilies()->getByName("PageStyles"),
                                                      uno::UNO_QUERY_THROW);
    for (const auto& name : pageStyles->getElementNames()) {
        uno::Reference<beans::XPropertySet> page(pageStyles->getByName(name), uno::UNO_QUERY_THROW);
        for (const char* part : {"Header", "Footer"}) {
            const QString on = QString::fromLatin1(part) + QStringLiteral("IsOn");
            if (!page->getPropertyValue(toOUString(on)).get<bool>())
                continue;
            uno::Reference<text::XText> text(
                page->getPropertyValue(toOUString(QString::fromLatin1(part) + QStringLiteral("Text"))),
                uno::UNO_QUERY);
            if (text.is())
                appendText(text, out);
        }
    }
    return out.join(QLatin1Char('\n'));
}

QString TestOffice::cellText(const uno::Reference<lang::XComponent>& document, int sheet, const QString& cell)
{
    uno::Reference<sheet::XSpreadsheetDocument> workbook(document, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> sheets(workbook->getSheets(), uno::UNO_QUERY_THROW);
    uno::Reference<table::XCellRange> cells(sheets->getByIndex(sheet - 1), uno::UNO_QUERY_THROW);
    uno::Reference<text::XText> text(cells->getCellRangeByName(toOUString(cell))->getCellByPosition(0, 0),
                                     uno::UNO_QUERY_THROW);
    return toQString(text->getString());
}

QString TestOffice::cellContent(const uno::Reference<lang::XComponent>& document, int sheet, const QString& cell)
{
    uno::Reference<container::XIndexAccess> sheets(
        uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY_THROW)->getSheets(), uno::UNO_QUERY_THROW);
    const auto at = uno::Reference<table::XCellRange>(sheets->getByIndex(sheet - 1), uno::UNO_QUERY_THROW)
                        ->getCellRangeByName(toOUString(cell))->getCellByPosition(0, 0);
    const char* kind = at->getType() == table::CellContentType_VALUE     ? "number "
                       : at->getType() == table::CellContentType_FORMULA ? "formula "
                                                                         : "text ";
    return QLatin1String(kind) + toQString(uno::Reference<text::XTextRange>(at, uno::UNO_QUERY_THROW)->getString());
}

int TestOffice::sheetCount(const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<sheet::XSpreadsheetDocument> workbook(document, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> sheets(workbook->getSheets(), uno::UNO_QUERY_THROW);
    return static_cast<int>(sheets->getCount());
}

void TestOffice::close(const uno::Reference<lang::XComponent>& document)
{
    try {
        uno::Reference<util::XCloseable> closeable(document, uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else if (document.is())
            document->dispose();
    } catch (...) {
    }
}
