#include "MqttPayload.h"

#include "ProjectDirectory.h"
#include "TopicName.h"

#include "core/ChannelUnit.h"
#include "core/DeviceSettings.h"
#include "core/NoValue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <ctime>

QString MqttPayload::readingTopic(const QString &prefix, const QString &serial, int channel)
{
    return prefix + QLatin1Char('/') + TopicName::safeLevel(serial) +
           QStringLiteral("/channel%1").arg(channel);
}

QString MqttPayload::eventTopic(const QString &prefix)
{
    return prefix + QStringLiteral("/events");
}

QString MqttPayload::statusTopic(const QString &prefix)
{
    return prefix + QStringLiteral("/status");
}

QString MqttPayload::objectId(const QString &serial, int channel)
{
    return QStringLiteral("moravin_%1_%2").arg(TopicName::asciiId(serial)).arg(channel);
}

QString MqttPayload::discoveryTopic(const QString &discoveryPrefix, const QString &serial,
                                    int channel)
{
    return discoveryPrefix + QStringLiteral("/sensor/") + objectId(serial, channel) +
           QStringLiteral("/config");
}

void MqttPayload::isoTime(QByteArray &out, qint64 unixSeconds)
{
    const time_t t = time_t(unixSeconds);
    struct tm local;
    localtime_r(&t, &local);
    const long offset = local.tm_gmtoff / 60;
    const long a = offset < 0 ? -offset : offset;
    char text[40];
    const int n =
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                      local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', a / 60, a % 60);
    out.append(text, n);
}

QByteArray MqttPayload::isoTime(qint64 unixSeconds)
{
    QByteArray out;
    isoTime(out, unixSeconds);
    return out;
}

void MqttPayload::number(QByteArray &out, double value)
{
    if (value == NoValue || !std::isfinite(value)) {
        out.append("null", 4);
        return;
    }
    // Readings carry two decimals; more digits would only show binary noise.
    char text[40];
    int n = std::snprintf(text, sizeof text, "%.2f", value);
    while (n > 0 && text[n - 1] == '0')
        --n;
    if (n > 0 && text[n - 1] == '.')
        --n;
    if (n == 2 && text[0] == '-' && text[1] == '0') {
        out.append('0');
        return;
    }
    out.append(text, n);
}

QByteArray MqttPayload::jsonString(const QString &text)
{
    // QJsonDocument escapes exactly as JSON wants; strip the array around it.
    QByteArray doc = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return doc.mid(1, doc.size() - 2);
}

void MqttPayload::reading(QByteArray &out, qint64 unixSeconds, double value,
                          const QByteArray &unitJson, bool alarm)
{
    out.resize(0);
    out.append("{\"time\":\"", 9);
    isoTime(out, unixSeconds);
    out.append("\",\"unix\":", 9);
    char text[24];
    out.append(text, std::snprintf(text, sizeof text, "%lld", static_cast<long long>(unixSeconds)));
    out.append(",\"value\":", 9);
    number(out, value);
    out.append(",\"unit\":", 8);
    out.append(unitJson);
    out.append(alarm ? ",\"alarm\":true}" : ",\"alarm\":false}");
}

QByteArray MqttPayload::event(const EventRecord &e, const ProjectDirectory &dir)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), QString::fromLatin1(isoTime(e.time)));
    o.insert(QStringLiteral("unix"), e.time);
    o.insert(QStringLiteral("kind"), e.kind);
    o.insert(QStringLiteral("project"), dir.projectName());
    if (!e.serialNo.isEmpty()) {
        o.insert(QStringLiteral("serial"), e.serialNo);
        o.insert(QStringLiteral("device"), dir.deviceName(e.serialNo));
    }
    if (e.channel != 0) {
        o.insert(QStringLiteral("channel"), e.channel);
        o.insert(QStringLiteral("channel_name"), dir.channelName(e.serialNo, e.channel));
        const DeviceSettings *d = dir.device(e.serialNo);
        if (d)
            o.insert(QStringLiteral("unit"), e.channel == 1 ? unit(d->ch1Unit, d->ch1Custom)
                                                            : unit(d->ch2Unit, d->ch2Custom));
    }
    const auto valueOf = [](const std::optional<double> &v) {
        return v && *v != NoValue && std::isfinite(*v) ? QJsonValue(*v) : QJsonValue();
    };
    if (e.value)
        o.insert(QStringLiteral("value"), valueOf(e.value));
    if (e.limit)
        o.insert(QStringLiteral("limit"), valueOf(e.limit));
    if (!e.detail.isEmpty()) {
        // Details of changes are JSON themselves; anything else goes as text.
        const QJsonDocument detail = QJsonDocument::fromJson(e.detail.toUtf8());
        o.insert(QStringLiteral("detail"),
                 detail.isObject() ? QJsonValue(detail.object()) : QJsonValue(e.detail));
    }
    if (e.repeats > 1)
        o.insert(QStringLiteral("repeats"), e.repeats);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray MqttPayload::discoveryConfig(const DeviceSettings &d, int channel, const QString &prefix)
{
    const QString id = objectId(d.deviceNumber, channel);
    const QString channelName = channel == 1 ? d.ch1Name : d.ch2Name;
    const int code = channel == 1 ? d.ch1Unit : d.ch2Unit;
    const QString u = unit(code, channel == 1 ? d.ch1Custom : d.ch2Custom);

    QJsonObject device;
    device.insert(QStringLiteral("identifiers"),
                  QJsonArray{QStringLiteral("moravin_") + TopicName::asciiId(d.deviceNumber)});
    device.insert(QStringLiteral("name"), d.deviceName.isEmpty() ? d.deviceNumber : d.deviceName);
    device.insert(QStringLiteral("manufacturer"), QStringLiteral("Kelvantis"));
    device.insert(QStringLiteral("model"), d.deviceInterface == DeviceSettings::Usb
                                               ? QStringLiteral("USB sensing device")
                                               : QStringLiteral("LAN sensing device"));
    device.insert(QStringLiteral("serial_number"), d.deviceNumber);

    QJsonObject o;
    o.insert(QStringLiteral("name"),
             channelName.isEmpty() ? QStringLiteral("Channel %1").arg(channel) : channelName);
    o.insert(QStringLiteral("unique_id"), id);
    o.insert(QStringLiteral("object_id"), id);
    o.insert(QStringLiteral("state_topic"), readingTopic(prefix, d.deviceNumber, channel));
    o.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.value }}"));
    o.insert(QStringLiteral("json_attributes_topic"),
             readingTopic(prefix, d.deviceNumber, channel));
    o.insert(QStringLiteral("availability_topic"), statusTopic(prefix));
    o.insert(QStringLiteral("payload_available"), QStringLiteral("online"));
    o.insert(QStringLiteral("payload_not_available"), QStringLiteral("offline"));
    o.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    if (!u.isEmpty())
        o.insert(QStringLiteral("unit_of_measurement"), u);
    const QString cls = deviceClass(code);
    if (!cls.isEmpty())
        o.insert(QStringLiteral("device_class"), cls);
    o.insert(QStringLiteral("device"), device);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString MqttPayload::unit(int unitCode, const QString &customText)
{
    // Home Assistant knows relative humidity by "%".
    return unitCode == 3 ? QStringLiteral("%") : ChannelUnit::symbol(unitCode, customText);
}

QString MqttPayload::deviceClass(int unitCode)
{
    switch (unitCode) {
    case 1:
    case 2:
        return QStringLiteral("temperature");
    case 3:
        return QStringLiteral("humidity");
    default:
        return QString();
    }
}
