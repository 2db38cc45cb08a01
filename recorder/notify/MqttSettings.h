#pragma once

#include <QString>

// A project's MQTT broker settings, kept in the project file's [Mqtt] group.
// The broker password is never stored here (see SecretStore).
struct MqttSettings
{
    bool enabled = false;
    QString host;
    int port = 1883;
    bool tls = false;
    QString caFile; // empty: the system's certificate authorities
    QString user;
    QString clientId;    // empty: made from the host name and the project
    QString topicPrefix; // empty: "moravin/<project>"
    QString discoveryPrefix = QStringLiteral("homeassistant");
    bool discovery = true;

    static MqttSettings load(const QString &projectPath);
    bool save(const QString &projectPath) const;

    QString secretAccount() const;
    // The prefix in use: the configured one, or the default for the project.
    QString effectivePrefix(const QString &projectName) const;
    QString effectiveClientId(const QString &projectName) const;
    static int defaultPort(bool tls) { return tls ? 8883 : 1883; }

    bool operator==(const MqttSettings &o) const;
    bool operator!=(const MqttSettings &o) const { return !(*this == o); }
};
