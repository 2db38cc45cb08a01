// Range reads from a site's server with many readings on it, beside the
// server's own COPY of the same rows.
//
// serverreadbench [--rows N] [--stores S]
//
// A generator writes N readings (S stores of 16 devices at 1 s, interleaved
// in time as forwarding stores them) straight into moravin_readings. The
// first day is written first and read once the table holds only it; the
// figures are then taken again with all N rows:
//   one day, 4 channels, server read: the viewer's and the report's read of
//     4 devices of one store (ServerReadings), median of 5;
//   the same rows through COPY (query) TO STDOUT, the anchor;
//   the first day read at both table sizes;
//   the one-day chart read: the viewer's worker on a project that names the
//     server (read, alignment, chart lines), median of 5;
//   the one-day report read: the report's read and its day figures, median
//     of 5.

#include "DayFigures.h"
#include "GenerateLinearQueries.h"
#include "HourlyPeriods.h"
#include "PostgresServer.h"
#include "ReportReadings.h"
#include "core/ProjectFile.h"
#include "store/ReadingsSource.h"
#include "store/ServerConnection.h"
#include "store/ServerReadings.h"
#include "store/ServerSchema.h"
#include "store/ServerSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUuid>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QTextStream out(stdout);
constexpr qint64 T0 = 1700000000;
constexpr int Devices = 16;

double argument(const QStringList &args, const QString &name, double fallback)
{
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toDouble() : fallback;
}

bool run(PGconn *conn, const char *sql)
{
    PGresult *r = PQexec(conn, sql);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok)
        fprintf(stderr, "%s: %s\n", sql, PQresultErrorMessage(r));
    PQclear(r);
    return ok;
}

QByteArray serial(int store, int device)
{
    return "S" + QByteArray::number(store) + "D" + QByteArray::number(device);
}

// Writes seconds [from, to) of every store's devices by COPY.
bool generate(PGconn *conn, int stores, qint64 from, qint64 to, qint64 perStore)
{
    PGresult *started = PQexec(conn, "copy moravin_readings (store_key, local_id, serialno,"
                                     " channel1, channel2, pointdate) from stdin");
    const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
    if (!copying)
        fprintf(stderr, "copy: %s\n", PQresultErrorMessage(started));
    PQclear(started);
    if (!copying)
        return false;
    QByteArray chunk;
    chunk.reserve(1 << 21);
    for (qint64 t = from; t < to; ++t) {
        for (int s = 0; s < stores; ++s) {
            for (int d = 0; d < Devices; ++d) {
                const qint64 id = t * Devices + d + 1;
                if (id > perStore)
                    continue;
                chunk +=
                    QByteArray::number(s + 1) + '\t' + QByteArray::number(id) + '\t' +
                    serial(s, d) + '\t' + QByteArray::number(20 + (t % 600) * 0.01, 'f', 2) + '\t' +
                    ((t + d) % 97 ? QByteArray::number(40 + d * 0.5, 'f', 1) : QByteArray("\\N")) +
                    '\t' + QByteArray::number(T0 + t) + '\n';
            }
        }
        if (chunk.size() > (1 << 20)) {
            PQputCopyData(conn, chunk.constData(), chunk.size());
            chunk.clear();
        }
    }
    PQputCopyData(conn, chunk.constData(), chunk.size());
    PQputCopyEnd(conn, nullptr);
    PGresult *r = PQgetResult(conn);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok)
        fprintf(stderr, "copy: %s\n", PQresultErrorMessage(r));
    PQclear(r);
    while ((r = PQgetResult(conn)))
        PQclear(r);
    return ok;
}

bool index(PGconn *conn)
{
    return run(conn, "create index moravin_readings_device_time on moravin_readings"
                     " (serialno, pointdate, store_key, local_id) include (channel1, channel2)") &&
           run(conn, "vacuum (analyze) moravin_readings");
}

struct Figure
{
    double firstMs = 0;
    double medianMs = 0;
    size_t rows = 0;
};

