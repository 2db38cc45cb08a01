#pragma once

#include "core/DeviceSettings.h"
#include "events/EventRecord.h"

#include <QList>
#include <QVector>

// The config_change events between two states of a project: devices added
// and removed, their names, units, limits and buzzer, and the interval. The
// detail names the changed project-file key with its old and new value.
class ConfigChangeEvents
{
public:
    static QVector<EventRecord> compare(const QList<DeviceSettings> &before, int intervalBefore,
                                        const QList<DeviceSettings> &after, int intervalAfter,
                                        qint64 now);
};
