#include "EventText.h"

#include "EventDetail.h"
#include "core/DataInterval.h"

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

namespace {

bool isAlarm(const QString &kind)
{
    return kind == EventKind::AlarmBegin || kind == EventKind::AlarmEnd;
}

bool isStorage(const QString &kind)
{
    return kind == EventKind::DiskWarning || kind == EventKind::SizeWarning ||
           kind == EventKind::SizeStop;
}

QString megabytes(double bytes)
{
    return QString::number(bytes / 1048576.0, 'f', 2) + QStringLiteral(" MB");
}

QString number(const EventRecord &event, double v, const EventNames &names)
{
    if (isStorage(event.kind))
        return megabytes(v);
    const QString unit = names.unit(event.serialNo, event.channel);
    const QString text = QString::number(v, 'f', 2);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

// Which side of the range an alarm went out on.
QString side(const EventRecord &event)
{
    if (event.kind != EventKind::AlarmBegin || !event.value || !event.limit)
        return QString();
    if (*event.value > *event.limit)
        return QStringLiteral("above the upper limit");
    if (*event.value < *event.limit)
        return QStringLiteral("below the lower limit");
    return QString();
}

QString unitName(int code)
{
    static const char *const names[] = {"Undefined", "Temperature(C)", "Temperature(F)", "Humidity",
                                        "Custom"};
    return code >= 0 && code < 5 ? QLatin1String(names[code]) : QString::number(code);
}

QString changedValue(const QString &field, const QJsonValue &v)
{
    if (v.isNull() || v.isUndefined())
        return QStringLiteral("(none)");
    if (field == QLatin1String("DataInterval")) {
        const QString text = DataInterval::intervalText(v.toInt());
        return text.isEmpty() ? QString::number(v.toInt()) + QStringLiteral(" ms") : text;
    }
    if (field.endsWith(QLatin1String("_unit")))
        return unitName(v.toInt());
    if (field.endsWith(QLatin1String("_min")) || field.endsWith(QLatin1String("_max")))
        return QString::number(v.toDouble(), 'f', 2);
    if (v.isString()) {
        const QString s = v.toString();
        return s.isEmpty() ? QStringLiteral("(none)") : QLatin1Char('"') + s + QLatin1Char('"');
    }
    return QString::number(v.toDouble());
}

QString fieldLabel(const QString &field)
{
    static const QHash<QString, QString> labels{
        {QStringLiteral("DeviceName"), QStringLiteral("Device name")},
        {QStringLiteral("Ch1Name"), QStringLiteral("Channel name")},
        {QStringLiteral("Ch2Name"), QStringLiteral("Channel name")},
        {QStringLiteral("ch1_unit"), QStringLiteral("Unit")},
        {QStringLiteral("ch2_unit"), QStringLiteral("Unit")},
        {QStringLiteral("ch1_custom"), QStringLiteral("Custom unit")},
        {QStringLiteral("ch2_custom"), QStringLiteral("Custom unit")},
        {QStringLiteral("ch1_min"), QStringLiteral("Lower limit")},
        {QStringLiteral("ch2_min"), QStringLiteral("Lower limit")},
        {QStringLiteral("ch1_max"), QStringLiteral("Upper limit")},
        {QStringLiteral("ch2_max"), QStringLiteral("Upper limit")},
        {QStringLiteral("buzzerAlarm"), QStringLiteral("Device buzzer")},
        {QStringLiteral("DataInterval"), QStringLiteral("Interval")},
    };
    return labels.value(field, field);
}

QString changeText(const QJsonObject &detail)
{
    const QString field = detail.value(QLatin1String(EventDetail::Field)).toString();
    const QJsonValue oldValue = detail.value(QLatin1String(EventDetail::Old));
    const QJsonValue newValue = detail.value(QLatin1String(EventDetail::New));
    if (field == QLatin1String("device")) {
        if (oldValue.isNull() || oldValue.isUndefined())
            return QStringLiteral("Device added");
        if (newValue.isNull() || newValue.isUndefined())
            return QStringLiteral("Device removed");
    }
    return fieldLabel(field) + QStringLiteral(" changed from ") + changedValue(field, oldValue) +
           QStringLiteral(" to ") + changedValue(field, newValue);
}

} // namespace

QString EventText::title(const QString &kind)
{
    static const QHash<QString, QString> titles{
        {EventKind::AlarmBegin, QStringLiteral("Alarm")},
        {EventKind::AlarmEnd, QStringLiteral("Alarm ended")},
        {EventKind::Ack, QStringLiteral("Alarm acknowledged")},
        {EventKind::CommLost, QStringLiteral("Device not answering")},
        {EventKind::CommBack, QStringLiteral("Device answering again")},
        {EventKind::RecordStart, QStringLiteral("Recording started")},
        {EventKind::RecordStop, QStringLiteral("Recording stopped")},
        {EventKind::RecordResume, QStringLiteral("Recording resumed after an unexpected end")},
        {EventKind::WriteFailed, QStringLiteral("Database write failed")},
        {EventKind::WriteRecovered, QStringLiteral("Database writes recovered")},
        {EventKind::DiskWarning, QStringLiteral("Low disk space")},
        {EventKind::SizeWarning, QStringLiteral("Database near its size limit")},
        {EventKind::SizeStop, QStringLiteral("Recording stopped at the database size limit")},
        {EventKind::ConfigChange, QStringLiteral("Project changed")},
        {EventKind::ServerLost, QStringLiteral("Server connection lost")},
        {EventKind::ServerBack, QStringLiteral("Server connection restored")},
        {EventKind::NotifyFailed, QStringLiteral("Notification failed")},
    };
    return titles.value(kind, kind);
}

QString EventText::time(qint64 unixSeconds)
{
    return QDateTime::fromSecsSinceEpoch(unixSeconds)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString EventText::value(const EventRecord &event, const EventNames &names)
{
    return event.value ? number(event, *event.value, names) : QString();
}

QString EventText::limit(const EventRecord &event, const EventNames &names)
{
    return event.limit ? number(event, *event.limit, names) : QString();
}

QString EventText::note(const EventRecord &event)
{
    QStringList parts;
    const QString crossed = side(event);
    if (!crossed.isEmpty())
        parts << crossed;
    if (event.kind == EventKind::AlarmEnd && !event.value)
        parts << QStringLiteral("no reading");
    const QJsonObject detail = EventDetail::parse(event.detail);
    if (detail.contains(QLatin1String(EventDetail::Field)))
        parts << changeText(detail);
    if (detail.contains(QLatin1String(EventDetail::User)))
        parts << QStringLiteral("by ") + detail.value(QLatin1String(EventDetail::User)).toString();
    if (detail.contains(QLatin1String(EventDetail::LastReading))) {
        const auto last = qint64(detail.value(QLatin1String(EventDetail::LastReading)).toDouble());
        parts << QStringLiteral("last stored reading ") + time(last);
    }
    if (detail.contains(QLatin1String(EventDetail::Error)))
        parts << detail.value(QLatin1String(EventDetail::Error)).toString();
    if (event.repeats > 1) {
        parts << (isAlarm(event.kind) ? QStringLiteral("in and out of alarm %1 times")
                                      : QStringLiteral("%1 times"))
                     .arg(event.repeats);
    }
    return parts.join(QStringLiteral("; "));
}

QString EventText::sentence(const EventRecord &event, const EventNames &names)
{
    QString line = time(event.time) + QLatin1Char(' ');
    const QString subject = names.subject(event.serialNo, event.channel);
    if (!subject.isEmpty())
        line += subject + QStringLiteral(": ");
    line += title(event.kind);
    if (event.value)
        line += QStringLiteral(", ") + value(event, names);
    if (event.limit)
        line += QStringLiteral(" (limit ") + limit(event, names) + QLatin1Char(')');
    const QString extra = note(event);
    if (!extra.isEmpty())
        line += QStringLiteral(", ") + extra;
    return line;
}
