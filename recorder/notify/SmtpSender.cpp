#include "SmtpSender.h"

#include "NotifyLogging.h"
#include "SmtpTransfer.h"

#include <QThread>

#include <curl/curl.h>

namespace {
// libcurl's global state, set up by the first sender and torn down with the last.
std::mutex curlMutex;
int curlUsers = 0;

void curlAcquire()
{
    std::lock_guard<std::mutex> lock(curlMutex);
    if (curlUsers++ == 0)
        curl_global_init(CURL_GLOBAL_DEFAULT);
}

void curlRelease()
{
    std::lock_guard<std::mutex> lock(curlMutex);
    if (--curlUsers == 0)
        curl_global_cleanup();
}
} // namespace

SmtpSender::SmtpSender(QObject *parent) : QObject(parent)
{
    curlAcquire();
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("SmtpSender"));
    m_thread->start(QThread::LowPriority);
}

SmtpSender::~SmtpSender()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_abort = true;
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
    curlRelease();
}

void SmtpSender::setServer(const SmtpServer &server)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_server = server;
        if (!m_queue.empty() && !m_headBusy)
            m_queue.front().notBefore = Clock::now();
    }
    m_wake.notify_all();
}

void SmtpSender::setCapacity(int mails)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capacity = qMax(1, mails);
}

void SmtpSender::setRetryPolicy(const RetryPolicy &policy)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_retry = policy;
}

quint64 SmtpSender::send(const MailMessage &mail, int attempts)
{
    int droppedNow = 0;
    quint64 id = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // The mail under way stays; the oldest one waiting behind it goes.
        while (int(m_queue.size()) >= m_capacity) {
            const auto victim = m_headBusy ? m_queue.begin() + 1 : m_queue.begin();
            if (victim == m_queue.end())
                break;
            m_queue.erase(victim);
            ++droppedNow;
        }
        Job job;
        job.id = id = m_nextId++;
        job.mail = mail;
        job.mime = mail.toMime();
        job.maxAttempts = attempts > 0 ? attempts : qMax(1, m_retry.attempts);
        job.notBefore = Clock::now();
        m_queue.push_back(std::move(job));
    }
    m_wake.notify_all();
    if (droppedNow > 0) {
        qCWarning(lcNotify) << "SmtpSender::send : queue full, dropped" << droppedNow;
        emit dropped(droppedNow);
    }
    return id;
}

int SmtpSender::queued() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_queue.size());
}

void SmtpSender::report(const std::function<void()> &emitter)
{
    // Delivered on the sender's own thread; dropped if it is gone by then.
    QMetaObject::invokeMethod(this, emitter, Qt::QueuedConnection);
}

void SmtpSender::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (m_queue.empty()) {
            m_wake.wait(lock);
            continue;
        }
        if (Clock::now() < m_queue.front().notBefore) {
            m_wake.wait_until(lock, m_queue.front().notBefore);
            continue;
        }
        m_headBusy = true;
        const Job job = m_queue.front();
        const SmtpServer server = m_server;
        lock.unlock();
        const SmtpTransfer::Result r =
            SmtpTransfer::send(server, job.mail.from, job.mail.to, job.mime, m_abort);
        lock.lock();
        m_headBusy = false;
        if (m_stop)
            break;
        Job &head = m_queue.front();
        const quint64 id = head.id;
        if (r.ok) {
            m_queue.pop_front();
            report([this, id, r] {
                emit sent(id);
                if (!r.message.isEmpty())
                    emit problem(id, r.message, false);
            });
            continue;
        }
        ++head.attempts;
        const bool retry = !r.permanent && head.attempts < head.maxAttempts;
        qCInfo(lcNotify) << "SmtpSender::run : mail" << id << "attempt" << head.attempts << ":"
                         << r.message;
        if (retry) {
            const qint64 delay = qMin<qint64>(
                qint64(m_retry.firstDelayMs) << qMin(head.attempts - 1, 20), m_retry.maxDelayMs);
            head.notBefore = Clock::now() + std::chrono::milliseconds(delay);
        } else {
            m_queue.pop_front();
        }
        const QString message = r.message;
        report([this, id, message, retry] { emit problem(id, message, retry); });
    }
}
