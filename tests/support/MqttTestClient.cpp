#include "MqttTestClient.h"

#include <mosquitto.h>

#include <chrono>

MqttTestClient::MqttTestClient()
{
    // Initialised once for the process and never cleaned up: the code under
    // test may still use the library when a client goes.
    static const int init = mosquitto_lib_init();
    Q_UNUSED(init)
}

MqttTestClient::~MqttTestClient()
{
    disconnect();
}

bool MqttTestClient::connectTo(quint16 port, const Options &options, int timeoutMs)
{
    disconnect();
    m_mosq =
        mosquitto_new(options.clientId.isEmpty() ? nullptr : options.clientId.toUtf8().constData(),
                      options.cleanSession, this);
    if (!m_mosq)
        return false;
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttTestClient::onConnect);
    mosquitto_subscribe_callback_set(m_mosq, &MqttTestClient::onSubscribe);
    mosquitto_message_callback_set(m_mosq, &MqttTestClient::onMessage);
    mosquitto_reconnect_delay_set(m_mosq, 1, 2, false);
    if (!options.user.isEmpty())
        mosquitto_username_pw_set(m_mosq, options.user.toUtf8().constData(),
                                  options.password.toUtf8().constData());
    if (!options.caFile.isEmpty() &&
        mosquitto_tls_set(m_mosq, options.caFile.toUtf8().constData(), nullptr, nullptr, nullptr,
                          nullptr) != MOSQ_ERR_SUCCESS)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connack = -1;
    }
    if (mosquitto_connect(m_mosq, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS)
        return false;
    if (mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS)
        return false;
    m_loopRunning = true;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [this] { return m_connack >= 0; });
    return m_connack == 0;
}

bool MqttTestClient::subscribe(const QString &filter, int qos, int timeoutMs)
{
    int before = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_filters << qMakePair(filter, qos);
        before = m_subscribed;
    }
    if (mosquitto_subscribe(m_mosq, nullptr, filter.toUtf8().constData(), qos) != MOSQ_ERR_SUCCESS)
        return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_subscribed > before; });
}

bool MqttTestClient::publish(const QString &topic, const QByteArray &payload, int qos, bool retain)
{
    return m_mosq &&
           mosquitto_publish(m_mosq, nullptr, topic.toUtf8().constData(), int(payload.size()),
                             payload.constData(), qos, retain) == MOSQ_ERR_SUCCESS;
}

void MqttTestClient::disconnect()
{
    if (!m_mosq)
        return;
    mosquitto_disconnect(m_mosq);
    if (m_loopRunning)
        mosquitto_loop_stop(m_mosq, false);
    m_loopRunning = false;
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
}

void MqttTestClient::onConnect(mosquitto *m, void *self, int rc)
{
    auto *c = static_cast<MqttTestClient *>(self);
    QList<QPair<QString, int>> filters;
    {
        std::lock_guard<std::mutex> lock(c->m_mutex);
        c->m_connack = rc;
        filters = c->m_filters;
    }
    c->m_changed.notify_all();
    if (rc != 0)
        return;
    // After a reconnect the broker may have forgotten the subscriptions.
    for (const auto &f : filters)
        mosquitto_subscribe(m, nullptr, f.first.toUtf8().constData(), f.second);
}

void MqttTestClient::onSubscribe(mosquitto *, void *self, int, int, const int *)
{
    auto *c = static_cast<MqttTestClient *>(self);
    {
        std::lock_guard<std::mutex> lock(c->m_mutex);
        ++c->m_subscribed;
    }
    c->m_changed.notify_all();
}

void MqttTestClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *c = static_cast<MqttTestClient *>(self);
    Message m;
    m.topic = QString::fromUtf8(message->topic);
    m.payload = QByteArray(static_cast<const char *>(message->payload), message->payloadlen);
    m.retained = message->retain;
    std::lock_guard<std::mutex> lock(c->m_mutex);
    c->m_messages << m;
}

QList<MqttTestClient::Message> MqttTestClient::messages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

QList<MqttTestClient::Message> MqttTestClient::messagesOn(const QString &topic) const
{
    QList<Message> list;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Message &m : m_messages) {
        if (m.topic == topic)
            list << m;
    }
    return list;
}

std::optional<MqttTestClient::Message> MqttTestClient::last(const QString &topic) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = m_messages.size() - 1; i >= 0; --i) {
        if (m_messages.at(i).topic == topic)
            return m_messages.at(i);
    }
    return std::nullopt;
}

void MqttTestClient::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}
