#pragma once

#include "common/FileVersion.h"
#include "filling/office/text/RunMemory.h"
#include "filling/office/text/UnoReferences.h"

#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include <QStringList>
#include <functional>
#include <optional>

// The template of a batch, opened once: each document is filled in it,
// saved, and the filling taken back through the office's undo, so that the
// office does not load the file again for every document (most of a
// document's time). What the template holds of the identifiers is counted,
// and what its bookmarks span read, when it is opened and again after each
// taking back; a document whose taking back is in any doubt is closed, and
// the next one opened anew.
namespace office::lo {

class KeptTemplate {
public:
    // `memory` is the run's: its searches count the identifiers.
    explicit KeptTemplate(RunMemory& memory) : memory_(memory) {}
    ~KeptTemplate() { close(); }
    KeptTemplate(const KeptTemplate&) = delete;
    KeptTemplate& operator=(const KeptTemplate&) = delete;

    // The identifiers the next documents are filled for (as sent to the
    // office). A template kept for others is not used for them. `rows`: the
    // filling adds or removes rows (item rows), so the rows of every table
    // and sheet, and what a text document's tables hold, are compared too.
    void fillingFor(const QStringList& texts, bool rows = false)
    {
        texts_ = texts;
        rows_ = rows;
    }

    // The kept document of the template file as it stands now, as it was
    // opened, ready to record its filling; empty when none is (a kept one of
    // another file or version, or one that does not answer, is let go).
    css::uno::Reference<css::lang::XComponent> take(const FileVersion& file);

    // A document just opened from the file, before any change: counted, and
    // ready to record its filling. Throws as the office calls do.
    void opened(const css::uno::Reference<css::lang::XComponent>& document, const FileVersion& file);

    // Takes back the filling of the saved document and keeps the document for
    // the next one. `undoable`: the filling changed it only in ways the
    // office's undo records whole. False, and nothing kept, when it is not
    // undoable, not the document opened, or not the template again for
    // certain; the caller closes it then.
    bool keep(const css::uno::Reference<css::lang::XComponent>& document, bool undoable) noexcept;

    // Closes the kept document, if its office still runs.
    void close() noexcept;

private:
    struct Kept {
        css::uno::Reference<css::lang::XComponent> document;
        css::uno::Reference<css::document::XUndoManager> undo;
        FileVersion file;
        QStringList texts;
        sal_Int32 held = 0; // occurrences of the texts in the template
        std::vector<BookmarkText> marks; // in a text document
        bool rows = false;
        QStringList tables; // with `rows`: TablesAndSheets
        css::uno::Reference<css::frame::XDesktop2> office;
    };
    bool inSameOffice() const;
    // Lets go of the kept document without closing it: the caller does.
    void forget() noexcept { kept_.reset(); }

    RunMemory& memory_;
    QStringList texts_;
    bool rows_ = false;
    std::optional<Kept> kept_;
};

// A template file opened for filling: the document `kept` (if any) holds
// for the file as it stands, or else a new one loaded from it
// (loadAsNewDocument), of the kind the filler fills (requireKind: `kind`
// names it, `isKind` asks the office), recording no changes, and handed to
// `kept`. Throws as those do; a new document is closed then.
css::uno::Reference<css::lang::XComponent>
openForFilling(KeptTemplate* kept, const QString& fileName, const FileVersion& file, bool plainTextIfAsked,
               const QString& kind,
               const std::function<bool(const css::uno::Reference<css::lang::XComponent>&)>& isKind);

} // namespace office::lo
