#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// The gap rows written when recording resumes after an unexpected end: one
// per device of the project, so that charts and reports break their lines
// over the time nothing was recorded.
class ResumeGapRows
{
public:
    struct Row
    {
        QString serialNo;
        qint64 time = 0; // Unix seconds
    };

    // One data interval after the device's last stored reading, but not
    // later than the resume. A clock that went back behind the reading puts
    // it one second after the reading. Devices without readings get none.
    static QVector<Row> rows(const QStringList &devices, const QHash<QString, qint64> &lastStored,
                             int intervalMs, qint64 resumeTime);
    static qint64 stamp(qint64 lastStored, int intervalMs, qint64 resumeTime);

    // The newest reading of every device among the last maxRows rows of the
    // readings table, read-only. The table is in arrival order, so a device
    // that recorded lately is found without reading the whole file; one that
    // did not has been broken off long ago.
    static bool lastStored(const QString &databasePath, QHash<QString, qint64> *last,
                           qint64 maxRows = 1000000);
};
