#pragma once

#include "ReadingsRequest.h"
#include "ReadingsStatement.h"
#include "RowIdSpan.h"

#include <QVector>

// Walks the rows that a request asks for within spans of row ids, in row id
// order: one statement stepped over each span in turn, every value bound.
class ReadingsCursor
{
public:
    // spans ascending (ReadingsRange::spans()).
    ReadingsCursor(const ReadingsDatabase &database, const ReadingsRequest &request,
                   const QVector<RowIdSpan> &spans);

    // Steps to the next row; false at the end and on an error (failed()).
    bool next();
    bool failed() const { return m_statement.failed(); }
    QString errorText() const { return m_statement.errorText(); }

    // The row's device as its index in the request's serials.
    int device() const { return int(m_statement.integer(0)); }
    qint64 time() const { return m_statement.integer(1); }
    // column 0 channel1, 1 channel2; NoValue for a NULL or a column not asked for.
    double value(int column) const { return m_statement.value(2 + column); }

    // The statement for deviceCount devices: ?1 and ?2 the row ids, ?3 and ?4
    // the times, ?5 on the device numbers.
    static QByteArray statement(int deviceCount, const bool columns[2]);

private:
    bool bindSpan();

    ReadingsStatement m_statement;
    QVector<RowIdSpan> m_spans;
    int m_span = 0;
};
