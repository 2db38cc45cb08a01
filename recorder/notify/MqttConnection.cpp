#include "MqttConnection.h"

#include "MqttPayload.h"
#include "NotifyLogging.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// libmosquitto's global state, set up by the first connection and torn down
// once the last one's thread has ended. Never destroyed: a thread may end
// after main().
struct Library
{
    std::mutex mutex;
    std::condition_variable idle;
    int connections = 0; // with a client, until their thread has ended
    bool exitWaitAdded = false;
    QHash<QString, std::weak_ptr<MqttConnection>> byClientId;
};

Library &library()
{
    static auto *l = new Library;
    return *l;
}

void waitAtExit()
{
    MqttConnection::waitForAllEnded(3000);
}

void libraryAcquire()
{
    Library &l = library();
    std::lock_guard<std::mutex> lock(l.mutex);
    if (l.connections++ == 0)
        mosquitto_lib_init();
    // Before the application's objects go, stopped threads get to say goodbye.
    if (!l.exitWaitAdded && QCoreApplication::instance()) {
        l.exitWaitAdded = true;
        qAddPostRoutine(waitAtExit);
    }
}

void libraryRelease()
{
    Library &l = library();
    std::lock_guard<std::mutex> lock(l.mutex);
    if (--l.connections == 0) {
        mosquitto_lib_cleanup();
        l.idle.notify_all();
    }
}

constexpr int LoopTimeoutMs = 1000;
constexpr int GoodbyeMs = 1500;
const QByteArray Online("online");
const QByteArray Offline("offline");
std::atomic<quint64> nextGeneration{1};
} // namespace

MqttConnection::MqttConnection(MqttPublisher *owner, const MqttPublisher::Options &options)
    : options(options), generation(nextGeneration++), m_owner(owner)
{
}

QHash<QString, MqttConnection::Device> MqttConnection::devicesCopy() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return devices;
}

std::shared_ptr<MqttConnection>
MqttConnection::takeOver(const std::shared_ptr<MqttConnection> &next)
{
    Library &l = library();
    std::lock_guard<std::mutex> lock(l.mutex);
    std::weak_ptr<MqttConnection> &slot = l.byClientId[next->options.clientId];
    std::shared_ptr<MqttConnection> before = slot.lock();
    slot = next;
    return before;
}

bool MqttConnection::waitForAllEnded(int timeoutMs)
{
    Library &l = library();
    std::unique_lock<std::mutex> lock(l.mutex);
    return l.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&l] { return l.connections == 0; });
}

bool MqttConnection::create(QString *problem)
{
    libraryAcquire();
    m_mosq = mosquitto_new(options.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        libraryRelease();
        *problem = QStringLiteral("The MQTT library could not be started.");
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Other threads only queue; the network thread does all network work.
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_connect_callback_set(m_mosq, &MqttConnection::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttConnection::onDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttConnection::onMessage);
    const QByteArray status = MqttPayload::statusTopic(options.prefix).toUtf8();
    mosquitto_will_set(m_mosq, status.constData(), Offline.size(), Offline.constData(), 1, true);
    if (!options.user.isEmpty())
        mosquitto_username_pw_set(m_mosq, options.user.toUtf8().constData(),
                                  options.password.toUtf8().constData());
    if (options.tls) {
        const QByteArray caFile = options.caFile.toUtf8();
        const int rc = mosquitto_tls_set(m_mosq, caFile.isEmpty() ? nullptr : caFile.constData(),
                                         caFile.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr,
                                         nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            mosquitto_destroy(m_mosq);
            m_mosq = nullptr;
            libraryRelease();
            *problem = QStringLiteral("The CA file %1 cannot be read.").arg(options.caFile);
            return false;
        }
    }
    m_retryMs = options.reconnectMinMs;
    return true;
}

void MqttConnection::requestStop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        m_stop = true;
        m_owner = nullptr;
        // Said before the DISCONNECT, which keeps the broker from sending the will.
        if (connected)
            publishLocked(MqttPayload::statusTopic(options.prefix).toUtf8(), Offline, 1, true);
    }
    m_wake.notify_all();
}

