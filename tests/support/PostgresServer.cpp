#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <libpq-fe.h>

#include <signal.h>

namespace {

const QString Admin = QStringLiteral("moravin_admin");

} // namespace

PostgresServer::PostgresServer(Listen listen) : m_listen(listen) {}

PostgresServer::~PostgresServer()
{
    stop();
}

QString PostgresServer::binary(const QString &name)
{
    QString dir = qEnvironmentVariable("MORAVIN_PG_BINDIR");
    if (dir.isEmpty())
        dir = QStringLiteral("/usr/lib/postgresql/15/bin");
    return dir + QLatin1Char('/') + name;
}

bool PostgresServer::makeFolder(QString *error)
{
    m_dir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/moravin-pg-XXXXXX"));
    if (!m_dir->isValid()) {
        *error = QStringLiteral("no temporary folder: %1").arg(m_dir->errorString());
        return false;
    }
    m_user = ServerProcess::unprivilegedUser();
    if (!ServerProcess::handOver(m_dir->path(), m_user)) {
        *error = QStringLiteral("cannot hand %1 over to %2").arg(m_dir->path(), m_user);
        return false;
    }
    m_port = m_listen == Listen::Loopback ? ServerProcess::freeLoopbackPort() : 5432;
    return true;
}

bool PostgresServer::runAsOwner(const QString &program, const QStringList &arguments,
                                QString *error, int timeoutMs) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The owner may not be able to enter the test's working folder.
    process.setWorkingDirectory(folder());
    if (!m_user.isEmpty())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), m_user, QStringLiteral("--"), program} +
                          arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("%1 failed: %2")
                         .arg(program, QString::fromLocal8Bit(process.readAll()));
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
        return false;
    }
    return true;
}

bool PostgresServer::setUp(QString *error)
{
    if (!QFile::exists(binary(QStringLiteral("initdb")))) {
        *error = QStringLiteral("%1 is missing: install postgresql-15 (scripts/install-deps.sh)")
                     .arg(binary(QStringLiteral("initdb")));
        return false;
    }
    if (!makeFolder(error))
        return false;
    if (!runAsOwner(binary(QStringLiteral("initdb")),
                    {QStringLiteral("-D"), dataDirectory(), QStringLiteral("-U"), Admin,
                     QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                     QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                    error))
        return false;
    if (!start(error))
        return false;
    return exec(QStringLiteral("create database moravin"), error, QStringLiteral("postgres"));
}

bool PostgresServer::setUpStandbyOf(const PostgresServer &primary, QString *error)
{
    m_listen = Listen::Loopback;
    if (!makeFolder(error))
        return false;
    if (!runAsOwner(binary(QStringLiteral("pg_basebackup")),
                    {QStringLiteral("-D"), dataDirectory(), QStringLiteral("-h"),
                     QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                     QString::number(primary.port()), QStringLiteral("-U"), Admin,
                     QStringLiteral("-X"), QStringLiteral("stream"), QStringLiteral("-R"),
                     QStringLiteral("-c"), QStringLiteral("fast"), QStringLiteral("--no-sync")},
                    error))
        return false;
    return start(error);
}

bool PostgresServer::start(QString *error)
{
    if (isRunning())
        return true;
    const QString listen =
        m_listen == Listen::Loopback ? QStringLiteral("127.0.0.1") : QStringLiteral("");
    QStringList arguments{QStringLiteral("-D"), dataDirectory(),
                          QStringLiteral("-p"), QString::number(m_port),
                          QStringLiteral("-k"), folder(),
                          QStringLiteral("-c"), QStringLiteral("listen_addresses=") + listen,
                          QStringLiteral("-c"), QStringLiteral("fsync=off"),
                          QStringLiteral("-c"), QStringLiteral("max_connections=60"),
                          QStringLiteral("-c"), QStringLiteral("shared_buffers=32MB")};
    for (const QString &setting : qAsConst(m_settings))
        arguments << QStringLiteral("-c") << setting;
    if (!m_process.start(binary(QStringLiteral("postgres")), arguments, m_user)) {
        *error = QStringLiteral("postgres did not start: %1").arg(m_process.output());
        return false;
    }
    return waitUntilReady(error);
}

bool PostgresServer::waitUntilReady(QString *error)
{
    const QByteArray info = connectionString(Admin, QStringLiteral("postgres")).toUtf8();
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (!isRunning()) {
            *error = QStringLiteral("postgres ended: %1").arg(m_process.output());
            return false;
        }
        if (PQping(info.constData()) == PQPING_OK)
            return true;
        QThread::msleep(50);
    }
    *error = QStringLiteral("postgres did not become ready: %1").arg(m_process.output());
    return false;
}

bool PostgresServer::stop()
{
    if (!isRunning())
        return true;
    // The postmaster would wait for every client at SIGTERM; pg_ctl asks for
    // a fast shutdown instead.
    runAsOwner(binary(QStringLiteral("pg_ctl")),
               {QStringLiteral("stop"), QStringLiteral("-D"), dataDirectory(), QStringLiteral("-m"),
                QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("-t"),
                QStringLiteral("30")},
               nullptr, 40000);
    m_process.stop();
    return !isRunning();
}

void PostgresServer::crash()
{
    QFile pidFile(dataDirectory() + QStringLiteral("/postmaster.pid"));
    if (pidFile.open(QIODevice::ReadOnly)) {
        const qint64 pid = pidFile.readLine().trimmed().toLongLong();
        if (pid > 0)
            ::kill(pid_t(pid), SIGKILL);
    }
    m_process.kill();
}

QString PostgresServer::connectionString(const QString &user, const QString &database) const
{
    const QString host = m_listen == Listen::Loopback ? QStringLiteral("127.0.0.1") : folder();
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4 connect_timeout=10")
        .arg(host)
        .arg(m_port)
        .arg(user, database);
}

QString PostgresServer::query(const QString &sql, QString *error, const QString &database) const
{
    const QByteArray info = connectionString(Admin, database).toUtf8();
    PGconn *conn = PQconnectdb(info.constData());
    QString value;
    if (PQstatus(conn) != CONNECTION_OK) {
        if (error)
            *error = QString::fromUtf8(PQerrorMessage(conn));
        PQfinish(conn);
        return QString();
    }
    PGresult *r = PQexec(conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(r);
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
        value = QStringLiteral(""); // not null: success
        if (status == PGRES_TUPLES_OK && PQntuples(r) > 0 && PQnfields(r) > 0)
            value = QString::fromUtf8(PQgetvalue(r, 0, 0));
    } else if (error) {
        *error = QString::fromUtf8(PQresultErrorMessage(r));
    }
    PQclear(r);
    PQfinish(conn);
    return value;
}

bool PostgresServer::exec(const QString &sql, QString *error, const QString &database) const
{
    return !query(sql, error, database).isNull();
}

bool PostgresServer::waitForReplayOf(const PostgresServer &primary, int timeoutMs) const
{
    const QString target = primary.query(QStringLiteral("select pg_current_wal_lsn()"));
    if (target.isEmpty())
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QString caughtUp =
            query(QStringLiteral("select pg_last_wal_replay_lsn() >= '%1'::pg_lsn").arg(target));
        if (caughtUp == QLatin1String("t"))
            return true;
        QThread::msleep(50);
    }
    return false;
}
