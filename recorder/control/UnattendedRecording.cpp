#include "UnattendedRecording.h"

#include "AlarmSound.h"
#include "CommunicationWatch.h"
#include "ConfigChangeEvents.h"
#include "ControlLogging.h"
#include "DatabaseSize.h"
#include "RecordingSession.h"
#include "ResumeGapRows.h"
#include "core/NoValue.h"
#include "device/ConfiguredDevice.h"
#include "device/RecorderInterval.h"
#include "events/EventDetail.h"
#include "events/EventText.h"

#include <QDateTime>
#include <QFileInfo>
#include <QThread>

#include <memory>

UnattendedRecording::UnattendedRecording(RecordingSession *session, QObject *parent)
    : QObject(parent), m_session(session)
{
    connect(session, &RecordingSession::ticked, this, &UnattendedRecording::ticked);
    connect(session, &RecordingSession::polled, this, &UnattendedRecording::polled);
    connect(session, &RecordingSession::closing, this, &UnattendedRecording::closing);
    connect(session, &RecordingSession::recordingChanged, this,
            &UnattendedRecording::recordingChanged);
    connect(session, &RecordingSession::storeTrouble, this, &UnattendedRecording::storeTrouble);
    connect(session, &RecordingSession::storeRecovered, this, &UnattendedRecording::storeRecovered);
    connect(session, &RecordingSession::databaseSizeChanged, this,
            &UnattendedRecording::databaseSizeChanged);
    connect(session, &RecordingSession::sizeLimitReached, this, [this] {
        m_sizeStop = true;
        EventRecord e = EventRecord::of(now(), EventKind::SizeStop);
        e.value = double(DatabaseSize::onDisk(m_session->databasePath()));
        e.limit = DatabaseSize::LimitBytes;
        m_session->appendEvent(e);
    });
}

qint64 UnattendedRecording::now()
{
    return QDateTime::currentSecsSinceEpoch();
}

void UnattendedRecording::projectOpened(const QString &projectFile)
{
    m_projectFile = projectFile;
    m_monitor.setCommunicationAlarm(CommunicationWatch::alarmEnabledIn(projectFile));
    m_storage = StorageWarnings();
    m_writeFailed = false;
    if (m_knownProject != projectFile) {
        m_knownProject = projectFile;
        m_knownDevices = m_session->deviceSettings();
        m_knownInterval = RecorderInterval::current();
        return;
    }
    settingsChanged();
}

void UnattendedRecording::settingsChanged()
{
    if (!m_session->isOpen() || m_knownProject != m_projectFile)
        return;
    const QList<DeviceSettings> devices = m_session->deviceSettings();
    append(ConfigChangeEvents::compare(m_knownDevices, m_knownInterval, devices,
                                       RecorderInterval::current(), now()));
    m_knownDevices = devices;
    m_knownInterval = RecorderInterval::current();
}

void UnattendedRecording::setCommunicationAlarm(bool on)
{
    m_monitor.setCommunicationAlarm(on);
    if (!m_projectFile.isEmpty() && !CommunicationWatch::setAlarmEnabledIn(m_projectFile, on))
        emit notice(QStringLiteral("The project file cannot be written."), true);
    applySound();
}

void UnattendedRecording::append(const QVector<EventRecord> &events)
{
    for (const EventRecord &e : events)
        m_session->appendEvent(e);
}

void UnattendedRecording::observed(const AlarmMonitor::Result &result)
{
    append(result.events);
    // One gap row where a device fell silent, while recording.
    for (ConfiguredDevice *d : m_session->devices()) {
        if (d && result.gapRows.contains(d->settings().deviceNumber))
            d->insertOutageGap();
    }
    applySound();
}

void UnattendedRecording::ticked()
{
    // While the list is edited the devices' last alarm flags are stale.
    if (m_session->isOpen())
        observed(m_monitor.tick(m_session->devices(), now()));
}

void UnattendedRecording::polled()
{
    observed(m_monitor.polled(m_session->devices(), now()));
}

void UnattendedRecording::applySound()
{
    AlarmSound *sound = m_session->alarmSound();
    if (m_session->isOpen()) {
        switch (m_monitor.sound(sound->isPlaying())) {
        case AlarmSoundDecision::Play:
            sound->play();
            break;
        case AlarmSoundDecision::Stop:
            sound->stop();
            break;
        case AlarmSoundDecision::Keep:
            break;
        }
    }
    const bool open = m_session->isOpen() && m_monitor.unacknowledged();
    if (open != m_unacknowledged) {
        m_unacknowledged = open;
        emit unacknowledgedChanged(open);
    }
}

void UnattendedRecording::acknowledge()
{
    if (const std::optional<EventRecord> e =
            m_monitor.acknowledge(AlarmAcknowledge::loginName(), now()))
        m_session->appendEvent(*e);
    applySound();
}

// The ends still owed go into the close's last batch.
void UnattendedRecording::closing()
{
    disconnect(m_afterStoreOpen);
    append(m_monitor.finish(now()));
    applySound();
}

