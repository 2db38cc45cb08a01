#include "MqttPublisher.h"

#include "MqttConnection.h"
#include "NotifyLogging.h"

#include <thread>

MqttPublisher::MqttPublisher(QObject *parent) : QObject(parent) {}

MqttPublisher::~MqttPublisher()
{
    stop();
}

void MqttPublisher::start(const Options &options)
{
    stop();
    auto link = std::make_shared<MqttConnection>(this, options);
    QString problem;
    if (!link->create(&problem)) {
        QMetaObject::invokeMethod(
            this, [this, problem] { emit connectionChanged(false, problem); },
            Qt::QueuedConnection);
        return;
    }
    {
        // Topics follow the new prefixes; what the old ones left stays.
        const QHash<QString, MqttConnection::Device> old =
            m_previous ? m_previous->devicesCopy() : QHash<QString, MqttConnection::Device>();
        std::lock_guard<std::mutex> lock(link->mutex);
        link->rebuildLocked(m_devices, old);
        link->previous = MqttConnection::takeOver(link);
        m_previous.reset();
    }
    m_link = link;
    std::thread([link] { link->run(); }).detach();
}

void MqttPublisher::stop()
{
    if (!m_link)
        return;
    m_link->requestStop();
    m_previous = std::move(m_link);
}

bool MqttPublisher::isConnected() const
{
    return m_link && m_link->connected;
}

bool MqttPublisher::waitForStopped(int timeoutMs)
{
    return MqttConnection::waitForAllEnded(timeoutMs);
}

void MqttPublisher::setDevices(const QList<DeviceSettings> &devices)
{
    m_devices = devices;
    if (m_link)
        m_link->setDevices(devices);
}

void MqttPublisher::publishReading(const QString &serial, qint64 unixSeconds, double value1,
                                   double value2, bool alarm1, bool alarm2)
{
    if (m_link)
        m_link->publishReading(serial, unixSeconds, value1, value2, alarm1, alarm2);
}

void MqttPublisher::publishEvent(const QByteArray &json)
{
    if (!m_link)
        return;
    const int dropped = m_link->publishEvent(json);
    if (dropped > 0) {
        qCWarning(lcNotify) << "MqttPublisher::publishEvent : queue full, dropped" << dropped;
        emit eventsDropped(dropped);
    }
}

void MqttPublisher::report(quint64 connection, bool connected, const QString &message)
{
    // A report of a connection stopped since is stale.
    if (m_link && m_link->generation == connection)
        emit connectionChanged(connected, message);
}
