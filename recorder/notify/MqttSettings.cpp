#include "MqttSettings.h"

#include "TopicName.h"

#include <QSettings>
#include <QSysInfo>

namespace {
const QString Group = QStringLiteral("Mqtt");
}

MqttSettings MqttSettings::load(const QString &projectPath)
{
    MqttSettings s;
    QSettings file(projectPath, QSettings::IniFormat);
    file.beginGroup(Group);
    s.enabled = file.value(QStringLiteral("Enabled"), false).toBool();
    s.host = file.value(QStringLiteral("Host")).toString().trimmed();
    s.tls = file.value(QStringLiteral("Tls"), false).toBool();
    bool ok = false;
    const int port = file.value(QStringLiteral("Port")).toInt(&ok);
    s.port = ok && port > 0 && port < 65536 ? port : defaultPort(s.tls);
    s.caFile = file.value(QStringLiteral("CaFile")).toString();
    s.user = file.value(QStringLiteral("User")).toString();
    s.clientId = file.value(QStringLiteral("ClientId")).toString().trimmed();
    s.topicPrefix = file.value(QStringLiteral("TopicPrefix")).toString().trimmed();
    const QString discovery = file.value(QStringLiteral("DiscoveryPrefix")).toString().trimmed();
    if (!discovery.isEmpty())
        s.discoveryPrefix = discovery;
    s.discovery = file.value(QStringLiteral("Discovery"), true).toBool();
    return s;
}

bool MqttSettings::save(const QString &projectPath) const
{
    QSettings file(projectPath, QSettings::IniFormat);
    file.beginGroup(Group);
    file.setValue(QStringLiteral("Enabled"), enabled);
    file.setValue(QStringLiteral("Host"), host);
    file.setValue(QStringLiteral("Port"), port);
    file.setValue(QStringLiteral("Tls"), tls);
    file.setValue(QStringLiteral("CaFile"), caFile);
    file.setValue(QStringLiteral("User"), user);
    file.setValue(QStringLiteral("ClientId"), clientId);
    file.setValue(QStringLiteral("TopicPrefix"), topicPrefix);
    file.setValue(QStringLiteral("DiscoveryPrefix"), discoveryPrefix);
    file.setValue(QStringLiteral("Discovery"), discovery);
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}

QString MqttSettings::secretAccount() const
{
    if (user.isEmpty())
        return QString();
    return user + QLatin1Char('@') + host;
}

QString MqttSettings::effectivePrefix(const QString &projectName) const
{
    return topicPrefix.isEmpty() ? TopicName::defaultPrefix(projectName) : topicPrefix;
}

QString MqttSettings::effectiveClientId(const QString &projectName) const
{
    if (!clientId.isEmpty())
        return clientId;
    // Two recorders on one broker must not share an id, or each would
    // throw the other off at every reconnect.
    return QStringLiteral("moravin-") + TopicName::safeLevel(QSysInfo::machineHostName()) +
           QLatin1Char('-') + TopicName::safeLevel(projectName);
}

bool MqttSettings::operator==(const MqttSettings &o) const
{
    return enabled == o.enabled && host == o.host && port == o.port && tls == o.tls &&
           caFile == o.caFile && user == o.user && clientId == o.clientId &&
           topicPrefix == o.topicPrefix && discoveryPrefix == o.discoveryPrefix &&
           discovery == o.discovery;
}
