#pragma once

#include <QString>

class ConfiguredDevice;

// What a sensing options dialog has read from its form, before anything of
// it reaches the device.
struct SensingSettings
{
    static constexpr int CustomUnit = 4;

    QString deviceName;
    QString ch1Name;
    QString ch2Name;
    int ch1Unit = 0;
    int ch2Unit = 0;
    QString ch1Custom;
    QString ch2Custom;
    float ch1Min = 0;
    float ch1Max = 0;
    float ch2Min = 0;
    float ch2Max = 0;
    QString buzzerAlarm;

    // The first missing name's message, or an empty text.
    QString validationMessage() const;
    // Names, units and custom unit texts; the address and port go with the names.
    void storeNamesAndUnits(ConfiguredDevice *device, const QString &interfaceAddress,
                            quint16 tcpPort) const;
    // Whether the limits or the buzzer word differ from the device's active ones.
    bool differsFromActive(const ConfiguredDevice &device) const;
};
