#pragma once

#include "core/DeviceSettings.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// The names the user gave a project's devices and channels, so that events,
// which store serial numbers and channel numbers, read as the user knows them.
class EventNames
{
public:
    // The text of a unit code (the recorder shows "°C" for 1); without one,
    // values are written without a unit.
    using UnitText = std::function<QString(int unitCode, const QString &customText)>;

    EventNames() = default;
    explicit EventNames(const QList<DeviceSettings> &devices, UnitText unitText = nullptr);

    // The device's name, its serial number when it has none or is not in the
    // project (any more); empty for the project's own events.
    QString device(const QString &serialNo) const;
    // The channel's name, "CH1" / "CH2" when it has none; empty for channel 0.
    QString channel(const QString &serialNo, int channel) const;
    QString unit(const QString &serialNo, int channel) const;
    // "Freezer / Temperature", "Freezer" or empty.
    QString subject(const QString &serialNo, int channel) const;

private:
    QHash<QString, DeviceSettings> m_devices;
    UnitText m_unitText;
};
