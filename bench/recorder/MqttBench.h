#pragma once

#include "MosquittoBroker.h"

#include <QString>

#include <functional>

class NotificationLink;

// The recorder bench's --mqtt mode: a mosquitto on loopback that the
// project publishes every reading to, and a broker outage with the CPU
// share of the recorder over short windows while it lasts and after.
class MqttBench
{
public:
    struct Outage
    {
        int outageSecs = 0;
        int afterSecs = 0;
        double peakOutagePercent = 0; // highest 1 s window while the broker is away
        double peakAfterPercent = 0;  // highest 1 s window once it is back
        double reconnectSecs = -1;    // from the restart to the recorder's reconnection
    };

    // Starts the broker and points the project's [Mqtt] group at it.
    bool start(const QString &projectFile);
    // Stops the broker for outageSecs, starts it again and watches afterSecs more.
    Outage outage(NotificationLink *link, const std::function<double()> &cpuSeconds,
                  int outageSecs = 60, int afterSecs = 30);
    void print(const Outage &outage, double cpuPercent, double peakMb);

private:
    MosquittoBroker m_broker;
};
