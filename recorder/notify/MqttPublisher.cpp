#include "MqttPublisher.h"

#include "MqttPayload.h"
#include "NotifyLogging.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// libmosquitto's global state, set up by the first publisher and torn down with the last.
std::mutex libraryMutex;
int libraryUsers = 0;

void libraryAcquire()
{
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (libraryUsers++ == 0)
        mosquitto_lib_init();
}

void libraryRelease()
{
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (--libraryUsers == 0)
        mosquitto_lib_cleanup();
}

constexpr int LoopTimeoutMs = 1000;
constexpr int GoodbyeMs = 1500;
const QByteArray Online("online");
const QByteArray Offline("offline");
} // namespace

MqttPublisher::MqttPublisher(QObject *parent) : QObject(parent) {}

MqttPublisher::~MqttPublisher()
{
    stop();
}

void MqttPublisher::start(const Options &options)
{
    stop();
    m_options = options;
    libraryAcquire();
    m_mosq = mosquitto_new(options.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        libraryRelease();
        reportState(false, QStringLiteral("The MQTT library could not be started."));
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Other threads only queue; this publisher's thread does all network work.
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttPublisher::onDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttPublisher::onMessage);
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
            reportState(false,
                        QStringLiteral("The CA file %1 cannot be read.").arg(options.caFile));
            return;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
        m_retryMs = options.reconnectMinMs;
        m_lastConnack = 0;
        m_lastMessage.clear();
        // Topics follow the new prefixes; what the old ones left stays.
        QList<DeviceSettings> devices;
        for (const Device &d : qAsConst(m_devices))
            devices << d.settings;
        rebuildLocked(devices);
        m_pendingRemovals.clear();
    }
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("MqttPublisher"));
    m_thread->start();
}

void MqttPublisher::stop()
{
    if (!m_thread)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        // Said before the DISCONNECT, which keeps the broker from sending the will.
        if (m_connected)
            publishLocked(MqttPayload::statusTopic(m_options.prefix).toUtf8(), Offline, 1, true);
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    libraryRelease();
    m_connected = false;
}

bool MqttPublisher::stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

void MqttPublisher::run()
{
    const QByteArray host = m_options.host.toUtf8();
    bool first = true;
    while (!stopping()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lastConnack = 0;
        }
        errno = 0;
        int rc = first ? mosquitto_connect_async(m_mosq, host.constData(), m_options.port,
                                                 m_options.keepAliveSecs)
                       : mosquitto_reconnect_async(m_mosq);
        first = false;
        if (rc == MOSQ_ERR_SUCCESS) {
            while (rc == MOSQ_ERR_SUCCESS && !stopping())
                rc = mosquitto_loop(m_mosq, LoopTimeoutMs, 1);
            if (stopping())
                break;
        }
        const int err = errno;
        m_connected = false;
        reportState(false, describe(rc, err));
        int delay = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            delay = m_retryMs;
            m_retryMs = qMin(m_retryMs * 2, m_options.reconnectMaxMs);
        }
        waitBeforeRetry(delay);
    }
    if (!m_connected)
        return;
    // Send what stop() queued, then DISCONNECT; a stalled broker gets GoodbyeMs.
    const QDeadlineTimer deadline(GoodbyeMs);
    while (mosquitto_want_write(m_mosq) && !deadline.hasExpired() &&
           mosquitto_loop(m_mosq, 100, 1) == MOSQ_ERR_SUCCESS) {
    }
    mosquitto_disconnect(m_mosq);
    while (m_connected && !deadline.hasExpired() &&
           mosquitto_loop(m_mosq, 100, 1) == MOSQ_ERR_SUCCESS) {
    }
    m_connected = false;
}

