#pragma once

#include "MailMessage.h"
#include "SmtpServer.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class QThread;

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
    // Cancels a transfer under way (within about a second) and drops the queue.
    ~SmtpSender() override;

    // A waiting retry is tried at once with the new server.
    void setServer(const SmtpServer &server);
    void setCapacity(int mails);
    void setRetryPolicy(const RetryPolicy &policy);

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
    using Clock = std::chrono::steady_clock;
    struct Job
    {
        quint64 id = 0;
        MailMessage mail;
        QByteArray mime;
        int attempts = 0;
        int maxAttempts = 1;
        Clock::time_point notBefore;
    };

    void run();
    void report(const std::function<void()> &emitter);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_queue;
    bool m_headBusy = false;
    bool m_stop = false;
    std::atomic<bool> m_abort{false};
    SmtpServer m_server;
    RetryPolicy m_retry;
    int m_capacity = 32;
    quint64 m_nextId = 1;
    QThread *m_thread = nullptr;
};
