#include "ChannelLook.h"

QString ChannelLook::panelStyle(const QString &objectName, State state)
{
    const char *stops = nullptr;
    switch (state) {
    case NoReading:
        stops = "stop:0 rgba(80, 80, 80, 255), stop:1 rgba(125, 125, 125, 255)";
        break;
    case Normal:
        stops = "stop:0 rgba(24, 68, 76, 255), stop:1 rgba(43, 132, 130, 255)";
        break;
    case Alarm:
        stops = "stop:0 rgba(145, 27, 66, 255), stop:1 rgba(181, 69, 96, 255)";
        break;
    }
    return QStringLiteral("#%1 { background-color: qlineargradient(spread:pad, x1:0.372222, "
                          "y1:0.46, x2:1, y2:1, %2); border-radius: 3px; }")
        .arg(objectName, QLatin1String(stops));
}

ChannelLook::State ChannelLook::stateFor(bool hasReading, bool alarm)
{
    if (!hasReading)
        return NoReading;
    return alarm ? Alarm : Normal;
}
