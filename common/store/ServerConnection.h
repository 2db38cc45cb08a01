#pragma once

#include "ServerResult.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <atomic>

// One libpq connection, used from one thread. Every wait on the network is
// bounded by a deadline and cut short by an optional stop flag, so a server
// that stops answering or a network that drops mid-statement never holds the
// thread longer than the caller allows.
class ServerConnection
{
public:
    ServerConnection() = default;
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    // Checked between slices of every wait; the wait ends when it is set.
    void setStopFlag(const std::atomic_bool *stop) { m_stop = stop; }

    // setting: a libpq connection string ("host=... dbname=..."), a
    // postgresql:// URI, or the name of a service of the service file.
    bool open(const QString &setting, int timeoutMs);
    void close();
    bool isOpen() const;
    // The server's version as libpq gives it (150004 for 15.4).
    int serverVersion() const;
    QString serverVersionText() const;
    QString userName() const;
    // "host:port/database" for messages; never a password.
    QString target() const;
    QString lastError() const { return m_error; }

    // Runs one statement with text parameters; a null QByteArray is SQL NULL.
    // binary: the result's values come in the server's binary form.
    // A failure that leaves the connection unusable closes it.
    ServerResult exec(const QByteArray &sql, const QVector<QByteArray> &params = {},
                      int timeoutMs = 30000, bool binary = false);

    // The connection string for a setting (a service name becomes
    // "service=<name>").
    static QString connectionString(const QString &setting);
    // True when the setting carries a password, which must live in ~/.pgpass
    // or the service file instead.
    static bool containsPassword(const QString &setting);
    // Whether a state means the connection is gone (class 08, admin shutdown,
    // no answer) rather than a refused statement.
    static bool isConnectionState(const QByteArray &state);

private:
    bool waitSocket(bool forWrite, qint64 deadlineMs);
    ServerResult fail(const QString &text, const QByteArray &state);

    PGconn *m_conn = nullptr;
    const std::atomic_bool *m_stop = nullptr;
    QString m_error;
};
