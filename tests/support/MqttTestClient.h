#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <optional>

struct mosquitto;
struct mosquitto_message;

// A test's own MQTT client (libmosquitto, its own network thread): it
// subscribes and keeps everything that arrives, for the test to look at.
// It reconnects by itself and subscribes again, so it survives a broker
// restart; with cleanSession false and QoS 1 the broker keeps what arrives
// meanwhile.
class MqttTestClient
{
public:
    struct Message
    {
        QString topic;
        QByteArray payload;
        bool retained = false;
    };
    struct Options
    {
        QString clientId;
        bool cleanSession = true;
        QString user;
        QString password;
        QString caFile; // TLS when set
    };

    MqttTestClient();
    ~MqttTestClient();
    MqttTestClient(const MqttTestClient &) = delete;
    MqttTestClient &operator=(const MqttTestClient &) = delete;

    // Waits (bounded) for the broker's answer; false when refused or silent.
    bool connectTo(quint16 port) { return connectTo(port, Options{}); }
    bool connectTo(quint16 port, const Options &options, int timeoutMs = 10000);
    // Waits (bounded) for the broker to confirm the subscription.
    bool subscribe(const QString &filter, int qos = 0, int timeoutMs = 10000);
    void disconnect();
    bool publish(const QString &topic, const QByteArray &payload, int qos = 0, bool retain = false);

    QList<Message> messages() const;
    QList<Message> messagesOn(const QString &topic) const;
    // The last message on topic, if any arrived.
    std::optional<Message> last(const QString &topic) const;
    void clear();

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onSubscribe(mosquitto *, void *self, int mid, int, const int *);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);

    mosquitto *m_mosq = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QList<Message> m_messages;
    QList<QPair<QString, int>> m_filters;
    int m_connack = -1;
    int m_subscribed = 0;
    bool m_loopRunning = false;
};
