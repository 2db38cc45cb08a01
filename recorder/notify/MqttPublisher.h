#pragma once

#include "core/DeviceSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class MqttConnection;

// Publishes readings, events and Home Assistant discovery configs to an MQTT
// broker through libmosquitto, on a network thread of its own: callers
// only queue, the broker going away never blocks them. It reconnects by
// itself with growing pauses and then publishes the retained state again
// (availability, discovery configs, the last reading of every channel).
// While disconnected, readings keep only their latest value and events wait
// in a bounded queue.
class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString host;
        int port = 1883;
        bool tls = false;
        QString caFile;
        QString user;
        QString password;
        QString clientId;
        QString prefix; // checked already (TopicName)
        QString discoveryPrefix;
        bool discovery = true;
        int keepAliveSecs = 30;
        int reconnectMinMs = 1000;
        int reconnectMaxMs = 10000;
        int eventCapacity = 256;
    };

    explicit MqttPublisher(QObject *parent = nullptr);
    // Like stop(): returns at once.
    ~MqttPublisher() override;

    void start(const Options &options);
    // Returns at once. The network thread says "offline", disconnects and
    // ends by itself (giving a stalled broker about a second and a half);
    // a connection with the same client id waits for that.
    void stop();
    bool isRunning() const { return m_link != nullptr; }
    bool isConnected() const;

    // The project's devices: discovery configs for their channels; the
    // configs and retained readings of devices that left are removed.
    void setDevices(const QList<DeviceSettings> &devices);
    // One answer of a device (NoValue for a missing reading), retained per channel.
    void publishReading(const QString &serial, qint64 unixSeconds, double value1, double value2,
                        bool alarm1, bool alarm2);
    // An event as JSON (MqttPayload::event), QoS 1.
    void publishEvent(const QByteArray &json);

    // Waits up to timeoutMs for the network threads of stopped publishers
    // to end; at the program's end, so that none is cut off in its goodbye.
    static bool waitForStopped(int timeoutMs);

signals:
    // On every change of the connection, and when the reason it fails changes.
    void connectionChanged(bool connected, const QString &message);
    void eventsDropped(int count);

private:
    friend class MqttConnection;
    void report(quint64 connection, bool connected, const QString &message);

    QList<DeviceSettings> m_devices;
    // The connection of the running publisher, shared with its network
    // thread, which keeps it after stop() until it has said goodbye.
    std::shared_ptr<MqttConnection> m_link;
    // The last one stopped: its retained readings go over to the next start.
    std::shared_ptr<MqttConnection> m_previous;
};
