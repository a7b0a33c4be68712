#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A headless LibreOffice for one test executable: its own pipe and profile in
// a temporary folder, started through the program's own connection on first
// use and ended when the executable ends.
class TestOffice {
public:
    // An empty profile folder means a new temporary one.
    explicit TestOffice(const QString& profile = QString());
    ~TestOffice();
    TestOffice(const TestOffice&) = delete;
    TestOffice& operator=(const TestOffice&) = delete;

    // Connects, starting the office if need be. False when it cannot.
    bool start();
    // Kills the office process at once, as a crash would (by its id).
    void kill();
    // Stops the office process (SIGSTOP): it hangs, its socket still open.
    void hang();
    // Ends the office in order and waits for its process to go.
    void stop();
    qint64 processId() const;

    // A Writer document: paragraphs, a 2x2 table of cell texts (none when
    // empty), a header and a footer (none when empty), stored in the given
    // filter ("MS Word 97", "Rich Text Format", "writer8").
    struct TextDocument {
        QStringList paragraphs;
        QStringList tableCells;
        QString header;
        QString footer;
    };
    static void writeTextDocument(const QString& path, const QString& filter, const TextDocument& content);
    // A Writer document of one paragraph, the text and then a picture linked
    // from `url`, stored in the filter ("writer8", "MS Word 2007 XML").
    static void writeLinkedPicture(const QString& path, const QString& filter, const QString& text,
                                   const QByteArray& url);
    // A Writer document (writer8): a table of contents titled "Оглавление",
    // then a heading and a paragraph of text.
    static void writeContentsDocument(const QString& path, const QString& heading, const QString& text);
    // A Writer document of marked text ("\n" a paragraph break) with the
    // bookmark "Метка": "‹" and "›" mark where it starts and ends, "¦" a
    // point one; then a paragraph "Ссылка: " and a cross-reference to the
    // bookmark's text.
    static void writeMarkedDocument(const QString& path, const QString& filter, const QString& marked);
    // The body of a text document, its fields worked out anew, with the
    // bookmark "Метка" marked as writeMarkedDocument marks it.
    static QString markedText(const css::uno::Reference<css::lang::XComponent>& document);
    // A Writer document titled "Договор [T1]" that shows its title in a
    // field ("Заголовок: "), and a user field holding "[T3]" ("Поле: ").
    static void writeFieldsDocument(const QString& path, const QString& filter);
    // A Writer document "Тело" with a comment "Примечание [A]".
    static void writeCommentDocument(const QString& path, const QString& filter);
    // The text of a text document's first comment.
    static QString commentText(const css::uno::Reference<css::lang::XComponent>& document);

    // A Calc workbook stored in the filter ("MS Excel 97" by default): sheets
    // of cells, each cell named like "B3" with its text (a formula when it
    // starts with "="), or "B3@0.00" with the number format "0.00" too, or
    // like "note:B3" with its comment.
    using Sheet = QList<QPair<QString, QString>>;
    static void writeWorkbook(const QString& path, const QList<Sheet>& sheets,
                              const QString& filter = QStringLiteral("MS Excel 97"));
    // A workbook of sheets whose block from A1 holds the given rows of texts.
    static void writeWorkbookBlock(const QString& path, int sheets, const QList<QStringList>& rows);

    // The document the last run opened, read back: for a text document its
    // whole text (body with tables, then every header and footer), paragraphs
    // joined by "\n"; for a workbook the text of one cell.
    static css::uno::Reference<css::lang::XComponent> lastDocument();
    static QString documentText(const css::uno::Reference<css::lang::XComponent>& document);
    static QString cellText(const css::uno::Reference<css::lang::XComponent>& document, int sheet,
                            const QString& cell);
    // What the cell holds, "text", "number" or "formula", and what it shows:
    // "number 1500".
    static QString cellContent(const css::uno::Reference<css::lang::XComponent>& document, int sheet,
                               const QString& cell);
    static int sheetCount(const css::uno::Reference<css::lang::XComponent>& document);
    // Closes a document the test is done with, so the office stays small.
    static void close(const css::uno::Reference<css::lang::XComponent>& document);

    // A CSV table as Calc opens it with these import options ("59,34,0,1":
    // semicolons, the character set from the byte-order mark).
    static css::uno::Reference<css::lang::XComponent> openTable(const QString& path, const QString& options);
    // A new hidden document of the office ("private:factory/swriter").
    static css::uno::Reference<css::lang::XComponent> newDocument(const char* factory);
    // Stores the document in the filter, with a password when one is given,
    // and closes it.
    static void store(const css::uno::Reference<css::lang::XComponent>& document, const QString& path,
                      const QString& filter, const QString& password = QString());
    // The document as flat OpenDocument XML ("OpenDocument Text Flat XML").
    static QByteArray flatXml(const css::uno::Reference<css::lang::XComponent>& document, const QString& filter);
    // How many documents the office holds open.
    static int openDocuments();

private:
    QTemporaryDir profile_;
    QByteArray pipe_;
};
