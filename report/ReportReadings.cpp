#include "ReportReadings.h"

#include "ReportLogging.h"
#include "store/ReadingsCursor.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsSource.h"

#include <algorithm>

namespace {

// The request for the channels, and per device of it the channels it feeds
// as (channel index, column).
ReadingsRequest requestFor(const QList<ReportChannel> &channels, qint64 start, qint64 end,
                           QVector<QVector<QPair<int, int>>> *targets)
{
    ReadingsRequest request;
    request.start = start;
    request.end = end;
    for (int i = 0; i < channels.size(); ++i) {
        const int column = channels.at(i).columnIndex();
        const int device = request.addChannel(channels.at(i).deviceNumber, column);
        targets->resize(request.serials.size());
        (*targets)[device].append({i, column});
    }
    return request;
}

} // namespace

ReportReadings::Result ReportReadings::read(const ReadingsDatabase &db,
                                            const QList<ReportChannel> &channels, qint64 start,
                                            qint64 end)
{
    Result r;
    r.channels.resize(channels.size());

    QVector<QVector<QPair<int, int>>> targets;
    const ReadingsRequest request = requestFor(channels, start, end, &targets);
    if (request.serials.isEmpty()) {
        r.ok = true;
        return r;
    }
    if (!db.isOpen()) {
        r.errorText = db.errorText();
        return r;
    }

    RowIdSpan span;
    if (!db.rowIds(&span)) {
        r.errorText = db.errorText();
        return r;
    }
    qCDebug(lcReport) << "select query :" << request.serials << start << end;
    ReadingsCursor cursor(db, request, span);
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
    finish(r);
    return r;
}

ReportReadings::Result ReportReadings::read(const ReadingsSource &source,
                                            const QList<ReportChannel> &channels, qint64 start,
                                            qint64 end)
{
    Result r;
    r.channels.resize(channels.size());
    QVector<QVector<QPair<int, int>>> targets;
    const ReadingsRequest request = requestFor(channels, start, end, &targets);
    if (request.serials.isEmpty()) {
        r.ok = true;
        return r;
    }
    std::vector<ServerReadings::Row> rows;
    if (!source.read(request, &rows, &r.errorText))
        return r;
    for (const ServerReadings::Row &row : rows) {
        for (const auto &target : targets.at(row.device))
            r.channels[target.first].append(
                {row.pointDate, target.second == 1 ? row.channel2 : row.channel1});
    }
    finish(r);
    return r;
}

void ReportReadings::finish(Result &r)
{
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
}
