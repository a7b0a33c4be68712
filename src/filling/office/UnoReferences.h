#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// Bookmarks of a text document, and what shows the text of one part of the
// document in another: cross-references to bookmarks and indexes (a table of
// contents). Every change made here is one the office's undo records.
namespace office::lo {

// A bookmark and the text it spans, paragraphs joined by line feeds.
struct BookmarkText {
    QString name;
    QString text;
    bool operator==(const BookmarkText&) const = default;
};

// The bookmarks of a text document, by name, each with the text it spans; a
// document without bookmarks costs one call.
std::vector<BookmarkText> bookmarkTexts(const css::uno::Reference<css::lang::XComponent>& document);

// The bookmarks of a document with the text each spans: read once, when
// first needed, and kept up to date as the replacing goes through them.
class SpanningBookmarks {
public:
    explicit SpanningBookmarks(css::uno::Reference<css::lang::XComponent> document)
        : document_(std::move(document)) {}

    // Runs `replace`, which replaces find by replacement, so that a bookmark
    // that spanned occurrences of find spans their replacements after it.
    // The office shrinks a bookmark that ends where a replaced text ends to
    // the replacement's first character, and its undo does not give the
    // bookmark back. So such a bookmark is taken out before (the undo puts
    // it back as it stood), a stand-in put in its place, which the office
    // shrinks alike but keeps the start of, and the bookmark set anew from
    // there over the replaced text.
    void keepSpanning(const QString& find, const QString& replacement, const std::function<void()>& replace);

    bool any() { return !marks().empty(); }

private:
    std::vector<BookmarkText>& marks();

    css::uno::Reference<css::lang::XComponent> document_;
    std::optional<std::vector<BookmarkText>> marks_;
};

// Brings up to date what shows text of the document elsewhere: with
// `bookmarks`, the cross-references that show the text of a bookmark; and
// the indexes that still show any of the `replaced` texts. Fields that show
// anything else (dates, page numbers, file names) are left as they are.
void refreshShownText(const css::uno::Reference<css::lang::XComponent>& document, bool bookmarks,
                      const QStringList& replaced);

} // namespace office::lo
