#pragma once

#include "ReportChannel.h"
#include "ReportResults.h"

#include <QList>
#include <QSqlDatabase>

// Reads the selected channels' readings of one time range on an open QSQLITE
// connection. One statement serves all channels: the table has no index on
// serialno or pointDate, so each statement is a scan of the whole table.
class ReportReadings
{
public:
    struct Result
    {
        bool ok = false;
        QString errorText; // the database's own words when !ok
        // Per channel, ascending by time; a time stored twice keeps the row
        // written last.
        QVector<QVector<ReportResults::Reading>> channels;
        int total = 0;
    };

    // The statement for the given number of distinct device numbers; start,
    // end and the numbers are bound in that order.
    static QString statement(int deviceCount);
    static Result read(QSqlDatabase db, const QList<ReportChannel> &channels, qint64 start,
                       qint64 end);
};