Figure readDay(const QString &connection, const QUuid &store, qint64 dayStart)
{
    Figure f;
    std::vector<double> times;
    for (int i = 0; i < 6; ++i) {
        ServerReadings reader(connection); // a worker's own connection, as in the programs
        reader.setStore(store);
        std::vector<ServerReadings::Row> rows;
        QElapsedTimer clock;
        clock.start();
        if (!reader.read({serial(0, 0), serial(0, 5), serial(0, 10), serial(0, 15)}, dayStart,
                         dayStart + 86399, &rows)) {
            fprintf(stderr, "read: %s\n", qPrintable(reader.errorText()));
            return f;
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        if (i == 0)
            f.firstMs = ms;
        else
            times.push_back(ms);
        f.rows = rows.size();
    }
    std::sort(times.begin(), times.end());
    f.medianMs = times[times.size() / 2];
    return f;
}

double copyDay(const QString &connection, qint64 dayStart)
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        PGconn *conn = PQconnectdb(connection.toUtf8().constData());
        const QByteArray sql =
            "copy (select pointdate, channel1, channel2 from moravin_readings where store_key = 1"
            " and serialno in ('S0D0', 'S0D5', 'S0D10', 'S0D15') and pointdate >= " +
            QByteArray::number(dayStart) +
            " and pointdate <= " + QByteArray::number(dayStart + 86399) +
            " order by serialno, pointdate) to stdout";
        QElapsedTimer clock;
        clock.start();
        PGresult *r = PQexec(conn, sql.constData());
        PQclear(r);
        char *buffer = nullptr;
        while (PQgetCopyData(conn, &buffer, 0) > 0)
            PQfreemem(buffer);
        while ((r = PQgetResult(conn)))
            PQclear(r);
        times.push_back(clock.nsecsElapsed() / 1e6);
        PQfinish(conn);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

DeviceSettings device(int d)
{
    DeviceSettings s;
    s.deviceNumber = QString::fromLatin1(serial(0, d));
    s.ch1Name = QStringLiteral("Temperature");
    s.ch2Name = QStringLiteral("Humidity");
    return s;
}

// The viewer's worker, as Trendora starts it on a project that names the
// server.
double chartDay(const ReadingsSource &source, qint64 dayStart, int *rows)
{
    QList<CompanionChannel> channels;
    for (int d : {0, 5, 10, 15})
        channels << CompanionChannel::fromDevice(device(d), 1);
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        GenerateLinearQueries worker(QStringLiteral("bench"), source.databasePath(), QString(),
                                     channels, QString::number(dayStart),
                                     QString::number(dayStart + 86399));
        worker.setIntervalHint(1000);
        worker.setSource(source);
        QElapsedTimer clock;
        clock.start();
        worker.start();
        worker.wait();
        times.push_back(clock.nsecsElapsed() / 1e6);
        *rows = worker.takeResult().rowCount();
    }
    return median(times);
}

// The report's read and figures of one day, as Pagewright's worker makes
// them.
double reportDay(const ReadingsSource &source, qint64 dayStart, int *total)
{
    QList<ReportChannel> channels;
    for (int d : {0, 5, 10, 15})
        channels << ReportChannel::fromDevice(device(d), 1);
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        const ReportReadings::Result r =
            ReportReadings::read(source, channels, dayStart, dayStart + 86399);
        ReportResults results;
        HourlyPeriods::compute(r.channels, QDateTime::fromSecsSinceEpoch(dayStart),
                               QDateTime::fromSecsSinceEpoch(dayStart + 86399), results);
        DayFigures::compute(r.channels, channels, 1000, results);
        times.push_back(clock.nsecsElapsed() / 1e6);
        *total = r.ok ? r.total : -1;
    }
    return median(times);
}

