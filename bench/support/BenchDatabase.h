#pragma once

#include <QString>
#include <QStringList>

// The benchmarks' recording databases, kept between runs in a cache folder
// (never in the current folder), with a project file beside them: 10,000,000
// rows of eight devices written by bench/make-database.sh, and a month of
// sixteen devices at 1 s (41,472,000 rows) in a file made by the recorder's
// own writer, rows as it stores them, with the block summary it keeps.
class BenchDatabase
{
public:
    static constexpr int MonthDevices = 16;
    static constexpr int MonthDays = 30;
    static constexpr qint64 MonthFirst = 1767225600; // 2026-01-01 00:00:00 UTC

    // $XDG_CACHE_HOME/moravin-bench/bench-10M.dat (~/.cache without it).
    static QString defaultPath();
    // bench-16x30d.dat in the same folder.
    static QString monthPath();
    // The first argument when there is one, else the default path; absolute.
    static QString fromArguments(const QStringList &arguments);
    // Makes the database when it is missing (the month at monthPath()'s
    // name, else with make-database.sh); false when that fails.
    static bool ensure(const QString &path);
    // Writes the project file beside the database as the recorder leaves it:
    // devices BENCH001 to BENCH008, or to BENCH016 for the month ("Bench 1"..,
    // channels "Temperature" in degrees Celsius and "Humidity"), interval
    // 1 s, the recorded period from the database. Returns its path.
    static QString writeProject(const QString &path);

private:
    static bool isMonth(const QString &path);
    static bool writeMonth(const QString &path);
};
