#include "filling/office/text/UnoTextPlaces.h"

#include "filling/office/connection/UnoText.h"
#include "filling/office/matching/PlainMatch.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextFramesSupplier.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

using Interface = uno::Reference<uno::XInterface>;

// Collects places, each object once (a frame is also a shape on the draw
// page; a shared header is the same text under two names).
class Collector {
public:
    std::vector<TextPlace> places;

    void addText(const uno::Any& any, TextPlace::Kind kind = TextPlace::Kind::Text)
    {
        uno::Reference<text::XText> text(any, uno::UNO_QUERY);
        if (text.is() && isNew(text))
            places.emplace_back(kind, text);
    }

    void addComment(const uno::Reference<beans::XPropertySet>& comment,
                    const uno::Reference<lang::XMultiServiceFactory>& factory)
    {
        if (isNew(comment))
            places.emplace_back(comment, factory);
    }

    // Shapes, going into groups.
    void addShapes(const uno::Reference<container::XIndexAccess>& shapes)
    {
        for (sal_Int32 i = 0; shapes.is() && i < shapes->getCount(); ++i) {
            const uno::Any shape = shapes->getByIndex(i);
            uno::Reference<drawing::XShapes> group(shape, uno::UNO_QUERY);
            if (group.is())
                addShapes(uno::Reference<container::XIndexAccess>(group, uno::UNO_QUERY));
            else
                addText(shape, TextPlace::Kind::Drawn);
        }
    }

private:
    std::vector<Interface> seen_;

    bool isNew(const Interface& object)
    {
        if (std::find(seen_.begin(), seen_.end(), object) != seen_.end())
            return false;
        seen_.push_back(object);
        return true;
    }
};

void addHeadersAndFooters(Collector& collector, const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<style::XStyleFamiliesSupplier> families(document, uno::UNO_QUERY);
    if (!families.is())
        return;
    uno::Reference<container::XIndexAccess> pageStyles(families->getStyleFamilies()->getByName("PageStyles"),
                                                       uno::UNO_QUERY_THROW);
    // Both switches of a style in one call: a document has a dozen page
    // styles, few with a header or footer, and each call is a round trip.
    const rtl::OUString switchNames[] = {"HeaderIsOn", "FooterIsOn"};
    const uno::Sequence<rtl::OUString> switches(switchNames, 2);
    for (sal_Int32 i = 0; i < pageStyles->getCount(); ++i) {
        uno::Reference<beans::XMultiPropertySet> style(pageStyles->getByIndex(i), uno::UNO_QUERY);
        if (!style.is())
            continue;
        const uno::Sequence<uno::Any> on = style->getPropertyValues(switches);
        const char* parts[] = {"Header", "Footer"};
        for (sal_Int32 k = 0; k < on.getLength() && k < 2; ++k) {
            bool isOn = false;
            if (!(on[k] >>= isOn) || !isOn)
                continue;
            uno::Reference<beans::XPropertySet> properties(style, uno::UNO_QUERY_THROW);
            const auto info = properties->getPropertySetInfo();
            for (const char* kind : {"Text", "TextLeft", "TextFirst"}) {
                const auto property = toOUString(QString::fromLatin1(parts[k]) + QString::fromLatin1(kind));
                if (info->hasPropertyByName(property))
                    collector.addText(properties->getPropertyValue(property));
            }
        }
    }
}

void addNotes(Collector& collector, const uno::Reference<container::XIndexAccess>& notes)
{
    for (sal_Int32 i = 0; notes.is() && i < notes->getCount(); ++i)
        collector.addText(notes->getByIndex(i));
}

void addComments(Collector& collector, const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<text::XTextFieldsSupplier> supplier(document, uno::UNO_QUERY);
    if (!supplier.is())
        return;
    const uno::Reference<lang::XMultiServiceFactory> factory(document, uno::UNO_QUERY_THROW);
    auto fields = supplier->getTextFields()->createEnumeration();
    while (fields->hasMoreElements()) {
        const uno::Any field = fields->nextElement();
        uno::Reference<lang::XServiceInfo> info(field, uno::UNO_QUERY);
        if (info.is() && info->supportsService("com.sun.star.text.textfield.Annotation"))
            collector.addComment(uno::Reference<beans::XPropertySet>(field, uno::UNO_QUERY), factory);
    }
}

