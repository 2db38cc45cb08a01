#pragma once

#include "events/EventRecord.h"

#include <QString>

// Remembers in the recorder's user settings that a project is recording, so
// that a start after a crash, a kill or a power cut can carry on with it. A
// normal stop (also the one of a close or of the size limit) forgets it.
class RecordingResume
{
public:
    enum Outcome
    {
        StartNormally, // the last run ended as it should
        Resume,
        ProjectGone, // it was recording, but its project file is gone
        DatabaseGone // the project is there, its database is not
    };

    struct LastRun
    {
        Outcome outcome = StartNormally;
        QString projectFile; // set for every outcome but StartNormally
    };

    // Written to disk at once: a kill a moment later must find it.
    static bool recordingStarted(const QString &projectFile);
    static bool recordingStopped();
    static LastRun lastRun();

    // "Recording resumed after an unexpected end", with the newest reading
    // the database held (0 when it held none).
    static EventRecord resumedEvent(qint64 now, qint64 lastStoredReading);
};
