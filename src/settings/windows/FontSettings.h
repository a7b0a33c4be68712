#pragma once

#include "settings/SettingsFiles.h"

#include <QColor>
#include <QFont>

class QWidget;

// Turns a font record into what widgets use, and back.
namespace fontSettings {

// 0x00BBGGRR, or a system colour (0x800000nn) taken from the palette.
QColor colorOf(quint32 code);
quint32 codeOf(const QColor& color);

// The base font with the record's present fields laid over it.
QFont fontOf(const FontRecord& record, QFont base);
// A full record of a font and a colour code.
FontRecord recordOf(const QFont& font, quint32 colorCode);

// Typeface, size and style of the record; the colour too where asked.
void applyFont(QWidget* widget, const FontRecord& record);
void applyFontAndColor(QWidget* widget, const FontRecord& record);

} // namespace fontSettings
