#pragma once

#include <QString>

class QWidget;

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

    // For a frame whose state changes often (a dashboard tile): all three
    // looks in one style sheet, chosen by the frame's "panelState" property,
    // so that a change re-polishes the frame alone instead of restyling the
    // frame with everything inside it.
    static void usePanelStates(QWidget *frame, State state);
    static void showPanelState(QWidget *frame, State state);
    static State panelState(const QWidget *frame);
};
