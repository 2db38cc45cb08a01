#pragma once

#include "core/DeviceSettings.h"

#include <QAction>
#include <QMenu>

// Helpers of the tests that drive the recorder window.

inline QAction *action(QMenu *menu, const QString &text)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *a : actions) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

// A LAN device on a loopback port where nothing listens; the tests never
// need an answer from it.
inline DeviceSettings lanDevice(const QString &number)
{
    DeviceSettings d;
    d.deviceNumber = number;
    d.deviceInterface = DeviceSettings::Lan;
    d.interfaceAddress = QStringLiteral("127.0.0.1");
    d.tcpPort = 9;
    d.deviceName = QStringLiteral("Dev ") + number;
    return d;
}
