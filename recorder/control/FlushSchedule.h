#pragma once

// When the recorder writes its buffered readings. While recording, a flush
// waits until a batch worth writing has gathered: 8 rows for a project of one
// device, 16 for more. Rows left over by a flush that failed (the database
// was busy) are a backlog: after the recording stop they are retried on every
// tick until they are written, so stopping never strands them in memory.
class FlushSchedule
{
public:
    static int threshold(int deviceCount) { return deviceCount < 2 ? 8 : 16; }

    // pending counts the rows of the open project only.
    static bool isDue(bool recording, int pending, int deviceCount)
    {
        return recording ? pending >= threshold(deviceCount) : pending > 0;
    }
    // The flush timer runs while recording and while a backlog is left.
    static bool keepsRunning(bool recording, int pending) { return recording || pending > 0; }
};
