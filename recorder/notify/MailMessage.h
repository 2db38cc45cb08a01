#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One plain-text mail as it goes over SMTP: RFC 5322 headers (non-ASCII
// subjects as RFC 2047 encoded words), a UTF-8 body in quoted-printable,
// CRLF line ends.
struct MailMessage
{
    QString from; // a bare address
    QStringList to;
    QString subject;
    QString body;      // lines end in "\n"
    qint64 date = 0;   // Unix seconds
    QString messageId; // without angle brackets

    QByteArray toMime() const;

    // The header text of a subject: as it is when it is printable ASCII,
    // otherwise UTF-8 encoded words, folded. Line breaks never get through.
    static QByteArray encodeHeader(const QString &text);
    static QByteArray quotedPrintable(const QByteArray &utf8);
    // "Wed, 01 May 2024 03:12:44 +0200" in local time.
    static QByteArray rfc5322Date(qint64 unixSeconds);
    // A plain check of an address as typed into the dialog.
    static bool isAddress(const QString &text);
    static QString newMessageId();
};
