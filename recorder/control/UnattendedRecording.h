#pragma once

#include "AlarmMonitor.h"
#include "RecordingResume.h"
#include "StorageWarnings.h"
#include "core/DeviceSettings.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class RecordingSession;

// What makes a session fit to run with nobody at the screen: it remembers
// that a project records and resumes it after an unexpected end, marks
// outages in the data, keeps the event log (alarms, acknowledge, lost
// devices, recording, storage, write trouble, project changes) and decides
// the alarm sound with the user's acknowledge.
class UnattendedRecording : public QObject
{
    Q_OBJECT
public:
    explicit UnattendedRecording(RecordingSession *session, QObject *parent = nullptr);

    // The window opened the project's panel and the session's database.
    // Changes to the device list since the project was last open here are
    // logged.
    void projectOpened(const QString &projectFile);
    // The project's devices or interval may have been edited: logs what changed.
    void settingsChanged();
    // At start: if the last run ended while recording, has its project opened
    // and records again, or says why it cannot.
    void resumeLastRun(const std::function<void(const QString &projectFile)> &openProject);

    void acknowledge();
    bool unacknowledged() const { return m_monitor.unacknowledged(); }
    bool communicationAlarm() const { return m_monitor.communication().alarmEnabled(); }
    // Stored in the project file.
    void setCommunicationAlarm(bool on);
    AlarmMonitor &monitor() { return m_monitor; }

signals:
    void unacknowledgedChanged(bool unacknowledged);
    // A state the status bar shows; with message, the user is also told in a
    // message that does not wait for an answer.
    void notice(const QString &text, bool message);
    // The resumed project records again.
    void resumed();

private:
    void ticked();
    void polled();
    void closing();
    void recordingChanged(bool on);
    void storeTrouble();
    void storeRecovered();
    void databaseSizeChanged(qint64 bytes);
    void resume(const RecordingResume::LastRun &run);
    void lastStoredRead(const QHash<QString, qint64> &last, bool ok, qint64 resumeTime);
    void observed(const AlarmMonitor::Result &result);
    void append(const QVector<EventRecord> &events);
    void applySound();
    static qint64 now();

    RecordingSession *m_session;
    AlarmMonitor m_monitor;
    StorageWarnings m_storage;
    QString m_projectFile;
    // The project's state as last logged, to log changes against.
    QString m_knownProject;
    QList<DeviceSettings> m_knownDevices;
    int m_knownInterval = 0;
    QMetaObject::Connection m_afterStoreOpen;
    bool m_writeFailed = false;
    bool m_resuming = false;
    bool m_sizeStop = false;
    bool m_unacknowledged = false;
};
