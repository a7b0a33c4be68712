#include "filling/office/text/UnoReferences.h"

#include "filling/office/connection/UnoText.h"
#include "filling/office/matching/PlainMatch.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/text/UnoTextPlaces.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/ReferenceFieldPart.hpp>
#include <com/sun/star/text/ReferenceFieldSource.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XDocumentIndex.hpp>
#include <com/sun/star/text/XDocumentIndexesSupplier.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/util/XRefreshable.hpp>

#include <QHash>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

using Content = uno::Reference<text::XTextContent>;

uno::Reference<container::XNameAccess> bookmarksOf(const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<text::XBookmarksSupplier> supplier(document, uno::UNO_QUERY);
    return supplier.is() ? supplier->getBookmarks() : uno::Reference<container::XNameAccess>();
}

// A range's text as the program reads text back: paragraphs joined by line
// feeds.
QString shownText(text::XTextRange& range)
{
    QString text = toQString(range.getString());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The bookmark's properties that a new one made in its place takes over:
// hidden, and the condition for hiding it.
class MarkSettings {
public:
    explicit MarkSettings(const Content& bookmark)
    {
        uno::Reference<beans::XPropertySet> properties(bookmark, uno::UNO_QUERY);
        if (!properties.is())
            return;
        const auto info = properties->getPropertySetInfo();
        for (const char* name : {"BookmarkHidden", "BookmarkCondition"}) {
            const auto property = rtl::OUString::createFromAscii(name);
            if (info->hasPropertyByName(property))
                values_.emplace_back(property, properties->getPropertyValue(property));
        }
    }

    void applyTo(const Content& bookmark) const
    {
        uno::Reference<beans::XPropertySet> properties(bookmark, uno::UNO_QUERY_THROW);
        for (const auto& [name, value] : values_)
            properties->setPropertyValue(name, value);
    }

private:
    std::vector<std::pair<rtl::OUString, uno::Any>> values_;
};

// A new bookmark named `name` (the office names one left unnamed) over the
// range.
Content putBookmark(const uno::Reference<lang::XComponent>& document, const uno::Reference<text::XText>& text,
                    const uno::Reference<text::XTextRange>& range, const QString& name)
{
    Content bookmark(uno::Reference<lang::XMultiServiceFactory>(document, uno::UNO_QUERY_THROW)
                         ->createInstance("com.sun.star.text.Bookmark"),
                     uno::UNO_QUERY_THROW);
    if (!name.isEmpty())
        uno::Reference<container::XNamed>(bookmark, uno::UNO_QUERY_THROW)->setName(toOUString(name));
    text->insertTextContent(range, bookmark, true);
    return bookmark;
}

// A bookmark taken out for the replacing, with its stand-in.
struct Taken {
    QString name;
    MarkSettings settings;
    uno::Reference<text::XText> text;
    Content standIn;
    rtl::OUString standInName;
    QString expected; // what the stand-in spans once replaced
    qsizetype start = 0; // where in that the bookmark begins
    qsizetype end = 0; // and ends
};

// Moves the cursor left by count characters, as far as the text goes.
void moveLeft(const uno::Reference<text::XTextCursor>& cursor, qsizetype count, bool select)
{
    while (count > 0) {
        const auto step = static_cast<sal_Int16>(std::min<qsizetype>(count, SAL_MAX_INT16));
        if (!cursor->goLeft(step, select))
            return;
        count -= step;
    }
}

SpanningBookmarks::Mark readMark(const QString& name, const Content& bookmark, qsizetype width)
{
    const auto anchor = bookmark->getAnchor();
    const auto text = anchor->getText();
    const auto before = text->createTextCursorByRange(anchor->getStart());
    moveLeft(before, width, true);
    const auto after = text->createTextCursorByRange(anchor->getEnd());
    moveRight(after, width, true);
    return {name, shownText(*before), shownText(*anchor), shownText(*after)};
}

// Where an edge of a bookmark (or a point one) goes when the occurrences
// (their starts, in the text the edge is counted in) are replaced: one at
// an occurrence's start stays at the replacement's start, one at its end
// goes to the replacement's end, and one inside goes to the start, or to
// the end when it ends a bookmark.
enum class Edge { Start, End, Point };

qsizetype movedEdge(qsizetype at, Edge edge, const QList<qsizetype>& starts, qsizetype found, qsizetype put)
{
    qsizetype shift = 0;
    for (const qsizetype s : starts) {
        const qsizetype e = s + found;
        if (at > e) {
            shift += put - found;
            continue;
        }
        if (at < s)
            break;
        if (at == e || (at > s && edge == Edge::End))
            return s + shift + put;
        return s + shift;
    }
    return at + shift;
}

// The text a reference to a bookmark shows, made as the office makes it:
// the text from the bookmark's start to its end or the end of its first
// paragraph, with no soft hyphens, and a space for a tab or any other
// control character.
rtl::OUString referencedText(const Content& bookmark)
{
    QString text = shownText(*bookmark->getAnchor());
    text.truncate(text.indexOf(QLatin1Char('\n')) < 0 ? text.size() : text.indexOf(QLatin1Char('\n')));
    text.remove(QChar(0x00AD));
    for (QChar& c : text) {
        if (c < QLatin1Char(' '))
            c = QLatin1Char(' ');
        else if (c == QChar(0x2011))
            c = QLatin1Char('-');
    }
    return toOUString(text);
}

// Makes each reference to the text of a bookmark show what the bookmark
// spans now. The office works a reference out anew only when its paragraph
// is laid out, which the held-back views of the filling put off, and its
// own refreshing of every field would also work out again dates, file names
// and database fields. Setting what a reference shows is recorded by undo.
void showReferencedText(const uno::Reference<lang::XComponent>& document)
{
    uno::Reference<text::XTextFieldsSupplier> supplier(document, uno::UNO_QUERY);
    const auto bookmarks = bookmarksOf(document);
    if (!supplier.is() || !bookmarks.is())
        return;
    QHash<QString, rtl::OUString> shown; // by bookmark name
    const auto fields = supplier->getTextFields()->createEnumeration();
    while (fields->hasMoreElements()) {
        uno::Reference<lang::XServiceInfo> info(fields->nextElement(), uno::UNO_QUERY);
        if (!info.is() || !info->supportsService("com.sun.star.text.textfield.GetReference"))
            continue;
        uno::Reference<beans::XPropertySet> field(info, uno::UNO_QUERY_THROW);
        sal_Int16 source = -1;
        sal_Int16 part = -1;
        field->getPropertyValue("ReferenceFieldSource") >>= source;
        if (source != text::ReferenceFieldSource::BOOKMARK || !(field->getPropertyValue("ReferenceFieldPart") >>= part)
            || part != text::ReferenceFieldPart::TEXT)
            continue;
        const QString name = toQString(field->getPropertyValue("SourceName").get<rtl::OUString>());
        if (!shown.contains(name)) {
            if (!bookmarks->hasByName(toOUString(name)))
                continue;
            shown.insert(name, referencedText(Content(bookmarks->getByName(toOUString(name)), uno::UNO_QUERY_THROW)));
        }
        if (field->getPropertyValue("CurrentPresentation").get<rtl::OUString>() != shown.value(name))
            field->setPropertyValue("CurrentPresentation", uno::Any(shown.value(name)));
    }
}

// Updates each index that shows any of the texts: one still shows what the
// filling has replaced in the headings it lists.
void updateIndexesShowing(const uno::Reference<lang::XComponent>& document, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    uno::Reference<text::XDocumentIndexesSupplier> supplier(document, uno::UNO_QUERY);
    if (!supplier.is())
        return;
    const auto indexes = supplier->getDocumentIndexes();
    for (sal_Int32 i = 0, count = indexes->getCount(); i < count; ++i) {
        uno::Reference<text::XDocumentIndex> index(indexes->getByIndex(i), uno::UNO_QUERY);
        if (!index.is())
            continue;
        const PlainText shown(shownText(*index->getAnchor()));
        if (std::any_of(texts.cbegin(), texts.cend(), [&](const QString& t) { return shown.contains(t); }))
            uno::Reference<util::XRefreshable>(index, uno::UNO_QUERY_THROW)->refresh();
    }
}

} // namespace

