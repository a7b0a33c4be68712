#pragma once

#include <QByteArray>
#include <QString>

// Every file the program reads is read here, and only a regular file: a
// named pipe would hold the program in open() until someone writes to it,
// a device such as /dev/zero never ends. The name is opened without
// blocking and checked again on what was opened, and no more is read than
// a file of its kind can hold. Each refusal says why, in Russian.
namespace fileAccess {

// How large a file of each kind may be.
constexpr qint64 kSettingsLimit = 64 * 1024; // nstr*.dan: two paths at most
constexpr qint64 kListLimit = 1024 * 1024; // list, plain identifier, replacement list files
constexpr qint64 kOfficeTableLimit = 64 * 1024 * 1024; // a workbook given to --data
constexpr qint64 kTemplateLimit = 100 * 1024 * 1024; // a document template

enum class Problem { None, Missing, NotRegular, TooLarge, Unreadable };

struct Result {
    QByteArray content;
    Problem problem = Problem::None;
    // Why the file was refused, as a clause: "это папка", "файл не найден".
    QString reason;

    bool ok() const { return problem == Problem::None; }
};

// The whole content of a regular file of at most `limit` bytes.
Result read(const QString& path, qint64 limit);

// The same checks, without reading, for a file handed on by name (a
// template, a workbook the office opens).
Result check(const QString& path, qint64 limit);

// Writes all `size` bytes to the descriptor, going on after a signal and a
// short write; false (errno set) when the system refuses.
bool writeAll(int fd, const char* data, qsizetype size);

// "1 МБ", "64 КБ".
QString sizeText(qint64 bytes);

// Why a write failed, from the system's error number: "нет места на
// диске", "нет прав на запись"; empty for 0.
QString writeFailure(int error);
// Whether the failure is the storage's (no space, no permission, a
// read-only disk), which every later write to the same place meets too.
bool isStorageFailure(int error);

// A message of the program with the cause of the failure on a line of its
// own ("Причина: нет места на диске."); the message alone when the cause is
// not known.
QString withCause(const QString& message, const QString& cause);

} // namespace fileAccess
