#pragma once

#include <QMetaType>
#include <QString>

// One reading waiting in the recorder's buffer for the next database flush.
struct PendingRow
{
    QString serialNo;
    double channel1 = 0;
    double channel2 = 0;
    quint32 pointDate = 0;
};

Q_DECLARE_METATYPE(PendingRow)
