#pragma once

#include <QByteArray>
#include <QString>

// Misbehaviour a simulated device shows on demand.
struct DeviceFaults
{
    bool silent = false;   // answers nothing at all
    bool missing1 = false; // "----" for channel 1
    bool missing2 = false; // "----" for channel 2
    bool garbage = false;  // data answers without the marker
    bool split = false;    // every answer in two writes, apart in time
    bool close = false;    // drops the connection instead of answering
    bool hangup = false;   // closes the connection after each answer
    bool flap = false;     // readings jump between 30/50 (°C) and 50/95 (%) on every request
    bool high = false;     // readings stay at 50 °C and 95 %
    QString refuse;        // commands starting with this are answered "ERROR"
    QByteArray nextAnswer; // sent once instead of the next data answer
};
