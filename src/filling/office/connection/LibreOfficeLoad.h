#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QByteArray>
#include <QString>
#include <functional>

namespace office::lo {

// Loads a file as a new untitled document made from it (the file itself is
// never the document), always hidden, with macros off, and with every
// question of the office answered "no" (UnoInteraction.h). Text files are
// read in UTF-8 when they are valid UTF-8 or start with its byte-order mark,
// otherwise in code page 1251; so is any file the office would ask how to
// read as plain text, when `plainTextIfAsked`. Throws KvilmarError naming the
// file, in the program's words, when the file cannot be read or the office
// refuses it.
css::uno::Reference<css::lang::XComponent> loadAsNewDocument(const QString& fileName, bool plainTextIfAsked = false);

// Whether the office makes a spreadsheet of the file, whatever its name says:
// the office's own detection of the file's type decides. A file the office
// cannot tell (or cannot read) counts as text. Throws when the office cannot
// be reached.
bool opensAsSpreadsheet(const QString& fileName);

// The character set LibreOffice is told to read a text file in: UTF-8 for a
// file that starts with its byte-order mark or is valid UTF-8, else 1251.
// Only a file read as plain text is read for it, and no further than the
// first byte that decides.
QString textCharacterSet(const QString& fileName);

// The address the office is given for a local file: absolute, each "/" of
// the path single (Linux reads "//tmp" as "/tmp", an address "file://tmp"
// names a host), every other character kept, encoded as an address needs.
QString fileUrl(const QString& path);

// Throws KvilmarError, saying why, unless the office reached reads the
// file or folder under the path (Connection::seesPath).
void requireSeen(const QString& path);

// For tests, which read filled documents back: told of each document
// loadAsNewDocument loads. The program itself watches none, and keeps no
// document it has let go of.
using LoadWatch = std::function<void(const css::uno::Reference<css::lang::XComponent>&)>;
void watchLoads(LoadWatch watch);

} // namespace office::lo
