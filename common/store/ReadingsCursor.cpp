#include "ReadingsCursor.h"

#include "StoreSchema.h"

ReadingsCursor::ReadingsCursor(const ReadingsDatabase &database, const ReadingsRequest &request,
                               const QVector<RowIdSpan> &spans)
    : m_statement(database, statement(request.serials.size(), request.columns)), m_spans(spans)
{
    m_statement.bind(3, request.start);
    m_statement.bind(4, request.end);
    for (int d = 0; d < request.serials.size(); ++d)
        m_statement.bind(5 + d, request.serials.at(d));
    bindSpan();
}

bool ReadingsCursor::bindSpan()
{
    if (m_span >= m_spans.size())
        return false;
    m_statement.bind(1, m_spans.at(m_span).first);
    m_statement.bind(2, m_spans.at(m_span).last);
    return true;
}

bool ReadingsCursor::next()
{
    while (m_span < m_spans.size()) {
        if (m_statement.next())
            return true;
        if (m_statement.failed())
            return false;
        ++m_span;
        m_statement.reset();
        if (!bindSpan())
            return false;
    }
    return false;
}

QByteArray ReadingsCursor::statement(int deviceCount, const bool columns[2])
{
    using namespace StoreSchema::Readings;
    // The device comes back as its index, so that rows are told apart by a
    // number rather than by comparing texts.
    QByteArray sql = QByteArray("select case ") + SerialNo;
    for (int d = 0; d < deviceCount; ++d)
        sql += " when ?" + QByteArray::number(d + 5) + " then " + QByteArray::number(d);
    sql += QByteArray(" else -1 end, ") + PointDate;
    sql += columns[0] ? QByteArray(", ") + Channel1 : QByteArray(", null");
    sql += columns[1] ? QByteArray(", ") + Channel2 : QByteArray(", null");
    // The devices first: they turn most rows of a span away, the times few.
    sql += QByteArray(" from ") + Table + " where rowid >= ?1 and rowid <= ?2 and " + SerialNo +
           " in (";
    for (int d = 0; d < deviceCount; ++d)
        sql += (d ? ", ?" : "?") + QByteArray::number(d + 5);
    sql += QByteArray(") and ") + PointDate + " >= ?3 and " + PointDate + " <= ?4";
    return sql;
}
