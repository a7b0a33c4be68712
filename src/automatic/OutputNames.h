#pragma once

#include "general/IdentifierList.h"

#include <QList>
#include <QString>

// Names of the documents a fill command makes: the --out pattern with {N}
// (the document's number, zero-padded to the width of the last one) and
// {identifier} (that document's replacement text for the identifier, made
// safe for a file name).
namespace automatic {

constexpr int kNamePartLimit = 80;

// A text made safe as a part of a file name: '/' and '\' become '_',
// control and other unprintable characters a space, runs of spaces one
// space; at most kNamePartLimit characters; a leading '.' or '-' becomes
// '_'; an empty text "_". Letters of every alphabet are kept.
QString safeFileNamePart(const QString& text);

class OutputPattern {
public:
    // Throws KvilmarError for a "{...}" that is neither {N} nor an
    // identifier of the records. When an identifier is named "N", {N} still
    // means the number.
    OutputPattern(const QString& pattern, const QList<IdentifierRecord>& records);

    // The template's name with "_{N}" before its extension, beside it.
    static OutputPattern besideTemplate(const QString& templateName);
    // One file's name, braces and all.
    static OutputPattern literal(const QString& fileName);

    const QString& pattern() const { return pattern_; }
    bool hasNumber() const;

    // records are the document's own, in the order the pattern was made with.
    QString nameFor(int number, int lastNumber, const QList<IdentifierRecord>& records) const;

private:
    OutputPattern() = default;
    struct Piece {
        enum Kind { Literal, Number, Identifier } kind = Literal;
        QString text;
        int record = -1;
    };
    QString pattern_;
    QList<Piece> pieces_;
};

} // namespace automatic
