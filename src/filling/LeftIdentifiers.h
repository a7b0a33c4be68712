#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct IdentifierRecord;

// What a filling run says it left undone, found by searching the document:
// enabled identifiers the template does not hold at all (a typo in the list,
// or the wrong template) and identifiers the filled document still holds (a
// place the filling cannot reach, a cell outside the chosen block, or one a
// later replacement brought back).
struct LeftIdentifiers {
    QStringList notInTemplate; // as the list holds them, each once
    QStringList stillInDocument;

    bool isEmpty() const { return notInTemplate.isEmpty() && stillInDocument.isEmpty(); }
};

// The identifiers a filler asks the office about, and what it learns.
class LeftIdentifierSearch {
public:
    // The enabled records' identifiers, each once, in list order.
    explicit LeftIdentifierSearch(const QList<IdentifierRecord>& records);

    // The identifiers as sent to the office (line-break escape applied).
    QStringList texts() const { return texts_; }

    // What the office found, one answer per text: in the template as opened,
    // and in the document after the replacing.
    LeftIdentifiers result(const QList<bool>& inTemplate, const QList<bool>& afterRun) const;

private:
    QStringList identifiers_;
    QStringList texts_;
};

// What the office answers about the identifiers. An office that cannot say
// (other than by going away: ConnectionLost passes) leaves the answer empty,
// and the filling stands without it.
QList<bool> askOffice(const std::function<QList<bool>()>& find);

// The lines added to the completion message; empty when there is nothing to
// say. At most ten identifiers are named in each list.
QString leftIdentifiersMessage(const LeftIdentifiers& left);

// The trace log's entries: "546" then the identifier for each one not in the
// template, "547" then the identifier for each one still in the document (in
// the log's code page 1251).
QList<QByteArray> leftIdentifiersTrace(const LeftIdentifiers& left);