bool MqttConnection::waitFinished(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    return m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_finished; });
}

bool MqttConnection::stopping() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return m_stop;
}

void MqttConnection::run()
{
    // The same client id on two connections would throw each other out,
    // and a late "offline" of the old one would overwrite the new "online".
    if (previous) {
        previous->waitFinished(LoopTimeoutMs + GoodbyeMs + 500);
        previous.reset();
    }
    loop();
    goodbye();
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        m_finished = true;
    }
    m_wake.notify_all();
    libraryRelease();
}

void MqttConnection::loop()
{
    const QByteArray host = options.host.toUtf8();
    bool first = true;
    while (!stopping()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            m_lastConnack = 0;
        }
        errno = 0;
        int rc = first ? mosquitto_connect_async(m_mosq, host.constData(), options.port,
                                                 options.keepAliveSecs)
                       : mosquitto_reconnect_async(m_mosq);
        first = false;
        if (rc == MOSQ_ERR_SUCCESS) {
            while (rc == MOSQ_ERR_SUCCESS && !stopping())
                rc = mosquitto_loop(m_mosq, LoopTimeoutMs, 1);
            if (stopping())
                return;
        }
        const int err = errno;
        connected = false;
        reportState(false, describe(rc, err));
        int delay = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            delay = m_retryMs;
            m_retryMs = qMin(m_retryMs * 2, options.reconnectMaxMs);
        }
        waitBeforeRetry(delay);
    }
}

void MqttConnection::goodbye()
{
    if (!connected)
        return;
    // Send what requestStop() queued, then DISCONNECT; a stalled broker gets GoodbyeMs.
    const QDeadlineTimer deadline(GoodbyeMs);
    while (mosquitto_want_write(m_mosq) && !deadline.hasExpired() &&
           mosquitto_loop(m_mosq, 100, 1) == MOSQ_ERR_SUCCESS) {
    }
    mosquitto_disconnect(m_mosq);
    while (connected && !deadline.hasExpired() &&
           mosquitto_loop(m_mosq, 100, 1) == MOSQ_ERR_SUCCESS) {
    }
    connected = false;
}

void MqttConnection::waitBeforeRetry(int ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void MqttConnection::onConnect(mosquitto *m, void *self, int rc)
{
    auto *p = static_cast<MqttConnection *>(self);
    if (rc != 0) {
        std::lock_guard<std::mutex> lock(p->mutex);
        p->m_lastConnack = rc;
        return;
    }
    p->connected = true;
    {
        std::lock_guard<std::mutex> lock(p->mutex);
        p->m_lastConnack = 0;
        p->m_retryMs = p->options.reconnectMinMs;
        p->publishLocked(MqttPayload::statusTopic(p->options.prefix).toUtf8(), Online, 1, true);
        p->publishRetainedState();
        const QByteArray events = MqttPayload::eventTopic(p->options.prefix).toUtf8();
        for (const QByteArray &e : p->m_events)
            p->publishLocked(events, e, 1, false);
        p->m_events.clear();
        if (p->options.discovery) {
            // Retained configs of devices that left while the recorder was not
            // running come back here and are removed (onMessage).
            const QByteArray filter =
                (p->options.discoveryPrefix + QStringLiteral("/sensor/+/config")).toUtf8();
            mosquitto_subscribe(m, nullptr, filter.constData(), 0);
        }
    }
    p->reportState(true, QString());
}

void MqttConnection::onDisconnect(mosquitto *, void *self, int)
{
    static_cast<MqttConnection *>(self)->connected = false;
}

void MqttConnection::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    // Only retained configs are leftovers; live ones are this publisher's own.
    if (!message->retain || message->payloadlen <= 0)
        return;
    auto *p = static_cast<MqttConnection *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    if (!topic.section(QLatin1Char('/'), -2, -2).startsWith(QLatin1String("moravin_")))
        return;
    const QJsonObject config =
        QJsonDocument::fromJson(
            QByteArray(static_cast<const char *>(message->payload), message->payloadlen))
            .object();
    const QString state = config.value(QStringLiteral("state_topic")).toString();
    std::lock_guard<std::mutex> lock(p->mutex);
    if (p->m_discoveryTopics.contains(topic) ||
        !state.startsWith(p->options.prefix + QLatin1Char('/')))
        return;
    qCInfo(lcNotify) << "MqttPublisher : removing the config of a device no longer in the project"
                     << topic;
    p->removeTopics({topic, state});
}

