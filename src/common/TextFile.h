#pragma once

#include "common/FileAccess.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Text files of the program: code page 1251 bytes, lines written with CR LF.
// On reading, a line ends at CR and a directly following LF is skipped; a lone
// LF is part of the text, unless the reader is told that lone LFs end lines
// too (files that may come from another system); the byte 26 (Ctrl-Z) ends
// the file.
class TextLineReader {
public:
    enum class LineEnds { Cr, CrOrLf };
    explicit TextLineReader(QByteArray content, LineEnds ends = LineEnds::Cr);

    bool atEnd() const { return pos_ >= content_.size(); }
    // The next line without its end; past the end an empty line, which is no error.
    QByteArray readLine();

private:
    QByteArray content_;
    LineEnds ends_;
    qsizetype pos_ = 0;
};

// Reads a whole file into a line reader. Fails (nullopt) when the file cannot
// be opened or read, is no regular file or is larger than the limit; `why`
// then says why (see fileAccess::read).
std::optional<TextLineReader> openTextFile(const QString& path, qint64 limit = fileAccess::kListLimit,
                                           QString* why = nullptr);

// The lines of a text file that may come from another system (a list file, a
// plain identifier file, a replacement list file), as text: decoded as
// cp1251::decodeFileText says, a line ends at CR, CR LF or a lone LF, and the
// character 26 ends the file.
class ForeignTextReader {
public:
    // UTF-8 never holds the bytes of CR, LF or 26 within a character, so the
    // text's lines are those of its UTF-8 bytes.
    explicit ForeignTextReader(const QString& text) : lines_(text.toUtf8(), TextLineReader::LineEnds::CrOrLf) {}

    bool atEnd() const { return lines_.atEnd(); }
    // The next line without its end; past the end an empty line.
    QString readLine() { return QString::fromUtf8(lines_.readLine()); }

private:
    TextLineReader lines_;
};

std::optional<ForeignTextReader> openForeignTextFile(const QString& path, qint64 limit = fileAccess::kListLimit,
                                                     QString* why = nullptr);

// Writes the lines, each followed by CR LF, as saveCopies::putWhole does: the
// old file is replaced only when the whole new content is written. Returns
// false on any failure, leaving the old file as it was; `why` then says why
// (fileAccess::writeFailure: "нет места на диске").
bool writeTextFile(const QString& path, const QList<QByteArray>& lines, QString* why = nullptr);

// Writes bytes to a file whole (see writeTextFile).
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* why = nullptr);
