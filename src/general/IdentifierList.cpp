#include "general/IdentifierList.h"

#include <algorithm>

namespace {

QString padded(const QString& text, int width)
{
    return IdentifierList::cut(text, width).leftJustified(width, QLatin1Char(' '));
}

} // namespace

QString IdentifierList::listLine(int i) const
{
    return listLine(slots_[i]);
}

QString IdentifierList::listLine(const IdentifierRecord& record)
{
    return padded(record.identifier, 28) + QLatin1Char(' ') + padded(record.replacement, 56) + QLatin1Char(' ')
        + (record.status ? QStringLiteral("вкл. ") : QStringLiteral("выкл "));
}

QString IdentifierList::cut(const QString& text, int limit)
{
    if (text.size() <= limit)
        return text;
    return text.left(limit > 0 && text.at(limit - 1).isHighSurrogate() ? limit - 1 : limit);
}

int IdentifierList::find(const QString& identifier) const
{
    for (int i = 0; i < count_; ++i)
        if (slots_[i].identifier == identifier)
            return i;
    return -1;
}

bool IdentifierList::append(const IdentifierRecord& record)
{
    if (count_ >= kAddLimit)
        return false;
    store(count_, record);
    ++count_;
    return true;
}

void IdentifierList::store(int i, const IdentifierRecord& record)
{
    IdentifierRecord& slot = slots_[i];
    slot.identifier = cut(record.identifier, kIdentifierLimit);
    slot.replacement = record.replacement;
    slot.comment = cut(record.comment, kCommentLimit);
    slot.status = record.status;
}

void IdentifierList::setComment(int i, const QString& comment)
{
    slots_[i].comment = cut(comment, kCommentLimit);
}

void IdentifierList::remove(int i)
{
    if (!isRecord(i))
        return;
    std::rotate(slots_.begin() + i, slots_.begin() + i + 1, slots_.begin() + count_);
    --count_;
}

void IdentifierList::swap(int i, int j)
{
    std::swap(slots_[i], slots_[j]);
}

void IdentifierList::clearReplacements()
{
    for (int i = 0; i < count_; ++i)
        slots_[i].replacement.clear();
}

void IdentifierList::clearAll()
{
    count_ = 0;
    current_ = -1;
    editPending_ = false;
    saved_.reset();
}

void IdentifierList::takeOver(const QList<IdentifierRecord>& records)
{
    count_ = 0;
    for (const IdentifierRecord& r : records) {
        if (count_ >= kSlots)
            break;
        store(count_++, r);
    }
    current_ = -1;
    editPending_ = false;
    markSaved();
}

QList<IdentifierRecord> IdentifierList::records() const
{
    return QList<IdentifierRecord>(slots_.begin(), slots_.begin() + count_);
}

QList<IdentifierList::Texts> IdentifierList::content() const
{
    QList<Texts> texts;
    texts.reserve(count_);
    for (int i = 0; i < count_; ++i)
        texts.append({slots_[i].identifier, slots_[i].comment, slots_[i].replacement});
    return texts;
}

bool IdentifierList::hasText() const
{
    for (int i = 0; i < count_; ++i) {
        const IdentifierRecord& r = slots_[i];
        if (!r.identifier.isEmpty() || !r.comment.isEmpty() || !r.replacement.isEmpty())
            return true;
    }
    return false;
}

bool IdentifierList::hasSavedContent() const
{
    if (!saved_)
        return false;
    return std::any_of(saved_->begin(), saved_->end(), [](const Texts& t) {
        return !t.identifier.isEmpty() || !t.comment.isEmpty() || !t.replacement.isEmpty();
    });
}

bool IdentifierList::isChanged() const
{
    return hasText() && (!saved_ || content() != *saved_);
}

void IdentifierList::markSaved(bool withReplacements)
{
    QList<Texts> now = content();
    if (!withReplacements) {
        for (qsizetype i = 0; i < now.size(); ++i) {
            const bool held = saved_ && i < saved_->size() && saved_->at(i).identifier == now.at(i).identifier;
            now[i].replacement = held ? saved_->at(i).replacement : QString();
        }
    }
    saved_ = now;
}

IdentifierList::UncommittedEdit IdentifierList::firstUncommittedEdit(int i, const IdentifierRecord& boxes) const
{
    const IdentifierRecord& r = slots_[i];
    if (boxes.replacement != r.replacement)
        return UncommittedEdit::Replacement;
    if (cut(boxes.comment, kCommentLimit) != r.comment)
        return UncommittedEdit::Comment;
    if (boxes.status != r.status)
        return UncommittedEdit::Status;
    return UncommittedEdit::None;
}

IdentifierList::CloseQuestion IdentifierList::closeQuestion() const
{
    if (hasSavedContent())
        return isChanged() ? CloseQuestion::SaveChanges : CloseQuestion::None;
    return hasText() ? CloseQuestion::SaveList : CloseQuestion::None;
}

IdentifierList& identifierList()
{
    static IdentifierList list;
    return list;
}
