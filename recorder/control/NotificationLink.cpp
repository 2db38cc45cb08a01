#include "NotificationLink.h"

#include "ControlLogging.h"
#include "MqttSettings.h"
#include "Notifier.h"
#include "NotifySettings.h"
#include "RecordingSession.h"
#include "SecretStore.h"
#include "core/AlarmRange.h"
#include "device/ConfiguredDevice.h"

#include <QtConcurrent/QtConcurrentRun>

struct NotificationLink::Loaded
{
    NotifySettings mail;
    QString mailPassword;
    MqttSettings mqtt;
    QString mqttPassword;
};

NotificationLink::NotificationLink(RecordingSession *session, QObject *parent)
    : QObject(parent), m_session(session), m_loader(new QFutureWatcher<Loaded>(this))
{
    connect(m_loader, &QFutureWatcher<Loaded>::finished, this, &NotificationLink::apply);
    connect(session, &RecordingSession::readingTaken, this, &NotificationLink::reading);
    connect(session, &RecordingSession::eventAppended, this, &NotificationLink::event);
}

NotificationLink::~NotificationLink() = default;

void NotificationLink::open(const QString &projectFile, const QString &projectName)
{
    close();
    m_projectFile = projectFile;
    m_projectName = projectName;
    m_notifier = new Notifier(this);
    connect(m_notifier, &Notifier::notifyFailed, m_session, &RecordingSession::appendEvent);
    refreshDevices();
    reload();
}

void NotificationLink::close()
{
    m_projectFile.clear();
    // Its MQTT connection says goodbye on its own thread.
    delete m_notifier;
    m_notifier = nullptr;
}

void NotificationLink::reload()
{
    if (!m_notifier)
        return;
    // A load still under way is superseded: only the latest one is applied.
    m_loader->setFuture(
        QtConcurrent::run(&NotificationLink::load, m_projectFile, SecretStore::defaultFolder()));
}

NotificationLink::Loaded NotificationLink::load(const QString &projectFile,
                                                const QString &secretFolder)
{
    Loaded l;
    l.mail = NotifySettings::load(projectFile);
    l.mqtt = MqttSettings::load(projectFile);
    SecretStore secrets(secretFolder);
    QString error;
    if (!l.mail.secretAccount().isEmpty())
        l.mailPassword = secrets.lookup(QStringLiteral("smtp"), l.mail.secretAccount(), &error)
                             .value_or(QString());
    if (!l.mqtt.secretAccount().isEmpty())
        l.mqttPassword = secrets.lookup(QStringLiteral("mqtt"), l.mqtt.secretAccount(), &error)
                             .value_or(QString());
    if (!error.isEmpty())
        qCWarning(lcControl) << "NotificationLink::load : a password could not be read:" << error;
    return l;
}

void NotificationLink::apply()
{
    if (!m_notifier || m_loader->isCanceled() || m_loader->future().resultCount() == 0)
        return;
    const Loaded l = m_loader->result();
    m_notifier->configure(l.mail, l.mailPassword, l.mqtt, l.mqttPassword);
}

void NotificationLink::refreshDevices()
{
    if (!m_notifier)
        return;
    QList<DeviceSettings> devices;
    for (const ConfiguredDevice *device : m_session->devices()) {
        if (device)
            devices << device->settings();
    }
    m_notifier->setProject(m_projectName, devices);
}

void NotificationLink::reading(const PendingRow &row)
{
    if (!m_notifier)
        return;
    const DeviceSettings *device = m_notifier->rules().directory().device(row.serialNo);
    if (!device)
        return;
    // The display's rule; the notifier adds its delay and hysteresis.
    m_notifier->reading(row.serialNo, row.pointDate, row.channel1, row.channel2,
                        AlarmRange::isOutside(row.channel1, device->ch1Min, device->ch1Max),
                        AlarmRange::isOutside(row.channel2, device->ch2Min, device->ch2Max));
}

void NotificationLink::event(const EventRecord &event)
{
    // Its own failures are logged, not sent: a broker that is away would
    // otherwise be told of every event it could not take.
    if (m_notifier && event.kind != EventKind::NotifyFailed)
        m_notifier->event(event);
}
