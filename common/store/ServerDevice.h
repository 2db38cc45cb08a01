#pragma once

#include "core/DeviceSettings.h"

#include <QString>
#include <QVector>

// One device of the server's catalogue: what a recorder knows of it, and the
// span of its readings on the server.
struct ServerDevice
{
    QString serialNo;
    QString deviceName;
    QString ch1Name;
    QString ch2Name;
    int ch1Unit = 0;
    int ch2Unit = 0;
    QString ch1Custom;
    QString ch2Custom;
    double ch1Min = 0;
    double ch1Max = 0;
    double ch2Min = 0;
    double ch2Max = 0;
    // Place in the project's device list; -1: no longer in it (its readings
    // stay).
    int position = -1;
    qint64 firstPoint = 0; // 0: no readings on the server
    qint64 lastPoint = 0;

    static ServerDevice fromSettings(const DeviceSettings &settings, int position);
    // The device as the viewer and the report list it (no interface: they
    // never talk to it).
    DeviceSettings toSettings() const;
    bool sameDescription(const ServerDevice &o) const;
};
