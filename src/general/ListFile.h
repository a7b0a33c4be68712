#pragma once

#include "general/IdentifierList.h"

#include <QList>
#include <QString>
#include <optional>

// List files (.fdp): the count line, the line "19", then identifier, comment
// and replacement text for each record. Plain identifier files: one
// identifier a line. Replacement list files: one replacement text a line.
// All three are written by the program in 1251 with CR LF; on reading, files
// from other systems are accepted too: a lone LF ends a line, and UTF-8 text
// is converted to 1251. Every reader returns nullopt when the file cannot be read or is damaged;
// nothing is taken over then.
namespace listFile {

constexpr int kPlainFileLimit = 50;

// True when the name's last extension is exactly ".fdp" (case-sensitive).
bool hasListExtension(const QString& fileName);
// The save name: ".fdp" appended unless the extension is exactly ".fdp".
QString withListExtension(const QString& fileName);

// Every record read starts with the status on. A file that ends before its
// declared count still gives that many records, the missing fields empty.
std::optional<QList<IdentifierRecord>> readListFile(const QString& fileName, bool keepReplacements);
// The first 50 non-empty lines as identifiers.
std::optional<QList<IdentifierRecord>> readPlainIdentifierFile(const QString& fileName);
// A list file or a plain identifier file, by the extension.
std::optional<QList<IdentifierRecord>> readAnyListFile(const QString& fileName, bool keepReplacements);
// The replacement texts for records 0..count-1 (fewer when the file is shorter).
std::optional<QList<QByteArray>> readReplacementListFile(const QString& fileName, int count);

// The bytes of a list file for these records.
QByteArray listFileContent(const QList<IdentifierRecord>& records, bool withReplacements);
// Writes a list file whole, or leaves the old one as it was and returns false.
bool writeListFile(const QString& fileName, const QList<IdentifierRecord>& records, bool withReplacements);

} // namespace listFile
