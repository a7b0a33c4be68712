#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/util/XReplaceDescriptor.hpp>
#include <com/sun/star/util/XSearchDescriptor.hpp>

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Search descriptors set as the word processor's and the spreadsheet's
// defaults are: not case-sensitive, not whole words or whole cells, no
// pattern syntax, so every character of the text is itself.
namespace office::lo {

css::uno::Reference<css::util::XSearchDescriptor>
plainSearch(const css::uno::Reference<css::util::XSearchDescriptor>& descriptor, const QString& text);

css::uno::Reference<css::util::XReplaceDescriptor>
plainReplace(const css::uno::Reference<css::util::XReplaceDescriptor>& descriptor, const QString& text,
             const QString& replacement);

// A search for the pattern (regular expression), otherwise set as above.
css::uno::Reference<css::util::XSearchDescriptor>
patternSearch(const css::uno::Reference<css::util::XSearchDescriptor>& descriptor, const QString& pattern);

// A pattern that matches any of the texts, each character of them itself.
QString anyOfLiterally(const QStringList& texts);

// A replace descriptor kept by a run (RunMemory.h) for every search and
// replace of one kind of document, for as long as the office that made it
// runs: setting up a new
// one costs a dozen round trips (each switch is set, since the office starts
// one from the user's last search settings), and a descriptor belongs to no
// document. It sends the office only what changed since its last use.
class KeptDescriptor {
public:
    // Makes a new descriptor in the office, where there is none yet.
    using Maker = std::function<css::uno::Reference<css::util::XSearchDescriptor>()>;

    // What to search for: a text, every character itself, or a pattern.
    struct Search {
        QString text;
        bool pattern = false;
        bool caseSensitive = false;
    };
    // The descriptor set to search, and to replace by the replacement; with
    // none, the replacement stays as it was.
    css::uno::Reference<css::util::XSearchDescriptor> set(const Maker& make, const Search& search,
                                                          const std::optional<QString>& replacement = std::nullopt);

private:
    void ready(const Maker& make);

    css::uno::Reference<css::frame::XDesktop2> office_; // the desktop of the office that made it
    css::uno::Reference<css::util::XReplaceDescriptor> descriptor_;
    css::uno::Reference<css::beans::XPropertySet> settings_; // the same, for its switches
    // What the office holds, as far as it is known.
    std::optional<QString> search_, replacement_;
    std::optional<bool> pattern_, caseSensitive_;
};

} // namespace office::lo
