#pragma once

#include <QString>

// The configuration of one device as the project file stores it. Both forms
// of ConfiguredDevice (the recorder's live one and the companions' data-only
// one) are filled from and saved through this record.
struct DeviceSettings
{
    enum InterfaceType
    {
        None = 0,
        Usb = 1,
        Lan = 2
    };

    QString deviceName;
    QString ch1Name;
    QString ch2Name;
    QString deviceNumber;
    int deviceInterface = None;
    QString interfaceAddress;
    quint16 tcpPort = 23;
    int ch1Unit = 0;
    int ch2Unit = 0;
    float ch1Min = 0;
    float ch1Max = 0;
    float ch2Min = 0;
    float ch2Max = 0;
    QString ch1Custom;
    QString ch2Custom;
    QString buzzerAlarm = QStringLiteral("OFF");

    bool operator==(const DeviceSettings &o) const;
    bool operator!=(const DeviceSettings &o) const { return !(*this == o); }
};