void MqttPublisher::waitBeforeRetry(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void MqttPublisher::onConnect(mosquitto *m, void *self, int rc)
{
    auto *p = static_cast<MqttPublisher *>(self);
    if (rc != 0) {
        std::lock_guard<std::mutex> lock(p->m_mutex);
        p->m_lastConnack = rc;
        return;
    }
    p->m_connected = true;
    {
        std::lock_guard<std::mutex> lock(p->m_mutex);
        p->m_lastConnack = 0;
        p->m_retryMs = p->m_options.reconnectMinMs;
        p->publishLocked(MqttPayload::statusTopic(p->m_options.prefix).toUtf8(), Online, 1, true);
        p->publishRetainedState();
        const QByteArray events = MqttPayload::eventTopic(p->m_options.prefix).toUtf8();
        for (const QByteArray &e : p->m_events)
            p->publishLocked(events, e, 1, false);
        p->m_events.clear();
        if (p->m_options.discovery) {
            // Retained configs of devices that left while the recorder was not
            // running come back here and are removed (onMessage).
            const QByteArray filter =
                (p->m_options.discoveryPrefix + QStringLiteral("/sensor/+/config")).toUtf8();
            mosquitto_subscribe(m, nullptr, filter.constData(), 0);
        }
    }
    p->reportState(true, QString());
}

void MqttPublisher::onDisconnect(mosquitto *, void *self, int)
{
    static_cast<MqttPublisher *>(self)->m_connected = false;
}

void MqttPublisher::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    // Only retained configs are leftovers; live ones are this publisher's own.
    if (!message->retain || message->payloadlen <= 0)
        return;
    auto *p = static_cast<MqttPublisher *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    if (!topic.section(QLatin1Char('/'), -2, -2).startsWith(QLatin1String("moravin_")))
        return;
    const QJsonObject config =
        QJsonDocument::fromJson(
            QByteArray(static_cast<const char *>(message->payload), message->payloadlen))
            .object();
    const QString state = config.value(QStringLiteral("state_topic")).toString();
    std::lock_guard<std::mutex> lock(p->m_mutex);
    if (p->m_discoveryTopics.contains(topic) ||
        !state.startsWith(p->m_options.prefix + QLatin1Char('/')))
        return;
    qCInfo(lcNotify) << "MqttPublisher : removing the config of a device no longer in the project"
                     << topic;
    p->removeTopics({topic, state});
}

void MqttPublisher::publishRetainedState()
{
    removeTopics(m_pendingRemovals);
    m_pendingRemovals.clear();
    for (const Device &d : qAsConst(m_devices)) {
        for (int ch = 1; ch <= 2; ++ch) {
            if (m_options.discovery)
                publishLocked(MqttPayload::discoveryTopic(m_options.discoveryPrefix,
                                                          d.settings.deviceNumber, ch)
                                  .toUtf8(),
                              MqttPayload::discoveryConfig(d.settings, ch, m_options.prefix), 1,
                              true);
            const Channel &c = d.channels[ch - 1];
            if (c.hasReading)
                publishLocked(c.topic, c.payload, 0, true);
        }
    }
}

void MqttPublisher::removeTopics(const QStringList &topics)
{
    // An empty retained message deletes what the broker keeps for a topic.
    for (const QString &t : topics)
        publishLocked(t.toUtf8(), QByteArray(), 1, true);
}

void MqttPublisher::publishLocked(const QByteArray &topic, const QByteArray &payload, int qos,
                                  bool retain)
{
    const int rc =
        mosquitto_publish(m_mosq, nullptr, topic.constData(), int(payload.size()),
                          payload.isEmpty() ? nullptr : payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
        qCWarning(lcNotify) << "MqttPublisher::publish :" << topic << mosquitto_strerror(rc);
}

void MqttPublisher::setDevices(const QList<DeviceSettings> &devices)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList removed;
    for (auto it = m_devices.constBegin(); it != m_devices.constEnd(); ++it) {
        const bool stays =
            std::any_of(devices.begin(), devices.end(),
                        [&](const DeviceSettings &d) { return d.deviceNumber == it.key(); });
        if (stays)
            continue;
        for (int ch = 1; ch <= 2; ++ch) {
            if (m_options.discovery)
                removed << MqttPayload::discoveryTopic(m_options.discoveryPrefix, it.key(), ch);
            removed << QString::fromUtf8(it->channels[ch - 1].topic);
        }
    }
    rebuildLocked(devices);
    m_pendingRemovals += removed;
    if (m_connected && m_mosq)
        publishRetainedState();
}

