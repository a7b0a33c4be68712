#pragma once

#include "amounts/AmountTexts.h"
#include "general/IdentifierList.h"

#include <QList>
#include <QString>

// Texts the fill command computes for each document from its other texts,
// with the amount and VAT windows' rules: the amount in words (--words), the
// VAT (--vat) and the total of an item column (--sum).
namespace automatic {

struct ComputedText {
    enum class Kind { Sum, Vat, Words };
    Kind kind = Kind::Words;
    QString target; // the identifier that gets the text
    QString source; // the identifier (for --sum: the item column) it is computed from
    int rate = 0;
    amounts::VatBase base = amounts::VatBase::Price;
    QString given; // the option as given, for messages
};

// They are computed totals first, then VAT, then words (the order of Kind),
// so that the words of a total or of a VAT can be asked for.
// "--words ЦЕЛЬ=ИСТОЧНИК", "--vat ЦЕЛЬ=ИСТОЧНИК:СТАВКА:стоимость|сумма",
// "--sum ЦЕЛЬ=СТОЛБЕЦ". Throws KvilmarError naming the option and what is
// wrong with it.
ComputedText parseComputed(ComputedText::Kind kind, const QString& argument);

// Sets every record named `identifier` to `text`.
void setRecordText(QList<IdentifierRecord>& records, const QString& identifier, const QString& text);

// The text of the first record named `identifier`; null when there is none.
const IdentifierRecord* recordNamed(const QList<IdentifierRecord>& records, const QString& identifier);

// Computes the VAT and words of one document into its records; the totals
// are the item table's (ItemTable.h). Empty, or why the document cannot be
// made: the identifier, its source and the source's text named.
QString computeTexts(const QList<ComputedText>& computed, QList<IdentifierRecord>& records);

// The reason a computed text is not made: which identifier, from what.
QString computedRefusal(const ComputedText& computed, const QString& sourceText, const QString& why);

} // namespace automatic
