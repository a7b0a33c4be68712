#pragma once

#include <QString>

// The last-files file nstrtxt.dan: line "1" + the list file, line "2" + the
// template, in code page 1251 with CR LF.
struct LastFiles {
    QString listFile;
    QString templateFile;

    // Reads what the file holds; a missing or refused file gives nothing
    // (settingsFiles::readFile), lines in any order, unknown and bare-tag
    // lines skipped.
    static LastFiles read(const QString& fileName);
    // Writes both lines whole, or leaves the old file as it was and returns
    // false; `why` then says why ("нет места на диске").
    // A path that code page 1251 cannot hold is left out (its line holds the
    // tag alone): it would come back as another name. In the diagnostic mode
    // the trace log then says so: "700", "701" for the list file, "702" for
    // the template, "799".
    bool write(const QString& fileName, QString* why = nullptr) const;

    static QString defaultFileName(); // nstrtxt.dan in the program folder
};
