#pragma once

#include "AlarmAcknowledge.h"
#include "AlarmEventTracker.h"
#include "AlarmSoundDecision.h"
#include "CommunicationWatch.h"

#include <QList>
#include <QStringList>
#include <QVector>

#include <optional>

class ConfiguredDevice;

// The alarm rules of an open project in one place, for the clock tick and
// the data poll: channel alarms and lost devices become events, the
// acknowledge silences what is on, and the sound follows what is left.
class AlarmMonitor
{
public:
    struct Result
    {
        QVector<EventRecord> events;
        // Devices that just went grey: one gap row each while recording.
        QStringList gapRows;
    };

    // Every tick while a project is open: the channels' alarm flags and the
    // devices' connection as they are now.
    Result tick(const QList<ConfiguredDevice *> &devices, qint64 now);
    // After each data poll of the devices.
    Result polled(const QList<ConfiguredDevice *> &devices, qint64 now);

    std::optional<EventRecord> acknowledge(const QString &login, qint64 now);
    bool unacknowledged() const { return m_acknowledge.unacknowledged(); }
    AlarmSoundDecision::Action sound(bool playing) const;

    // The project closes or its device list is edited: the ends still owed.
    QVector<EventRecord> finish(qint64 now);

    // The project's setting; what sounds follows at once.
    void setCommunicationAlarm(bool on);
    CommunicationWatch &communication() { return m_communication; }
    const CommunicationWatch &communication() const { return m_communication; }

private:
    void append(Result *result, const CommunicationWatch::Result &r, bool *newAlarm);
    void updateAcknowledge(bool newAlarm);

    AlarmEventTracker m_alarms;
    CommunicationWatch m_communication;
    AlarmAcknowledge m_acknowledge;
};
