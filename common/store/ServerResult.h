#pragma once

#include <QByteArray>
#include <QString>

#include <libpq-fe.h>

// The outcome of one statement on the server: its rows when it had some, or
// the server's words and SQLSTATE when it failed. Owns the libpq result.
class ServerResult
{
public:
    ServerResult() = default;
    explicit ServerResult(PGresult *result);
    ~ServerResult();
    ServerResult(ServerResult &&other) noexcept;
    ServerResult &operator=(ServerResult &&other) noexcept;
    ServerResult(const ServerResult &) = delete;
    ServerResult &operator=(const ServerResult &) = delete;

    // A failure that did not come from the server (no answer, connection
    // gone, stopped by the caller).
    static ServerResult failure(const QString &text, const QByteArray &state);

    bool ok() const;
    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    QByteArray value(int row, int column) const;
    QString text(int row, int column) const;
    qint64 toInt64(int row, int column) const;
    // The raw bytes of a value (binary results).
    const char *raw(int row, int column) const;
    // Rows an INSERT, UPDATE or DELETE touched.
    qint64 affected() const;

    // SQLSTATE: "08..." for a lost connection; "" when none was given.
    QByteArray state() const { return m_state; }
    QString errorText() const { return m_error; }
    // The server's own words without its "ERROR:" prefix and trailing newline.
    QString primaryMessage() const;

private:
    PGresult *m_result = nullptr;
    QByteArray m_state;
    QString m_error;
};