QString ms(double v)
{
    return QString::number(v, 'f', 1) + QStringLiteral(" ms");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 rows = qint64(argument(args, "--rows", 100000000));
    const int stores = int(argument(args, "--stores", 4));
    const qint64 perStore = rows / stores;
    const qint64 seconds = (perStore + Devices - 1) / Devices;
    if (seconds < 2 * 86400) {
        fprintf(stderr, "too few rows: each store needs two days (%d readings)\n",
                2 * 86400 * Devices);
        return 2;
    }

    PostgresServer server;
    for (const char *setting : {"shared_buffers=1GB", "max_wal_size=8GB",
                                "maintenance_work_mem=1GB", "checkpoint_timeout=30min"})
        server.addSetting(QString::fromLatin1(setting));
    QString error;
    if (!server.setUp(&error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString connection = server.connectionString();
    std::vector<QUuid> ids;
    {
        ServerConnection c;
        QString message;
        if (!c.open(connection, 10000) ||
            ServerSchema::ensure(c, &message) == ServerSchema::Outcome::Failed) {
            fprintf(stderr, "schema: %s\n", qPrintable(message));
            return 1;
        }
    }
    PGconn *conn = PQconnectdb(connection.toUtf8().constData());
    for (int s = 0; s < stores; ++s) {
        ids.push_back(QUuid::createUuid());
        const QByteArray sql = "insert into moravin_stores (store_id, project_name, created,"
                               " last_seen) values ('" +
                               ids.back().toString(QUuid::WithoutBraces).toUtf8() + "', 'room" +
                               QByteArray::number(s) + "', 0, 0)";
        run(conn, sql.constData());
        for (int d = 0; d < Devices; ++d) {
            const QByteArray device = "insert into moravin_devices (store_key, serialno, position,"
                                      " first_point, last_point) values (" +
                                      QByteArray::number(s + 1) + ", '" + serial(s, d) + "', " +
                                      QByteArray::number(d) + ", " + QByteArray::number(T0) + ", " +
                                      QByteArray::number(T0 + seconds - 1) + ")";
            run(conn, device.constData());
        }
    }
    // Loaded without the read index, which is built afterwards, as a
    // restore would; forwarding keeps it up to date row by row instead.
    run(conn, "drop index moravin_readings_device_time");
    run(conn, "alter table moravin_readings set (autovacuum_enabled = false)");

    QElapsedTimer clock;
    clock.start();
    if (!generate(conn, stores, 0, 86400, perStore) || !index(conn))
        return 1;
    const qint64 firstRows = 86400LL * Devices * stores;
    const Figure small = readDay(connection, ids[0], T0);
    out << "generated " << firstRows << " rows and the index in "
        << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;

    clock.restart();
    if (!run(conn, "drop index moravin_readings_device_time") ||
        !generate(conn, stores, 86400, seconds, perStore) || !index(conn))
        return 1;
    const QByteArray size = server
                                .query("select pg_size_pretty(pg_total_relation_size("
                                       "'moravin_readings'))")
                                .toUtf8();
    out << "generated the rest and the index in "
        << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;
    out << "rows on the server: " << rows << " (" << stores << " stores x 16 devices, 1 s, "
        << seconds / 86400 << " days; " << size << " with indexes)" << Qt::endl;

    const qint64 middleDay = T0 + (seconds / 86400 / 2) * 86400;
    const Figure big = readDay(connection, ids[0], middleDay);
    const double anchor = copyDay(connection, middleDay);
    out << "one day, 4 channels, server read: " << ms(big.medianMs) << " (" << big.rows
        << " rows; first " << ms(big.firstMs) << ") | COPY of the same rows: " << ms(anchor)
        << " | ratio " << QString::number(big.medianMs / anchor, 'f', 2) << Qt::endl;
    // A project of the first store that names the server.
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("room0.qpj"));
    ProjectFile(project).writeHeader(QStringLiteral("room0"), 1000, QStringLiteral("room0.dat"));
    ServerSettings settings;
    settings.connection = connection;
    settings.storeId = ids[0];
    QString message;
    ServerSettings::write(project, settings, &message);
    const ReadingsSource source = ReadingsSource::forProject(project);
    int chartRows = 0;
    const double chartMs = chartDay(source, middleDay, &chartRows);
    out << "one-day chart read: " << ms(chartMs) << " (" << chartRows
        << " time points, 4 channels, the viewer's worker) | limit 300.0 ms | COPY of the same"
        << " rows: " << ms(anchor) << " | ratio " << QString::number(chartMs / anchor, 'f', 2)
        << Qt::endl;
    int reportRows = 0;
    const double reportMs = reportDay(source, middleDay, &reportRows);
    out << "one-day report read: " << ms(reportMs) << " (" << reportRows
        << " readings, 4 channels, read and day figures) | limit 400.0 ms | COPY of the same"
        << " rows: " << ms(anchor) << " | ratio " << QString::number(reportMs / anchor, 'f', 2)
        << Qt::endl;
    const Figure again = readDay(connection, ids[0], T0);
    out << "one day, 4 channels, server read at " << firstRows << " rows: " << ms(small.medianMs)
        << " | at " << rows << " rows: " << ms(again.medianMs) << " | ratio "
        << QString::number(again.medianMs / small.medianMs, 'f', 2) << Qt::endl;

    ServerReadings reader(connection);
    reader.setStore(ids[0]);
    qint64 first = 0, last = 0;
    QElapsedTimer spanClock;
    spanClock.start();
    reader.span(&first, &last);
    const double spanMs = spanClock.nsecsElapsed() / 1e6;
    QVector<ServerProject> projects;
    spanClock.restart();
    reader.catalogue(&projects);
    out << "span: " << ms(spanMs) << ", catalogue of " << projects.size()
        << " projects: " << ms(spanClock.nsecsElapsed() / 1e6) << Qt::endl;
    PQfinish(conn);
    return 0;
}
