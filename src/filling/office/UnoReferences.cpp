#include "filling/office/UnoReferences.h"

#include "filling/office/PlainMatch.h"
#include "filling/office/UnoText.h"
#include "filling/office/UnoTextPlaces.h"

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
    QString expected;   // what it spans once replaced
    MarkSettings settings;
    uno::Reference<text::XText> text;
    Content standIn;
    rtl::OUString standInName;
};

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
    QHash<QString, rtl::OUString> shown;   // by bookmark name
    const auto fields = supplier->getTextFields()->createEnumeration();
    while (fields->hasMoreElements()) {
        uno::Reference<lang::XServiceInfo> info(fields->nextElement(), uno::UNO_QUERY);
        if (!info.is() || !info->supportsService("com.sun.star.text.textfield.GetReference"))
            continue;
        uno::Reference<beans::XPropertySet> field(info, uno::UNO_QUERY_THROW);
        sal_Int16 source = -1;
        sal_Int16 part = -1;
        field->getPropertyValue("ReferenceFieldSource") >>= source;
        if (source != text::ReferenceFieldSource::BOOKMARK
            || !(field->getPropertyValue("ReferenceFieldPart") >>= part) || part != text::ReferenceFieldPart::TEXT)
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

std::vector<BookmarkText>& SpanningBookmarks::marks()
{
    if (!marks_)
        marks_ = bookmarkTexts(document_);
    return *marks_;
}

void SpanningBookmarks::keepSpanning(const QString& find, const QString& replacement,
                                     const std::function<void()>& replace)
{
    std::vector<Taken> taken;
    uno::Reference<container::XNameAccess> bookmarks;
    for (const BookmarkText& mark : marks()) {
        if (!containsPlain(mark.text, find))
            continue;
        if (!bookmarks.is())
            bookmarks = bookmarksOf(document_);
        if (!bookmarks->hasByName(toOUString(mark.name)))
            continue;
        Content bookmark(bookmarks->getByName(toOUString(mark.name)), uno::UNO_QUERY_THROW);
        const auto anchor = bookmark->getAnchor();
        const auto text = anchor->getText();
        const uno::Reference<text::XTextRange> range(text->createTextCursorByRange(anchor).get());
        MarkSettings settings(bookmark);
        text->removeTextContent(bookmark);
        const Content standIn = putBookmark(document_, text, range, QString());
        taken.push_back({mark.name, replacedContent(mark.text, find, replacement), std::move(settings), text,
                         standIn, uno::Reference<container::XNamed>(standIn, uno::UNO_QUERY_THROW)->getName()});
    }
    replace();
    for (const Taken& t : taken) {
        // Gone with the text it spanned: so is the bookmark, as the office
        // would have it.
        if (!bookmarks->hasByName(t.standInName))
            continue;
        // Where the stand-in starts, the bookmark does; over the replaced
        // text if the document shows it there, else over what the office
        // left of the stand-in.
        auto over = t.text->createTextCursorByRange(t.standIn->getAnchor()->getStart());
        moveRight(over, t.expected.size(), true);
        QString spanned = shownText(*over);
        if (spanned != t.expected) {
            over = t.text->createTextCursorByRange(t.standIn->getAnchor());
            spanned = shownText(*over);
        }
        t.text->removeTextContent(t.standIn);
        t.settings.applyTo(putBookmark(document_, t.text, uno::Reference<text::XTextRange>(over.get()), t.name));
        for (BookmarkText& mark : *marks_) {
            if (mark.name == t.name)
                mark.text = spanned;
        }
    }
}

void refreshShownText(const uno::Reference<lang::XComponent>& document, bool bookmarks, const QStringList& replaced)
{
    if (bookmarks)
        showReferencedText(document);
    updateIndexesShowing(document, replaced);
}

} // namespace office::lo
