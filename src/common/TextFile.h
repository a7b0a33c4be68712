#pragma once

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
// be opened or read, including when the name is a folder.
std::optional<TextLineReader> openTextFile(const QString& path);

// Reads a text file that may come from another system (a list file, a plain
// identifier file, a replacement list file): a lone LF also ends a line, and
// UTF-8 is converted to 1251 (see cp1251::fromFileText).
std::optional<TextLineReader> openForeignTextFile(const QString& path);

// Writes the lines, each followed by CR LF, through a QSaveFile: the old file
// is replaced only when the whole new content is written. Returns false on any
// failure, leaving the old file as it was.
bool writeTextFile(const QString& path, const QList<QByteArray>& lines);

// Writes bytes to a file whole, through a QSaveFile (see writeTextFile).
bool writeWholeFile(const QString& path, const QByteArray& bytes);
