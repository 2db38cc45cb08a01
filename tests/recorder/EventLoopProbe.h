#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QVector>

#include <limits>

// Measures how long the event loop of this thread stays away: a timer due
// every few milliseconds notes each delay between two of its turns. Time
// the thread was ready to run but waited for a processor (a machine busy
// with other work) is left out, where the system tells it; time it spent
// working or blocked - waiting for a lock, say - counts.
class EventLoopProbe
{
public:
    static constexpr int TickMs = 5;

    EventLoopProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            const qint64 waited = runQueueWaitMs();
            m_turns.append({now, now - m_last - (waited - m_lastWaited)});
            m_last = now;
            m_lastWaited = waited;
        });
    }
    void start()
    {
        m_turns.clear();
        m_clock.start();
        m_last = 0;
        m_lastWaited = runQueueWaitMs();
        m_timer.start(TickMs);
    }
    void stop() { m_timer.stop(); }
    int turns() const { return m_turns.size(); }
    // The longest time the loop did not come round, beyond its own interval,
    // among the turns up to the given time after start().
    qint64 longestStallMs(qint64 until = std::numeric_limits<qint64>::max()) const
    {
        qint64 longest = 0;
        for (const Turn &turn : m_turns) {
            if (turn.at <= until)
                longest = qMax(longest, turn.gap - TickMs);
        }
        return longest;
    }

private:
    // The second field of schedstat: nanoseconds spent waiting on a run queue.
    static qint64 runQueueWaitMs()
    {
        QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
        if (!stat.open(QIODevice::ReadOnly))
            return 0;
        const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
        return fields.size() >= 2 ? fields.at(1).toLongLong() / 1000000 : 0;
    }

    struct Turn
    {
        qint64 at;
        qint64 gap;
    };
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastWaited = 0;
    QVector<Turn> m_turns;
};
