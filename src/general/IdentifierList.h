#pragma once

#include <QList>
#include <QString>
#include <array>
#include <optional>

// One identifier record.
struct IdentifierRecord {
    QString identifier; // at most 255 characters
    QString replacement; // no limit of its own
    QString comment; // at most 100 characters
    bool status = true; // on: takes part in a filling run

    friend bool operator==(const IdentifierRecord&, const IdentifierRecord&) = default;
};

// The program's one identifier list: a fixed store of 51 slots. Records
// occupy slots 0..count-1; slots above hold stale data that is never shown,
// saved or applied.
class IdentifierList {
public:
    static constexpr int kSlots = 51;
    static constexpr int kAddLimit = 50; // "Добавить" refuses at this count
    static constexpr int kIdentifierLimit = 255;
    static constexpr int kCommentLimit = 100;
    static constexpr int kLineLength = 91;

    int count() const { return count_; }
    const IdentifierRecord& record(int i) const { return slots_[i]; }
    bool isRecord(int i) const { return i >= 0 && i < count_; }

    // The record last selected in the list box; -1 for none.
    int current() const { return current_; }
    void setCurrent(int i) { current_ = i; }
    bool hasCurrent() const { return isRecord(current_); }

    // On while the current record is shown in the input boxes and may hold
    // edits that were not committed.
    bool editPending() const { return editPending_; }
    void setEditPending(bool on) { editPending_ = on; }

    // The list file last chosen for loading or saving in this run.
    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }

    // The 91-character line shown for record i.
    QString listLine(int i) const;
    static QString listLine(const IdentifierRecord& record);

    // The first record whose identifier equals the text exactly; -1 if none.
    int find(const QString& identifier) const;

    // Stores a record into slot i (i <= count), cutting the identifier and the
    // comment to their limits. Storing at slot count appends a record; false
    // when that would pass the add limit.
    bool append(const IdentifierRecord& record);
    void store(int i, const IdentifierRecord& record);
    void setStatus(int i, bool on) { slots_[i].status = on; }
    void setComment(int i, const QString& comment);
    void setReplacement(int i, const QString& replacement) { slots_[i].replacement = replacement; }

    // Removes record i; later records move down one slot.
    void remove(int i);
    // Exchanges records i and j, all four fields.
    void swap(int i, int j);
    // Empties every record's replacement text.
    void clearReplacements();
    // Count 0, no current record, no saved content, no pending edit.
    void clearAll();

    // Takes over records read from a file (at most 51) as the whole list:
    // no current record, no pending edit, and the new content counts as saved.
    void takeOver(const QList<IdentifierRecord>& records);
    QList<IdentifierRecord> records() const;

    // The first field of record i, in the order replacement, comment,
    // status, that the input boxes changed without committing it. The
    // identifier box is never compared.
    enum class UncommittedEdit { None, Replacement, Comment, Status };
    UncommittedEdit firstUncommittedEdit(int i, const IdentifierRecord& boxes) const;

    // What closing asks: about changes to what was loaded or saved, or,
    // when nothing with text was, whether to save a list that has text.
    enum class CloseQuestion { None, SaveChanges, SaveList };
    CloseQuestion closeQuestion() const;

    // Change detection. The content is every record's identifier, comment and
    // replacement text in order; the status is not part of it (it is not stored).
    bool hasText() const; // some record has a non-empty text
    bool hasSavedContent() const; // something with text was last loaded or saved
    bool isChanged() const; // has text, and differs from what was saved
    // The present content is what was saved. Saved without the replacement
    // texts, a record's text counts as saved only where the record was
    // saved before with the same identifier and that text: what no file
    // holds still makes the list changed.
    void markSaved(bool withReplacements = true);

    // The text cut to the limit, never between the halves of a character
    // outside the basic plane.
    static QString cut(const QString& text, int limit);

private:
    struct Texts {
        QString identifier, comment, replacement;
        friend bool operator==(const Texts&, const Texts&) = default;
    };
    QList<Texts> content() const;

    std::array<IdentifierRecord, kSlots> slots_{};
    int count_ = 0;
    int current_ = -1;
    bool editPending_ = false;
    QString fileName_;
    std::optional<QList<Texts>> saved_ = QList<Texts>{};
};

// The process-wide list, living from start to end of the program.
IdentifierList& identifierList();
