#pragma once

#include "ServerProcess.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An SMTP server for one test: `python3 -m aiosmtpd` on a free port of
// 127.0.0.1 with a handler that stores each message as a JSON file (see
// moravin_smtp_store.py), plain, with STARTTLS or with TLS from the start;
// as an unprivileged user when the tests run as root.
class SmtpTestServer
{
public:
    enum class Security
    {
        None,
        StartTls,
        Tls
    };
    struct Options
    {
        Security security = Security::None;
        QString certFile;
        QString keyFile;
        // A login is offered (after STARTTLS only) and this one accepted.
        QString user;
        QString password;
        QStringList refusedRecipients;
        quint16 port = 0; // 0: a free one
    };

    bool start() { return start(Options{}); }
    bool start(const Options &options);
    void stop() { m_process.stop(); }
    quint16 port() const { return m_port; }

    // The stored messages, oldest first: "mail_from", "rcpt_tos",
    // "subject" (decoded), "headers", "raw_headers", "body" (decoded), "tls", "login".
    QList<QJsonObject> messages() const;
    int messageCount() const;
    QString output() { return m_process.output(); }
    QString error() const { return m_error; }

    // The Python that has aiosmtpd: Debian's, also when another one comes first in PATH.
    static QString python();

private:
    QTemporaryDir m_dir;
    ServerProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
