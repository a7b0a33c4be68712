// Writes one of the program's files through its own writer under a file-size
// limit, as on a disk that fills up. Run by the text-file test as a child
// process, so that the limit binds this process only.
//
//   kvilmar_limited_writer LIMIT KIND PATH SIZE [CUT]
//
// LIMIT is the largest file size in bytes (RLIMIT_FSIZE); KIND one of list,
// lastfiles, font, switches, range; SIZE the rough size of a list file or of
// the paths in the last-files file. Prints the size of the content it meant
// to write; exits 0 when the writer reported success, 3 when it reported a
// failure, 2 on wrong use. CUT cuts the save where its copy is named:
// "kill" kills the process there, "kill-named" too on a file system taken
// to have no files without a name, "wait" prints "named" and waits for a
// line on its input.

#include "common/KvilmarError.h"
#include "common/SaveCopies.h"
#include "filling/RangeFile.h"
#include "general/LastFiles.h"
#include "general/ListFile.h"
#include "settings/SettingsFiles.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace {

QList<IdentifierRecord> recordsOfSize(int size)
{
    // 51 records at most: the replacement texts carry the bulk.
    QList<IdentifierRecord> records;
    const int each = size / IdentifierList::kSlots + 1;
    for (int i = 0; i < IdentifierList::kSlots; ++i)
        records.append({"#" + QByteArray::number(i) + "#", QByteArray(each, 'x'), "c", true});
    return records;
}

// Exit codes: a crash or a sanitizer report must not pass for either answer.
constexpr int kWritten = 0;
constexpr int kRefused = 3;
constexpr int kWrongUse = 2;

int run(const char* kind, const QString& path, int size)
{
    const QList<IdentifierRecord> records = recordsOfSize(size);
    const LastFiles files{QStringLiteral("/") + QString(size, QLatin1Char('l')),
                          QStringLiteral("/") + QString(size, QLatin1Char('t'))};
    std::function<bool()> write;
    qsizetype meant = 0;
    if (!std::strcmp(kind, "list")) {
        meant = listFile::listFileContent(records, true).size();
        write = [&] { return listFile::writeListFile(path, records, true); };
    } else if (!std::strcmp(kind, "lastfiles")) {
        meant = 2 * (size + 4);
        write = [&] { return files.write(path); };
    } else if (!std::strcmp(kind, "font")) {
        meant = FontRecord::kSize;
        write = [&] { settingsFiles::writeFont(path, FontRecord{QByteArray("Arial"), 10, 0xFF, 1}); return true; };
    } else if (!std::strcmp(kind, "switches")) {
        meant = 2;
        write = [&] { settingsFiles::writeSwitches(path, true, true); return true; };
    } else if (!std::strcmp(kind, "range")) {
        meant = 20;
        write = [&] { writeRangeFile(path, RangeRecords{3, 1, 27, 5, 500}); return true; };
    } else {
        return kWrongUse;
    }
    std::printf("%lld\n", static_cast<long long>(meant));
    std::fflush(stdout);
    try {
        return write() ? kWritten : kRefused;
    } catch (const KvilmarError&) {
        return kRefused;
    }
}

} // namespace

void cutAt(const std::string& how)
{
    saveCopies::setStepHook([how](const char* step) {
        if (!std::strcmp(step, "no unnamed file"))
            return how == "kill-named";
        if (how == "wait") {
            std::puts("named");
            std::fflush(stdout);
            char line[2];
            return std::fgets(line, sizeof line, stdin) == nullptr;
        }
        return std::raise(SIGKILL) != 0;
    });
}

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6)
        return kWrongUse;
    if (argc == 6)
        cutAt(argv[5]);
    // Past the limit a write fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = std::strtoull(argv[1], nullptr, 10);
    const rlimit size{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &size) != 0)
        return kWrongUse;
    return run(argv[2], QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]));
}
