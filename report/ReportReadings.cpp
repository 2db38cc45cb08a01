#include "ReportReadings.h"

#include "ReportLogging.h"
#include "store/ReadingsCursor.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsRange.h"
#include "store/ReadingsSource.h"

#include <algorithm>
#include <new>
#include <thread>

namespace {

// Fewer row ids than this are read by one thread.
constexpr qint64 ParallelRows = 200000;

using Targets = QVector<QVector<QPair<int, int>>>;
using Channels = QVector<QVector<ReportResults::Reading>>;

// Appends the rows within range to the channels they feed, in row id order.
bool readRange(const ReadingsDatabase &db, const ReadingsRequest &request, const Targets &targets,
               const ReadingsRange &range, Channels *channels, QString *errorText)
{
    ReadingsCursor cursor(db, request, range.spans());
    while (cursor.next()) {
        const int device = cursor.device();
        if (device < 0 || device >= targets.size())
            continue;
        const qint64 time = cursor.time();
        for (const auto &target : targets.at(device))
            (*channels)[target.first].append({time, cursor.value(target.second)});
    }
    if (cursor.failed()) {
        *errorText = cursor.errorText();
        return false;
    }
    return true;
}

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

    ReadingsRange range;
    if (!range.locate(db, start, end)) {
        r.errorText = db.errorText();
        return r;
    }
    qCDebug(lcReport) << "select query :" << request.serials << start << end;
    if (range.size() < ParallelRows || std::thread::hardware_concurrency() < 2) {
        if (!readRange(db, request, targets, range, &r.channels, &r.errorText))
            return r;
    } else {
        // Two halves of the row ids on two connections at once; the second
        // half's rows follow the first's, so row id order is kept.
        const auto halves = range.halves();
        Channels tail(channels.size());
        QString tailError;
        bool tailOk = false;
        std::thread helper([&] {
            try {
                const ReadingsDatabase second(db.path(), db.name());
                tailOk = readRange(second, request, targets, halves.second, &tail, &tailError);
            } catch (const std::bad_alloc &) {
                tailError = QStringLiteral("out of memory");
            }
        });
        bool headOk = false;
        try {
            headOk = readRange(db, request, targets, halves.first, &r.channels, &r.errorText);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (!headOk)
            return r;
        if (!tailOk) {
            r.errorText = tailError;
            return r;
        }
        for (int i = 0; i < tail.size(); ++i)
            r.channels[i] += tail.at(i);
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
