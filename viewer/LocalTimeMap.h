#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// Unix seconds to the viewer's chart time and to local time text, through the
// local time zone's UTC offset, which is looked up once per change rather
// than once per reading.
//
// Chart time is the local wall clock in seconds since 0001-01-01 (the chart
// engine's convention). Where the clocks go back, one wall-clock hour is lived
// twice and the wall clock alone would run backwards; there the two real hours
// [transition - d, transition + d) are drawn onto the one repeated wall-clock
// span [wall, wall + d) at half speed, so that chart time always ascends with
// real time and meets the wall clock again at both ends of that span. Texts
// (table, CSV, cursor) always give the true local time of the reading.
class LocalTimeMap
{
public:
    static constexpr double ChartEpochOffset = 62135596800.0;

    // Covers the readings from first to last (Unix seconds); other times are
    // still mapped, with the nearest known offset.
    LocalTimeMap(qint64 first, qint64 last);

    int offsetAt(qint64 unixSeconds) const;
    double chartTime(qint64 unixSeconds) const;
    // "yyyy-MM-dd hh:mm:ss" of the local time; writes exactly 19 characters.
    void writeLocalText(qint64 unixSeconds, char *out) const;
    QString localText(qint64 unixSeconds) const;

    // The offset of the system time zone at one moment (seconds east of UTC).
    static int systemOffset(qint64 unixSeconds);
    // Civil "yyyy-MM-dd hh:mm:ss" of a count of seconds since 1970-01-01 00:00
    // on a clock without zones (19 characters).
    static void writeCivilText(qint64 seconds, char *out);

private:
    struct Segment
    {
        qint64 from; // first second with this offset
        int offset;
    };
    int segmentIndex(qint64 unixSeconds) const;

    std::vector<Segment> m_segments;
};
