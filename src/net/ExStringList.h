#pragma once

#include <QByteArray>
#include <QByteArrayList>

// A list of text lines that also finds lines of the form "name: value" by
// their name, compared without regard to case.
class TExStringList : public QByteArrayList {
public:
    // When set, Add keeps the list in order (without regard to case) and
    // Find searches by halving.
    bool Sorted = false;

    // Appends the line, or inserts it at its place in a sorted list.
    qsizetype Add(const QByteArray& line);
    // The index of the first line whose text before its first ":" equals
    // name; -1 if none. Lines without ":" never match.
    qsizetype Find(const QByteArray& name) const;
    // A non-empty value replaces the named line (or is appended as a new one)
    // as name + ": " + value; an empty value deletes the named line.
    void SetValue(const QByteArray& name, const QByteArray& value);
    // Every line followed by CR LF.
    QByteArray Text() const;
};
