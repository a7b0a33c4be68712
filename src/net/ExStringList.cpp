#include "net/ExStringList.h"

namespace {

int compareNoCase(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

// The text before the first ':' of a line, or the whole line without one.
QByteArray namePart(const QByteArray& line)
{
    const qsizetype colon = line.indexOf(':');
    return colon < 0 ? line : line.left(colon);
}

bool hasName(const QByteArray& line, const QByteArray& name)
{
    const qsizetype colon = line.indexOf(':');
    return colon >= 0 && compareNoCase(line.left(colon), name) == 0;
}

} // namespace

qsizetype TExStringList::Add(const QByteArray& line)
{
    if (!Sorted) {
        append(line);
        return size() - 1;
    }
    qsizetype pos = 0;
    while (pos < size() && compareNoCase(at(pos), line) <= 0)
        ++pos;
    insert(pos, line);
    return pos;
}

qsizetype TExStringList::Find(const QByteArray& name) const
{
    if (!Sorted) {
        for (qsizetype i = 0; i < size(); ++i) {
            if (hasName(at(i), name))
                return i;
        }
        return -1;
    }
    // Halve down to the first line whose name is not before the wanted one.
    qsizetype low = 0;
    qsizetype high = size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (compareNoCase(namePart(at(mid)), name) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    for (qsizetype i = low; i < size() && compareNoCase(namePart(at(i)), name) == 0; ++i) {
        if (hasName(at(i), name))
            return i;
    }
    return -1;
}

void TExStringList::SetValue(const QByteArray& name, const QByteArray& value)
{
    const qsizetype found = Find(name);
    if (value.isEmpty()) {
        if (found >= 0)
            removeAt(found);
        return;
    }
    const QByteArray line = name + ": " + value;
    if (found >= 0 && !Sorted)
        (*this)[found] = line;
    else {
        if (found >= 0)
            removeAt(found);
        Add(line);
    }
}

QByteArray TExStringList::Text() const
{
    QByteArray text;
    for (const QByteArray& line : *this)
        text += line + "\r\n";
    return text;
}
