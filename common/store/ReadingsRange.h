#pragma once

#include "RowIdSpan.h"

#include <QVector>

#include <utility>

class ReadingsDatabase;

// The row ids a read of a time range visits: with the block summary of the
// file (StoreSchema::Blocks) the blocks whose times meet the range plus every
// row id the summary does not vouch for; without a usable summary the whole
// table. Any row whose time lies in the range is in one of the spans, so a
// read over them gives what a scan of the whole table gives.
class ReadingsRange
{
public:
    ReadingsRange() = default;
    explicit ReadingsRange(const QVector<RowIdSpan> &spans) : m_spans(spans) {}

    // The spans for times in [start, end]. False on a read error of the
    // readings table (the database's errorText()); a summary that cannot be
    // used only widens the spans.
    bool locate(const ReadingsDatabase &db, qint64 start, qint64 end);

    // Ascending and disjoint.
    const QVector<RowIdSpan> &spans() const { return m_spans; }
    // Row ids within the spans.
    qint64 size() const;
    // Whether the summary narrowed the spans below the whole table.
    bool isNarrowed() const { return m_narrowed; }
    // Two parts of about the same number of row ids, the second following
    // the first.
    std::pair<ReadingsRange, ReadingsRange> halves() const;

    // Whether the file holds a block summary that can be trusted: its tables
    // and triggers as they are made here and one well-formed state row.
    static bool hasSummary(const ReadingsDatabase &db);

    // The first and last reading time from the summary, exact; false when
    // the file has no usable summary, it leaves too many rows uncovered, or
    // the table holds no readings.
    static bool summarizedPeriod(const ReadingsDatabase &db, qint64 *first, qint64 *last);

private:
    QVector<RowIdSpan> m_spans;
    bool m_narrowed = false;
};
