#pragma once

#include <QtGlobal>

// A closed range of row ids of the readings table. Readers scan a span rather
// than the table, so that a span narrowed to a time range can take the place
// of the whole table's.
struct RowIdSpan
{
    qint64 first = 0;
    qint64 last = -1;

    bool isEmpty() const { return last < first; }
    qint64 size() const { return isEmpty() ? 0 : last - first + 1; }
    bool operator==(const RowIdSpan &o) const
    {
        return (isEmpty() && o.isEmpty()) || (first == o.first && last == o.last);
    }
};
