#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QString>
#include <vector>

// The places of a text document besides its body, where the document's own
// search may not reach: every header and footer (first-page, left and right
// ones too, also on pages not yet laid out), footnotes and endnotes, frames,
// the text of drawing shapes (text boxes and grouped shapes included) and
// comments. Each place can be read and searched on its own.
namespace office::lo {

class TextPlace {
public:
    // What holds the text: the word processor's own text (headers, notes,
    // frames), a drawing shape's text, or a comment.
    enum class Kind { Text, Drawn, Comment };

    TextPlace(Kind kind, css::uno::Reference<css::text::XText> text) : kind_(kind), text_(std::move(text)) {}
    // A comment of the document that `factory` makes fields for.
    TextPlace(css::uno::Reference<css::beans::XPropertySet> comment,
              css::uno::Reference<css::lang::XMultiServiceFactory> factory)
        : kind_(Kind::Comment), comment_(std::move(comment)), factory_(std::move(factory))
    {
    }

    // Every place of the document, each once.
    static std::vector<TextPlace> collect(const css::uno::Reference<css::lang::XComponent>& document);

    // Its text now: paragraphs joined by line feeds.
    QString read() const;
    // Replaces every occurrence of find (as the plain search matches) by
    // replacement, keeping the formatting of the text it replaces; a carriage
    // return in either stands for a paragraph break. A comment keeps its
    // lines as paragraphs.
    void replaceAll(const QString& find, const QString& replacement);

    // The text as it was read last; the caller keeps it up to date.
    QString shown;

private:
    Kind kind_;
    css::uno::Reference<css::text::XText> text_;
    css::uno::Reference<css::beans::XPropertySet> comment_; // a comment's "Content"
    css::uno::Reference<css::lang::XMultiServiceFactory> factory_;
};

// Writes `replacement` over the text `match` that stands from `start` (a
// carriage return in it for a paragraph break) so that it takes the
// formatting of the match's first character, also when the match or the
// replacement spans paragraphs; carriage returns in the replacement make
// paragraphs.
void writeOver(const css::uno::Reference<css::text::XText>& text,
               const css::uno::Reference<css::text::XTextRange>& start, const QString& match,
               const QString& replacement);

// What the replacing of TextPlace::replaceAll makes of text read back
// (paragraphs joined by line feeds).
QString replacedContent(const QString& content, const QString& find, const QString& replacement);

// Moves the cursor right by count characters, any number of them.
void moveRight(const css::uno::Reference<css::text::XTextCursor>& cursor, qsizetype count, bool select);

// The replacing of TextPlace::replaceAll, for any text (tables in it too).
void replaceInText(const css::uno::Reference<css::text::XText>& text, const QString& find, const QString& replacement);

} // namespace office::lo
