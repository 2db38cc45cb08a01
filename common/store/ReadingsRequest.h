#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// What one read asks of the readings table: the rows of some devices whose
// time lies in [start, end], and which of the two channel columns to fetch.
struct ReadingsRequest
{
    QList<QByteArray> serials;        // distinct device numbers, UTF-8
    bool columns[2] = {false, false}; // channel1, channel2
    qint64 start = 0;                 // pointDate, Unix seconds, both ends included
    qint64 end = -1;

    // Asks for column (0 channel1, 1 channel2) of a device; the result is the
    // device's index in serials, the one the cursor reports for its rows.
    int addChannel(const QString &serial, int column)
    {
        const QByteArray utf8 = serial.toUtf8();
        int device = serials.indexOf(utf8);
        if (device < 0) {
            device = serials.size();
            serials.append(utf8);
        }
        columns[column == 1 ? 1 : 0] = true;
        return device;
    }
};