void UnattendedRecording::recordingChanged(bool on)
{
    if (on) {
        if (!m_resuming)
            m_session->appendEvent(EventRecord::of(now(), EventKind::RecordStart));
        m_sizeStop = false;
        if (!RecordingResume::recordingStarted(m_projectFile))
            qCWarning(lcControl) << "UnattendedRecording : the recording cannot be remembered";
        return;
    }
    if (!m_sizeStop)
        m_session->appendEvent(EventRecord::of(now(), EventKind::RecordStop));
    RecordingResume::recordingStopped();
    if (m_sizeStop)
        emit notice(QStringLiteral("Recording stopped: the database reached its size limit."),
                    true);
}

void UnattendedRecording::storeTrouble()
{
    if (m_writeFailed)
        return;
    m_writeFailed = true;
    m_session->appendEvent(EventRecord::of(now(), EventKind::WriteFailed));
}

void UnattendedRecording::storeRecovered()
{
    if (!m_writeFailed)
        return;
    m_writeFailed = false;
    m_session->appendEvent(EventRecord::of(now(), EventKind::WriteRecovered));
}

void UnattendedRecording::databaseSizeChanged(qint64 bytes)
{
    if (!m_session->isRecording())
        return;
    const QString path = m_session->databasePath();
    for (const EventRecord &e : m_storage.check(StorageWarnings::freeBytes(path), bytes, now())) {
        m_session->appendEvent(e);
        emit notice(EventText::sentence(e, EventNames()), true);
    }
}

void UnattendedRecording::resumeLastRun(
    const std::function<void(const QString &projectFile)> &openProject)
{
    const RecordingResume::LastRun run = RecordingResume::lastRun();
    if (run.outcome == RecordingResume::Resume)
        openProject(run.projectFile);
    resume(run);
}

void UnattendedRecording::resume(const RecordingResume::LastRun &run)
{
    const QString name = QFileInfo(run.projectFile).completeBaseName();
    switch (run.outcome) {
    case RecordingResume::StartNormally:
        return;
    case RecordingResume::ProjectGone:
        RecordingResume::recordingStopped();
        emit notice(QStringLiteral("The project \"%1\" was recording when the recorder ended, "
                                   "but its project file is gone: %2")
                        .arg(name, run.projectFile),
                    true);
        return;
    case RecordingResume::DatabaseGone:
        RecordingResume::recordingStopped();
        emit notice(QStringLiteral("The project \"%1\" was recording when the recorder ended, "
                                   "but its database is gone.")
                        .arg(name),
                    true);
        return;
    case RecordingResume::Resume:
        break;
    }
    if (!m_session->isOpen()) {
        RecordingResume::recordingStopped();
        emit notice(QStringLiteral("The project \"%1\" was recording when the recorder ended, "
                                   "but it cannot be opened.")
                        .arg(name),
                    true);
        return;
    }
    // The newest stored readings are looked up off this thread: the
    // database may be locked, or being recovered by the writer.
    const QString path = m_session->databasePath();
    const qint64 resumeTime = now();
    auto last = std::make_shared<QHash<QString, qint64>>();
    auto ok = std::make_shared<bool>(false);
    QThread *reader =
        QThread::create([path, last, ok] { *ok = ResumeGapRows::lastStored(path, last.get()); });
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    connect(reader, &QThread::finished, this, [this, path, last, ok, resumeTime] {
        if (m_session->isOpen() && m_session->databasePath() == path)
            lastStoredRead(*last, *ok, resumeTime);
    });
    reader->start();
}

void UnattendedRecording::lastStoredRead(const QHash<QString, qint64> &last, bool ok,
                                         qint64 resumeTime)
{
    if (m_session->isRecording())
        return;
    // The recorded period shown and stored goes on from the database's first
    // reading: the window takes it when the database opens, before this starts.
    if (!m_session->isStoreOpen()) {
        m_afterStoreOpen =
            connect(m_session, &RecordingSession::storeOpened, this, [this, last, ok, resumeTime] {
                disconnect(m_afterStoreOpen);
                lastStoredRead(last, ok, resumeTime);
            });
        return;
    }
    QStringList serials;
    for (const DeviceSettings &d : m_session->deviceSettings())
        serials << d.deviceNumber;
    const QVector<ResumeGapRows::Row> gaps =
        ResumeGapRows::rows(serials, last, RecorderInterval::current(), resumeTime);
    for (const ResumeGapRows::Row &row : gaps)
        m_session->appendReading({row.serialNo, NoValue, NoValue, quint32(row.time)});
    qint64 newest = 0;
    for (qint64 t : last)
        newest = qMax(newest, t);
    m_session->appendEvent(RecordingResume::resumedEvent(resumeTime, newest));
    m_resuming = true;
    m_session->startRecording();
    m_resuming = false;
    // Short: the status bar is narrow.
    QString text = QStringLiteral("Resumed after an unexpected end");
    if (newest > 0) {
        const QDateTime lastReading = QDateTime::fromSecsSinceEpoch(newest);
        text += QStringLiteral(" (last reading %1)")
                    .arg(lastReading.date() == QDate::currentDate()
                             ? lastReading.toString(QStringLiteral("hh:mm:ss"))
                             : EventText::time(newest));
    } else if (!ok) {
        text += QStringLiteral(" (the last readings could not be read)");
    }
    qCInfo(lcControl).noquote() << "UnattendedRecording :" << text;
    emit notice(text, false);
    emit resumed();
}
