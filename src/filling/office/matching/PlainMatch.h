#pragma once

#include <QList>
#include <QString>

// Finding an identifier in text the program has read from the office, the
// way the office's own plain search matches: every character stands for
// itself, letter case does not count, and a carriage return (a paragraph
// break in an identifier) matches the line feed that separates paragraphs
// in text read back.
namespace office {

// Where find occurs in text, left to right, not overlapping.
QList<qsizetype> plainMatches(const QString& text, const QString& find);

bool containsPlain(const QString& text, const QString& find);

// Whether an occurrence of find could reach into text from either side of
// it: text begins with the end of find, or ends with its beginning.
bool reachesIntoEdges(const QString& text, const QString& find);

// A text prepared once for many searches.
class PlainText {
public:
    explicit PlainText(const QString& text);
    bool contains(const QString& find) const;

private:
    QString folded_;
};

} // namespace office
