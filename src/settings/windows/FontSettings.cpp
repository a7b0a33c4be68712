#include "settings/windows/FontSettings.h"

#include "common/Codec1251.h"
#include "common/windows/Widgets.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace fontSettings {
namespace {

// The system colour indices a font colour is ever given, mapped to the palette.
QColor systemColor(quint8 index)
{
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 5: return palette.color(QPalette::Base); // window
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button); // button face
    case 16: return palette.color(QPalette::Dark); // button shadow
    case 17: return palette.color(QPalette::PlaceholderText); // grey text
    case 18: return palette.color(QPalette::ButtonText);
    case 23: return palette.color(QPalette::ToolTipText);
    default: return palette.color(QPalette::Text); // window text and the rest
    }
}

} // namespace

QColor colorOf(quint32 code)
{
    if ((code >> 24) == FontRecord::kSystemColorTag)
        return systemColor(quint8(code & 0xFF));
    return QColor(int(code & 0xFF), int((code >> 8) & 0xFF), int((code >> 16) & 0xFF));
}

quint32 codeOf(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

QFont fontOf(const FontRecord& record, QFont base)
{
    if (record.name)
        base.setFamilies({cp1251::toUnicode(*record.name)});
    if (record.pointSize)
        base.setPointSize(*record.pointSize);
    if (record.style) {
        const quint8 style = *record.style;
        base.setBold(style & FontRecord::Bold);
        base.setItalic(style & FontRecord::Italic);
        base.setUnderline(style & FontRecord::Underline);
        base.setStrikeOut(style & FontRecord::StrikeOut);
    }
    return base;
}

FontRecord recordOf(const QFont& font, quint32 colorCode)
{
    FontRecord record;
    record.name = cp1251::fromUnicode(font.family()).left(FontRecord::kNameLimit);
    const int points = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    record.pointSize = quint16(qBound(1, points, 0xFFFF));
    record.color = colorCode;
    quint8 style = 0;
    if (font.bold())
        style |= FontRecord::Bold;
    if (font.italic())
        style |= FontRecord::Italic;
    if (font.underline())
        style |= FontRecord::Underline;
    if (font.strikeOut())
        style |= FontRecord::StrikeOut;
    record.style = style;
    return record;
}

void applyFont(QWidget* widget, const FontRecord& record)
{
    widget->setFont(fontOf(record, widget->font()));
}

void applyFontAndColor(QWidget* widget, const FontRecord& record)
{
    applyFont(widget, record);
    if (record.color)
        widgets::setTextColor(widget, colorOf(*record.color));
}

} // namespace fontSettings