// Portions that mark a position without being a character of the text.
bool takesNoRoom(const rtl::OUString& type)
{
    return type == "Bookmark" || type == "Redline" || type == "SoftPageBreak";
}

// Stands for a field, an anchored object, a table: anything a match may not
// run across.
constexpr char16_t kBarrier = 0xFFFC;

// The text of one XText as its portions make it up, with what each
// character position is anchored to.
struct TextModel {
    struct Anchor {
        uno::Reference<text::XTextRange> start; // the model position `at` is here
        qsizetype at = 0;
        qsizetype length = 0;
    };
    QString text;
    std::vector<Anchor> anchors;
    std::vector<uno::Reference<text::XText>> cells;

    explicit TextModel(const uno::Reference<text::XText>& source)
    {
        uno::Reference<container::XEnumerationAccess> access(source, uno::UNO_QUERY_THROW);
        auto paragraphs = access->createEnumeration();
        bool first = true;
        while (paragraphs->hasMoreElements()) {
            const uno::Any element = paragraphs->nextElement();
            if (!first)
                text += QLatin1Char('\n');
            first = false;
            uno::Reference<text::XTextTable> table(element, uno::UNO_QUERY);
            if (table.is()) {
                for (const auto& name : table->getCellNames())
                    cells.emplace_back(table->getCellByName(name), uno::UNO_QUERY_THROW);
                text += QChar(kBarrier);
                continue;
            }
            addParagraph(element);
        }
    }

    void addParagraph(const uno::Any& element)
    {
        uno::Reference<text::XTextRange> paragraph(element, uno::UNO_QUERY);
        uno::Reference<container::XEnumerationAccess> portions(element, uno::UNO_QUERY);
        if (!paragraph.is() || !portions.is()) {
            text += QChar(kBarrier);
            return;
        }
        auto each = portions->createEnumeration();
        while (each->hasMoreElements()) {
            uno::Reference<text::XTextRange> portion(each->nextElement(), uno::UNO_QUERY);
            uno::Reference<beans::XPropertySet> properties(portion, uno::UNO_QUERY);
            rtl::OUString type;
            if (properties.is())
                properties->getPropertyValue("TextPortionType") >>= type;
            if (type == "Text") {
                const QString piece = toQString(portion->getString());
                anchors.push_back({portion->getStart(), text.size(), piece.size()});
                text += piece;
            } else if (!takesNoRoom(type)) {
                text += QChar(kBarrier);
            }
        }
        // A match that begins with the paragraph break begins at its end.
        anchors.push_back({paragraph->getEnd(), text.size(), 0});
    }

    // The anchor a match at `at` starts from: the text portion holding it, or
    // the paragraph's end for a match that begins with the break.
    const Anchor* anchorFor(qsizetype at) const
    {
        for (const Anchor& anchor : anchors) {
            if (anchor.length > 0 && at >= anchor.at && at < anchor.at + anchor.length)
                return &anchor;
        }
        for (const Anchor& anchor : anchors) {
            if (anchor.length == 0 && anchor.at == at)
                return &anchor;
        }
        return nullptr;
    }
};

// Writes `replacement` over the `match` that stands right of the collapsed
// cursor: in after the match's first character, which gives it that
// character's formatting (also where the match or the replacement spans
// paragraphs, and a paragraph the match ends in never lends its own), then
// the rest of the match and that first character taken out around it. So
// what begins where the match begins (a bookmark, a comment's anchor) still
// begins at the replacement, and what ends where the match ends still ends
// after it; writing over the match would leave the one in front of the
// replacement and move the other behind it. The rest goes first: a cursor
// of a drawing's or a cell's text does not follow changes made through
// another.
void writeOverAt(const uno::Reference<text::XTextCursor>& cursor, const QString& match, const QString& replacement)
{
    const auto text = cursor->getText();
    const auto inside = text->createTextCursorByRange(cursor->getStart());
    moveRight(inside, 1, false);
    // The cursor goes on behind what it inserts.
    text->insertString(uno::Reference<text::XTextRange>(inside.get()), toOUString(replacement), false);
    moveRight(inside, match.size() - 1, true);
    inside->setString(rtl::OUString());
    moveRight(cursor, 1, true);
    cursor->setString(rtl::OUString());
}