void MqttConnection::publishRetainedState()
{
    removeTopics(m_pendingRemovals);
    m_pendingRemovals.clear();
    for (const Device &d : qAsConst(devices)) {
        for (int ch = 1; ch <= 2; ++ch) {
            if (options.discovery)
                publishLocked(MqttPayload::discoveryTopic(options.discoveryPrefix,
                                                          d.settings.deviceNumber, ch)
                                  .toUtf8(),
                              MqttPayload::discoveryConfig(d.settings, ch, options.prefix), 1,
                              true);
            const Channel &c = d.channels[ch - 1];
            if (c.hasReading)
                publishLocked(c.topic, c.payload, 0, true);
        }
    }
}

void MqttConnection::removeTopics(const QStringList &topics)
{
    // An empty retained message deletes what the broker keeps for a topic.
    for (const QString &t : topics)
        publishLocked(t.toUtf8(), QByteArray(), 1, true);
}

void MqttConnection::publishLocked(const QByteArray &topic, const QByteArray &payload, int qos,
                                   bool retain)
{
    const int rc =
        mosquitto_publish(m_mosq, nullptr, topic.constData(), int(payload.size()),
                          payload.isEmpty() ? nullptr : payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
        qCWarning(lcNotify) << "MqttPublisher::publish :" << topic << mosquitto_strerror(rc);
}

void MqttConnection::setDevices(const QList<DeviceSettings> &list)
{
    std::lock_guard<std::mutex> lock(mutex);
    QStringList removed;
    for (auto it = devices.constBegin(); it != devices.constEnd(); ++it) {
        const bool stays = std::any_of(list.begin(), list.end(), [&](const DeviceSettings &d) {
            return d.deviceNumber == it.key();
        });
        if (stays)
            continue;
        for (int ch = 1; ch <= 2; ++ch) {
            if (options.discovery)
                removed << MqttPayload::discoveryTopic(options.discoveryPrefix, it.key(), ch);
            removed << QString::fromUtf8(it->channels[ch - 1].topic);
        }
    }
    rebuildLocked(list, devices);
    m_pendingRemovals += removed;
    if (connected)
        publishRetainedState();
}

void MqttConnection::rebuildLocked(const QList<DeviceSettings> &list,
                                   const QHash<QString, Device> &old)
{
    QHash<QString, Device> next;
    m_discoveryTopics.clear();
    for (const DeviceSettings &s : list) {
        Device d;
        const auto kept = old.constFind(s.deviceNumber);
        if (kept != old.constEnd())
            d = *kept;
        d.settings = s;
        for (int ch = 1; ch <= 2; ++ch) {
            Channel &c = d.channels[ch - 1];
            c.topic = MqttPayload::readingTopic(options.prefix, s.deviceNumber, ch).toUtf8();
            c.unitJson =
                MqttPayload::jsonString(ch == 1 ? MqttPayload::unit(s.ch1Unit, s.ch1Custom)
                                                : MqttPayload::unit(s.ch2Unit, s.ch2Custom));
            // One buffer per channel, reused by every reading.
            c.payload.reserve(192);
            if (options.discovery)
                m_discoveryTopics.insert(
                    MqttPayload::discoveryTopic(options.discoveryPrefix, s.deviceNumber, ch));
        }
        next.insert(s.deviceNumber, d);
    }
    devices = next;
}

void MqttConnection::publishReading(const QString &serial, qint64 unixSeconds, double value1,
                                    double value2, bool alarm1, bool alarm2)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = devices.find(serial);
    if (it == devices.end())
        return;
    const bool online = connected;
    for (int i = 0; i < 2; ++i) {
        Channel &c = it->channels[i];
        MqttPayload::reading(c.payload, unixSeconds, i == 0 ? value1 : value2, c.unitJson,
                             i == 0 ? alarm1 : alarm2);
        c.hasReading = true;
        if (online)
            publishLocked(c.topic, c.payload, 0, true);
    }
}

