#pragma once

#include "core/DeviceSettings.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

class QThread;
struct mosquitto;
struct mosquitto_message;

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
        int reconnectMaxMs = 30000;
        int eventCapacity = 256;
    };

    explicit MqttPublisher(QObject *parent = nullptr);
    // Says "offline" and disconnects, waiting at most about a second and a half.
    ~MqttPublisher() override;

    void start(const Options &options);
    void stop();
    bool isRunning() const { return m_thread != nullptr; }
    bool isConnected() const { return m_connected; }

    // The project's devices: discovery configs for their channels; the
    // configs and retained readings of devices that left are removed.
    void setDevices(const QList<DeviceSettings> &devices);
    // One answer of a device (NoValue for a missing reading), retained per channel.
    void publishReading(const QString &serial, qint64 unixSeconds, double value1, double value2,
                        bool alarm1, bool alarm2);
    // An event as JSON (MqttPayload::event), QoS 1.
    void publishEvent(const QByteArray &json);

signals:
    // On every change of the connection, and when the reason it fails changes.
    void connectionChanged(bool connected, const QString &message);
    void eventsDropped(int count);

private:
    struct Channel
    {
        QByteArray topic;
        QByteArray unitJson;
        QByteArray payload;
        bool hasReading = false;
    };
    struct Device
    {
        DeviceSettings settings;
        std::array<Channel, 2> channels;
    };

    void run();
    void waitBeforeRetry(int ms);
    void rebuildLocked(const QList<DeviceSettings> &devices);
    void publishRetainedState();
    void removeTopics(const QStringList &topics);
    void publishLocked(const QByteArray &topic, const QByteArray &payload, int qos, bool retain);
    void reportState(bool connected, const QString &message);
    QString describe(int rc, int errnoValue) const;
    bool stopping() const;

    static void onConnect(mosquitto *m, void *self, int rc);
    static void onDisconnect(mosquitto *m, void *self, int rc);
    static void onMessage(mosquitto *m, void *self, const mosquitto_message *message);

    Options m_options;
    mosquitto *m_mosq = nullptr;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_connected{false};

    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_wake;
    bool m_stop = false;
    QHash<QString, Device> m_devices;
    QSet<QString> m_discoveryTopics;
    QStringList m_pendingRemovals; // topics to clear once connected
    std::deque<QByteArray> m_events;
    int m_lastConnack = 0;
    QString m_lastMessage;
    int m_retryMs = 0;
};
