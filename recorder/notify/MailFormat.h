#pragma once

#include "events/EventRecord.h"

#include <QString>
#include <QVector>

class ProjectDirectory;

// The words of notification mails: short subjects that say what happened
// ("ALARM Freezer 1 Temperature 9.4 °C > 8.0 °C"), bodies with project,
// device, channel, value, limit, local time and event, and the digest of
// several events.
class MailFormat
{
public:
    static QString subject(const EventRecord &event, const ProjectDirectory &dir);
    static QString body(const EventRecord &event, const ProjectDirectory &dir,
                        const QString &hostName);
    static QString digestSubject(const QVector<EventRecord> &events, const ProjectDirectory &dir);
    static QString digestBody(const QVector<EventRecord> &events, const ProjectDirectory &dir,
                              const QString &hostName);
    static QString testSubject(const QString &projectName);
    static QString testBody(const QString &projectName, const QString &hostName);
    // The line added to the next mail after the queue had to drop some.
    static QString droppedNote(int count);

    // The first words of a subject, naming the kind: "ALARM", "NO ANSWER"...
    static QString headline(const QString &kind);
    // Two decimals without a trailing zero, at least one: 9.40 -> "9.4",
    // 8 -> "8.0", 9.45 -> "9.45"; NoValue -> "no value".
    static QString number(double value);
    // "yyyy-MM-dd hh:mm:ss (UTC+hh:mm)" in local time.
    static QString localTime(qint64 unixSeconds);

private:
    static QString block(const EventRecord &event, const ProjectDirectory &dir);
    static QString footer(const QString &hostName);
};
