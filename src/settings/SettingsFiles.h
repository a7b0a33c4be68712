#pragma once

#include "common/FileAccess.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The font record of nstrfon.dan: 268 bytes, little-endian.
//   0     1  length of the font name
//   1   255  the name, code page 1251
// 256     2  size in points
// 260     4  colour 0x00BBGGRR, or a system colour 0x800000nn
// 264     1  style bits: bold, italic, underline, strike-out
// Every field is optional on reading: a damaged file gives the fields that lie
// wholly inside it and make sense, and nothing past its end.
struct FontRecord {
    static constexpr int kSize = 268;
    static constexpr int kNameLimit = 255;

    enum StyleBit : quint8 { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    static constexpr quint8 kStyleMask = Bold | Italic | Underline | StrikeOut;
    static constexpr quint32 kSystemColorTag = 0x80; // top byte of a system colour

    std::optional<QByteArray> name; // 1251 bytes, at most 255
    std::optional<quint16> pointSize;
    std::optional<quint32> color;
    std::optional<quint8> style;

    friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

// The two switches of nstrbol.dan: byte 0 the start window, byte 1 the
// spreadsheet range; any non-zero byte is on.
struct Switches {
    std::optional<bool> startWindow;
    std::optional<bool> excelSave;

    friend bool operator==(const Switches&, const Switches&) = default;
};

namespace settingsFiles {

QString fontFileName(); // nstrfon.dan in the program folder
QString switchFileName(); // nstrbol.dan in the program folder

// The 268 bytes of a record; absent fields and padding are written as 0.
QByteArray encodeFont(const FontRecord& record);
FontRecord decodeFont(const QByteArray& bytes);
QByteArray encodeSwitches(bool startWindow, bool excelSave);
Switches decodeSwitches(const QByteArray& bytes);

// The whole of a settings file (nstrtxt.dan, nstrfon.dan, nstrbol.dan,
// nstrint.dan), as every reader of them takes it: a file that is no regular
// file, is larger than fileAccess::kSettingsLimit or cannot be read counts
// as missing. In the diagnostic mode the trace log then says which file and
// why: "710", the file ("711" nstrtxt.dan, "712" nstrfon.dan, "713"
// nstrbol.dan, "714" nstrint.dan, "719" another), the cause ("715" no
// regular file, "716" too large, "717" unreadable), "799". A missing file
// is no news and is not traced.
fileAccess::Result readFile(const QString& fileName);

// Readers: a missing or refused file gives an empty record.
FontRecord readFont(const QString& fileName);
Switches readSwitches(const QString& fileName);
// nstrfon.dan's record; nothing when there is no such file.
std::optional<FontRecord> readStoredFont();

// Writers: the old file is replaced only by a complete new one. A failure
// throws KvilmarError with an input/output error text naming the file and
// the cause.
void writeFont(const QString& fileName, const FontRecord& record);
void writeSwitches(const QString& fileName, bool startWindow, bool excelSave);

// "Ошибка ввода-вывода: не удается записать файл <name> (<cause>)".
QString writeError(const QString& fileName, const QString& cause);

} // namespace settingsFiles
