#pragma once

#include "SmtpServer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

// One mail handed to an SMTP server through libcurl, blocking: for the
// sender's worker thread only. Failures come back as a sentence for the
// user and whether trying again could help.
class SmtpTransfer
{
public:
    struct Result
    {
        bool ok = false;
        bool permanent = false; // a wrong password or address does not heal by waiting
        QString message;        // empty when all went well
        QStringList refused;    // recipients the server refused (others may have got it)
        long lastReplyCode = 0;
    };

    // Ends within about a second once abort becomes true.
    static Result send(const SmtpServer &server, const QString &from, const QStringList &to,
                       const QByteArray &mime, const std::atomic<bool> &abort);
};
