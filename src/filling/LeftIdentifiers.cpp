#include "filling/LeftIdentifiers.h"

#include "common/Codec1251.h"
#include "filling/LineBreakEscape.h"
#include "filling/office/OfficeError.h"
#include "general/IdentifierList.h"

namespace {

constexpr int kNamed = 10;
constexpr int kShownLength = 40;

QString named(const QStringList& identifiers)
{
    QStringList names;
    for (int i = 0; i < identifiers.size() && i < kNamed; ++i) {
        QString name = identifiers[i];
        if (name.size() > kShownLength)
            name = IdentifierList::cut(name, kShownLength - 1) + QChar(0x2026);
        names << QStringLiteral("«%1»").arg(name);
    }
    QString text = names.join(QStringLiteral(", "));
    if (identifiers.size() > kNamed)
        text += QStringLiteral(" и еще %1").arg(identifiers.size() - kNamed);
    return text;
}

} // namespace

LeftIdentifierSearch::LeftIdentifierSearch(const QList<IdentifierRecord>& records)
{
    for (const IdentifierRecord& record : records) {
        if (!record.status || record.identifier.isEmpty() || identifiers_.contains(record.identifier))
            continue;
        identifiers_ << record.identifier;
        texts_ << convertLineBreak(record.identifier);
    }
}

LeftIdentifiers LeftIdentifierSearch::result(const QList<bool>& inTemplate, const QList<bool>& afterRun) const
{
    LeftIdentifiers left;
    for (int i = 0; i < identifiers_.size(); ++i) {
        if (i < inTemplate.size() && !inTemplate[i])
            left.notInTemplate << identifiers_[i];
        if (i < afterRun.size() && afterRun[i])
            left.stillInDocument << identifiers_[i];
    }
    return left;
}

QList<bool> askOffice(const std::function<QList<bool>()>& find)
{
    try {
        return find();
    } catch (const office::ConnectionLost&) {
        throw;
    } catch (const KvilmarError&) {
        return {};
    }
}

QString leftIdentifiersMessage(const LeftIdentifiers& left)
{
    QString text;
    if (!left.notInTemplate.isEmpty())
        text += QStringLiteral("\n\nНет в шаблоне: ") + named(left.notInTemplate);
    if (!left.stillInDocument.isEmpty())
        text += (text.isEmpty() ? QStringLiteral("\n\n") : QStringLiteral("\n"))
            + QStringLiteral("Остались в документе: ") + named(left.stillInDocument);
    return text;
}

QList<QByteArray> leftIdentifiersTrace(const LeftIdentifiers& left)
{
    QList<QByteArray> lines;
    for (const QString& identifier : left.notInTemplate)
        lines << "546" << cp1251::fromUnicode(identifier);
    for (const QString& identifier : left.stillInDocument)
        lines << "547" << cp1251::fromUnicode(identifier);
    return lines;
}
