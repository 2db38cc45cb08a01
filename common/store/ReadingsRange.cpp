#include "ReadingsRange.h"

#include "ReadingsDatabase.h"
#include "ReadingsStatement.h"
#include "StoreSchema.h"

#include <QLoggingCategory>

#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcReadings)

namespace {

constexpr qint64 BlockRows = qint64(1) << StoreSchema::Blocks::Shift;
// Row ids outside the summary that the period reads itself; beyond this (a
// file whose summary is still being built) there is no summarized period.
constexpr qint64 UncoveredRowLimit = qint64(1) << 20;

struct Summary
{
    qint64 builtFrom = 0; // the first block built
    qint64 coveredTo = 0; // the last row id the blocks vouch for
};

// The summary's state; false when the file has none or one that cannot be
// trusted: a table or trigger missing or not the one made here, no single
// well-formed state row.
bool readSummary(const ReadingsDatabase &db, Summary *summary)
{
    using namespace StoreSchema::Blocks;
    ReadingsStatement objects(
        db, "select count(*) from sqlite_master where (type = 'table' and name in (?1, ?2)) or "
            "(type = 'trigger' and tbl_name = ?3 and ((name = ?4 and sql = ?5) or "
            "(name = ?6 and sql = ?7)))");
    objects.bind(1, QByteArray(Table));
    objects.bind(2, QByteArray(State));
    objects.bind(3, QByteArray(StoreSchema::Readings::Table));
    objects.bind(4, QByteArray(InsertTrigger));
    objects.bind(5, QByteArray(CreateInsertTrigger));
    objects.bind(6, QByteArray(UpdateTrigger));
    objects.bind(7, QByteArray(CreateUpdateTrigger));
    if (!objects.next() || objects.integer(0) != 4)
        return false;
    ReadingsStatement state(
        db, QByteArray("select count(*), min(version), min(builtFrom), min(coveredTo), "
                       "sum(typeof(version) = 'integer' and typeof(builtFrom) = 'integer' and "
                       "typeof(coveredTo) = 'integer') from ") +
                State);
    if (!state.next() || state.integer(0) != 1 || state.integer(4) != 1 ||
        state.integer(1) != Version) {
        qCDebug(lcReadings) << "ReadingsRange : block summary not usable" << db.path();
        return false;
    }
    summary->builtFrom = state.integer(2);
    summary->coveredTo = state.integer(3);
    return true;
}

qint64 blockFirst(qint64 block)
{
    return block * BlockRows;
}

qint64 blockLast(qint64 block)
{
    return block * BlockRows + (BlockRows - 1);
}

// The parts of whole outside the blocks that blocks returns (ascending block
// numbers), a block counting only up to the summary's covered row id.
bool outside(const RowIdSpan &whole, const Summary &summary, ReadingsStatement &blocks,
             QVector<RowIdSpan> *spans)
{
    const qint64 coveredEnd = std::min(summary.coveredTo, whole.last);
    qint64 next = whole.first;
    while (blocks.next()) {
        const qint64 block = blocks.integer(0);
        const qint64 low = std::max(blockFirst(block), whole.first);
        const qint64 high = std::min(blockLast(block), coveredEnd);
        if (high < low || high < next)
            continue;
        if (low > next)
            spans->append(RowIdSpan{next, low - 1});
        next = high + 1;
    }
    if (next <= whole.last)
        spans->append(RowIdSpan{next, whole.last});
    return !blocks.failed();
}

void bindBlocks(ReadingsStatement &st, const RowIdSpan &whole, const Summary &summary)
{
    st.bind(1, std::max(summary.builtFrom, whole.first >> StoreSchema::Blocks::Shift));
    st.bind(2, std::min(summary.coveredTo, whole.last) >> StoreSchema::Blocks::Shift);
}

} // namespace

bool ReadingsRange::hasSummary(const ReadingsDatabase &db)
{
    Summary summary;
    return readSummary(db, &summary);
}

