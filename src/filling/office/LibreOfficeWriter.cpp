#include "filling/office/LibreOfficeWriter.h"

#include "common/KvilmarError.h"
#include "filling/office/LibreOfficeConnection.h"
#include "filling/office/LibreOfficeLoad.h"
#include "filling/office/LibreOfficeSettings.h"
#include "filling/office/UnoSearch.h"
#include "filling/office/UnoText.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XReplaceable.hpp>

#include <QStringList>
#include <vector>

using namespace css;

namespace office::lo {

namespace {

using Cursor = uno::Reference<text::XParagraphCursor>;

Cursor cursorAt(const uno::Reference<text::XTextRange>& range)
{
    return Cursor(range->getText()->createTextCursorByRange(range), uno::UNO_QUERY_THROW);
}

bool sameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Extends a match of parts[first] over the paragraph breaks that the
// carriage returns of the identifier stand for. Empty parts before the first
// non-empty one stand for breaks before the found text.
uno::Reference<text::XTextRange> extendMatch(const uno::Reference<text::XTextRange>& found,
                                             const QStringList& parts, int first)
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
        if (!piece->goRight(static_cast<sal_Int16>(length), true) || !sameText(toQString(piece->getString()), parts[i]))
            return {};
        end = cursorAt(piece->getEnd());
    }
    uno::Reference<text::XTextCursor> match = start->getText()->createTextCursorByRange(start->getStart());
    match->gotoRange(end->getEnd(), true);
    return uno::Reference<text::XTextRange>(match.get());
}

// Every occurrence of find, which may hold carriage returns, as text ranges.
std::vector<uno::Reference<text::XTextRange>> findOccurrences(
    const uno::Reference<util::XReplaceable>& document, const QString& find, bool all)
{
    const QStringList parts = find.split(QLatin1Char('\r'));
    int first = 0;
    while (first < parts.size() && parts[first].isEmpty())
        ++first;
    std::vector<uno::Reference<text::XTextRange>> matches;
    if (first == parts.size())
        return matches;   // only paragraph breaks: nothing to anchor a search on

    auto descriptor = plainSearch(document->createSearchDescriptor(), parts[first]);
    auto found = document->findAll(descriptor);
    for (sal_Int32 i = 0; i < found->getCount(); ++i) {
        uno::Reference<text::XTextRange> range(found->getByIndex(i), uno::UNO_QUERY);
        if (!range.is())
            continue;
        auto match = parts.size() == 1 ? range : extendMatch(range, parts, first);
        if (match.is()) {
            matches.push_back(match);
            if (!all)
                break;
        }
    }
    return matches;
}

// Puts the replacement into the range; each carriage return becomes a
// paragraph break.
void writeWithParagraphs(const uno::Reference<text::XTextRange>& range, const QString& replacement)
{
    auto text = range->getText();
    uno::Reference<text::XTextCursor> cursor = text->createTextCursorByRange(range);
    cursor->setString(rtl::OUString());
    const QStringList parts = replacement.split(QLatin1Char('\r'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text->insertControlCharacter(uno::Reference<text::XTextRange>(cursor.get()), text::ControlCharacter::PARAGRAPH_BREAK, false);
        if (!parts[i].isEmpty())
            text->insertString(uno::Reference<text::XTextRange>(cursor.get()), toOUString(parts[i]), false);
    }
}

class WriterBasic final : public office::WordBasic {
public:
    explicit WriterBasic(std::shared_ptr<WriterApplication> app) : app_(std::move(app)) {}

    void FileOpen(const QString& name) override
    {
        app_->activeDocument = loadAsNewDocument(name, !app_->visible() || settingsFromEnvironment().headless);
    }

    void EditReplace(const QString& Find, const QString& Replace, bool ReplaceAll) override
    {
        if (!app_->activeDocument.is())
            throw KvilmarError(QStringLiteral("Замена текста невозможна: в LibreOffice нет открытого документа."));
        replaceInTextDocument(app_->activeDocument, Find, Replace, ReplaceAll);
    }

private:
    std::shared_ptr<WriterApplication> app_;
};

} // namespace

void replaceInTextDocument(const uno::Reference<lang::XComponent>& document,
                           const QString& find, const QString& replacement, bool all)
{
    if (find.isEmpty())
        return;
    callOffice(QStringLiteral("Не удается заменить текст"), [&] {
        uno::Reference<util::XReplaceable> replaceable(document, uno::UNO_QUERY);
        if (!replaceable.is() || !uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY).is())
            throw KvilmarError(QStringLiteral("Не удается заменить текст: документ открылся в LibreOffice не как текстовый."));
        const bool breaks = find.contains(QLatin1Char('\r')) || replacement.contains(QLatin1Char('\r'));
        if (!breaks && all) {
            // The office's own replace-all, the fast road.
            auto descriptor = plainReplace(replaceable->createReplaceDescriptor(), find, replacement);
            replaceable->replaceAll(uno::Reference<util::XSearchDescriptor>(descriptor.get()));
            return;
        }
        // Collected first, so that replacements are never searched again.
        for (const auto& range : findOccurrences(replaceable, find, all))
            writeWithParagraphs(range, replacement);
    });
}

WriterApplication::WriterApplication()
{
    Connection::instance().desktop();
}

void WriterApplication::Visible(bool visible)
{
    visible_ = visible;
    if (visible && activeDocument.is())
        showDocument(activeDocument);
}

std::shared_ptr<office::WordBasic> WriterApplication::WordBasic()
{
    return std::make_shared<WriterBasic>(shared_from_this());
}

} // namespace office::lo
