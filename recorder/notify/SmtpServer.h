#pragma once

#include "NotifySettings.h"

#include <QString>

// Where and how one mail is handed over: the server part of the settings
// with the password, and the time limits of a transfer.
struct SmtpServer
{
    QString host;
    int port = 587;
    NotifySettings::Security security = NotifySettings::Security::StartTls;
    QString user;
    QString password;
    QString caFile;
    // A server that accepts and then never answers must not hold the queue.
    int connectTimeoutMs = 15000;
    int timeoutMs = 60000;

    static SmtpServer from(const NotifySettings &settings, const QString &password)
    {
        SmtpServer s;
        s.host = settings.host;
        s.port = settings.port;
        s.security = settings.security;
        s.user = settings.user;
        s.password = password;
        s.caFile = settings.caFile;
        return s;
    }
};
