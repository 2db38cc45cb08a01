#include "NotifySettingsCheck.h"

#include "MailMessage.h"
#include "MqttSettings.h"
#include "NotifySettings.h"
#include "TopicName.h"

#include <QFileInfo>

namespace {
QString caFileProblem(const QString &caFile)
{
    if (caFile.isEmpty() || QFileInfo(caFile).isFile())
        return QString();
    return QStringLiteral("The CA file %1 does not exist.").arg(caFile);
}
} // namespace

QString NotifySettingsCheck::mailProblem(const NotifySettings &mail)
{
    if (mail.host.isEmpty())
        return QStringLiteral("Enter the SMTP server.");
    if (mail.sender.isEmpty())
        return QStringLiteral("Enter the sender address.");
    if (!MailMessage::isAddress(mail.sender))
        return QStringLiteral("The sender \"%1\" is not an e-mail address.").arg(mail.sender);
    if (mail.recipients.isEmpty())
        return QStringLiteral("Enter at least one recipient.");
    for (const QString &r : mail.recipients) {
        if (!MailMessage::isAddress(r))
            return QStringLiteral("The recipient \"%1\" is not an e-mail address.").arg(r);
    }
    return caFileProblem(mail.caFile);
}

QString NotifySettingsCheck::mqttProblem(const MqttSettings &mqtt)
{
    if (mqtt.host.isEmpty())
        return QStringLiteral("Enter the broker address.");
    if (!mqtt.topicPrefix.isEmpty()) {
        const QString p =
            TopicName::prefixProblem(mqtt.topicPrefix, QStringLiteral("topic prefix"));
        if (!p.isEmpty())
            return p;
    }
    const QString d =
        TopicName::prefixProblem(mqtt.discoveryPrefix, QStringLiteral("discovery prefix"));
    if (!d.isEmpty())
        return d;
    if (mqtt.clientId.contains(QLatin1Char(' ')))
        return QStringLiteral("The client id must not contain blanks.");
    return mqtt.tls ? caFileProblem(mqtt.caFile) : QString();
}

QString NotifySettingsCheck::problem(const NotifySettings &mail, const MqttSettings &mqtt)
{
    if (mail.mailEnabled) {
        const QString p = mailProblem(mail);
        if (!p.isEmpty())
            return p;
    }
    return mqtt.enabled ? mqttProblem(mqtt) : QString();
}
