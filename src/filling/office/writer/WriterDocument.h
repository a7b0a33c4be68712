#pragma once

#include "common/FileVersion.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/text/UnoPropertyTexts.h"
#include "filling/office/text/UnoReferences.h"
#include "filling/office/text/UnoTextPlaces.h"

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XReplaceable.hpp>

#include <QList>
#include <QStringList>
#include <optional>
#include <vector>

// A text document opened for filling: replaces text everywhere it shows and
// tells which texts it holds.
namespace office::lo {

class WriterDocument {
public:
    // A document opened from a template file, as the file stood just before,
    // is not searched for headers, notes, frames, shapes and comments when
    // the last one from the same file held none: a batch opens every
    // document from one template, and that search is a good part of a
    // document's time there. A changed file is searched again.
    // A document that `staysOpen` to be filled again (a batch's template,
    // KeptTemplate.h) keeps its views held back until it is let go of: views
    // that caught up before the filling is taken back would lay the document
    // out once more for it, which takes as long as the filling.
    // `memory` is the run's (RunMemory.h).
    WriterDocument(css::uno::Reference<css::lang::XComponent> document, RunMemory& memory,
                   std::optional<FileVersion> openedFrom = std::nullopt, bool staysOpen = false);
    ~WriterDocument();
    WriterDocument(const WriterDocument&) = delete;
    WriterDocument& operator=(const WriterDocument&) = delete;

    const css::uno::Reference<css::lang::XComponent>& component() const { return document_; }

    // Replaces find by replacement: not case-sensitive, every character
    // itself, the replaced text's formatting kept; a carriage return in
    // either stands for a paragraph break. With `all`, every occurrence in
    // every place of the document and in its properties and fields
    // (PropertyTexts); otherwise the first one of the body's search.
    void replace(const QString& find, const QString& replacement, bool all);

    // Whether each text occurs anywhere in the document now: what the
    // document's search finds, what every other place shows, and the
    // document's properties and fields.
    QList<bool> findEach(const QStringList& texts);

    // The document's views follow its changes again, after the replaces
    // held them back; reading the document back does this too. Those of a
    // document that stays open wait until it is let go of. Before, what
    // shows text of the document elsewhere (cross-references, a table of
    // contents) is brought up to date, unless the office fails to.
    void catchUp() noexcept;

    // Whether every change so far was made by the document's own search and
    // replace, with the bookmarks, references and indexes kept up with it,
    // all of which the office's undo records whole.
    bool onlySearchReplaced() const { return onlySearchReplaced_; }

private:
    std::vector<TextPlace>& places();
    // Every place of the document, through its search and then directly.
    void replaceEverywhere(const QString& find, const QString& replacement, bool all);
    // The document's own search and replace: the body, tables, notes, frames
    // and the headers of pages that are laid out.
    void replaceThroughSearch(const QString& find, const QString& replacement, bool all);
    // Whether find is replaced through a pattern search, which folds letter
    // case in half the time: only where it finds what the plain search finds.
    bool throughPattern(const css::uno::Reference<css::util::XReplaceable>& document, const QString& find,
                        const QString& replacement);
    // Brings cross-references and indexes up to date after replaces, once.
    void refreshShownText();
    // Keeps the views from following each change (a third of the
    // replacing's time) from the first replace until they catch up.
    void holdViewsBack();
    void letViewsCatchUp() noexcept;

    css::uno::Reference<css::lang::XComponent> document_;
    RunMemory& memory_;
    // Whether the document holds no character whose letter case the pattern
    // search folds otherwise than the plain one; known once looked for.
    std::optional<bool> foldsAlike_;
    std::optional<std::vector<TextPlace>> places_;
    SpanningBookmarks bookmarks_;
    PropertyTexts properties_;
    // The texts replaced so far, and whether what shows text elsewhere may
    // lag behind: from the start too, as a kept template's references may
    // still show the text of the filling taken back last.
    QStringList replaced_;
    bool shownTextDue_ = true;
    css::uno::Reference<css::frame::XModel> heldBack_; // set while the views are held back
    std::optional<FileVersion> openedFrom_;
    bool staysOpen_;
    bool onlySearchReplaced_ = true;
};

} // namespace office::lo