void MqttPublisher::rebuildLocked(const QList<DeviceSettings> &devices)
{
    QHash<QString, Device> next;
    m_discoveryTopics.clear();
    for (const DeviceSettings &s : devices) {
        Device d;
        const auto old = m_devices.constFind(s.deviceNumber);
        if (old != m_devices.constEnd())
            d = *old;
        d.settings = s;
        for (int ch = 1; ch <= 2; ++ch) {
            Channel &c = d.channels[ch - 1];
            c.topic = MqttPayload::readingTopic(m_options.prefix, s.deviceNumber, ch).toUtf8();
            c.unitJson =
                MqttPayload::jsonString(ch == 1 ? MqttPayload::unit(s.ch1Unit, s.ch1Custom)
                                                : MqttPayload::unit(s.ch2Unit, s.ch2Custom));
            // One buffer per channel, reused by every reading.
            c.payload.reserve(192);
            if (m_options.discovery)
                m_discoveryTopics.insert(
                    MqttPayload::discoveryTopic(m_options.discoveryPrefix, s.deviceNumber, ch));
        }
        next.insert(s.deviceNumber, d);
    }
    m_devices = next;
}

void MqttPublisher::publishReading(const QString &serial, qint64 unixSeconds, double value1,
                                   double value2, bool alarm1, bool alarm2)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_devices.find(serial);
    if (it == m_devices.end())
        return;
    const bool online = m_connected && m_mosq;
    for (int i = 0; i < 2; ++i) {
        Channel &c = it->channels[i];
        MqttPayload::reading(c.payload, unixSeconds, i == 0 ? value1 : value2, c.unitJson,
                             i == 0 ? alarm1 : alarm2);
        c.hasReading = true;
        if (online)
            publishLocked(c.topic, c.payload, 0, true);
    }
}

void MqttPublisher::publishEvent(const QByteArray &json)
{
    int droppedNow = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_connected && m_mosq) {
            publishLocked(MqttPayload::eventTopic(m_options.prefix).toUtf8(), json, 1, false);
            return;
        }
        m_events.push_back(json);
        while (int(m_events.size()) > m_options.eventCapacity) {
            m_events.pop_front();
            ++droppedNow;
        }
    }
    if (droppedNow > 0) {
        qCWarning(lcNotify) << "MqttPublisher::publishEvent : queue full, dropped" << droppedNow;
        emit eventsDropped(droppedNow);
    }
}

void MqttPublisher::reportState(bool connected, const QString &message)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const QString key = (connected ? QStringLiteral("up:") : QStringLiteral("down:")) + message;
        if (key == m_lastMessage)
            return;
        m_lastMessage = key;
    }
    if (!message.isEmpty())
        qCInfo(lcNotify) << "MqttPublisher :" << message;
    QMetaObject::invokeMethod(
        this, [this, connected, message] { emit connectionChanged(connected, message); },
        Qt::QueuedConnection);
}

QString MqttPublisher::describe(int rc, int errnoValue) const
{
    const QString where = QStringLiteral("%1:%2").arg(m_options.host).arg(m_options.port);
    int connack = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        connack = m_lastConnack;
    }
    switch (connack) {
    case 0:
        break;
    case 1:
        return QStringLiteral("The broker %1 does not speak MQTT 3.1.1.").arg(where);
    case 2:
        return QStringLiteral("The broker %1 refused the client id \"%2\".")
            .arg(where, m_options.clientId);
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
        return QStringLiteral("The broker %1 was not found.").arg(m_options.host);
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
