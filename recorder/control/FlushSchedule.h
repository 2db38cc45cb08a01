#pragma once

#include <QtGlobal>

// When the recorder writes its buffered readings. While recording, a flush
// waits until a batch worth writing has gathered: 8 rows for a project of one
// device, 16 for more - or until the oldest buffered reading is 5 s old, so
// that a crash or a power cut loses at most that much at any interval and
// device count. Rows left over by a flush that failed (the database was
// busy) are a backlog: after the recording stop they are retried on every
// tick until they are written, so stopping never strands them in memory.
class FlushSchedule
{
public:
    static constexpr qint64 MaxAgeMs = 5000;

    static int threshold(int deviceCount) { return deviceCount < 2 ? 8 : 16; }

    // pending counts the rows of the open project only; oldestAgeMs is the
    // age of the oldest of them.
    static bool isDue(bool recording, int pending, int deviceCount, qint64 oldestAgeMs = 0)
    {
        if (!recording)
            return pending > 0;
        return pending >= threshold(deviceCount) || (pending > 0 && oldestAgeMs >= MaxAgeMs);
    }
    // The flush timer runs while recording and while a backlog is left.
    static bool keepsRunning(bool recording, int pending) { return recording || pending > 0; }
};
