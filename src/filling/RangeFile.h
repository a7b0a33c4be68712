#pragma once

#include <QList>
#include <QString>

// nstrint.dan: the last confirmed range as five 32-bit signed little-endian
// records: sheet count, first column's entry index, last column's entry
// index, first row, last row.
struct RangeRecords {
    qint32 sheetCount = 1;
    qint32 firstColumn = 0;
    qint32 lastColumn = 0;
    qint32 firstRow = 1;
    qint32 lastRow = 10;
};

QString rangeFilePath();

// The records read in order, as far as the file goes. error is empty when all
// five were read; otherwise it holds the input/output error's text. A file
// that is no regular file or too large is read as a missing one
// (settingsFiles::readFile).
struct RangeFileRead {
    QList<qint32> records;
    QString error;
};
RangeFileRead readRangeFile(const QString& path);

// Writes the whole file (writeWholeFile). Throws KvilmarError on failure;
// the old file is then left as it was.
void writeRangeFile(const QString& path, const RangeRecords& records);
