#pragma once

#include "ReportChannel.h"
#include "ReportResults.h"

#include <QList>

class ReadingsDatabase;
class ReadingsSource;

// Reads the selected channels' readings of one time range from the readings
// database in one pass over its rows.
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

    static Result read(const ReadingsDatabase &db, const QList<ReportChannel> &channels,
                       qint64 start, qint64 end);
    // The same from a site's server (a source that names one).
    static Result read(const ReadingsSource &source, const QList<ReportChannel> &channels,
                       qint64 start, qint64 end);

private:
    // Orders each channel by time; of equal times the row stored last stays.
    static void finish(Result &r);
};
