#include "SmtpTransfer.h"

#include <curl/curl.h>

#include <cstring>

namespace {
struct Upload
{
    const QByteArray *data;
    qsizetype offset = 0;
};

size_t readBody(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const size_t room = size * count;
    const size_t left = size_t(upload->data->size() - upload->offset);
    const size_t n = qMin(room, left);
    std::memcpy(buffer, upload->data->constData() + upload->offset, n);
    upload->offset += qsizetype(n);
    return n;
}

int progress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool> *>(user)->load() ? 1 : 0;
}

// What the server said, followed through the dialogue: the last reply, and
// which recipients it refused.
struct Transcript
{
    QString pendingRecipient;
    QString lastCommand;
    QString lastReply;
    QString authReply;
    QStringList refused;
    QString refusal; // the reply to the first refused recipient
};

int debug(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *t = static_cast<Transcript *>(user);
    const QString text = QString::fromUtf8(data, int(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT) {
        // Only the command word is kept: AUTH lines carry the password.
        t->lastCommand = text.section(QLatin1Char(' '), 0, 0).toUpper();
        if (text.startsWith(QLatin1String("RCPT TO:"), Qt::CaseInsensitive))
            t->pendingRecipient =
                text.mid(8).remove(QLatin1Char('<')).remove(QLatin1Char('>')).trimmed();
        else
            t->pendingRecipient.clear();
    } else if (type == CURLINFO_HEADER_IN) {
        t->lastReply = text;
        if (t->lastCommand == QLatin1String("AUTH") || text.startsWith(QLatin1String("535")))
            t->authReply = text;
        if (!t->pendingRecipient.isEmpty() && text.size() >= 3 && text.at(0) >= QLatin1Char('4')) {
            t->refused << t->pendingRecipient;
            if (t->refusal.isEmpty())
                t->refusal = text;
        }
        t->pendingRecipient.clear();
    }
    return 0;
}

QString hostForUrl(const QString &host)
{
    return host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
}

QString describe(CURLcode code, const SmtpServer &server, const Transcript &t, const char *detail,
                 bool *permanent)
{
    const QString where = QStringLiteral("%1:%2").arg(server.host).arg(server.port);
    const QString more =
        detail[0] ? QStringLiteral(" (%1)").arg(QString::fromUtf8(detail)) : QString();
    *permanent = true;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        *permanent = false;
        return QStringLiteral("The mail server %1 was not found.").arg(server.host);
    case CURLE_COULDNT_CONNECT:
        *permanent = false;
        return QStringLiteral("The mail server %1 refused the connection.").arg(where);
    case CURLE_OPERATION_TIMEDOUT:
        *permanent = false;
        return QStringLiteral("The mail server %1 did not answer in time.").arg(where);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("The mail server refused the user name or password%1.")
            .arg(t.authReply.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(t.authReply));
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("The certificate of the mail server %1 does not match its name "
                              "or is not trusted%2.")
            .arg(where, more);
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("The TLS handshake with the mail server %1 failed%2; check the "
                              "security setting and the port.")
            .arg(where, more);
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("The mail server %1 does not offer STARTTLS.").arg(where);
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("The CA file %1 cannot be read.").arg(server.caFile);
    case CURLE_ABORTED_BY_CALLBACK:
        *permanent = false;
        return QStringLiteral("Sending was cancelled.");
    default:
        break;
    }
    if (!t.refused.isEmpty())
        return QStringLiteral("The mail server refused the recipient %1 (%2).")
            .arg(t.refused.join(QStringLiteral(", ")), t.refusal);
    // A 5xx reply is final, a 4xx one asks to try again later.
    if (t.lastReply.startsWith(QLatin1Char('5')))
        return QStringLiteral("The mail server refused the mail (%1).").arg(t.lastReply);
    *permanent = false;
    if (t.lastReply.startsWith(QLatin1Char('4')))
        return QStringLiteral("The mail server asked to try again later (%1).").arg(t.lastReply);
    return QStringLiteral("Sending the mail to %1 failed: %2%3.")
        .arg(where, QString::fromUtf8(curl_easy_strerror(code)), more);
}
} // namespace

SmtpTransfer::Result SmtpTransfer::send(const SmtpServer &server, const QString &from,
                                        const QStringList &to, const QByteArray &mime,
                                        const std::atomic<bool> &abort)
{
    Result result;
    CURL *curl = curl_easy_init();
    if (!curl) {
        result.message = QStringLiteral("The mail library could not be started.");
        return result;
    }
    const QByteArray url =
        QStringLiteral("%1://%2:%3")
            .arg(server.security == NotifySettings::Security::Tls ? QStringLiteral("smtps")
                                                                  : QStringLiteral("smtp"),
                 hostForUrl(server.host))
            .arg(server.port)
            .toUtf8();
    const QByteArray user = server.user.toUtf8();
    const QByteArray password = server.password.toUtf8();
    const QByteArray caFile = server.caFile.toUtf8();
    const QByteArray mailFrom = '<' + from.toUtf8() + '>';
    curl_slist *recipients = nullptr;
    for (const QString &r : to)
        recipients = curl_slist_append(recipients, ('<' + r.toUtf8() + '>').constData());

    Upload upload{&mime};
    Transcript transcript;
    char errorText[CURL_ERROR_SIZE] = {0};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(server.connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(server.timeoutMs));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     server.security == NotifySettings::Security::StartTls ? long(CURLUSESSL_ALL)
                                                                           : long(CURLUSESSL_NONE));
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    // One refused address must not keep the mail from the others.
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &abort);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, debug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transcript);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);

    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.lastReplyCode);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);

    result.refused = transcript.refused;
    if (code == CURLE_OK) {
        result.ok = true;
        if (!transcript.refused.isEmpty()) {
            result.permanent = true;
            result.message =
                QStringLiteral("The mail server refused the recipient %1 (%2).")
                    .arg(transcript.refused.join(QStringLiteral(", ")), transcript.refusal);
        }
        return result;
    }
    result.message = describe(code, server, transcript, errorText, &result.permanent);
    return result;
}
