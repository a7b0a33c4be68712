#include "filling/office/matching/PatternFolding.h"

#include <QList>

#include <algorithm>
#include <array>
#include <utility>

namespace office {

namespace {

using Span = std::pair<char32_t, char32_t>;

// Characters that fold to more than one letter or to a letter of another
// block: the sharp s, ligatures, letters with a mark that has no capital,
// the old Cyrillic letter forms, the dotted and dotless i, the long s, the
// Kelvin and Ångström signs, and the typographic apostrophe that the plain
// search takes for "'".
constexpr std::array<Span, 12> kSpecial{{
    {0x00DF, 0x00DF},
    {0x0130, 0x0131},
    {0x0149, 0x0149},
    {0x017F, 0x017F},
    {0x01F0, 0x01F0},
    {0x1C80, 0x1C88},
    {0x1E96, 0x1E9B},
    {0x1E9E, 0x1E9E},
    {0x2019, 0x2019},
    {0x212A, 0x212B},
    {0xFB00, 0xFB06},
    {0xFB13, 0xFB17},
}};

bool special(char32_t c)
{
    return std::any_of(kSpecial.begin(), kSpecial.end(), [c](const Span& s) { return c >= s.first && c <= s.second; });
}

bool foldsAlike(char32_t c)
{
    if (c >= 0x20 && c < 0x7F)
        return c != U'\'';
    if (c >= 0x0400 && c <= 0x045F)
        return true;
    return c <= 0xFFFF && QStringView(u"№«»–—…“”„").contains(QChar(static_cast<char16_t>(c)));
}

} // namespace

bool foldsAlikeInPatterns(const QString& text)
{
    const auto chars = text.toUcs4();
    return std::all_of(chars.begin(), chars.end(), foldsAlike);
}

bool holdsSpecialFolding(const QString& text)
{
    const auto chars = text.toUcs4();
    return std::any_of(chars.begin(), chars.end(), special);
}

QString specialFoldingPattern()
{
    QString pattern = QStringLiteral("[");
    for (const auto& [first, last] : kSpecial) {
        pattern += QStringLiteral("\\x{%1}").arg(static_cast<uint>(first), 0, 16);
        if (last != first)
            pattern += QStringLiteral("-\\x{%1}").arg(static_cast<uint>(last), 0, 16);
    }
    return pattern + QLatin1Char(']');
}

bool standsAsReplacement(const QString& text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char('\\') || c == QLatin1Char('&') || c == QLatin1Char('$') || c.unicode() < 0x20;
    });
}

} // namespace office
