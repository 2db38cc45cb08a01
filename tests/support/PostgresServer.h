#pragma once

#include "ServerProcess.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A PostgreSQL server of its own for a test: initdb into a temporary folder,
// the server's Unix socket in that folder (and no TCP), or 127.0.0.1 on a
// free port. As root it runs as an unprivileged user, who is handed the
// folder. It is stopped when the object goes, also when the test fails; a
// crash() leaves it to be started again on the same data.
//
// The superuser is "moravin_admin" and the database "moravin"; the binaries
// are Debian's (/usr/lib/postgresql/15/bin, or MORAVIN_PG_BINDIR).
class PostgresServer
{
public:
    enum class Listen
    {
        UnixSocket,
        Loopback
    };

    explicit PostgresServer(Listen listen = Listen::UnixSocket);
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // initdb, start, and the database "moravin".
    bool setUp(QString *error);
    // A streaming standby of primary (which must listen on loopback), made by
    // pg_basebackup and started here.
    bool setUpStandbyOf(const PostgresServer &primary, QString *error);

    // A server setting ("fsync=on") given at the next start, after the
    // test defaults (no fsync, small shared memory), which it overrides.
    void addSetting(const QString &setting) { m_settings << setting; }

    bool start(QString *error);
    // Fast shutdown: clients are disconnected, the data is kept.
    bool stop();
    // SIGKILL to the server, as a power cut would (crash recovery at the
    // next start).
    void crash();
    bool isRunning() const { return m_process.isRunning(); }

    // A libpq connection string for user and database; never a password
    // (the test server trusts local connections).
    QString connectionString(const QString &user = QStringLiteral("moravin_admin"),
                             const QString &database = QStringLiteral("moravin")) const;
    // Runs sql as the superuser on database; the first column of the first
    // row as text, or a null string (error set) on failure.
    QString query(const QString &sql, QString *error = nullptr,
                  const QString &database = QStringLiteral("moravin")) const;
    bool exec(const QString &sql, QString *error = nullptr,
              const QString &database = QStringLiteral("moravin")) const;
    // Waits until this standby has replayed everything primary wrote so far.
    bool waitForReplayOf(const PostgresServer &primary, int timeoutMs = 30000) const;

    quint16 port() const { return m_port; }
    QString folder() const { return m_dir ? m_dir->path() : QString(); }
    QString dataDirectory() const { return folder() + QStringLiteral("/data"); }
    QString log() { return m_process.output(); }

    static QString binary(const QString &name);

private:
    bool makeFolder(QString *error);
    bool runAsOwner(const QString &program, const QStringList &arguments, QString *error,
                    int timeoutMs = 120000) const;
    bool waitUntilReady(QString *error);

    Listen m_listen;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_user;
    quint16 m_port = 5432;
    QStringList m_settings;
    ServerProcess m_process;
};
