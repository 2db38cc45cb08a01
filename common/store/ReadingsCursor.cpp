#include "ReadingsCursor.h"

#include "StoreSchema.h"

ReadingsCursor::ReadingsCursor(const ReadingsDatabase &database, const ReadingsRequest &request,
                               const RowIdSpan &span)
    : m_statement(database, statement(request.serials.size(), request.columns))
{
    m_statement.bind(1, span.first);
    m_statement.bind(2, span.last);
    m_statement.bind(3, request.start);
    m_statement.bind(4, request.end);
    for (int d = 0; d < request.serials.size(); ++d)
        m_statement.bind(5 + d, request.serials.at(d));
}

bool ReadingsCursor::next()
{
    return m_statement.next();
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
    sql += QByteArray(" from ") + Table + " where rowid >= ?1 and rowid <= ?2 and " + PointDate +
           " >= ?3 and " + PointDate + " <= ?4 and " + SerialNo + " in (";
    for (int d = 0; d < deviceCount; ++d)
        sql += (d ? ", ?" : "?") + QByteArray::number(d + 5);
    sql += ')';
    return sql;
}
