#pragma once

#include <QElapsedTimer>
#include <QTimer>

// Measures how long the event loop of this thread stays away: a timer due
// every few milliseconds notes the longest delay between two of its turns.
class EventLoopProbe
{
public:
    static constexpr int TickMs = 5;

    EventLoopProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_sinceLast.restart());
            ++m_turns;
        });
    }
    void start()
    {
        m_longest = 0;
        m_turns = 0;
        m_sinceLast.start();
        m_timer.start(TickMs);
    }
    void stop() { m_timer.stop(); }
    // The longest time the loop did not come round beyond its own interval.
    qint64 longestStallMs() const { return qMax<qint64>(0, m_longest - TickMs); }
    int turns() const { return m_turns; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longest = 0;
    int m_turns = 0;
};
