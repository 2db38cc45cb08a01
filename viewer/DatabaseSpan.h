#pragma once

#include <QString>
#include <QtGlobal>

// The first and last reading time of a recording database, for a project
// whose "record_start_time" or "record_stop_time" is missing or unreadable.
// Only the rows at both ends of the row id order are read (the recorder
// appends in time order, give or take one batch), never the whole table; the
// database is opened read-only.
namespace DatabaseSpan {

constexpr int EdgeRows = 10000;

// False when the file cannot be read or the table holds no rows.
bool read(const QString &dbPath, qint64 *first, qint64 *last);

} // namespace DatabaseSpan
