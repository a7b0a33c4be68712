#include "automatic/OutputNames.h"

#include "common/KvilmarError.h"

#include <QFileInfo>

namespace automatic {

QString safeFileNamePart(const QString& text)
{
    QString part;
    part.reserve(text.size());
    // By whole characters: one outside the basic plane (an emoji) is two
    // halves, neither of them printable alone.
    for (const char32_t c : QStringView(text).toUcs4()) {
        if (c == U'/' || c == U'\\')
            part += QLatin1Char('_');
        else if (!QChar::isPrint(c))
            part += QLatin1Char(' ');
        else
            part += QString::fromUcs4(&c, 1);
    }
    part = IdentifierList::cut(part.simplified(), kNamePartLimit).trimmed();
    if (part.isEmpty())
        return QStringLiteral("_");
    if (part.front() == QLatin1Char('.') || part.front() == QLatin1Char('-'))
        part.front() = QLatin1Char('_');
    return part;
}

OutputPattern::OutputPattern(const QString& pattern, const QList<IdentifierRecord>& records) : pattern_(pattern)
{
    static const QString number = QStringLiteral("{N}");
    QString literal;
    auto flush = [&] {
        if (!literal.isEmpty())
            pieces_.append({Piece::Literal, literal, -1});
        literal.clear();
    };
    qsizetype i = 0;
    while (i < pattern.size()) {
        if (pattern.at(i) != QLatin1Char('{')) {
            literal += pattern.at(i++);
            continue;
        }
        flush();
        if (QStringView(pattern).mid(i).startsWith(number)) {
            pieces_.append({Piece::Number, {}, -1});
            i += number.size();
            continue;
        }
        int best = -1;
        qsizetype bestLength = 0;
        for (int r = 0; r < records.size(); ++r) {
            const QString& name = records.at(r).identifier;
            if (!name.isEmpty() && name.size() > bestLength
                && QStringView(pattern).mid(i + 1).startsWith(name + QLatin1Char('}'))) {
                best = r;
                bestLength = name.size();
            }
        }
        if (best < 0) {
            const qsizetype close = pattern.indexOf(QLatin1Char('}'), i);
            throw KvilmarError(QStringLiteral("В имени --out \"%1\" подстановка \"%2\" не называет ни номер {N}, "
                                              "ни идентификатор из списка.")
                                   .arg(pattern, pattern.mid(i, close < 0 ? -1 : close - i + 1)));
        }
        pieces_.append({Piece::Identifier, {}, best});
        i += bestLength + 2;
    }
    flush();
}

OutputPattern OutputPattern::besideTemplate(const QString& templateName)
{
    const QFileInfo info(templateName);
    const QString folder = templateName.contains(QLatin1Char('/')) ? info.path() + QLatin1Char('/') : QString();
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
    OutputPattern p;
    p.pieces_.append({Piece::Literal, folder + base + QLatin1Char('_'), -1});
    p.pieces_.append({Piece::Number, {}, -1});
    if (!suffix.isEmpty())
        p.pieces_.append({Piece::Literal, QLatin1Char('.') + suffix, -1});
    p.pattern_ = folder + base + QStringLiteral("_{N}") + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    return p;
}

OutputPattern OutputPattern::literal(const QString& fileName)
{
    OutputPattern p;
    p.pattern_ = fileName;
    p.pieces_.append({Piece::Literal, fileName, -1});
    return p;
}

bool OutputPattern::hasNumber() const
{
    for (const Piece& piece : pieces_)
        if (piece.kind == Piece::Number)
            return true;
    return false;
}

QString OutputPattern::nameFor(int number, int lastNumber, const QList<IdentifierRecord>& records) const
{
    const int width = static_cast<int>(QString::number(lastNumber).size());
    QString name;
    for (const Piece& piece : pieces_) {
        switch (piece.kind) {
        case Piece::Literal: name += piece.text; break;
        case Piece::Number: name += QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0')); break;
        case Piece::Identifier: name += safeFileNamePart(records.at(piece.record).replacement); break;
        }
    }
    return name;
}

} // namespace automatic
