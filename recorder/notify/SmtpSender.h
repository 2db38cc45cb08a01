#pragma once

#include "MailMessage.h"
#include "SmtpServer.h"

#include <QObject>
#include <QString>

#include <memory>

// Sends mails through libcurl on a worker thread of its own: the caller
// queues and returns at once. The queue is bounded (the oldest waiting mail
// goes when it is full, and dropped() says so); failures that may heal are
// tried again with growing pauses; every outcome comes back by signal.
class SmtpSender : public QObject
{
    Q_OBJECT
public:
    struct RetryPolicy
    {
        int attempts = 6;
        int firstDelayMs = 30000;
        int maxDelayMs = 600000;
    };

    explicit SmtpSender(QObject *parent = nullptr);
    // Drops the queue (unless finishing it) and returns at once; a transfer
    // under way is cancelled by the worker thread, which then ends by itself.
    ~SmtpSender() override;

    // A waiting retry is tried at once with the new server.
    void setServer(const SmtpServer &server);
    void setCapacity(int mails);
    void setRetryPolicy(const RetryPolicy &policy);

    // For a project that closes: the mails queued get one more try each
    // within timeoutMs, then the worker ends, also after this object is
    // gone (whose destructor then drops nothing). Takes no mail after it.
    void finishQueued(int timeoutMs);

    // Queues mail; attempts 0 means the retry policy's. Returns the mail's id.
    quint64 send(const MailMessage &mail, int attempts = 0);
    int queued() const;

signals:
    void sent(quint64 id);
    // willRetry false: this mail is given up (or went out to only some of
    // its recipients, see the message).
    void problem(quint64 id, const QString &message, bool willRetry);
    void dropped(int count);

private:
    struct Shared;
    static void run(const std::shared_ptr<Shared> &shared);

    // The queue and its worker's state, shared with the worker thread, which
    // keeps it after this object is gone until its transfer has ended.
    std::shared_ptr<Shared> m_shared;
};
