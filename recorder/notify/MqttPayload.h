#pragma once

#include "events/EventRecord.h"

#include <QByteArray>
#include <QString>

class ProjectDirectory;
struct DeviceSettings;

// What the recorder publishes: topics, the JSON of readings and events,
// and the Home Assistant discovery configs of the channels.
class MqttPayload
{
public:
    // <prefix>/<serial>/channel1 or .../channel2
    static QString readingTopic(const QString &prefix, const QString &serial, int channel);
    static QString eventTopic(const QString &prefix);
    static QString statusTopic(const QString &prefix);
    // <discovery>/sensor/moravin_<serial>_<channel>/config
    static QString discoveryTopic(const QString &discoveryPrefix, const QString &serial,
                                  int channel);
    // moravin_<serial>_<channel>: object id and unique id in Home Assistant.
    static QString objectId(const QString &serial, int channel);

    // Writes {"time":..,"unix":..,"value":..|null,"unit":..,"alarm":..} into
    // out, reusing its storage: called for every reading. unitJson is the
    // unit as a JSON string literal, quotes included (see jsonString).
    static void reading(QByteArray &out, qint64 unixSeconds, double value,
                        const QByteArray &unitJson, bool alarm);
    static QByteArray event(const EventRecord &event, const ProjectDirectory &dir);
    static QByteArray discoveryConfig(const DeviceSettings &device, int channel,
                                      const QString &prefix);

    // ISO 8601 local time with its offset: "2024-05-01T03:12:44+02:00".
    static void isoTime(QByteArray &out, qint64 unixSeconds);
    static QByteArray isoTime(qint64 unixSeconds);
    // A JSON number, shortest form that reads back the same; null for NoValue.
    static void number(QByteArray &out, double value);
    static QByteArray jsonString(const QString &text);

    // Units as Home Assistant expects them ("%" for humidity).
    static QString unit(int unitCode, const QString &customText);
    // "temperature", "humidity" or empty.
    static QString deviceClass(int unitCode);
};
