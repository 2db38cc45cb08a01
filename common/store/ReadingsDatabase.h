#pragma once

#include "RowIdSpan.h"

#include <QString>

struct sqlite3;

// A read-only connection to a project's readings database, opened the one way
// every reader of the suite opens it: read-only (the file is neither created
// nor changed), for use by one thread, waiting up to BusyTimeoutMs while a
// writer holds its lock. The connection closes when the object goes.
class ReadingsDatabase
{
public:
    static constexpr int BusyTimeoutMs = 5000;
    // Rows read at each end of the row id order to find the recorded period.
    static constexpr int EdgeRows = 10000;

    // name labels the connection in the log: the window's connection tag and
    // the program's suffix ("viewerdb", "reportdb").
    explicit ReadingsDatabase(const QString &path, const QString &name = QString());
    ~ReadingsDatabase();
    ReadingsDatabase(const ReadingsDatabase &) = delete;
    ReadingsDatabase &operator=(const ReadingsDatabase &) = delete;

    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    QString name() const { return m_name; }
    sqlite3 *handle() const { return m_db; }
    // The database's own words for the last failure, the opening's included.
    QString errorText() const;

    // The row ids of the readings table, from the two ends of its primary key
    // (no scan); an empty span for an empty table. False on a read error.
    bool rowIds(RowIdSpan *span) const;
    // The first and last reading time: exact from the file's block summary
    // (ReadingsRange); without one from the EdgeRows rows at each end of the
    // row id order, as the recorder appends in time order give or take one
    // batch, so the whole table is never read. False when the file cannot be
    // read or holds no readings.
    bool recordedPeriod(qint64 *first, qint64 *last) const;

private:
    QString m_path;
    QString m_name;
    sqlite3 *m_db = nullptr;
    QString m_openError;
};
