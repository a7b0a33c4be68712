#pragma once

#include <com/sun/star/util/XReplaceDescriptor.hpp>
#include <com/sun/star/util/XSearchDescriptor.hpp>

#include <QString>
#include <QStringList>

// Search descriptors set as the word processor's and the spreadsheet's
// defaults are: not case-sensitive, not whole words or whole cells, no
// pattern syntax, so every character of the text is itself.
namespace office::lo {

css::uno::Reference<css::util::XSearchDescriptor> plainSearch(
    const css::uno::Reference<css::util::XSearchDescriptor>& descriptor, const QString& text);

css::uno::Reference<css::util::XReplaceDescriptor> plainReplace(
    const css::uno::Reference<css::util::XReplaceDescriptor>& descriptor,
    const QString& text, const QString& replacement);

// A search for the pattern (regular expression), otherwise set as above.
css::uno::Reference<css::util::XSearchDescriptor> patternSearch(
    const css::uno::Reference<css::util::XSearchDescriptor>& descriptor, const QString& pattern);

// A pattern that matches any of the texts, each character of them itself.
QString anyOfLiterally(const QStringList& texts);

} // namespace office::lo
