#pragma once

#include "general/IdentifierList.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// List files (.fdp): the count line, the line "19", then identifier, comment
// and replacement text for each record. Plain identifier files: one
// identifier a line. Replacement list files: one replacement text a line.
// All three are written by the program in 1251 with CR LF; on reading, files
// from other systems are accepted too: a lone LF ends a line, and UTF-8 and
// UTF-16 with a byte-order mark are read as such. Every reader returns
// nullopt when the file cannot be read or is damaged; nothing is taken over
// then. Only a regular file of at most fileAccess::kListLimit is read; when
// the file itself is refused (missing, no regular file, too large,
// unreadable), `why` says why.
namespace listFile {

constexpr int kPlainFileLimit = 50;

// True when the name's last extension is exactly ".fdp" (case-sensitive).
bool hasListExtension(const QString& fileName);
// The save name: ".fdp" appended unless the extension is exactly ".fdp".
QString withListExtension(const QString& fileName);

// Every record read starts with the status on. A file that ends before its
// declared count still gives that many records, the missing fields empty.
std::optional<QList<IdentifierRecord>> readListFile(const QString& fileName, bool keepReplacements,
                                                    QString* why = nullptr);
// The first 50 non-empty lines as identifiers.
std::optional<QList<IdentifierRecord>> readPlainIdentifierFile(const QString& fileName, QString* why = nullptr);
// A list file or a plain identifier file, by the extension.
std::optional<QList<IdentifierRecord>> readAnyListFile(const QString& fileName, bool keepReplacements,
                                                       QString* why = nullptr);
// The replacement texts for records 0..count-1 (fewer when the file is shorter).
std::optional<QStringList> readReplacementListFile(const QString& fileName, int count, QString* why = nullptr);

// The bytes of a list file for these records, in 1251: a character that 1251
// lacks becomes '?'.
QByteArray listFileContent(const QList<IdentifierRecord>& records, bool withReplacements);
// When some text that would be saved holds characters that 1251 lacks, the
// question to ask before saving: which records lose which characters. Empty
// when nothing is lost.
QString encodingLosses(const QList<IdentifierRecord>& records, bool withReplacements);
// Writes a list file whole, or leaves the old one as it was and returns
// false; `why` then says why.
bool writeListFile(const QString& fileName, const QList<IdentifierRecord>& records, bool withReplacements,
                   QString* why = nullptr);

} // namespace listFile
