#pragma once

#include "MqttPublisher.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

struct mosquitto;
struct mosquitto_message;

// One connection to the broker and everything its network thread touches.
// The thread holds it until it has ended, so the publisher may go at once.
class MqttConnection
{
public:
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

    MqttConnection(MqttPublisher *owner, const MqttPublisher::Options &options);

    // Sets up the client; false with the reason when it cannot be.
    bool create(QString *problem);
    // The network thread: connects, loops, reconnects, says goodbye, ends.
    void run();
    void requestStop();
    bool waitFinished(int timeoutMs);

    void setDevices(const QList<DeviceSettings> &list);
    void rebuildLocked(const QList<DeviceSettings> &list, const QHash<QString, Device> &old);
    void publishReading(const QString &serial, qint64 unixSeconds, double value1, double value2,
                        bool alarm1, bool alarm2);
    int publishEvent(const QByteArray &json);
    QHash<QString, Device> devicesCopy() const;
    // The connection that used next's client id before it, if its thread
    // still runs; next becomes the one of that id.
    static std::shared_ptr<MqttConnection> takeOver(const std::shared_ptr<MqttConnection> &next);
    // Waits up to timeoutMs until no connection's thread is left.
    static bool waitForAllEnded(int timeoutMs);

    const MqttPublisher::Options options;
    const quint64 generation;
    std::atomic<bool> connected{false};
    std::shared_ptr<MqttConnection> previous; // set before the thread starts, then its own

    mutable std::mutex mutex; // guards everything below
    QHash<QString, Device> devices;

private:
    void loop();
    void goodbye();
    void waitBeforeRetry(int ms);
    void publishRetainedState();
    void removeTopics(const QStringList &topics);
    void publishLocked(const QByteArray &topic, const QByteArray &payload, int qos, bool retain);
    void reportState(bool connected, const QString &message);
    QString describe(int rc, int errnoValue) const;
    bool stopping() const;

    static void onConnect(mosquitto *m, void *self, int rc);
    static void onDisconnect(mosquitto *m, void *self, int rc);
    static void onMessage(mosquitto *m, void *self, const mosquitto_message *message);

    mosquitto *m_mosq = nullptr;
    std::condition_variable m_wake;
    MqttPublisher *m_owner; // null once stopped: nothing is reported then
    bool m_stop = false;
    bool m_finished = false;
    QSet<QString> m_discoveryTopics;
    QStringList m_pendingRemovals; // topics to clear once connected
    std::deque<QByteArray> m_events;
    int m_lastConnack = 0;
    QString m_lastMessage;
    int m_retryMs = 0;
};
