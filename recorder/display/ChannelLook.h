#pragma once

#include <QString>

// How a channel read-out looks on the chart panel and on the dashboard: the
// background of its value panel and the text of its unit.
class ChannelLook
{
public:
    enum State
    {
        NoReading, // device disconnected, or the channel shows no reading
        Normal,
        Alarm
    };

    // A style sheet for the frame with this object name; scoped to the frame
    // so that the labels inside keep their own backgrounds.
    static QString panelStyle(const QString &objectName, State state);
    static State stateFor(bool hasReading, bool alarm);
};
