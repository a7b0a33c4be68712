#pragma once

#include <QString>
#include <QStringList>

// The rules of the program's command line and of the start window's file
// fields. The command line here is the list of parameters after the program's
// own name.
namespace startup {

enum class Switch {
    None,      // no parameters
    Ini,       // "-i" or "-I"
    Select,    // "-s" or "-S": template, identifier file, replacement list file
    Invalid,   // anything else
};

// The first parameter, compared exactly as typed.
Switch classify(const QStringList& parameters);

// True for an existing file; a folder or a missing name is no file.
bool isExistingFile(const QString& name);

QString iniFileName();   // "kvilmar.ini"
// The messages of the start-up, ready for their boxes.
QString iniMissingMessage();
QString invalidParameterMessage(const QString& parameter);
QString missingFileMessage(const QString& pendingFileMessage);
QString cannotOpenMessage();
QString identifierFileMissingMessage();
QString abortQuestion();
QString anotherCopyMessage();

// A name in single quotes, a single quote inside doubled.
QString quoted(const QString& name);

// What the start window's file fields hold.
struct StartFields {
    QString identifierFile;
    QString replacementFile;
    QString templateFile;
    // CheckBoxStartFile: take the replacement texts from the identifier file.
    bool useListReplacements = true;
    // The replacement list box and its browse button can be used.
    bool replacementEditable = false;

    // The effects of a change of the check box.
    void setUseListReplacements(bool on);

    friend bool operator==(const StartFields&, const StartFields&) = default;
};

// Fills the fields from "-s" and its further parameters and returns the
// pending file message: the first file that does not exist, or empty.
QString fillFromSelectSwitch(StartFields& fields, const QStringList& parameters);

} // namespace startup