std::vector<BookmarkText> bookmarkTexts(const uno::Reference<lang::XComponent>& document)
{
    std::vector<BookmarkText> marks;
    const auto bookmarks = bookmarksOf(document);
    for (const auto& name : bookmarks.is() ? bookmarks->getElementNames() : uno::Sequence<rtl::OUString>()) {
        Content bookmark(bookmarks->getByName(name), uno::UNO_QUERY);
        if (bookmark.is())
            marks.push_back({toQString(name), shownText(*bookmark->getAnchor())});
    }
    std::sort(marks.begin(), marks.end(), [](const BookmarkText& a, const BookmarkText& b) { return a.name < b.name; });
    return marks;
}

std::vector<SpanningBookmarks::Mark>& SpanningBookmarks::marks(qsizetype width)
{
    if (marks_ && width <= width_)
        return *marks_;
    // Read wider than asked: the next identifier may be longer.
    width = std::max<qsizetype>({width * 2, width_, 64});
    std::optional<RunMemory::Marks>& memo = memory_.bookmarks;
    if (!marks_ && openedFrom_ && memo && memo->file == *openedFrom_ && memo->width >= width) {
        marks_ = memo->marks;
        width_ = memo->width;
        return *marks_;
    }
    const bool unchanged = !marks_;
    marks_.emplace();
    width_ = width;
    const auto bookmarks = bookmarksOf(document_);
    for (const auto& name : bookmarks.is() ? bookmarks->getElementNames() : uno::Sequence<rtl::OUString>()) {
        Content bookmark(bookmarks->getByName(name), uno::UNO_QUERY);
        if (bookmark.is())
            marks_->push_back(readMark(toQString(name), bookmark, width_));
    }
    if (unchanged && openedFrom_)
        memo = RunMemory::Marks{*openedFrom_, width_, *marks_};
    return *marks_;
}

