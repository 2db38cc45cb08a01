#include "MqttBench.h"

#include "MqttPublisher.h"
#include "MqttSettings.h"
#include "MqttTestClient.h"
#include "Notifier.h"
#include "control/NotificationLink.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {
// The windows the peak is taken over.
constexpr int WindowMs = 1000;

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool connected(NotificationLink *link)
{
    return link->notifier() && link->notifier()->publisher()->isConnected();
}
} // namespace

bool MqttBench::start(const QString &projectFile)
{
    if (!m_broker.start()) {
        std::fprintf(stderr, "recorder_bench: no broker: %s\n", qPrintable(m_broker.error()));
        return false;
    }
    MqttSettings mqtt;
    mqtt.enabled = true;
    mqtt.host = QStringLiteral("127.0.0.1");
    mqtt.port = m_broker.port();
    return mqtt.save(projectFile);
}

MqttBench::Outage MqttBench::outage(NotificationLink *link,
                                    const std::function<double()> &cpuSeconds, int outageSecs,
                                    int afterSecs)
{
    Outage o;
    o.outageSecs = outageSecs;
    o.afterSecs = afterSecs;
    QElapsedTimer connecting;
    connecting.start();
    while (!connected(link) && connecting.elapsed() < 30000)
        wait(100);
    // One window of CPU share, in percent of one core.
    auto window = [&cpuSeconds] {
        QElapsedTimer wall;
        wall.start();
        const double cpu = cpuSeconds();
        wait(WindowMs);
        return 100.0 * (cpuSeconds() - cpu) / (wall.elapsed() / 1000.0);
    };
    m_broker.stop();
    for (int s = 0; s < outageSecs * 1000 / WindowMs; ++s)
        o.peakOutagePercent = qMax(o.peakOutagePercent, window());
    m_broker.restart();
    QElapsedTimer back;
    back.start();
    for (int s = 0; s < afterSecs * 1000 / WindowMs; ++s) {
        o.peakAfterPercent = qMax(o.peakAfterPercent, window());
        if (o.reconnectSecs < 0 && connected(link))
            o.reconnectSecs = back.elapsed() / 1000.0;
    }
    return o;
}

void MqttBench::print(const Outage &o, double cpuPercent, double peakMb)
{
    // After the measurement: a subscriber in this process would count into it.
    MqttTestClient late;
    const QString topic = QStringLiteral("moravin/Bench/+/channel1");
    int retained = 0;
    if (late.connectTo(m_broker.port()) && late.subscribe(topic, 0)) {
        QThread::msleep(1000);
        retained = late.messages().size();
    }
    std::printf("  with MQTT: every reading published to a loopback mosquitto\n");
    std::printf("  CPU share       %8.2f %% of one core   (limit 2.5 %%, ratio %.2f)\n", cpuPercent,
                cpuPercent / 2.5);
    std::printf("  peak RSS        %8.1f MB               (limit 110 MB, ratio %.2f)\n", peakMb,
                peakMb / 110.0);
    std::printf("  retained channel1 readings on the broker: %d\n", retained);
    std::printf("  broker outage   %8d s, then %d s watched\n", o.outageSecs, o.afterSecs);
    std::printf(
        "  peak CPU (1 s windows) during the outage  %6.2f %%   (limit 10 %%, ratio %.2f)\n",
        o.peakOutagePercent, o.peakOutagePercent / 10.0);
    std::printf(
        "  peak CPU (1 s windows) after the restart  %6.2f %%   (limit 10 %%, ratio %.2f)\n",
        o.peakAfterPercent, o.peakAfterPercent / 10.0);
    if (o.reconnectSecs >= 0)
        std::printf("  reconnected     %8.1f s after the broker came back\n", o.reconnectSecs);
    else
        std::printf("  reconnected     no, within %d s\n", o.afterSecs);
}
