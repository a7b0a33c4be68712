#pragma once

#include <QString>

// The last-files file nstrtxt.dan: line "1" + the list file, line "2" + the
// template, in code page 1251 with CR LF.
struct LastFiles {
    QString listFile;
    QString templateFile;

    // Reads what the file holds; a missing or unreadable file gives nothing,
    // lines in any order, unknown and bare-tag lines skipped.
    static LastFiles read(const QString& fileName);
    // Writes both lines whole, or leaves the old file as it was and returns false.
    bool write(const QString& fileName) const;

    static QString defaultFileName();   // nstrtxt.dan in the program folder
};