bool ReadingsRange::locate(const ReadingsDatabase &db, qint64 start, qint64 end)
{
    m_spans.clear();
    m_narrowed = false;
    RowIdSpan whole;
    if (!db.rowIds(&whole))
        return false;
    if (whole.isEmpty())
        return true;
    Summary summary;
    if (readSummary(db, &summary)) {
        using namespace StoreSchema::Blocks;
        // The blocks that cannot hold a row of the range; a block without a
        // summary row is read.
        ReadingsStatement skipped(db, QByteArray("select block from ") + Table +
                                          " where block >= ?1 and block <= ?2 and "
                                          "(lastDate < ?3 or firstDate > ?4) order by block");
        bindBlocks(skipped, whole, summary);
        skipped.bind(3, start);
        skipped.bind(4, end);
        if (outside(whole, summary, skipped, &m_spans)) {
            m_narrowed = size() < whole.size();
            return true;
        }
        m_spans.clear();
    }
    m_spans.append(whole);
    return true;
}

qint64 ReadingsRange::size() const
{
    qint64 n = 0;
    for (const RowIdSpan &s : m_spans)
        n += s.size();
    return n;
}

std::pair<ReadingsRange, ReadingsRange> ReadingsRange::halves() const
{
    std::pair<ReadingsRange, ReadingsRange> parts;
    parts.first.m_narrowed = parts.second.m_narrowed = m_narrowed;
    const qint64 half = (size() + 1) / 2;
    qint64 taken = 0;
    for (const RowIdSpan &s : m_spans) {
        if (taken >= half) {
            parts.second.m_spans.append(s);
        } else if (taken + s.size() <= half) {
            parts.first.m_spans.append(s);
            taken += s.size();
        } else {
            const qint64 cut = s.first + (half - taken);
            parts.first.m_spans.append(RowIdSpan{s.first, cut - 1});
            parts.second.m_spans.append(RowIdSpan{cut, s.last});
            taken = half;
        }
    }
    return parts;
}

bool ReadingsRange::summarizedPeriod(const ReadingsDatabase &db, qint64 *first, qint64 *last)
{
    using namespace StoreSchema;
    RowIdSpan whole;
    Summary summary;
    if (!db.rowIds(&whole) || whole.isEmpty() || !readSummary(db, &summary))
        return false;
    // The rows no block vouches for are read themselves.
    ReadingsStatement present(db, QByteArray("select block from ") + Blocks::Table +
                                      " where block >= ?1 and block <= ?2 order by block");
    bindBlocks(present, whole, summary);
    QVector<RowIdSpan> uncovered;
    if (!outside(whole, summary, present, &uncovered) ||
        ReadingsRange(uncovered).size() > UncoveredRowLimit)
        return false;

    const QByteArray edgeSql = QByteArray("select min(") + Readings::PointDate + "), max(" +
                               Readings::PointDate + ") from " + Readings::Table +
                               " where rowid >= ?1 and rowid <= ?2";
    bool found = false;
    bool ok = true;
    const auto read = [&](qint64 low, qint64 high) {
        ReadingsStatement st(db, edgeSql);
        st.bind(1, low);
        st.bind(2, high);
        if (st.next() && !st.isNull(0)) {
            *first = found ? std::min(*first, st.integer(0)) : st.integer(0);
            *last = found ? std::max(*last, st.integer(1)) : st.integer(1);
            found = true;
        }
        ok = ok && !st.failed();
    };
    for (const RowIdSpan &s : uncovered)
        read(s.first, s.last);

    // A block's times may be wider than its rows (rows changed or deleted):
    // its own rows are read, in the order of the block times, until no
    // further block can hold an earlier (a later) time.
    const qint64 coveredEnd = std::min(summary.coveredTo, whole.last);
    for (const bool earliest : {true, false}) {
        const QByteArray column = earliest ? "firstDate" : "lastDate";
        ReadingsStatement blocks(db, "select block, " + column + " from " + Blocks::Table +
                                         " where block >= ?1 and block <= ?2 and " + column +
                                         " is not null order by 2 " + (earliest ? "asc" : "desc"));
        bindBlocks(blocks, whole, summary);
        while (ok && blocks.next()) {
            const qint64 bound = blocks.integer(1);
            if (found && (earliest ? bound >= *first : bound <= *last))
                break;
            const qint64 block = blocks.integer(0);
            read(std::max(blockFirst(block), whole.first), std::min(blockLast(block), coveredEnd));
        }
        ok = ok && !blocks.failed();
    }
    return ok && found;
}
