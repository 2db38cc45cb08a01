#include "NotifySettings.h"

#include "events/EventRecord.h"

#include <QRegularExpression>
#include <QSettings>

namespace {
const QString Group = QStringLiteral("Notify");

struct CategoryKey
{
    NotifySettings::Category category;
    const char *key;
};
const CategoryKey CategoryKeys[] = {
    {NotifySettings::AlarmBegin, "OnAlarmBegin"},
    {NotifySettings::AlarmEnd, "OnAlarmEnd"},
    {NotifySettings::CommLost, "OnCommLost"},
    {NotifySettings::RecordingInterrupted, "OnRecordingInterrupted"},
    {NotifySettings::StorageWarning, "OnStorageWarning"},
    {NotifySettings::AutoStop, "OnAutoStop"},
};
} // namespace

NotifySettings NotifySettings::load(const QString &projectPath)
{
    NotifySettings s;
    QSettings file(projectPath, QSettings::IniFormat);
    file.beginGroup(Group);
    s.mailEnabled = file.value(QStringLiteral("MailEnabled"), false).toBool();
    s.host = file.value(QStringLiteral("SmtpHost")).toString().trimmed();
    s.security = securityFromWord(file.value(QStringLiteral("SmtpSecurity")).toString());
    bool ok = false;
    const int port = file.value(QStringLiteral("SmtpPort")).toInt(&ok);
    s.port = ok && port > 0 && port < 65536 ? port : defaultPort(s.security);
    s.user = file.value(QStringLiteral("SmtpUser")).toString();
    s.caFile = file.value(QStringLiteral("SmtpCaFile")).toString();
    s.sender = file.value(QStringLiteral("Sender")).toString().trimmed();
    // A hand-edited value without quotes reads back as a list.
    s.recipients = parseRecipients(
        file.value(QStringLiteral("Recipients")).toStringList().join(QLatin1Char(',')));
    s.categories = 0;
    for (const CategoryKey &c : CategoryKeys) {
        if (file.value(QLatin1String(c.key), true).toBool())
            s.categories |= c.category;
    }
    s.alarmDelayMinutes = qMax(0, file.value(QStringLiteral("AlarmDelayMinutes"), 0).toInt());
    s.endHysteresis = qMax(0.0, file.value(QStringLiteral("EndHysteresis"), 0.0).toDouble());
    return s;
}

bool NotifySettings::save(const QString &projectPath) const
{
    QSettings file(projectPath, QSettings::IniFormat);
    file.beginGroup(Group);
    file.setValue(QStringLiteral("MailEnabled"), mailEnabled);
    file.setValue(QStringLiteral("SmtpHost"), host);
    file.setValue(QStringLiteral("SmtpPort"), port);
    file.setValue(QStringLiteral("SmtpSecurity"), securityWord(security));
    file.setValue(QStringLiteral("SmtpUser"), user);
    file.setValue(QStringLiteral("SmtpCaFile"), caFile);
    file.setValue(QStringLiteral("Sender"), sender);
    file.setValue(QStringLiteral("Recipients"), recipients.join(QStringLiteral(", ")));
    for (const CategoryKey &c : CategoryKeys)
        file.setValue(QLatin1String(c.key), (categories & c.category) != 0);
    file.setValue(QStringLiteral("AlarmDelayMinutes"), alarmDelayMinutes);
    file.setValue(QStringLiteral("EndHysteresis"), endHysteresis);
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}

QString NotifySettings::secretAccount() const
{
    if (user.isEmpty())
        return QString();
    return user + QLatin1Char('@') + host;
}

int NotifySettings::categoryOf(const QString &kind)
{
    if (kind == EventKind::AlarmBegin)
        return AlarmBegin;
    if (kind == EventKind::AlarmEnd)
        return AlarmEnd;
    if (kind == EventKind::CommLost || kind == EventKind::CommBack)
        return CommLost;
    if (kind == EventKind::RecordResume || kind == EventKind::WriteFailed ||
        kind == EventKind::WriteRecovered)
        return RecordingInterrupted;
    if (kind == EventKind::DiskWarning || kind == EventKind::SizeWarning)
        return StorageWarning;
    if (kind == EventKind::SizeStop)
        return AutoStop;
    return 0;
}

int NotifySettings::defaultPort(Security security)
{
    switch (security) {
    case Security::None:
        return 25;
    case Security::StartTls:
        return 587;
    case Security::Tls:
        return 465;
    }
    return 587;
}

QString NotifySettings::securityWord(Security security)
{
    switch (security) {
    case Security::None:
        return QStringLiteral("none");
    case Security::StartTls:
        return QStringLiteral("starttls");
    case Security::Tls:
        return QStringLiteral("tls");
    }
    return QString();
}

NotifySettings::Security NotifySettings::securityFromWord(const QString &word)
{
    const QString w = word.trimmed().toLower();
    if (w == QLatin1String("none"))
        return Security::None;
    if (w == QLatin1String("tls"))
        return Security::Tls;
    return Security::StartTls;
}

QStringList NotifySettings::parseRecipients(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    QStringList list;
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        if (!list.contains(p, Qt::CaseInsensitive))
            list << p;
    }
    return list;
}

bool NotifySettings::operator==(const NotifySettings &o) const
{
    return mailEnabled == o.mailEnabled && host == o.host && port == o.port &&
           security == o.security && user == o.user && caFile == o.caFile && sender == o.sender &&
           recipients == o.recipients && categories == o.categories &&
           alarmDelayMinutes == o.alarmDelayMinutes && endHysteresis == o.endHysteresis;
}
