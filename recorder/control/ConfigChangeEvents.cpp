#include "ConfigChangeEvents.h"

#include "events/EventDetail.h"

namespace {

EventRecord change(qint64 now, const QString &serialNo, int channel, const QString &field,
                   const QJsonValue &oldValue, const QJsonValue &newValue)
{
    EventRecord e = EventRecord::of(now, EventKind::ConfigChange, serialNo, channel);
    e.detail = EventDetail::change(field, oldValue, newValue);
    return e;
}

// Limits are single precision: 30.1f is stored as 30.1, not 30.100000381.
QJsonValue limitValue(float limit)
{
    return QString::number(double(limit), 'g', 7).toDouble();
}

QString title(const DeviceSettings &d)
{
    return d.deviceName.isEmpty() ? d.deviceNumber : d.deviceName;
}

void compareDevice(QVector<EventRecord> *events, qint64 now, const DeviceSettings &o,
                   const DeviceSettings &n)
{
    const QString &serial = n.deviceNumber;
    const auto text = [&](const char *field, int channel, const QString &a, const QString &b) {
        if (a != b)
            events->append(change(now, serial, channel, QLatin1String(field), a, b));
    };
    const auto code = [&](const char *field, int channel, int a, int b) {
        if (a != b)
            events->append(change(now, serial, channel, QLatin1String(field), a, b));
    };
    const auto limit = [&](const char *field, int channel, float a, float b) {
        if (a != b)
            events->append(
                change(now, serial, channel, QLatin1String(field), limitValue(a), limitValue(b)));
    };
    text("DeviceName", 0, o.deviceName, n.deviceName);
    text("Ch1Name", 1, o.ch1Name, n.ch1Name);
    text("Ch2Name", 2, o.ch2Name, n.ch2Name);
    code("ch1_unit", 1, o.ch1Unit, n.ch1Unit);
    code("ch2_unit", 2, o.ch2Unit, n.ch2Unit);
    text("ch1_custom", 1, o.ch1Custom, n.ch1Custom);
    text("ch2_custom", 2, o.ch2Custom, n.ch2Custom);
    limit("ch1_min", 1, o.ch1Min, n.ch1Min);
    limit("ch1_max", 1, o.ch1Max, n.ch1Max);
    limit("ch2_min", 2, o.ch2Min, n.ch2Min);
    limit("ch2_max", 2, o.ch2Max, n.ch2Max);
    text("buzzerAlarm", 0, o.buzzerAlarm, n.buzzerAlarm);
}

const DeviceSettings *find(const QList<DeviceSettings> &devices, const QString &serialNo)
{
    for (const DeviceSettings &d : devices) {
        if (d.deviceNumber == serialNo)
            return &d;
    }
    return nullptr;
}

} // namespace

QVector<EventRecord> ConfigChangeEvents::compare(const QList<DeviceSettings> &before,
                                                 int intervalBefore,
                                                 const QList<DeviceSettings> &after,
                                                 int intervalAfter, qint64 now)
{
    QVector<EventRecord> events;
    if (intervalBefore != intervalAfter) {
        events.append(change(now, QString(), 0, QStringLiteral("DataInterval"), intervalBefore,
                             intervalAfter));
    }
    for (const DeviceSettings &o : before) {
        if (!find(after, o.deviceNumber)) {
            events.append(change(now, o.deviceNumber, 0, QStringLiteral("device"), title(o),
                                 QJsonValue::Null));
        }
    }
    for (const DeviceSettings &n : after) {
        if (const DeviceSettings *o = find(before, n.deviceNumber))
            compareDevice(&events, now, *o, n);
        else
            events.append(change(now, n.deviceNumber, 0, QStringLiteral("device"), QJsonValue::Null,
                                 title(n)));
    }
    return events;
}
