#include "ChannelLook.h"

#include <QStyle>
#include <QVariant>
#include <QWidget>

namespace {
const char *const kStateProperty = "panelState";
}

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

void ChannelLook::usePanelStates(QWidget *frame, State state)
{
    QString styles;
    for (const State s : {NoReading, Normal, Alarm})
        styles += panelStyle(
            frame->objectName() +
                QStringLiteral("[%1=\"%2\"]").arg(QLatin1String(kStateProperty)).arg(int(s)),
            s);
    frame->setProperty(kStateProperty, int(state));
    frame->setStyleSheet(styles);
}

void ChannelLook::showPanelState(QWidget *frame, State state)
{
    frame->setProperty(kStateProperty, int(state));
    frame->style()->unpolish(frame);
    frame->style()->polish(frame);
    frame->update();
}

ChannelLook::State ChannelLook::panelState(const QWidget *frame)
{
    return State(frame->property(kStateProperty).toInt());
}
