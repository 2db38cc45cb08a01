#pragma once

#include <QString>
#include <QStringList>

// The benchmarks' recording database: 10,000,000 rows of eight devices
// written by bench/make-database.sh, kept between runs in a cache folder
// (never in the current folder), with a project file beside it.
class BenchDatabase
{
public:
    // $XDG_CACHE_HOME/moravin-bench/bench-10M.dat (~/.cache without it).
    static QString defaultPath();
    // The first argument when there is one, else the default path; absolute.
    static QString fromArguments(const QStringList &arguments);
    // Makes the database when it is missing; false when that fails.
    static bool ensure(const QString &path);
    // Writes the project file beside the database as the recorder leaves it:
    // devices BENCH001 to BENCH008 ("Bench 1".., channels "Temperature" in
    // degrees Celsius and "Humidity"), interval 1 s, the recorded period from
    // the database's first and last rows. Returns its path.
    static QString writeProject(const QString &path);
};
