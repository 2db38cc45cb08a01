#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// The viewer's time range: the recorded period, the editors' ranges and
// default values, and the rules that keep start and end at least 60 s apart
// and the start within one month before the end.
struct ViewerDateRange
{
    // The first and last reading time of the database, in Unix seconds;
    // false when there is none.
    using PeriodLookup = std::function<bool(qint64 *first, qint64 *last)>;

    QDateTime recordStart;
    QDateTime recordStop;
    // "start ~ stop" as the project stores them, or as the fallback found them.
    QString periodText;

    // Times as "yyyy-MM-dd hh:mm:ss". When one of them is missing or
    // unreadable, or the start lies after the stop, the period comes from the
    // database (lookup is asked only then); without readings a missing time
    // is taken from the other one, both missing: now.
    static ViewerDateRange fromRecordTimes(const QString &recordStart, const QString &recordStop,
                                           const PeriodLookup &lookup,
                                           const QDateTime &now = QDateTime::currentDateTime());

    // The default range: the last month of the recording, or all of a shorter one.
    QDateTime start() const;
    QDateTime end() const { return recordStop; }
    QDateTime startMinimum() const { return start(); }
    QDateTime startMaximum() const { return recordStop.addSecs(-60); }
    QDateTime endMinimum() const { return recordStart.addSecs(60); }
    QDateTime endMaximum() const { return recordStop; }

    // The start editor's lower bound once an end is chosen: one month before
    // it, not before the record start, plus 60 s.
    QDateTime startMinimumFor(const QDateTime &end) const;
    // A start that is not at least 60 s before the end is pulled to end - 60 s.
    static QDateTime startBefore(const QDateTime &start, const QDateTime &end);
    // An end that is not at least 60 s after the start is pushed to start + 60 s.
    static QDateTime endAfter(const QDateTime &start, const QDateTime &end);
};
