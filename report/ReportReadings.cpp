#include "ReportReadings.h"

#include "ReportLogging.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

QString ReportReadings::statement(int deviceCount)
{
    QStringList marks;
    for (int i = 0; i < deviceCount; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("select pointDate, serialno, channel1, channel2 from kelvantis"
                          " where pointDate >= ? and pointDate <= ? and serialno in (") +
           marks.join(QStringLiteral(", ")) + QStringLiteral(")");
}

namespace {

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace

ReportReadings::Result ReportReadings::read(QSqlDatabase db, const QList<ReportChannel> &channels,
                                            qint64 start, qint64 end)
{
    Result r;
    r.channels.resize(channels.size());

    // Device numbers in statement order, each with the channels it feeds as
    // (channel index, result column 2 or 3).
    QVector<QByteArray> numbers;
    QVector<QVector<QPair<int, int>>> targets;
    for (int i = 0; i < channels.size(); ++i) {
        const ReportChannel &c = channels.at(i);
        const QByteArray number = c.deviceNumber.toUtf8();
        int n = numbers.indexOf(number);
        if (n < 0) {
            n = numbers.size();
            numbers.append(number);
            targets.append(QVector<QPair<int, int>>());
        }
        targets[n].append({i, c.column == QLatin1String("channel2") ? 3 : 2});
    }
    if (numbers.isEmpty()) {
        r.ok = true;
        return r;
    }

    // The rows are read straight from SQLite: a day of four channels is a
    // third of a million rows, and a QVariant per value would cost more
    // than the scan itself.
    sqlite3 *handle = db.isOpen() ? handleOf(db) : nullptr;
    if (!handle) {
        r.errorText = db.isOpen() ? QStringLiteral("The database is not an SQLite connection.")
                                  : db.lastError().text();
        return r;
    }
    const QByteArray sql = statement(numbers.size()).toUtf8();
    qCDebug(lcReport) << "select query :" << sql << start << end << numbers;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(handle, sql.constData(), sql.size(), &stmt, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(stmt, 1, start);
        sqlite3_bind_int64(stmt, 2, end);
        for (int n = 0; n < numbers.size(); ++n)
            sqlite3_bind_text(stmt, 3 + n, numbers.at(n).constData(), numbers.at(n).size(),
                              SQLITE_STATIC);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const char *number = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1));
            const int length = sqlite3_column_bytes(stmt, 1);
            int n = 0;
            while (n < numbers.size() &&
                   (numbers.at(n).size() != length ||
                    std::memcmp(numbers.at(n).constData(), number, size_t(length)) != 0))
                ++n;
            if (n == numbers.size())
                continue;
            const qint64 time = sqlite3_column_int64(stmt, 0);
            for (const auto &target : targets.at(n)) {
                const double value = sqlite3_column_type(stmt, target.second) == SQLITE_NULL
                                         ? NoValue
                                         : sqlite3_column_double(stmt, target.second);
                r.channels[target.first].append({time, value});
            }
        }
    }
    if (rc != SQLITE_DONE) {
        r.errorText = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(stmt);
        return r;
    }
    sqlite3_finalize(stmt);

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
