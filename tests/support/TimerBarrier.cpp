#include "TimerBarrier.h"

#include <QTest>
#include <QTimer>

bool TimerBarrier::pass(int longestIntervalMs)
{
    const int probeMs = longestIntervalMs + longestIntervalMs / 20 + 1;
    bool fired = false;
    QTimer probe;
    probe.setSingleShot(true);
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&fired] { fired = true; });
    probe.start(probeMs);
    return QTest::qWaitFor([&fired] { return fired; }, probeMs + 60000);
}