// A shape's text, or a part of it: read as a whole, its paragraphs joined by
// line feeds. Not paragraph by paragraph: the office hands the paragraph
// objects of a shape's text to every enumeration of it alike and lets go of
// them without a lock, and now and then that corrupted its memory and
// brought it down.
QString readDrawnText(text::XTextRange& text)
{
    QString content = toQString(text.getString());
    content.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    content.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return content;
}

// The replacing in a shape's text, through one cursor walked over the text
// as it reads. A match the cursor does not find where the text has it (a
// field reads longer than the one step it takes) is left alone.
void replaceInDrawnText(const uno::Reference<text::XText>& text, const QString& find, const QString& replacement)
{
    const QList<qsizetype> matches = plainMatches(readDrawnText(*text), find);
    if (matches.isEmpty())
        return;
    const uno::Reference<text::XTextCursor> cursor = text->createTextCursor();
    // From the last to the first, so that earlier matches stay where they are.
    for (auto it = matches.crbegin(); it != matches.crend(); ++it) {
        cursor->gotoStart(false);
        moveRight(cursor, *it, false);
        moveRight(cursor, find.size(), true);
        const QString selected = readDrawnText(*cursor);
        if (selected.size() != find.size() || !containsPlain(selected, find))
            continue;
        cursor->collapseToStart();
        writeOverAt(cursor, find, replacement);
    }
}

// The comment's properties that a new one made in its place takes over.
constexpr const char* kCommentProperties[] = {"Author", "Initials", "DateTimeValue", "Resolved", "Title"};

// A comment of lines in place of `comment`: a new one, the same but for its
// text, which holds the lines as paragraphs. The office keeps the line
// breaks of a comment's "Content", but a .docx saved from it runs the lines
// together; paragraphs every format keeps.
uno::Reference<beans::XPropertySet> rewriteComment(const uno::Reference<beans::XPropertySet>& comment,
                                                   const uno::Reference<lang::XMultiServiceFactory>& factory,
                                                   const QString& content)
{
    const uno::Reference<beans::XPropertySet> lines(factory->createInstance("com.sun.star.text.textfield.Annotation"),
                                                    uno::UNO_QUERY_THROW);
    const auto known = comment->getPropertySetInfo();
    for (const char* name : kCommentProperties) {
        const auto property = rtl::OUString::createFromAscii(name);
        if (known->hasPropertyByName(property))
            lines->setPropertyValue(property, comment->getPropertyValue(property));
    }
    const uno::Reference<text::XText> body(lines->getPropertyValue("TextRange"), uno::UNO_QUERY_THROW);
    const uno::Reference<text::XTextRange> end(body->createTextCursor().get());
    QString normalised = content;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalised.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            body->insertControlCharacter(end, text::ControlCharacter::PARAGRAPH_BREAK, false);
        body->insertString(end, toOUString(paragraphs[i]), false);
    }
    // Put where the old one was, over the text it was made for: the range
    // is taken anew once the old one is gone, which the office asks for.
    const uno::Reference<text::XTextContent> old(comment, uno::UNO_QUERY_THROW);
    const auto anchor = old->getAnchor();
    const auto text = anchor->getText();
    const auto over = text->createTextCursorByRange(anchor);
    const bool spans = !over->isCollapsed();
    text->removeTextContent(old);
    const auto place = text->createTextCursorByRange(over->getStart());
    place->gotoRange(over->getEnd(), true);
    text->insertTextContent(uno::Reference<text::XTextRange>(place.get()),
                            uno::Reference<text::XTextContent>(lines, uno::UNO_QUERY_THROW), spans);
    return lines;
}

// Paragraph by paragraph: the text of a whole XText at once goes through an
// export filter of the office, which some damaged documents bring down.
QString readText(const uno::Reference<text::XText>& source)
{
    QStringList paragraphs;
    uno::Reference<container::XEnumerationAccess> access(source, uno::UNO_QUERY_THROW);
    auto each = access->createEnumeration();
    while (each->hasMoreElements()) {
        const uno::Any element = each->nextElement();
        uno::Reference<text::XTextTable> table(element, uno::UNO_QUERY);
        if (table.is()) {
            for (const auto& name : table->getCellNames())
                paragraphs << readText(uno::Reference<text::XText>(table->getCellByName(name), uno::UNO_QUERY_THROW));
            continue;
        }
        uno::Reference<text::XTextRange> paragraph(element, uno::UNO_QUERY);
        if (paragraph.is())
            paragraphs << toQString(paragraph->getString());
    }
    return paragraphs.join(QLatin1Char('\n'));
}

} // namespace

