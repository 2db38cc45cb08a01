#include "MailFormat.h"

#include "ProjectDirectory.h"

#include "core/NoValue.h"
#include "events/EventText.h"

#include <QDateTime>
#include <QHash>
#include <QMap>

namespace {
QString withUnit(double value, const QString &unit)
{
    const QString n = MailFormat::number(value);
    return unit.isEmpty() || value == NoValue ? n : n + QLatin1Char(' ') + unit;
}

QString line(const char *label, const QString &text)
{
    return QString::fromLatin1(label).leftJustified(10, QLatin1Char(' ')) + text +
           QLatin1Char('\n');
}

bool isDeviceEvent(const EventRecord &e)
{
    return !e.serialNo.isEmpty();
}
} // namespace

QString MailFormat::number(double value)
{
    if (value == NoValue)
        return QStringLiteral("no value");
    QString text = QString::number(value, 'f', 2);
    if (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text == QLatin1String("-0.0") ? QStringLiteral("0.0") : text;
}

QString MailFormat::localTime(qint64 unixSeconds)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(unixSeconds);
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) +
           QStringLiteral(" (UTC%1%2:%3)")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString MailFormat::headline(const QString &kind)
{
    static const QMap<QString, QString> words{
        {EventKind::AlarmBegin, QStringLiteral("ALARM")},
        {EventKind::AlarmEnd, QStringLiteral("ALARM END")},
        {EventKind::Ack, QStringLiteral("ACKNOWLEDGED")},
        {EventKind::CommLost, QStringLiteral("NO ANSWER")},
        {EventKind::CommBack, QStringLiteral("ANSWERING")},
        {EventKind::RecordStart, QStringLiteral("STARTED")},
        {EventKind::RecordStop, QStringLiteral("STOPPED")},
        {EventKind::RecordResume, QStringLiteral("RESUMED")},
        {EventKind::WriteFailed, QStringLiteral("WRITE FAILED")},
        {EventKind::WriteRecovered, QStringLiteral("WRITE OK")},
        {EventKind::DiskWarning, QStringLiteral("WARNING")},
        {EventKind::SizeWarning, QStringLiteral("WARNING")},
        {EventKind::SizeStop, QStringLiteral("STOPPED")},
        {EventKind::ConfigChange, QStringLiteral("CHANGED")},
        {EventKind::ServerLost, QStringLiteral("SERVER LOST")},
        {EventKind::ServerBack, QStringLiteral("SERVER BACK")},
        {EventKind::NotifyFailed, QStringLiteral("NOT SENT")},
    };
    return words.value(kind, kind.toUpper());
}

QString MailFormat::subject(const EventRecord &e, const ProjectDirectory &dir)
{
    QString s = headline(e.kind);
    if (!isDeviceEvent(e))
        return s + QLatin1Char(' ') + dir.projectName();
    s += QLatin1Char(' ') + dir.deviceName(e.serialNo);
    if (e.channel == 0)
        return s;
    s += QLatin1Char(' ') + dir.channelName(e.serialNo, e.channel);
    const QString unit = dir.unitText(e.serialNo, e.channel);
    if (e.value && *e.value != NoValue) {
        s += QLatin1Char(' ') + withUnit(*e.value, unit);
        if (e.kind == EventKind::AlarmBegin && e.limit)
            s += (*e.value > *e.limit ? QStringLiteral(" > ") : QStringLiteral(" < ")) +
                 withUnit(*e.limit, unit);
    }
    return s;
}

QString MailFormat::block(const EventRecord &e, const ProjectDirectory &dir)
{
    QString b = EventText::title(e.kind) + QStringLiteral("\n\n");
    b += line("Project:", dir.projectName());
    if (isDeviceEvent(e)) {
        b += line("Device:", dir.deviceName(e.serialNo) == e.serialNo
                                 ? e.serialNo
                                 : dir.deviceName(e.serialNo) +
                                       QStringLiteral(" (serial %1)").arg(e.serialNo));
        if (e.channel != 0)
            b += line("Channel:", dir.channelName(e.serialNo, e.channel) +
                                      QStringLiteral(" (channel %1)").arg(e.channel));
    }
    const QString unit = dir.unitText(e.serialNo, e.channel);
    if (e.value)
        b += line("Value:", withUnit(*e.value, unit));
    if (e.limit) {
        QString which;
        if (e.value && *e.value != NoValue && e.kind == EventKind::AlarmBegin)
            which = *e.value > *e.limit ? QStringLiteral(" (upper limit)")
                                        : QStringLiteral(" (lower limit)");
        b += line("Limit:", withUnit(*e.limit, unit) + which);
    }
    b += line("Time:", localTime(e.time));
    b += line("Event:", e.kind);
    if (e.repeats > 1)
        b += line("Repeats:", QString::number(e.repeats));
    if (!e.detail.isEmpty())
        b += line("Details:", e.detail);
    return b;
}

QString MailFormat::footer(const QString &hostName)
{
    return QStringLiteral("\n-- \nSent by Moravin Lite on %1.\n").arg(hostName);
}

QString MailFormat::body(const EventRecord &e, const ProjectDirectory &dir, const QString &hostName)
{
    return block(e, dir) + footer(hostName);
}

QString MailFormat::digestSubject(const QVector<EventRecord> &events, const ProjectDirectory &dir)
{
    // Counted by headline, in the order they first occurred.
    QStringList order;
    QHash<QString, int> counts;
    for (const EventRecord &e : events) {
        const QString h = headline(e.kind);
        if (!counts.contains(h))
            order << h;
        ++counts[h];
    }
    QStringList parts;
    for (const QString &h : qAsConst(order))
        parts << QStringLiteral("%1 %2").arg(counts.value(h)).arg(h);
    return QStringLiteral("%1 EVENTS %2: %3")
        .arg(events.size())
        .arg(dir.projectName(), parts.join(QStringLiteral(", ")));
}

QString MailFormat::digestBody(const QVector<EventRecord> &events, const ProjectDirectory &dir,
                               const QString &hostName)
{
    QString b =
        QStringLiteral("%1 events in project %2:\n\n").arg(events.size()).arg(dir.projectName());
    for (const EventRecord &e : events)
        b += QStringLiteral("- ") + subject(e, dir) + QStringLiteral(", ") + localTime(e.time) +
             QLatin1Char('\n');
    for (const EventRecord &e : events)
        b += QStringLiteral("\n----\n\n") + block(e, dir);
    return b + footer(hostName);
}

QString MailFormat::testSubject(const QString &projectName)
{
    return QStringLiteral("TEST Moravin Lite %1").arg(projectName);
}

QString MailFormat::testBody(const QString &projectName, const QString &hostName)
{
    return QStringLiteral("This is a test message of the e-mail notifications of project %1.\n"
                          "If you can read it, alarms and events of the project reach you "
                          "here.\n")
               .arg(projectName) +
           footer(hostName);
}

QString MailFormat::droppedNote(int count)
{
    return QStringLiteral("Note: %1 earlier notification(s) could not be sent in time and "
                          "were dropped.\n\n")
        .arg(count);
}
