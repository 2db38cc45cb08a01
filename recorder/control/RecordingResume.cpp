#include "RecordingResume.h"

#include "core/ProjectFile.h"
#include "events/EventDetail.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("Resume");
const QString kRecording = QStringLiteral("recording");
const QString kProject = QStringLiteral("projectFile");

bool write(const QString &projectFile)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MoravinLite"),
                       QStringLiteral("Moravin Lite"));
    settings.beginGroup(kGroup);
    if (projectFile.isEmpty()) {
        settings.remove(QString());
    } else {
        settings.setValue(kRecording, true);
        settings.setValue(kProject, projectFile);
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
}
} // namespace

bool RecordingResume::recordingStarted(const QString &projectFile)
{
    return !projectFile.isEmpty() && write(QFileInfo(projectFile).absoluteFilePath());
}

bool RecordingResume::recordingStopped()
{
    return write(QString());
}

RecordingResume::LastRun RecordingResume::lastRun()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MoravinLite"),
                       QStringLiteral("Moravin Lite"));
    settings.beginGroup(kGroup);
    LastRun run;
    if (!settings.value(kRecording).toBool())
        return run;
    run.projectFile = settings.value(kProject).toString();
    if (!QFileInfo(run.projectFile).isFile())
        run.outcome = ProjectGone;
    else if (!QFileInfo(ProjectFile(run.projectFile).databasePath()).isFile())
        run.outcome = DatabaseGone;
    else
        run.outcome = Resume;
    return run;
}

EventRecord RecordingResume::resumedEvent(qint64 now, qint64 lastStoredReading)
{
    EventRecord e = EventRecord::of(now, EventKind::RecordResume);
    if (lastStoredReading > 0)
        e.detail = EventDetail::lastReading(lastStoredReading);
    return e;
}
