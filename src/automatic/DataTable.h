#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace automatic {

// A data table of the fill command: a header row naming identifiers and one
// row per document.
struct DataRow {
    int number = 0; // 1-based among the data rows: the document's number
    int line = 0; // where the row starts in its file (line or sheet row)
    QStringList cells; // never more than the header; missing cells are empty
    // How many cells the record gave up to the header's last column, empty
    // ones at its end included: fewer than the header is a short row.
    qsizetype given = 0;

    QString cell(qsizetype column) const { return column < cells.size() ? cells.at(column) : QString(); }
};

struct DataTable {
    QString fileName;
    QStringList header;
    int headerLine = 0;
    QList<DataRow> rows;
};

// Each data row is a document; more than this is no batch one run should make.
constexpr int kMaxDataRows = 100000;
// Keeps the memory a table takes bounded whatever its shape: an empty cell
// costs far more than the separator byte that made it.
constexpr qsizetype kMaxCells = 4000000;

// Builds a table record by record, with the rules every table follows
// whatever file it came from: empty cells at the end of a record are no
// cells; the first record with any text is the header, its cells without
// the spaces around them; a record whose cells
// are all empty is passed over; a record with text beyond the header's last
// column is refused with its line; there must be a data row, at most
// kMaxDataRows of them and kMaxCells cells in all. Refusals throw
// KvilmarError with a message naming the file and line.
class TableBuilder {
public:
    explicit TableBuilder(const QString& fileName);

    // Lets a reader check each cell as it reads it, so that a hostile
    // record is refused before it is collected: true when the cell at
    // column (0-based) of the record at line is to be kept, false for an
    // empty cell beyond the header; throws for text beyond it.
    bool keepCell(int line, qsizetype column, const QString& cell) const;
    void add(int line, QStringList cells);
    DataTable finish();

private:
    [[noreturn]] void refuseWide(int line) const;
    DataTable table_;
    bool haveHeader_ = false;
    qsizetype cellCount_ = 0;
};

// A sheet read through the office: row k of the list is sheet row k + 1.
// Empty cells at the end of a row are the sheet's used area, not data. Line
// breaks in a cell become carriage returns, the program's paragraph break.
DataTable tableFromSheet(const QString& fileName, const QList<QStringList>& sheetRows);

// "Таблица "name", строка N: " for messages about a place in a table.
QString tablePlace(const QString& fileName, int line);

} // namespace automatic
