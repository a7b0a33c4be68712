#include "filling/office/writer/WriterDocument.h"

#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"
#include "filling/office/matching/PatternFolding.h"
#include "filling/office/matching/PlainMatch.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XReplaceable.hpp>

#include <QStringList>

#include <algorithm>

using namespace css;

namespace office::lo {

namespace {

using Cursor = uno::Reference<text::XParagraphCursor>;
using Range = uno::Reference<text::XTextRange>;

Cursor cursorAt(const Range& range)
{
    return Cursor(range->getText()->createTextCursorByRange(range), uno::UNO_QUERY_THROW);
}

// Extends a match of parts[first] over the paragraph breaks that the
// carriage returns of the identifier stand for. Empty parts before the first
// non-empty one stand for breaks before the found text.
Range extendMatch(const Range& found, const QStringList& parts, int first)
{
    Cursor start = cursorAt(found->getStart());
    for (int i = 0; i < first; ++i) {
        if (!start->isStartOfParagraph() || !start->goLeft(1, false))
            return {};
    }
    Cursor end = cursorAt(found->getEnd());
    for (int i = first + 1; i < parts.size(); ++i) {
        if (!end->isEndOfParagraph() || !end->goRight(1, false))
            return {};
        const int length = static_cast<int>(parts[i].size());
        if (length == 0)
            continue;
        Cursor piece = cursorAt(end->getStart());
        if (!piece->goRight(static_cast<sal_Int16>(length), true)
            || !containsPlain(toQString(piece->getString()), parts[i]))
            return {};
        end = cursorAt(piece->getEnd());
    }
    uno::Reference<text::XTextCursor> match = start->getText()->createTextCursorByRange(start->getStart());
    match->gotoRange(end->getEnd(), true);
    return Range(match.get());
}

// The ranges the document's search finds for `find`, which holds carriage
// returns or is to get paragraphs.
std::vector<Range> findOccurrences(const uno::Reference<util::XReplaceable>& document, const QString& find, bool all)
{
    std::vector<Range> matches;
    const QStringList parts = find.split(QLatin1Char('\r'));
    int first = 0;
    while (first < parts.size() && parts[first].isEmpty())
        ++first;

    uno::Reference<util::XSearchDescriptor> descriptor;
    if (first == parts.size()) {
        // Only a paragraph break: the pattern "$" alone finds every break.
        descriptor = patternSearch(document->createSearchDescriptor(), QStringLiteral("$"));
    } else {
        descriptor = plainSearch(document->createSearchDescriptor(), parts[first]);
    }
    auto found = document->findAll(descriptor);
    for (sal_Int32 i = 0; i < found->getCount(); ++i) {
        Range range(found->getByIndex(i), uno::UNO_QUERY);
        if (!range.is())
            continue;
        auto match = parts.size() == 1 || first == parts.size() ? range : extendMatch(range, parts, first);
        if (match.is()) {
            matches.push_back(match);
            if (!all)
                break;
        }
    }
    return matches;
}

} // namespace

void WriterDocument::replaceThroughSearch(const QString& find, const QString& replacement, bool all)
{
    uno::Reference<util::XReplaceable> document(document_, uno::UNO_QUERY_THROW);
    const bool breaks = find.contains(QLatin1Char('\r')) || replacement.contains(QLatin1Char('\r'));
    if (!breaks && all) {
        const bool pattern = throughPattern(document, find, replacement);
        document->replaceAll(memory_.textSearch.set([&] { return document->createSearchDescriptor(); },
                                                    {pattern ? anyOfLiterally({find}) : find, pattern}, replacement));
        return;
    }
    // Collected first, so that replacements are never searched again.
    onlySearchReplaced_ = false;
    for (const auto& range : findOccurrences(document, find, all))
        writeOver(range->getText(), range->getStart(), find, replacement);
}

bool WriterDocument::throughPattern(const uno::Reference<util::XReplaceable>& document, const QString& find,
                                    const QString& replacement)
{
    if (!foldsAlikeInPatterns(find) || !standsAsReplacement(replacement))
        return false;
    if (!foldsAlike_) {
        // The special characters each as itself: the case-insensitive "ß"
        // would also find "ss".
        const bool special = document
                                 ->findFirst(memory_.textSearch.set([&] { return document->createSearchDescriptor(); },
                                                                    {specialFoldingPattern(), true, true}))
                                 .is();
        const std::vector<TextPlace>& others = places();
        foldsAlike_ = !special && std::none_of(others.begin(), others.end(), [](const TextPlace& place) {
            return holdsSpecialFolding(place.shown);
        });
    }
    return *foldsAlike_;
}

WriterDocument::WriterDocument(uno::Reference<lang::XComponent> document, RunMemory& memory,
                               std::optional<FileVersion> openedFrom, bool staysOpen)
    : document_(std::move(document)), memory_(memory), bookmarks_(document_, openedFrom, memory),
      properties_(document_, openedFrom, memory), openedFrom_(std::move(openedFrom)), staysOpen_(staysOpen)
{
    if (openedFrom_ && memory_.bodyOnly == openedFrom_)
        places_.emplace();
}

WriterDocument::~WriterDocument()
{
    letViewsCatchUp();
}

void WriterDocument::holdViewsBack()
{
    if (heldBack_.is())
        return;
    uno::Reference<frame::XModel> model(document_, uno::UNO_QUERY_THROW);
    model->lockControllers();
    heldBack_ = model;
}

void WriterDocument::catchUp() noexcept
{
    try {
        if (shownTextDue_)
            callOffice(QString(), [&] { refreshShownText(); });
    } catch (...) {
        // The office went away or refused; the next call says so.
    }
    if (!staysOpen_)
        letViewsCatchUp();
}

void WriterDocument::refreshShownText()
{
    if (!shownTextDue_)
        return;
    office::lo::refreshShownText(document_, bookmarks_.any(), replaced_);
    shownTextDue_ = false;
}

void WriterDocument::letViewsCatchUp() noexcept
{
    if (!heldBack_.is())
        return;
    try {
        const uno::Reference<frame::XModel> model = heldBack_;
        callOffice(QString(), [&] { model->unlockControllers(); });
    } catch (...) {
        // The office went away; the next call says so.
    }
    heldBack_.clear();
}

std::vector<TextPlace>& WriterDocument::places()
{
    if (!places_) {
        places_ = TextPlace::collect(document_);
        if (openedFrom_ && places_->empty())
            memory_.bodyOnly = openedFrom_;
    }
    return *places_;
}

void WriterDocument::replace(const QString& find, const QString& replacement, bool all)
{
    if (find.isEmpty())
        return;
    reachStep(OfficeStep::Replace);
    callOffice(QStringLiteral("Не удается заменить текст"), [&] {
        places(); // read as they stand before the replacing
        holdViewsBack();
        shownTextDue_ = true;
        bookmarks_.keepSpanning(find, replacement, [&] { replaceEverywhere(find, replacement, all); });
        if (all)
            properties_.replace(find, replacement);
        onlySearchReplaced_ = onlySearchReplaced_ && !properties_.changed();
        replaced_ << find;
    });
    if (holdsSpecialFolding(replacement))
        foldsAlike_ = false;
}

void WriterDocument::replaceEverywhere(const QString& find, const QString& replacement, bool all)
{
    replaceThroughSearch(find, replacement, all);
    std::vector<TextPlace>& others = places();
    if (!all || others.empty())
        return;
    // A place that held the text and was left as it was lies beyond the
    // search's reach: replace there directly. Going one place after the
    // other also catches a place seen twice (a text box is a frame and a
    // shape), which the first replacing has changed already.
    for (TextPlace& place : others) {
        if (!containsPlain(place.shown, find))
            continue;
        const QString now = place.read();
        if (now == place.shown) {
            onlySearchReplaced_ = false;
            place.replaceAll(find, replacement);
            place.shown = place.read();
        } else {
            place.shown = now;
        }
    }
}

QList<bool> WriterDocument::findEach(const QStringList& texts)
{
    QList<bool> found(texts.size(), false);
    catchUp();
    callOffice(QStringLiteral("Не удается прочитать документ"), [&] {
        // Asks the document something first: an office gone away shows here.
        uno::Reference<frame::XModel>(document_, uno::UNO_QUERY_THROW)->getURL();
        refreshShownText();
        QList<PlainText> shown;
        for (TextPlace& place : places()) {
            place.shown = place.read();
            shown << PlainText(place.shown);
        }
        QStringList plain;
        QList<int> plainAt;
        uno::Reference<util::XReplaceable> document(document_, uno::UNO_QUERY_THROW);
        properties_.findEach(texts, found);
        for (int i = 0; i < texts.size(); ++i) {
            found[i] = found[i]
                || std::any_of(shown.cbegin(), shown.cend(), [&](const PlainText& t) { return t.contains(texts[i]); });
            if (found[i] || texts[i].isEmpty())
                continue;
            if (texts[i].contains(QLatin1Char('\r'))) {
                found[i] = !findOccurrences(document, texts[i], false).empty();
            } else {
                plain << texts[i];
                plainAt << i;
            }
        }
        // The document's search: one pass tells whether any is there at all,
        // then each one is looked for on its own.
        KeptDescriptor& descriptor = memory_.textSearch;
        const auto make = [&] { return document->createSearchDescriptor(); };
        if (plain.isEmpty() || !document->findFirst(descriptor.set(make, {anyOfLiterally(plain), true})).is())
            return;
        for (int k = 0; k < plain.size(); ++k)
            found[plainAt[k]] = document->findFirst(descriptor.set(make, {plain[k]})).is();
    });
    return found;
}

} // namespace office::lo
