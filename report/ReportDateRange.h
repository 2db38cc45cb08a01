#pragma once

#include <QDateTime>

// The report's day: editor ranges and the default day from the recorded
// period of the project.
struct ReportDateRange
{
    QDateTime earliestStart; // first whole minute after the record start
    QDateTime latestEnd;     // last minute before the record stop, at 59 s
    QDateTime start;         // the default report start
    QDateTime end;

    QDateTime startMinimum() const { return earliestStart; }
    QDateTime startMaximum() const { return latestEnd.addSecs(-60); }
    QDateTime endMinimum() const { return earliestStart.addSecs(60); }
    QDateTime endMaximum() const { return latestEnd; }

    // Times as "yyyy-MM-dd hh:mm:ss". A missing time is taken from the other
    // one (both missing: now), and a period too short for the editors'
    // 60-second spacing is widened, so that the ranges are never inverted.
    static ReportDateRange fromRecordTimes(const QString &recordStart, const QString &recordStop,
                                           const QDateTime &now = QDateTime::currentDateTime());
    // The report covers one day: start + 1 day - 1 s.
    static QDateTime endFor(const QDateTime &start);
};
