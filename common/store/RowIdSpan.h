#pragma once

#include <QtGlobal>

#include <utility>

// A closed range of row ids of the readings table. Readers scan a span rather
// than the table, so that a span narrowed to a time range can take the place
// of the whole table's.
struct RowIdSpan
{
    qint64 first = 0;
    qint64 last = -1;

    bool isEmpty() const { return last < first; }
    qint64 size() const { return isEmpty() ? 0 : last - first + 1; }
    // Two halves, the second one following the first; the first is the
    // larger one by at most one row id.
    std::pair<RowIdSpan, RowIdSpan> halves() const
    {
        const qint64 middle = first + (size() + 1) / 2;
        return {RowIdSpan{first, middle - 1}, RowIdSpan{middle, last}};
    }
    bool operator==(const RowIdSpan &o) const
    {
        return (isEmpty() && o.isEmpty()) || (first == o.first && last == o.last);
    }
};
