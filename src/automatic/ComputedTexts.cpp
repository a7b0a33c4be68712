#include "automatic/ComputedTexts.h"

#include "amounts/Vat.h"
#include "common/KvilmarError.h"

#include <QRegularExpression>

namespace automatic {

namespace {

QString optionName(ComputedText::Kind kind)
{
    switch (kind) {
    case ComputedText::Kind::Sum: return QStringLiteral("--sum");
    case ComputedText::Kind::Vat: return QStringLiteral("--vat");
    case ComputedText::Kind::Words: break;
    }
    return QStringLiteral("--words");
}

} // namespace

ComputedText parseComputed(ComputedText::Kind kind, const QString& argument)
{
    ComputedText computed;
    computed.kind = kind;
    computed.given = QStringLiteral("%1 \"%2\"").arg(optionName(kind), argument);
    const QString where = computed.given + QStringLiteral(": ");
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    const QString form = kind == ComputedText::Kind::Vat
        ? QStringLiteral("нужна запись ИДЕНТИФИКАТОР=ИСТОЧНИК:СТАВКА:стоимость или "
                         "ИДЕНТИФИКАТОР=ИСТОЧНИК:СТАВКА:сумма, например [НДС]=[Сумма]:20:сумма.")
        : QStringLiteral("нужна запись ИДЕНТИФИКАТОР=ИСТОЧНИК, например %1.")
              .arg(kind == ComputedText::Kind::Sum ? QStringLiteral("[Итого]=[Сумма]")
                                                   : QStringLiteral("[Сумма прописью]=[Сумма]"));
    if (equals <= 0)
        throw KvilmarError(where + form);
    computed.target = argument.left(equals);
    computed.source = argument.mid(equals + 1);
    if (kind == ComputedText::Kind::Vat) {
        // The source may hold ":" itself: rate and base are the last two parts.
        static const QRegularExpression tail(QStringLiteral("^(.+):([0-9]{1,3}):(\\S+)$"));
        const QRegularExpressionMatch match = tail.match(computed.source);
        if (!match.hasMatch())
            throw KvilmarError(where + form);
        computed.source = match.captured(1);
        computed.rate = match.captured(2).toInt();
        const QString base = match.captured(3).toLower();
        if (computed.rate < kVatRateMin || computed.rate > kVatRateMax)
            throw KvilmarError(where
                               + QStringLiteral("ставка НДС %1 %: она должна быть целой, от %2 до %3.")
                                     .arg(computed.rate)
                                     .arg(kVatRateMin)
                                     .arg(kVatRateMax));
        if (base == QStringLiteral("стоимость"))
            computed.base = amounts::VatBase::Price;
        else if (base == QStringLiteral("сумма"))
            computed.base = amounts::VatBase::Sum;
        else
            throw KvilmarError(where
                               + QStringLiteral("«%1»: НДС считается от стоимости (стоимость, налог сверху) "
                                                "или от суммы (сумма, налог в ней).")
                                     .arg(match.captured(3)));
    }
    if (computed.source.isEmpty())
        throw KvilmarError(where + form);
    for (const QString& identifier : {computed.target, computed.source})
        if (identifier.size() > IdentifierList::kIdentifierLimit)
            throw KvilmarError(
                where + QStringLiteral("идентификатор длиннее %1 символов.").arg(IdentifierList::kIdentifierLimit));
    if (computed.target == computed.source)
        throw KvilmarError(where + QStringLiteral("идентификатор не может вычисляться из самого себя."));
    return computed;
}

void setRecordText(QList<IdentifierRecord>& records, const QString& identifier, const QString& text)
{
    for (IdentifierRecord& record : records)
        if (record.identifier == identifier)
            record.replacement = text;
}

const IdentifierRecord* recordNamed(const QList<IdentifierRecord>& records, const QString& identifier)
{
    for (const IdentifierRecord& record : records)
        if (record.identifier == identifier)
            return &record;
    return nullptr;
}

QString computedRefusal(const ComputedText& computed, const QString& sourceText, const QString& why)
{
    return QStringLiteral("«%1» не вычислить: текст «%2» у «%3» — не сумма (%4)")
        .arg(computed.target, sourceText, computed.source, why);
}

QString computeTexts(const QList<ComputedText>& computed, QList<IdentifierRecord>& records)
{
    for (const ComputedText& c : computed) {
        if (c.kind == ComputedText::Kind::Sum)
            continue;
        const IdentifierRecord* source = recordNamed(records, c.source);
        const QString text = source ? source->replacement : QString();
        const amounts::AmountText result =
            c.kind == ComputedText::Kind::Vat ? amounts::vatOf(text, c.rate, c.base) : amounts::amountInWords(text);
        if (!result.refusal.isEmpty())
            return computedRefusal(c, text, result.refusal);
        setRecordText(records, c.target, result.text);
    }
    return {};
}

} // namespace automatic
