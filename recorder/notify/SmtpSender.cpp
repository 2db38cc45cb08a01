#include "SmtpSender.h"

#include "NotifyLogging.h"
#include "SmtpTransfer.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {
// libcurl's global state, set up by the first worker and torn down with the
// last. Never destroyed: a worker may end after main().
using Clock = std::chrono::steady_clock;

struct Curl
{
    std::mutex mutex;
    std::condition_variable idle;
    int workers = 0;
    bool exitWaitAdded = false;
    Clock::time_point finishBy; // the latest end of a worker finishing its queue
};

Curl &curl()
{
    static auto *c = new Curl;
    return *c;
}

// Cancelled workers end within about a second, finishing ones by their
// time; the program waits for them before its objects go.
void waitAtExit()
{
    Curl &c = curl();
    std::unique_lock<std::mutex> lock(c.mutex);
    const Clock::time_point until = std::max(Clock::now() + std::chrono::seconds(3), c.finishBy);
    c.idle.wait_until(lock, until, [&c] { return c.workers == 0; });
}

void curlAcquire()
{
    Curl &c = curl();
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.workers++ == 0)
        curl_global_init(CURL_GLOBAL_DEFAULT);
    if (!c.exitWaitAdded && QCoreApplication::instance()) {
        c.exitWaitAdded = true;
        qAddPostRoutine(waitAtExit);
    }
}

void curlRelease()
{
    Curl &c = curl();
    std::lock_guard<std::mutex> lock(c.mutex);
    if (--c.workers == 0) {
        curl_global_cleanup();
        c.idle.notify_all();
    }
}

struct Job
{
    quint64 id = 0;
    MailMessage mail;
    QByteArray mime;
    int attempts = 0;
    int maxAttempts = 1;
    Clock::time_point notBefore;
};
} // namespace

struct SmtpSender::Shared
{
    std::mutex mutex; // guards everything below
    std::condition_variable wake;
    std::deque<Job> queue;
    bool headBusy = false;
    bool stop = false;
    bool finishing = false;
    Clock::time_point finishBy;
    std::atomic<bool> abort{false};
    SmtpServer server;
    RetryPolicy retry;
    int capacity = 32;
    quint64 nextId = 1;
    SmtpSender *owner = nullptr; // null once the sender is gone

    // Delivered on the owner's thread, and only while it lives: the
    // destructor clears owner under the lock this is posted under.
    void report(const std::function<void(SmtpSender *)> &emitter)
    {
        if (!owner)
            return;
        SmtpSender *o = owner;
        QMetaObject::invokeMethod(
            o, [o, emitter] { emitter(o); }, Qt::QueuedConnection);
    }
};

SmtpSender::SmtpSender(QObject *parent) : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
    curlAcquire();
    std::thread([shared = m_shared] {
        run(shared);
        curlRelease();
    }).detach();
}

SmtpSender::~SmtpSender()
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->owner = nullptr;
        if (!m_shared->finishing) {
            m_shared->stop = true;
            m_shared->abort = true;
            m_shared->queue.clear();
        }
    }
    m_shared->wake.notify_all();
}

void SmtpSender::setServer(const SmtpServer &server)
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->server = server;
        if (!m_shared->queue.empty() && !m_shared->headBusy)
            m_shared->queue.front().notBefore = Clock::now();
    }
    m_shared->wake.notify_all();
}

void SmtpSender::finishQueued(int timeoutMs)
{
    const Clock::time_point by = Clock::now() + std::chrono::milliseconds(timeoutMs);
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->finishing = true;
        m_shared->finishBy = by;
        for (Job &job : m_shared->queue) {
            job.maxAttempts = job.attempts + 1;
            job.notBefore = Clock::now();
        }
    }
    {
        Curl &c = curl();
        std::lock_guard<std::mutex> lock(c.mutex);
        c.finishBy = std::max(c.finishBy, by);
    }
    m_shared->wake.notify_all();
}

void SmtpSender::setCapacity(int mails)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->capacity = qMax(1, mails);
}

void SmtpSender::setRetryPolicy(const RetryPolicy &policy)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->retry = policy;
}

quint64 SmtpSender::send(const MailMessage &mail, int attempts)
{
    int droppedNow = 0;
    quint64 id = 0;
    {
        Shared &s = *m_shared;
        std::lock_guard<std::mutex> lock(s.mutex);
        // The mail under way stays; the oldest one waiting behind it goes.
        while (int(s.queue.size()) >= s.capacity) {
            const auto victim = s.headBusy ? s.queue.begin() + 1 : s.queue.begin();
            if (victim == s.queue.end())
                break;
            s.queue.erase(victim);
            ++droppedNow;
        }
        Job job;
        job.id = id = s.nextId++;
        job.mail = mail;
        job.mime = mail.toMime();
        job.maxAttempts = attempts > 0 ? attempts : qMax(1, s.retry.attempts);
        job.notBefore = Clock::now();
        s.queue.push_back(std::move(job));
    }
    m_shared->wake.notify_all();
    if (droppedNow > 0) {
        qCWarning(lcNotify) << "SmtpSender::send : queue full, dropped" << droppedNow;
        emit dropped(droppedNow);
    }
    return id;
}

int SmtpSender::queued() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return int(m_shared->queue.size());
}

void SmtpSender::run(const std::shared_ptr<Shared> &shared)
{
    Shared &s = *shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    while (!s.stop) {
        if (s.finishing && (s.queue.empty() || Clock::now() >= s.finishBy))
            break;
        if (s.queue.empty()) {
            s.wake.wait(lock);
            continue;
        }
        if (Clock::now() < s.queue.front().notBefore) {
            s.wake.wait_until(lock, s.queue.front().notBefore);
            continue;
        }
        s.headBusy = true;
        const Job job = s.queue.front();
        SmtpServer server = s.server;
        if (s.finishing) {
            // A finishing worker ends by its time, whatever the server does.
            const int left =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(s.finishBy - Clock::now())
                        .count());
            server.connectTimeoutMs = qBound(1, left, server.connectTimeoutMs);
            server.timeoutMs = qBound(1, left, server.timeoutMs);
        }
        lock.unlock();
        const SmtpTransfer::Result r =
            SmtpTransfer::send(server, job.mail.from, job.mail.to, job.mime, s.abort);
        lock.lock();
        s.headBusy = false;
        if (s.stop)
            break;
        Job &head = s.queue.front();
        const quint64 id = head.id;
        if (r.ok) {
            s.queue.pop_front();
            s.report([id, r](SmtpSender *o) {
                emit o->sent(id);
                if (!r.message.isEmpty())
                    emit o->problem(id, r.message, false);
            });
            continue;
        }
        ++head.attempts;
        const bool retry = !r.permanent && head.attempts < head.maxAttempts;
        qCInfo(lcNotify) << "SmtpSender::run : mail" << id << "attempt" << head.attempts << ":"
                         << r.message;
        if (retry) {
            const qint64 delay = qMin<qint64>(
                qint64(s.retry.firstDelayMs) << qMin(head.attempts - 1, 20), s.retry.maxDelayMs);
            head.notBefore = Clock::now() + std::chrono::milliseconds(delay);
        } else {
            s.queue.pop_front();
        }
        const QString message = r.message;
        s.report([id, message, retry](SmtpSender *o) { emit o->problem(id, message, retry); });
    }
}
