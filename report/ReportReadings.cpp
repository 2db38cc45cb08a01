#include "ReportReadings.h"

#include "ReportLogging.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

QString ReportReadings::statement(int deviceCount)
{
    QStringList marks;
    for (int i = 0; i < deviceCount; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("select pointDate, serialno, channel1, channel2 from kelvantis"
                          " where pointDate >= ? and pointDate <= ? and serialno in (") +
           marks.join(QStringLiteral(", ")) + QStringLiteral(")");
}

ReportReadings::Result ReportReadings::read(QSqlDatabase db, const QList<ReportChannel> &channels,
                                            qint64 start, qint64 end)
{
    Result r;
    r.channels.resize(channels.size());

    // Device number -> the channels it feeds, as (channel index, column 2 or 3).
    QHash<QString, QVector<QPair<int, int>>> targets;
    QStringList numbers;
    for (int i = 0; i < channels.size(); ++i) {
        const ReportChannel &c = channels.at(i);
        if (!targets.contains(c.deviceNumber))
            numbers << c.deviceNumber;
        targets[c.deviceNumber].append({i, c.column == QLatin1String("channel2") ? 3 : 2});
    }
    if (numbers.isEmpty()) {
        r.ok = true;
        return r;
    }

    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql = statement(numbers.size());
    qCDebug(lcReport) << "select query :" << sql << start << end << numbers;
    if (!query.prepare(sql)) {
        r.errorText = query.lastError().text();
        return r;
    }
    query.addBindValue(start);
    query.addBindValue(end);
    for (const QString &number : qAsConst(numbers))
        query.addBindValue(number);
    if (!query.exec()) {
        r.errorText = query.lastError().text();
        return r;
    }

    while (query.next()) {
        const auto it = targets.constFind(query.value(1).toString());
        if (it == targets.constEnd())
            continue;
        const qint64 time = query.value(0).toLongLong();
        for (const auto &target : *it) {
            const QVariant v = query.value(target.second);
            r.channels[target.first].append({time, v.isNull() ? NoValue : v.toDouble()});
        }
    }
    if (query.lastError().isValid()) {
        r.errorText = query.lastError().text();
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
