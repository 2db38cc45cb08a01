// Forwarding capacity into one local PostgreSQL, from spools filled as
// recorders fill them, with the server's own COPY of the same rows beside it.
//
// serverforwardbench [--seconds N] [--rate R] [--spools S] [--backlog-seconds B]
// serverforwardbench --outage S
//
//  1. capacity: every spool holds B seconds of the rate; S forwarders send
//     it; readings per second until the server holds all of it, beside COPY
//     of as many rows into a table with the same keys and indexes;
//  2. sustained: R readings per second for N seconds written into the
//     spools (a flush every 1.5 s) while the forwarders run; the lag from a
//     flush to the server, and what was lost or stored twice, counted on the
//     server.
// With --outage: one recorder (16 devices at 1 s) records while the server is
// stopped for S seconds; the time from the server's return until every
// reading recorded before it is on the server, beside the time the same
// backlog takes with the server up from the start.

#include "PostgresServer.h"
#include "SpoolLoad.h"
#include "store/Forwarder.h"
#include "store/ServerConnection.h"
#include "store/ServerSchema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

QTextStream out(stdout);

double argument(const QStringList &args, const QString &name, double fallback)
{
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toDouble() : fallback;
}

// Waits with the event loop running until done() or the deadline.
template <typename Done> bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// COPY of rows shaped like the forwarded ones into a table with the same
// key and indexes: the server's own fastest way in.
double copyRate(const QString &connection, qint64 rows)
{
    PGconn *conn = PQconnectdb(connection.toUtf8().constData());
    PQclear(PQexec(conn, "set client_min_messages = warning"));
    PQclear(PQexec(conn, "drop table if exists anchor_readings"));
    PQclear(PQexec(conn, "create table anchor_readings (like moravin_readings including all)"));
    QElapsedTimer clock;
    clock.start();
    PQclear(PQexec(conn, "copy anchor_readings (store_key, local_id, serialno, channel1, channel2,"
                         " pointdate) from stdin"));
    QByteArray chunk;
    for (qint64 i = 1; i <= rows; ++i) {
        chunk += "1\t" + QByteArray::number(i) + "\tS0D" + QByteArray::number(i % 16) + "\t" +
                 QByteArray::number(21.0 + (i % 300) * 0.01) + "\t45.5\t" +
                 QByteArray::number(1700000000 + i / 16) + "\n";
        if (chunk.size() > (1 << 20) || i == rows) {
            PQputCopyData(conn, chunk.constData(), chunk.size());
            chunk.clear();
        }
    }
    PQputCopyEnd(conn, nullptr);
    PGresult *r = PQgetResult(conn);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    const double seconds = clock.elapsed() / 1000.0;
    PQclear(PQexec(conn, "drop table anchor_readings"));
    PQfinish(conn);
    return ok && seconds > 0 ? rows / seconds : 0;
}

// Seconds until a fresh forwarder has sent `rows` readings of a new spool
// to a server that is up.
double backlogSeconds(const QString &connection, const QString &path, qint64 rows)
{
    SpoolLoad load({path});
    QString error;
    if (!load.open(&error) || !load.fill(rows, &error))
        return -1;
    ForwarderSettings s;
    s.connection = connection;
    s.storeId = QUuid::createUuid();
    s.projectName = QStringLiteral("anchor");
    s.spoolPath = path;
    Forwarder forwarder(s);
    qint64 sent = 0;
    QObject::connect(&forwarder, &Forwarder::forwarded,
                     [&sent](qint64 last, qint64) { sent = last; });
    QElapsedTimer clock;
    clock.start();
    forwarder.start();
    return waitFor([&] { return sent >= rows; }, 10 * 60 * 1000) ? clock.elapsed() / 1000.0 : -1;
}

