#pragma once

#include <QString>

// When the office's pattern search, not case-sensitive, finds exactly what
// its plain search finds. The plain search folds the letter case of a copy
// of every paragraph before it looks; the pattern engine folds as it
// matches, in about half the time over a long document. The two differ
// only around characters whose folding is special: the plain search also
// finds "s" in "ß" (it folds to "ss") and "f" in "ﬁ", "'" in "’"; the
// pattern engine finds "в" in "ᲀ". So a text is searched through a pattern
// when it is made of characters none of which these touch, and the text it
// is searched in holds none of the special ones.
namespace office {

// Whether every character of text is one the two searches fold alike: the
// printable ASCII characters but the apostrophe, the basic Cyrillic letters
// and the common Russian punctuation.
bool foldsAlikeInPatterns(const QString& text);

// Whether text holds a character whose folding is special.
bool holdsSpecialFolding(const QString& text);

// A case-sensitive pattern that finds any character whose folding is special.
QString specialFoldingPattern();

// Whether text, given as the replacement of a pattern search, is put in as
// it stands: it holds no back reference ("&", "$1"), no escape ("\t", "\n")
// and no control character.
bool standsAsReplacement(const QString& text);

} // namespace office
