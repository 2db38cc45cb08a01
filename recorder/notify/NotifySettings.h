#pragma once

#include <QString>
#include <QStringList>

// A project's e-mail notification settings and the rules shared with MQTT
// (alarm delay, end hysteresis), kept in the project file's [Notify] group.
// The SMTP password is never stored here (see SecretStore).
struct NotifySettings
{
    enum class Security
    {
        None,
        StartTls,
        Tls // TLS from the first byte ("smtps")
    };

    // Which events send a mail. Each category covers one or more event kinds.
    enum Category
    {
        AlarmBegin = 0x01,
        AlarmEnd = 0x02,
        CommLost = 0x04,             // comm_lost, and comm_back as its all-clear
        RecordingInterrupted = 0x08, // record_resume, write_failed, write_recovered
        StorageWarning = 0x10,       // disk_warning, size_warning
        AutoStop = 0x20,             // size_stop
        AllCategories = 0x3f
    };

    bool mailEnabled = false;
    QString host;
    int port = 587;
    Security security = Security::StartTls;
    QString user;
    QString caFile; // empty: the system's certificate authorities
    QString sender;
    QStringList recipients;
    int categories = AllCategories;
    int alarmDelayMinutes = 0;
    double endHysteresis = 0;

    // Missing keys read as the defaults above.
    static NotifySettings load(const QString &projectPath);
    bool save(const QString &projectPath) const;

    bool notifies(const QString &kind) const { return (categories & categoryOf(kind)) != 0; }
    // The account the password is kept under; empty when no user is set.
    QString secretAccount() const;

    // 0 for kinds that never send a mail (acknowledge, notify_failed...).
    static int categoryOf(const QString &kind);
    static int defaultPort(Security security);
    static QString securityWord(Security security);
    static Security securityFromWord(const QString &word);
    // Addresses separated by commas, semicolons or blanks.
    static QStringList parseRecipients(const QString &text);

    bool operator==(const NotifySettings &o) const;
    bool operator!=(const NotifySettings &o) const { return !(*this == o); }
};
