#pragma once

#include "automatic/ComputedTexts.h"
#include "automatic/ReplacementSources.h"
#include "filling/ExcelFiller.h"
#include "filling/RangeFile.h"

#include <QString>
#include <QStringList>
#include <optional>

// The fill command's line:
//   kvilmar fill TEMPLATE --list LIST [--replacements FILE] [--set ID=TEXT ...]
//                [--data TABLE [--sheet NAME] [--rows FIRST-LAST] [--allow-short-rows]]
//                [--out PATTERN] [--sheets N] [--range A1:Z100]
//                [--words ID=SRC] [--vat ID=SRC:RATE:BASE] [--items TABLE --key ID [--sum ID=COLUMN]]
//                [--force | --skip-existing] [--report FILE.csv] [--jobs N] [--trace]
namespace automatic {

// Data rows FIRST to LAST, numbered as {N} numbers them.
struct RowSlice {
    int first = 1;
    int last = 1;
};

constexpr int kMaxJobs = 16;

struct FillOptions {
    QString templateName;
    QString listFile;
    QString replacementsFile; // empty: none
    QList<SetPair> sets; // in the order given; a later one wins
    QString dataFile; // empty: one document, no table
    QString sheetName; // empty: the table's first sheet
    QString outPattern; // empty: beside the template
    bool outIsPattern = true; // false: outPattern is one file's name, taken as it is
    bool listReplacements = true; // false: the list file's replacement texts are skipped
    RangeSelection range; // spreadsheet templates: sheets and block of cells
    bool force = false;
    bool skipExisting = false; // a document whose file exists counts as made
    QList<ComputedText> computed; // --sum, --vat, --words, in the order they are computed
    QString itemsFile; // empty: no item table
    QString itemKey; // the identifier whose text ties items to their document
    bool allowShortRows = false; // a row with fewer cells than the header: the rest are empty
    std::optional<RowSlice> rows; // only these data rows; none: all
    QString reportFile; // empty: no report
    int jobs = 1; // offices filling side by side
    bool trace = false; // the diagnostic trace of the word processor
};

struct FillArguments {
    enum class Outcome { Run, Help, Refused };
    Outcome outcome = Outcome::Refused;
    FillOptions options;
    QString message; // the help text, or why the line was refused
};

// True when the program was started as "kvilmar fill ...".
bool isFillCommand(const QStringList& arguments);

// arguments as the program got them: its own name, "fill", then the rest.
// Missing --sheets or --range come from the range file (nstrint.dan), and
// from 1 sheet and A1:A10 when it holds no valid range.
FillArguments parseFillArguments(const QStringList& arguments);

QString fillHelpText();

// The range the range window last confirmed; the defaults when the read
// failed or a record is out of its bounds (a typed column, index -1, has no
// text to go back to).
RangeSelection rangeFromFile(const RangeFileRead& read);

// "--sheets" and "--range" as typed, each over its default. Columns A to ZZ
// in any case, rows 1 to 9999, first not after last. Throws KvilmarError.
// "--rows" as typed: FIRST-LAST, 1 <= FIRST <= LAST. Throws KvilmarError.
RowSlice parseRowSlice(const QString& text);

RangeSelection parseRange(const std::optional<QString>& sheets, const std::optional<QString>& range,
                          const RangeSelection& defaults);

} // namespace automatic
