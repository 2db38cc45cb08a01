#include "ReportReadings.h"

#include "ReportLogging.h"
#include "store/ReadingsCursor.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsRange.h"

#include <algorithm>

ReportReadings::Result ReportReadings::read(const ReadingsDatabase &db,
                                            const QList<ReportChannel> &channels, qint64 start,
                                            qint64 end)
{
    Result r;
    r.channels.resize(channels.size());

    // Per device of the request, the channels it feeds as (channel index,
    // column).
    ReadingsRequest request;
    request.start = start;
    request.end = end;
    QVector<QVector<QPair<int, int>>> targets;
    for (int i = 0; i < channels.size(); ++i) {
        const int column = channels.at(i).columnIndex();
        const int device = request.addChannel(channels.at(i).deviceNumber, column);
        targets.resize(request.serials.size());
        targets[device].append({i, column});
    }
    if (request.serials.isEmpty()) {
        r.ok = true;
        return r;
    }
    if (!db.isOpen()) {
        r.errorText = db.errorText();
        return r;
    }

    ReadingsRange range;
    if (!range.locate(db, start, end)) {
        r.errorText = db.errorText();
        return r;
    }
    qCDebug(lcReport) << "select query :" << request.serials << start << end;
    ReadingsCursor cursor(db, request, range.spans());
    while (cursor.next()) {
        const int device = cursor.device();
        if (device < 0 || device >= targets.size())
            continue;
        const qint64 time = cursor.time();
        for (const auto &target : targets.at(device))
            r.channels[target.first].append({time, cursor.value(target.second)});
    }
    if (cursor.failed()) {
        r.errorText = cursor.errorText();
        return r;
    }

    const auto earlier = [](const ReportResults::Reading &a, const ReportResults::Reading &b) {
        return a.time < b.time;
    };
    for (QVector<ReportResults::Reading> &readings : r.channels) {
        if (!std::is_sorted(readings.cbegin(), readings.cend(), earlier))
            std::stable_sort(readings.begin(), readings.end(), earlier);
        // Of two rows with one time the later written one stands.
        int out = 0;
        for (int i = 0; i < readings.size(); ++i) {
            if (out > 0 && readings.at(out - 1).time == readings.at(i).time)
                readings[out - 1] = readings.at(i);
            else
                readings[out++] = readings.at(i);
        }
        readings.resize(out);
        r.total += out;
    }
    r.ok = true;
    return r;
}
