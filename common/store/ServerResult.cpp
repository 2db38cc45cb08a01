#include "ServerResult.h"

ServerResult::ServerResult(PGresult *result) : m_result(result)
{
    if (!m_result) {
        m_error = QStringLiteral("no result from the server");
        m_state = "08006";
        return;
    }
    if (!ok()) {
        m_state = PQresultErrorField(m_result, PG_DIAG_SQLSTATE);
        m_error = QString::fromUtf8(PQresultErrorMessage(m_result)).trimmed();
    }
}

ServerResult::~ServerResult()
{
    PQclear(m_result);
}

ServerResult::ServerResult(ServerResult &&other) noexcept
    : m_result(other.m_result), m_state(std::move(other.m_state)), m_error(std::move(other.m_error))
{
    other.m_result = nullptr;
}

ServerResult &ServerResult::operator=(ServerResult &&other) noexcept
{
    if (this != &other) {
        PQclear(m_result);
        m_result = other.m_result;
        m_state = std::move(other.m_state);
        m_error = std::move(other.m_error);
        other.m_result = nullptr;
    }
    return *this;
}

ServerResult ServerResult::failure(const QString &text, const QByteArray &state)
{
    ServerResult r;
    r.m_error = text;
    r.m_state = state;
    return r;
}

bool ServerResult::ok() const
{
    if (!m_result)
        return false;
    const ExecStatusType status = PQresultStatus(m_result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

int ServerResult::rows() const
{
    return m_result ? PQntuples(m_result) : 0;
}

int ServerResult::columns() const
{
    return m_result ? PQnfields(m_result) : 0;
}

bool ServerResult::isNull(int row, int column) const
{
    return !m_result || PQgetisnull(m_result, row, column);
}

QByteArray ServerResult::value(int row, int column) const
{
    if (isNull(row, column))
        return QByteArray();
    return QByteArray(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

QString ServerResult::text(int row, int column) const
{
    return QString::fromUtf8(value(row, column));
}

qint64 ServerResult::toInt64(int row, int column) const
{
    return isNull(row, column) ? 0 : QByteArray(PQgetvalue(m_result, row, column)).toLongLong();
}

const char *ServerResult::raw(int row, int column) const
{
    return m_result ? PQgetvalue(m_result, row, column) : nullptr;
}

qint64 ServerResult::affected() const
{
    return m_result ? QByteArray(PQcmdTuples(m_result)).toLongLong() : 0;
}

QString ServerResult::primaryMessage() const
{
    if (m_result) {
        const char *primary = PQresultErrorField(m_result, PG_DIAG_MESSAGE_PRIMARY);
        if (primary)
            return QString::fromUtf8(primary);
    }
    return m_error;
}
