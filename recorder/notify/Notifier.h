#pragma once

#include "MqttSettings.h"
#include "NotificationRules.h"
#include "NotifySettings.h"

#include "core/DeviceSettings.h"
#include "events/EventRecord.h"

#include <QObject>
#include <QTimer>

#include <functional>

class MqttPublisher;
class SmtpSender;

// The notifications of one open project: readings and log events go in,
// mails and MQTT messages go out, by the rules of NotificationRules. Nothing
// here waits for the network; failures come back as notify_failed records
// for the event log.
class Notifier : public QObject
{
    Q_OBJECT
public:
    explicit Notifier(QObject *parent = nullptr);
    // Mails still gathering for a digest are sent, and the sender finishes
    // its queue on its own thread (within FinishMailMs); returns at once.
    ~Notifier() override;

    // Before configure(); again whenever the devices or their settings change.
    void setProject(const QString &projectName, const QList<DeviceSettings> &devices);
    // Starts, restarts or stops the mail and MQTT sides. The passwords are
    // the ones kept in the SecretStore (empty when no user is set).
    void configure(const NotifySettings &mail, const QString &mailPassword,
                   const MqttSettings &mqtt, const QString &mqttPassword);

    // One answer of a device with the alarm flags it evaluated (NoValue for
    // a missing reading).
    void reading(const QString &serial, qint64 unixSeconds, double value1, double value2,
                 bool alarm1, bool alarm2);
    // An event of the log (alarm begin and end are derived from readings).
    void event(const EventRecord &event);
    // Due delayed alarms and digests; the own timer calls it every second.
    void tick(qint64 now);
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    SmtpSender *mailSender() const { return m_mail; }
    MqttPublisher *publisher() const { return m_mqtt; }
    const NotificationRules &rules() const { return m_rules; }

signals:
    // A notify_failed record for the event log.
    void notifyFailed(const EventRecord &event);
    void mqttStateChanged(bool connected, const QString &message);

private:
    void sendMail(const QVector<EventRecord> &events, qint64 now);
    void publishEvents(const QVector<EventRecord> &events);
    void fail(const QString &via, const QString &message);
    void applyRules();

    NotificationRules m_rules;
    NotifySettings m_mailSettings;
    QString m_mailPassword;
    MqttSettings m_mqttSettings;
    QString m_mqttPassword;
    SmtpSender *m_mail;
    MqttPublisher *m_mqtt;
    QTimer m_timer;
    std::function<qint64()> m_clock;
    QString m_hostName;
    int m_droppedMails = 0;
};
