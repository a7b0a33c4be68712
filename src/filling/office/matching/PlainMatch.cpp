#include "filling/office/matching/PlainMatch.h"

namespace office {

namespace {

// Each character folded on its own, so positions stay those of the text.
QString folded(const QString& text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        out[i] = c == QLatin1Char('\r') ? QChar(QLatin1Char('\n')) : c.toCaseFolded();
    }
    return out;
}

} // namespace

QList<qsizetype> plainMatches(const QString& text, const QString& find)
{
    QList<qsizetype> at;
    if (find.isEmpty())
        return at;
    const QString haystack = folded(text);
    const QString needle = folded(find);
    for (qsizetype i = haystack.indexOf(needle); i >= 0; i = haystack.indexOf(needle, i + needle.size()))
        at << i;
    return at;
}

bool containsPlain(const QString& text, const QString& find)
{
    return !find.isEmpty() && folded(text).contains(folded(find));
}

bool reachesIntoEdges(const QString& text, const QString& find)
{
    const QString t = folded(text);
    const QString f = folded(find);
    for (qsizetype k = 1; k < f.size() && k <= t.size(); ++k) {
        if (t.startsWith(QStringView(f).right(k)) || t.endsWith(QStringView(f).left(k)))
            return true;
    }
    return false;
}

PlainText::PlainText(const QString& text) : folded_(folded(text))
{
}

bool PlainText::contains(const QString& find) const
{
    return !find.isEmpty() && folded_.contains(folded(find));
}

} // namespace office
