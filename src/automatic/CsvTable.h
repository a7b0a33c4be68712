#pragma once

#include "automatic/DataTable.h"

#include <QByteArray>
#include <QString>

// Text tables (CSV): cells quoted as RFC 4180 describes (a quoted cell may
// hold separators, doubled quotes and line breaks), the separator found in
// the header line, text in UTF-8 (with or without its byte-order mark), in
// UTF-16 (with or without its byte-order mark), or in code page 1251. Line
// breaks inside a cell become carriage returns, the program's paragraph
// break; the byte 26 ends the file as in every text file the program reads.
namespace automatic {

constexpr qsizetype kMaxTextTableBytes = 16 * 1024 * 1024;

// True for the names read as text tables: .csv, .tsv and .txt in any case.
bool isTextTable(const QString& fileName);

// The most frequent of ';', tab and ',' outside quotes in the first line with
// text; ';' when there is none, and on a tie in that order.
char detectSeparator(const QByteArray& content);

// Throws KvilmarError naming the file and line for a quote left open, text
// after a closing quote, and every refusal of TableBuilder.
DataTable parseTextTable(QByteArray content, const QString& fileName);

// Reads and parses a file; also refuses one that cannot be read, is no
// regular file or is larger than kMaxTextTableBytes.
DataTable readTextTable(const QString& fileName);

} // namespace automatic
