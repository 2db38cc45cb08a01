#include "Notifier.h"

#include "MailFormat.h"
#include "MailMessage.h"
#include "MqttPayload.h"
#include "MqttPublisher.h"
#include "NotifyLogging.h"
#include "NotifySettingsCheck.h"
#include "SmtpSender.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

namespace {
// What a closing project's mails get to reach their server.
constexpr int FinishMailMs = 20000;
} // namespace

Notifier::Notifier(QObject *parent)
    : QObject(parent), m_mail(new SmtpSender(this)), m_mqtt(new MqttPublisher(this)),
      m_clock([] { return QDateTime::currentSecsSinceEpoch(); }),
      m_hostName(QSysInfo::machineHostName())
{
    connect(m_mail, &SmtpSender::problem, this,
            [this](quint64, const QString &message, bool willRetry) {
                if (!willRetry)
                    fail(QStringLiteral("mail"), message);
            });
    connect(m_mail, &SmtpSender::dropped, this, [this](int count) {
        m_droppedMails += count;
        fail(QStringLiteral("mail"),
             QStringLiteral("%1 mail(s) were dropped: the queue was full.").arg(count));
    });
    connect(m_mqtt, &MqttPublisher::connectionChanged, this,
            [this](bool connected, const QString &message) {
                emit mqttStateChanged(connected, message);
                if (!connected && !message.isEmpty())
                    fail(QStringLiteral("mqtt"), message);
            });
    connect(m_mqtt, &MqttPublisher::eventsDropped, this, [this](int count) {
        fail(QStringLiteral("mqtt"),
             QStringLiteral("%1 event message(s) were dropped while the broker was unreachable.")
                 .arg(count));
    });
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] { tick(m_clock()); });
}

Notifier::~Notifier()
{
    // Mails gathering for a digest go out now; the sender finishes them on
    // its own thread, so a project that closes right after an alarm still
    // tells somebody.
    const qint64 now = m_clock();
    const QVector<EventRecord> batch = m_rules.takeMail(now + m_rules.options().digestWindowSecs);
    if (!batch.isEmpty())
        sendMail(batch, now);
    m_mail->finishQueued(FinishMailMs);
}

void Notifier::setProject(const QString &projectName, const QList<DeviceSettings> &devices)
{
    const bool renamed = projectName != m_rules.directory().projectName();
    m_rules.setDirectory(ProjectDirectory(projectName, devices));
    m_mqtt->setDevices(devices);
    // The default topic prefix and client id carry the project's name.
    if (renamed && m_mqtt->isRunning()) {
        m_mqtt->stop();
        configure(m_mailSettings, m_mailPassword, m_mqttSettings, m_mqttPassword);
    }
}

void Notifier::configure(const NotifySettings &mail, const QString &mailPassword,
                         const MqttSettings &mqtt, const QString &mqttPassword)
{
    m_mailSettings = mail;
    m_mailPassword = mailPassword;
    applyRules();
    m_mail->setServer(SmtpServer::from(mail, mailPassword));

    const bool restart = mqtt != m_mqttSettings || mqttPassword != m_mqttPassword ||
                         m_mqtt->isRunning() != mqtt.enabled;
    m_mqttSettings = mqtt;
    m_mqttPassword = mqttPassword;
    if (restart) {
        m_mqtt->stop();
        const QString projectName = m_rules.directory().projectName();
        const QString prefix = mqtt.effectivePrefix(projectName);
        const QString problem = NotifySettingsCheck::mqttProblem(mqtt);
        if (mqtt.enabled && !problem.isEmpty()) {
            // A hand-edited project file; the dialog never stores such settings.
            fail(QStringLiteral("mqtt"), problem);
        } else if (mqtt.enabled) {
            MqttPublisher::Options o;
            o.host = mqtt.host;
            o.port = mqtt.port;
            o.tls = mqtt.tls;
            o.caFile = mqtt.caFile;
            o.user = mqtt.user;
            o.password = mqttPassword;
            o.clientId = mqtt.effectiveClientId(projectName);
            o.prefix = prefix;
            o.discoveryPrefix = mqtt.discoveryPrefix;
            o.discovery = mqtt.discovery;
            m_mqtt->start(o);
        }
    }
    if (mail.mailEnabled || mqtt.enabled)
        m_timer.start();
    else
        m_timer.stop();
}

void Notifier::applyRules()
{
    NotificationRules::Options o = m_rules.options();
    o.alarmDelaySecs = m_mailSettings.alarmDelayMinutes * 60;
    o.endHysteresis = m_mailSettings.endHysteresis;
    o.mailCategories = m_mailSettings.mailEnabled ? m_mailSettings.categories : 0;
    m_rules.setOptions(o);
}

void Notifier::reading(const QString &serial, qint64 unixSeconds, double value1, double value2,
                       bool alarm1, bool alarm2)
{
    publishEvents(m_rules.reading(serial, unixSeconds, value1, value2, alarm1, alarm2));
    if (m_mqtt->isRunning())
        m_mqtt->publishReading(serial, unixSeconds, value1, value2, alarm1, alarm2);
}

void Notifier::event(const EventRecord &event)
{
    publishEvents(m_rules.event(event, m_clock()));
}

void Notifier::tick(qint64 now)
{
    publishEvents(m_rules.tick(now));
    const QVector<EventRecord> batch = m_rules.takeMail(now);
    if (!batch.isEmpty())
        sendMail(batch, now);
}

void Notifier::publishEvents(const QVector<EventRecord> &events)
{
    if (!m_mqtt->isRunning())
        return;
    for (const EventRecord &e : events)
        m_mqtt->publishEvent(MqttPayload::event(e, m_rules.directory()));
}

void Notifier::sendMail(const QVector<EventRecord> &events, qint64 now)
{
    const ProjectDirectory &dir = m_rules.directory();
    m_droppedMails += m_rules.takeDroppedMailEvents();
    MailMessage mail;
    mail.from = m_mailSettings.sender;
    mail.to = m_mailSettings.recipients;
    mail.date = now;
    if (events.size() == 1) {
        mail.subject = MailFormat::subject(events.first(), dir);
        mail.body = MailFormat::body(events.first(), dir, m_hostName);
    } else {
        mail.subject = MailFormat::digestSubject(events, dir);
        mail.body = MailFormat::digestBody(events, dir, m_hostName);
    }
    if (m_droppedMails > 0) {
        mail.body.prepend(MailFormat::droppedNote(m_droppedMails));
        m_droppedMails = 0;
    }
    m_mail->send(mail);
}

void Notifier::fail(const QString &via, const QString &message)
{
    qCWarning(lcNotify) << "Notifier :" << via << message;
    EventRecord e;
    e.time = m_clock();
    e.kind = EventKind::NotifyFailed;
    e.detail = QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("via"), via},
                                                           {QStringLiteral("message"), message}})
                                     .toJson(QJsonDocument::Compact));
    emit notifyFailed(e);
}