void SpanningBookmarks::keepSpanning(const QString& find, const QString& replacement,
                                     const std::function<void()>& replace)
{
    const QString shownReplacement = QString(replacement).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::vector<Taken> taken;
    uno::Reference<container::XNameAccess> bookmarks;
    for (const Mark& mark : marks(find.size() + 1)) {
        const QString around = mark.before + mark.text + mark.after;
        const qsizetype a = mark.before.size();
        const qsizetype b = a + mark.text.size();
        // The occurrences the bookmark meets in a way the office would
        // not keep it through.
        const QList<qsizetype> all = plainMatches(around, find);
        QList<qsizetype> met;
        for (const qsizetype s : all) {
            const qsizetype e = s + find.size();
            if (a == b ? s <= a && a <= e : s < b && e > a)
                met << s;
        }
        if (met.isEmpty())
            continue;
        if (!bookmarks.is())
            bookmarks = bookmarksOf(document_);
        if (!bookmarks->hasByName(toOUString(mark.name)))
            continue;
        Content bookmark(bookmarks->getByName(toOUString(mark.name)), uno::UNO_QUERY_THROW);
        const auto anchor = bookmark->getAnchor();
        const auto text = anchor->getText();
        // The stand-in covers the bookmark and what it meets, with a
        // character to spare on either side where there is one.
        const qsizetype from = std::max<qsizetype>(0, std::min(a, met.first()) - 1);
        const qsizetype to = std::min(around.size(), std::max(b, met.last() + find.size()) + 1);
        auto over = text->createTextCursorByRange(anchor->getStart());
        moveLeft(over, a - from, false);
        moveRight(over, to - from, true);
        Taken t{mark.name, MarkSettings(bookmark), text, {}, {}, {}, 0, 0};
        const Edge start = a == b ? Edge::Point : Edge::Start;
        const Edge end = a == b ? Edge::Point : Edge::End;
        if (shownText(*over) == around.mid(from, to - from)) {
            // Every occurrence within the stand-in is replaced, those the
            // bookmark does not meet too.
            QList<qsizetype> starts;
            t.expected = around.mid(from, to - from);
            for (auto it = all.crbegin(); it != all.crend(); ++it) {
                if (*it < from || *it + find.size() > to)
                    continue;
                starts.prepend(*it - from);
                t.expected.replace(*it - from, find.size(), shownReplacement);
            }
            t.start = movedEdge(a - from, start, starts, find.size(), replacement.size());
            t.end = movedEdge(b - from, end, starts, find.size(), replacement.size());
        } else {
            // Fields or the like read longer than the steps the cursor
            // takes over them: the stand-in is the bookmark's own range.
            over = text->createTextCursorByRange(anchor);
            t.expected = replacedContent(mark.text, find, replacement);
            t.end = t.expected.size();
        }
        const uno::Reference<text::XTextRange> range(over.get());
        text->removeTextContent(bookmark);
        t.standIn = putBookmark(document_, text, range, QString());
        t.standInName = uno::Reference<container::XNamed>(t.standIn, uno::UNO_QUERY_THROW)->getName();
        taken.push_back(std::move(t));
    }
    replace();
    for (const Taken& t : taken) {
        // Gone with the text it spanned: so is the bookmark, as the office
        // would have it.
        if (!bookmarks->hasByName(t.standInName))
            continue;
        const auto standIn = t.standIn->getAnchor();
        auto over = t.text->createTextCursorByRange(standIn->getStart());
        moveRight(over, t.expected.size(), true);
        if (shownText(*over) == t.expected) {
            over = t.text->createTextCursorByRange(standIn->getStart());
            moveRight(over, t.start, false);
            moveRight(over, t.end - t.start, true);
        } else {
            // Not as expected: over what the office left of the stand-in.
            over = t.text->createTextCursorByRange(standIn);
        }
        t.text->removeTextContent(t.standIn);
        t.settings.applyTo(putBookmark(document_, t.text, uno::Reference<text::XTextRange>(over.get()), t.name));
    }
    // What a bookmark taken out, or one whose surroundings held find, spans
    // and has around it now.
    for (Mark& mark : *marks_) {
        const bool wasTaken =
            std::any_of(taken.begin(), taken.end(), [&](const Taken& t) { return t.name == mark.name; });
        const QString around = mark.before + mark.text + mark.after;
        if (!wasTaken && !containsPlain(around, find) && !reachesIntoEdges(around, find))
            continue;
        if (!bookmarks.is())
            bookmarks = bookmarksOf(document_);
        const auto name = toOUString(mark.name);
        if (bookmarks->hasByName(name))
            mark = readMark(mark.name, Content(bookmarks->getByName(name), uno::UNO_QUERY_THROW), width_);
        else
            mark = {mark.name, {}, {}, {}};
    }
}

void refreshShownText(const uno::Reference<lang::XComponent>& document, bool bookmarks, const QStringList& replaced)
{
    if (bookmarks)
        showReferencedText(document);
    updateIndexesShowing(document, replaced);
}

} // namespace office::lo
