#pragma once

#include <QString>
#include <QStringList>

// The rules of the program's command line and of the start window's file
// fields. The command line here is the list of parameters after the program's
// own name.
namespace startup {

enum class Switch {
    None, // no parameters
    Ini, // "-i" or "-I"
    Select, // "-s" or "-S": template, identifier file, replacement list file
    ListFile, // an existing file, such as a list opened from the file manager
    Invalid, // anything else: an unknown switch, a missing file, a folder
};

// The first parameter, compared exactly as typed. A parameter that begins
// with '-' is always a switch, even when a file of that name exists; further
// parameters after a list file are ignored, as after "-s".
Switch classify(const QStringList& parameters);

// The list file named on the command line, as a full path: the main window
// remembers it for the next run.
QString listFileParameter(const QStringList& parameters);

// True for an existing file; a folder or a missing name is no file.
bool isExistingFile(const QString& name);

// What the program prints and ends with, before it needs a display: the
// usage for "--help" or "-h", the version for "--version" or "-V"; empty
// for any other command line.
QString consoleAnswer(const QStringList& parameters);
QString usageText();
QString versionText();

QString iniFileName(); // "kvilmar.ini"
// The messages of the start-up, ready for their boxes.
QString iniMissingMessage();
// A parameter that is no switch says what is wrong with the file it names.
QString invalidParameterMessage(const QString& parameter);
// The pending file message with the question whether to go on.
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
// pending file message: the first file that does not exist ("Не найден файл
// ...") or cannot be read as one ("Нельзя открыть файл ...", with the
// cause), or empty.
QString fillFromSelectSwitch(StartFields& fields, const QStringList& parameters);

} // namespace startup
