#pragma once

#include "common/FileVersion.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <rtl/ustring.hxx>

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The texts a document keeps besides those it shows in its places: its
// properties (title, subject, keywords, comments and the custom properties
// that hold text) and, in a text document, the contents of its user fields,
// text variables and input fields. They are read once, when first needed,
// and kept up to date as the replacing goes through them; the fields that
// show them follow. A document opened from an unchanged template file holds
// in them what the last one held, so a template whose texts there hold none
// of the identifiers is not read again.
namespace office::lo {

struct RunMemory;

class PropertyTexts {
public:
    // `memory` is the run's: what the last document from the same template
    // held there.
    PropertyTexts(css::uno::Reference<css::lang::XComponent> document, std::optional<FileVersion> openedFrom,
                  RunMemory& memory);

    // Replaces find (a carriage return for a line break, in both) as the
    // plain search matches it. Throws as the office calls do.
    void replace(const QString& find, const QString& replacement);

    // Sets found[i] where one of the texts, or what a field of the document
    // shows, holds texts[i].
    void findEach(const QStringList& texts, QList<bool>& found);

    // Whether the replacing changed any: the office's undo does not take
    // such changes back.
    bool changed() const { return changed_; }

private:
    // One text, and where it is kept.
    struct Entry {
        enum class Kind { Title, Subject, Description, Keyword, Custom, UserField, Variable, Input } kind;
        css::uno::Reference<css::uno::XInterface> holder; // the properties, a field master, a field
        rtl::OUString name; // of a custom property
        sal_Int32 index = 0; // of a keyword
        QString shown;
    };

    bool mayHold(const QStringList& texts);
    void collect();
    // What the document's fields show now, comments aside.
    QStringList fieldsShown() const;

    css::uno::Reference<css::lang::XComponent> document_;
    std::optional<FileVersion> openedFrom_;
    RunMemory& memory_;
    std::optional<std::vector<Entry>> entries_;
    bool changed_ = false;
};

} // namespace office::lo
