#pragma once

#include <QLatin1String>
#include <QMetaType>
#include <QString>
#include <QVector>

#include <optional>

// One entry of a project's event log. Kinds are stable lower-case words that
// are part of the stored file: new ones may be added, none renamed.
struct EventRecord
{
    qint64 time = 0; // Unix seconds (UTC)
    QString kind;
    QString serialNo; // empty for an event of the project as a whole
    int channel = 0;  // 0 none, 1 or 2
    std::optional<double> value;
    std::optional<double> limit;
    QString detail;  // JSON for changes: {"field": ..., "old": ..., "new": ...}
    int repeats = 1; // a flapping alarm merged into one entry counts its repeats

    // An event with no reading attached: time, kind and what it concerns.
    static EventRecord of(qint64 time, const QString &kind, const QString &serialNo = QString(),
                          int channel = 0);

    bool operator==(const EventRecord &o) const;
    bool operator!=(const EventRecord &o) const { return !(*this == o); }
};
Q_DECLARE_METATYPE(EventRecord)

namespace EventKind {
inline const QLatin1String AlarmBegin("alarm_begin");
inline const QLatin1String AlarmEnd("alarm_end");
inline const QLatin1String Ack("ack");
inline const QLatin1String CommLost("comm_lost");
inline const QLatin1String CommBack("comm_back");
inline const QLatin1String RecordStart("record_start");
inline const QLatin1String RecordStop("record_stop");
inline const QLatin1String RecordResume("record_resume");
inline const QLatin1String WriteFailed("write_failed");
inline const QLatin1String WriteRecovered("write_recovered");
inline const QLatin1String DiskWarning("disk_warning");
inline const QLatin1String SizeWarning("size_warning");
inline const QLatin1String SizeStop("size_stop");
inline const QLatin1String ConfigChange("config_change");
inline const QLatin1String ServerLost("server_lost");
inline const QLatin1String ServerBack("server_back");
inline const QLatin1String NotifyFailed("notify_failed");
} // namespace EventKind
