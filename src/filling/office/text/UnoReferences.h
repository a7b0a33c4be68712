#pragma once

#include "common/FileVersion.h"

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

struct RunMemory;

// A bookmark and the text it spans, paragraphs joined by line feeds.
struct BookmarkText {
    QString name;
    QString text;
    bool operator==(const BookmarkText&) const = default;
};

// The bookmarks of a text document, by name, each with the text it spans; a
// document without bookmarks costs one call.
std::vector<BookmarkText> bookmarkTexts(const css::uno::Reference<css::lang::XComponent>& document);

// The bookmarks of a document with the text each spans and what stands on
// either side of it: read once, when first needed, and kept up to date as
// the replacing goes through them.
class SpanningBookmarks {
public:
    // A document opened from the template file `openedFrom`, as it stood,
    // has its bookmarks where the last one from the unchanged file had them
    // before its filling: a batch opens every document from one template.
    // `memory` is the run's.
    SpanningBookmarks(css::uno::Reference<css::lang::XComponent> document, std::optional<FileVersion> openedFrom,
                      RunMemory& memory)
        : document_(std::move(document)), openedFrom_(std::move(openedFrom)), memory_(memory)
    {
    }

    // Runs `replace`, which replaces find by replacement, so that every
    // bookmark keeps its place by the replacements: one that spanned an
    // occurrence spans its replacement; one that begins or ends at an edge
    // of an occurrence begins or ends at that edge of the replacement, and
    // one with an edge inside an occurrence grows over the replacement; a
    // point at either side of an occurrence stays at that side, and one
    // inside it goes to the replacement's start. The office drops a point
    // bookmark at the start of a replaced text or inside it, moves one at its
    // end into the replacement and shrinks a bookmark that ends with it, and
    // its undo gives none of them back. So each such bookmark is taken out
    // before (the undo puts it back as it stood), a stand-in put over it and
    // the occurrences it meets with a character to spare on either side
    // where the text has one, which the replacing keeps, and the bookmark
    // set anew from the stand-in's start.
    void keepSpanning(const QString& find, const QString& replacement, const std::function<void()>& replace);

    bool any() { return !marks(0).empty(); }

    // What a bookmark spans and what stands around it, up to `width`
    // characters on each side, paragraphs joined by line feeds.
    struct Mark {
        QString name;
        QString before;
        QString text;
        QString after;
    };

private:
    // The marks, read with at least `width` characters on either side.
    std::vector<Mark>& marks(qsizetype width);

    css::uno::Reference<css::lang::XComponent> document_;
    std::optional<FileVersion> openedFrom_;
    RunMemory& memory_;
    std::optional<std::vector<Mark>> marks_;
    qsizetype width_ = 0;
};

// Brings up to date what shows text of the document elsewhere: with
// `bookmarks`, the cross-references that show the text of a bookmark; and
// the indexes that still show any of the `replaced` texts. Fields that show
// anything else (dates, page numbers, file names) are left as they are.
void refreshShownText(const css::uno::Reference<css::lang::XComponent>& document, bool bookmarks,
                      const QStringList& replaced);

} // namespace office::lo