int MqttConnection::publishEvent(const QByteArray &json)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (connected) {
        publishLocked(MqttPayload::eventTopic(options.prefix).toUtf8(), json, 1, false);
        return 0;
    }
    m_events.push_back(json);
    int dropped = 0;
    while (int(m_events.size()) > options.eventCapacity) {
        m_events.pop_front();
        ++dropped;
    }
    return dropped;
}

void MqttConnection::reportState(bool isConnected, const QString &message)
{
    std::lock_guard<std::mutex> lock(mutex);
    const QString key = (isConnected ? QStringLiteral("up:") : QStringLiteral("down:")) + message;
    if (key == m_lastMessage || !m_owner)
        return;
    m_lastMessage = key;
    if (!message.isEmpty())
        qCInfo(lcNotify) << "MqttPublisher :" << message;
    // Posted while the owner surely lives (stop() clears it under this
    // lock); delivered only if this is still its connection.
    MqttPublisher *owner = m_owner;
    const quint64 link = generation;
    QMetaObject::invokeMethod(
        owner, [owner, link, isConnected, message] { owner->report(link, isConnected, message); },
        Qt::QueuedConnection);
}

QString MqttConnection::describe(int rc, int errnoValue) const
{
    const QString where = QStringLiteral("%1:%2").arg(options.host).arg(options.port);
    int connack = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        connack = m_lastConnack;
    }
    switch (connack) {
    case 0:
        break;
    case 1:
        return QStringLiteral("The broker %1 does not speak MQTT 3.1.1.").arg(where);
    case 2:
        return QStringLiteral("The broker %1 refused the client id \"%2\".")
            .arg(where, options.clientId);
    case 3:
        return QStringLiteral("The broker %1 is unavailable.").arg(where);
    default:
        return QStringLiteral("The broker %1 refused the user name or password.").arg(where);
    }
    switch (rc) {
    case MOSQ_ERR_ERRNO:
        if (errnoValue == ECONNREFUSED)
            return QStringLiteral("The broker %1 refused the connection.").arg(where);
        if (errnoValue == ETIMEDOUT)
            return QStringLiteral("The broker %1 did not answer in time.").arg(where);
        return QStringLiteral("The connection to the broker %1 failed: %2.")
            .arg(where, QString::fromLocal8Bit(std::strerror(errnoValue)));
    case MOSQ_ERR_EAI:
        return QStringLiteral("The broker %1 was not found.").arg(options.host);
    case MOSQ_ERR_TLS:
    case MOSQ_ERR_TLS_HANDSHAKE:
        return QStringLiteral("The TLS handshake with the broker %1 failed: its certificate "
                              "does not match its name or is not trusted, or it does not "
                              "speak TLS on this port.")
            .arg(where);
    case MOSQ_ERR_KEEPALIVE:
        return QStringLiteral("The broker %1 stopped answering.").arg(where);
    case MOSQ_ERR_CONN_LOST:
        return QStringLiteral("The connection to the broker %1 was lost.").arg(where);
    default:
        return QStringLiteral("The connection to the broker %1 failed: %2.")
            .arg(where, QString::fromUtf8(mosquitto_strerror(rc)));
    }
}