void moveRight(const uno::Reference<text::XTextCursor>& cursor, qsizetype count, bool select)
{
    while (count > 0) {
        const auto step = static_cast<sal_Int16>(std::min<qsizetype>(count, 0x7FFF));
        if (!cursor->goRight(step, select))
            return;
        count -= step;
    }
}

QString replacedContent(const QString& content, const QString& find, const QString& replacement)
{
    const QList<qsizetype> matches = plainMatches(content, find);
    QString out = content;
    QString inserted = replacement;
    inserted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (auto it = matches.crbegin(); it != matches.crend(); ++it)
        out.replace(*it, find.size(), inserted);
    return out;
}

std::vector<TextPlace> TextPlace::collect(const uno::Reference<lang::XComponent>& document)
{
    Collector collector;
    addHeadersAndFooters(collector, document);
    uno::Reference<text::XFootnotesSupplier> footnotes(document, uno::UNO_QUERY);
    if (footnotes.is())
        addNotes(collector, footnotes->getFootnotes());
    uno::Reference<text::XEndnotesSupplier> endnotes(document, uno::UNO_QUERY);
    if (endnotes.is())
        addNotes(collector, endnotes->getEndnotes());
    uno::Reference<text::XTextFramesSupplier> frames(document, uno::UNO_QUERY);
    if (frames.is()) {
        auto named = frames->getTextFrames();
        for (const auto& name : named->getElementNames())
            collector.addText(named->getByName(name));
    }
    uno::Reference<drawing::XDrawPageSupplier> drawing(document, uno::UNO_QUERY);
    // Marked deprecated for drawings, it is the one way to a text
    // document's shapes.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (drawing.is())
        collector.addShapes(uno::Reference<container::XIndexAccess>(drawing->getDrawPage(), uno::UNO_QUERY));
#pragma GCC diagnostic pop
    addComments(collector, document);
    for (TextPlace& place : collector.places)
        place.shown = place.read();
    return std::move(collector.places);
}

QString TextPlace::read() const
{
    switch (kind_) {
    case Kind::Comment: return toQString(comment_->getPropertyValue("Content").get<rtl::OUString>());
    case Kind::Drawn: return readDrawnText(*text_);
    case Kind::Text: break;
    }
    return readText(text_);
}

void TextPlace::replaceAll(const QString& find, const QString& replacement)
{
    switch (kind_) {
    case Kind::Comment: {
        // A comment's text is kept as a whole; its paragraphs are lines.
        const QString content = read();
        const QString replaced = replacedContent(content, find, replacement);
        if (replaced == content)
            return;
        if (replaced.contains(QLatin1Char('\n')) || replaced.contains(QLatin1Char('\r')))
            comment_ = rewriteComment(comment_, factory_, replaced);
        else
            comment_->setPropertyValue("Content", uno::Any(toOUString(replaced)));
        return;
    }
    case Kind::Drawn: replaceInDrawnText(text_, find, replacement); return;
    case Kind::Text: break;
    }
    replaceInText(text_, find, replacement);
}

void writeOver(const uno::Reference<text::XText>& text, const uno::Reference<text::XTextRange>& start,
               const QString& match, const QString& replacement)
{
    writeOverAt(text->createTextCursorByRange(start), match, replacement);
}

void replaceInText(const uno::Reference<text::XText>& text, const QString& find, const QString& replacement)
{
    const TextModel model(text);
    const QList<qsizetype> matches = plainMatches(model.text, find);
    // From the last to the first, so that the anchors of earlier matches
    // still stand where they stood.
    for (auto it = matches.crbegin(); it != matches.crend(); ++it) {
        const TextModel::Anchor* anchor = model.anchorFor(*it);
        if (!anchor)
            continue;
        auto cursor = text->createTextCursorByRange(anchor->start);
        moveRight(cursor, *it - anchor->at, false);
        writeOverAt(cursor, find, replacement);
    }
    for (const auto& cell : model.cells)
        replaceInText(cell, find, replacement);
}

} // namespace office::lo