int outage(PostgresServer &server, const QString &connection, double seconds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("room.dat"));
    SpoolLoad load({path});
    QString error;
    if (!load.open(&error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    ForwarderSettings s;
    s.connection = connection;
    s.storeId = QUuid::createUuid();
    s.projectName = QStringLiteral("room");
    s.spoolPath = path;
    Forwarder forwarder(s);
    qint64 sent = 0;
    QObject::connect(&forwarder, &Forwarder::forwarded,
                     [&sent](qint64 last, qint64) { sent = last; });
    // The recorder: 16 devices at 1 s, a flush every 1.5 s, all along.
    std::atomic_bool stop{false};
    bool loadOk = true;
    std::thread recorder([&] { loadOk = load.run(16, seconds + 600, 1500, stop, &error); });
    forwarder.start();
    waitFor([&] { return sent > 100; }, 60000);
    server.stop();
    out << "server stopped for " << seconds << " s while recording" << Qt::endl;
    QElapsedTimer clock;
    clock.start();
    waitFor([&] { return clock.elapsed() >= qint64(seconds * 1000); }, int(seconds * 1000) + 1000);
    const qint64 waiting = load.written() - sent;
    if (!server.start(&error)) {
        stop = true;
        recorder.join();
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 recordedBefore = load.written();
    clock.restart();
    const bool caughtUp = waitFor([&] { return sent >= recordedBefore; }, 10 * 60 * 1000);
    const double catchUp = clock.elapsed() / 1000.0;
    stop = true;
    recorder.join();
    if (!loadOk || !caughtUp) {
        fprintf(stderr, "%s\n", caughtUp ? qPrintable(error) : "not caught up in 10 minutes");
        return 1;
    }
    // What was recorded since the return is counted too.
    waitFor([&] { return sent >= load.written(); }, 60000);
    const double anchor =
        backlogSeconds(connection, dir.filePath(QStringLiteral("anchor.dat")), recordedBefore);
    out << "outage catch-up: " << QString::number(catchUp, 'f', 1) << " s after the server's"
        << " return (" << waiting << " readings waiting, " << recordedBefore
        << " recorded) | limit 60 s | the same backlog with the server up: "
        << QString::number(anchor, 'f', 1) << " s | ratio "
        << QString::number(anchor > 0 ? catchUp / anchor : 0, 'f', 1) << Qt::endl;
    const qint64 stored =
        server.query("select count(*) from moravin_readings where store_key = 1").toLongLong();
    out << "lost: " << std::max<qint64>(0, load.written() - stored)
        << " | duplicated: " << std::max<qint64>(0, stored - load.written()) << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double seconds = argument(args, "--seconds", 300);
    const double rate = argument(args, "--rate", 20000);
    const int spoolCount = int(argument(args, "--spools", 20));
    const double backlogSeconds = argument(args, "--backlog-seconds", 30);

    PostgresServer server;
    // A server as a site would run it: durable commits, room to work.
    for (const char *setting : {"fsync=on", "synchronous_commit=on", "shared_buffers=512MB",
                                "max_wal_size=4GB", "checkpoint_timeout=15min"})
        server.addSetting(QString::fromLatin1(setting));
    QString error;
    if (!server.setUp(&error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString connection = server.connectionString();
    {
        ServerConnection c;
        QString message;
        if (!c.open(connection, 10000) ||
            ServerSchema::ensure(c, &message) == ServerSchema::Outcome::Failed) {
            fprintf(stderr, "schema: %s %s\n", qPrintable(c.lastError()), qPrintable(message));
            return 1;
        }
    }
    if (args.contains(QStringLiteral("--outage")))
        return outage(server, connection, argument(args, "--outage", 300));

    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < spoolCount; ++i)
        paths << dir.filePath(QStringLiteral("recorder%1.dat").arg(i));
    SpoolLoad load(paths);
    if (!load.open(&error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 backlogPerSpool = qint64(rate * backlogSeconds / spoolCount);
    const qint64 backlog = backlogPerSpool * spoolCount;
    out << "spools: " << spoolCount << " (16 devices each), rate " << rate << " readings/s, "
        << seconds << " s sustained, backlog " << backlog << " readings" << Qt::endl;

    const double anchor = copyRate(connection, backlog);

    if (!load.fill(backlogPerSpool, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    // Forwarders, one per spool as one per recorder.
    std::vector<std::unique_ptr<Forwarder>> forwarders;
    std::vector<qint64> lastId(size_t(spoolCount), 0);
    std::atomic<qint64> forwarded{0};
    double worstLag = 0;
    std::vector<double> lags;
    bool measuringLag = false;
    for (int i = 0; i < spoolCount; ++i) {
        ForwarderSettings s;
        s.connection = connection;
        s.storeId = QUuid::createUuid();
        s.projectName = QStringLiteral("recorder%1").arg(i);
        s.spoolPath = paths.at(i);
        s.host = QStringLiteral("pc-%1").arg(i);
        s.batchRows = 5000;
        forwarders.push_back(std::make_unique<Forwarder>(s));
        QObject::connect(forwarders.back().get(), &Forwarder::forwarded, &app,
                         [&, i](qint64 last, qint64 rows) {
                             lastId[size_t(i)] = last;
                             forwarded += rows;
                             if (!measuringLag)
                                 return;
                             const qint64 at = load.writtenAt(i, last);
                             if (at < 0)
                                 return;
                             const double lag = (QDateTime::currentMSecsSinceEpoch() - at) / 1000.0;
                             lags.push_back(lag);
                             worstLag = std::max(worstLag, lag);
                         });
        QObject::connect(forwarders.back().get(), &Forwarder::problem, &app,
                         [](const QString &m) { fprintf(stderr, "%s\n", qPrintable(m)); });
    }

    QElapsedTimer clock;
    clock.start();
    for (auto &f : forwarders)
        f->start();
    if (!waitFor([&] { return forwarded.load() >= backlog; }, 30 * 60 * 1000)) {
        fprintf(stderr, "the backlog was not forwarded within 30 minutes\n");
        return 1;
    }
    const double capacity = backlog / (clock.elapsed() / 1000.0);
    out << "forwarding capacity: " << qRound64(capacity)
        << " readings/s | COPY of the same rows: " << qRound64(anchor) << " readings/s | ratio "
        << QString::number(capacity / anchor, 'f', 2) << Qt::endl;

    // Sustained load while the forwarders run.
    measuringLag = true;
    std::atomic_bool stop{false};
    bool loadOk = true;
    QString loadError;
    const qint64 before = load.written();
    const qint64 forwardedBefore = forwarded.load();
    clock.restart();
    std::atomic_bool generated{false};
    std::thread generator([&] {
        loadOk = load.run(rate, seconds, 1500, stop, &loadError);
        generated = true;
    });
    waitFor([&] { return generated.load(); }, int(seconds * 1000) + 60000);
    stop = true;
    generator.join();
    const double generatedSeconds = clock.elapsed() / 1000.0;
    if (!loadOk) {
        fprintf(stderr, "load: %s\n", qPrintable(loadError));
        return 1;
    }
    const qint64 written = load.written() - before;
    const bool drained =
        waitFor([&] { return forwarded.load() - forwardedBefore >= written; }, 10 * 60 * 1000);
    std::sort(lags.begin(), lags.end());
    const double p99 = lags.empty() ? 0 : lags[size_t(double(lags.size() - 1) * 0.99)];
    out << "sustained: " << qRound64(written / seconds) << " readings/s written for " << seconds
        << " s, " << qRound64((forwarded.load() - forwardedBefore) / generatedSeconds)
        << " readings/s stored" << (drained ? "" : " (not drained)") << Qt::endl;
    out << "lag: " << QString::number(worstLag, 'f', 2) << " s | the forwarder's poll interval: "
        << "1.00 s | ratio " << QString::number(worstLag / 1.0, 'f', 2) << " (99th percentile "
        << QString::number(p99, 'f', 2) << " s)" << Qt::endl;
    forwarders.clear();

    // Counted on the server.
    const qint64 total = load.written();
    const qint64 stored = server.query("select count(*) from moravin_readings").toLongLong();
    const qint64 distinct = server
                                .query("select count(*) from (select distinct store_key, "
                                       "serialno, pointdate from moravin_readings) d")
                                .toLongLong();
    out << "lost: " << (total - distinct) << " | readings written to the spools: " << total
        << Qt::endl;
    out << "duplicated: " << (stored - distinct) << " | readings on the server: " << stored
        << Qt::endl;
    return 0;
}
